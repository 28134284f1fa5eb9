#include "profilereader.h"

#include <QFile>
#include <QFileInfo>
#include <array>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace catalogue {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView trimmed(QByteArrayView s)
{
    qsizetype begin = 0, end = s.size();
    while (begin < end && isBlank(s[begin]))
        ++begin;
    while (end > begin && isBlank(s[end - 1]))
        --end;
    return s.sliced(begin, end - begin);
}

char foldCase(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

bool sameName(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (foldCase(a[i]) != foldCase(b[i]))
            return false;
    }
    return true;
}

QByteArrayView unquoted(QByteArrayView value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.sliced(1, value.size() - 2);
    return value;
}

// The next line of `ini` from `pos`, without its end; `pos` moves past the end.
QByteArrayView nextLine(QByteArrayView ini, qsizetype &pos)
{
    const qsizetype begin = pos;
    while (pos < ini.size() && ini[pos] != '\n' && ini[pos] != '\r')
        ++pos;
    const QByteArrayView line = ini.sliced(begin, pos - begin);
    if (pos < ini.size() && ini[pos] == '\r')
        ++pos;
    if (pos < ini.size() && ini[pos] == '\n')
        ++pos;
    return line;
}

// The first `max` characters of `text` (a surrogate pair is one), up to the first NUL.
QString cutText(const QString &text, qsizetype max)
{
    qsizetype end = 0;
    for (qsizetype chars = 0; end < text.size() && chars < max; ++chars) {
        if (text[end] == QChar(0))
            break;
        end +=
            text[end].isHighSurrogate() && end + 1 < text.size() && text[end + 1].isLowSurrogate()
                ? 2
                : 1;
    }
    return text.left(end);
}

// The UTF-8 bytes that hold at least the first `max` characters of `value`:
// no character takes more than four.
QByteArrayView utf8Head(QByteArrayView value, qsizetype max)
{
    return value.first(qMin(value.size(), max * 4));
}

enum class Encoding { Windows1252, Utf8, Utf16 };

Encoding detectEncoding(QByteArrayView ini)
{
    if (ini.startsWith("\xEF\xBB\xBF"))
        return Encoding::Utf8;
    if (ini.startsWith("\xFF\xFE"))
        return Encoding::Utf16;
    return Encoding::Windows1252;
}

QByteArray utf16ToUtf8(QByteArrayView bytes)
{
    QString text(bytes.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(char16_t(uchar(bytes[2 * i]) | uchar(bytes[2 * i + 1]) << 8));
    return text.toUtf8();
}

// Code points 0x80 to 0x9F of Windows-1252; the unassigned ones keep their value.
constexpr std::array<char16_t, 32> HighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

std::optional<QByteArrayView> findProfileValue(QByteArrayView ini, QByteArrayView section,
                                               QByteArrayView key)
{
    bool inSection = false;
    qsizetype pos = 0;
    while (pos < ini.size()) {
        const QByteArrayView line = trimmed(nextLine(ini, pos));
        if (line.isEmpty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            const qsizetype close = line.lastIndexOf(']');
            if (close < 0)
                continue; // not a section header, and no key either
            if (inSection)
                return std::nullopt; // only the first section of that name counts
            inSection = sameName(trimmed(line.sliced(1, close - 1)), section);
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype equals = line.indexOf('=');
        const QByteArrayView name = trimmed(equals < 0 ? line : line.first(equals));
        if (sameName(name, key))
            return equals < 0 ? QByteArrayView() : unquoted(trimmed(line.sliced(equals + 1)));
    }
    return std::nullopt;
}

QString readProfileString(QByteArrayView ini, const QString &section, const QString &key,
                          const QString &defaultValue, int size)
{
    if (size <= 0)
        return QString();
    const qsizetype max = size - 1; // one place is kept for the closing NUL
    const Encoding encoding = detectEncoding(ini);
    QByteArray converted;
    if (encoding == Encoding::Utf16) {
        converted = utf16ToUtf8(ini.sliced(2));
        ini = converted;
    } else if (encoding == Encoding::Utf8) {
        ini = ini.sliced(3);
    }
    const bool unicode = encoding != Encoding::Windows1252;
    const auto value = unicode ? findProfileValue(ini, section.toUtf8(), key.toUtf8())
                               : findProfileValue(ini, toWindows1252(section), toWindows1252(key));
    if (!value)
        return cutText(defaultValue, max);
    if (unicode)
        return cutText(QString::fromUtf8(utf8Head(*value, max)), max);
    QByteArrayView bytes = value->first(qMin(value->size(), max));
    const qsizetype nul = bytes.indexOf('\0');
    return fromWindows1252(nul < 0 ? bytes : bytes.first(nul));
}

QString readProfileString(const QString &section, const QString &key, const QString &defaultValue,
                          int size, const QString &fileName)
{
#ifdef Q_OS_UNIX
    // Opened without waiting, so a FIFO at that path cannot block us; only a
    // regular file is mapped. Mapping reads a file of any size without copying it.
    const int fd = ::open(QFile::encodeName(fileName).constData(),
                          O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return readProfileString(QByteArrayView(), section, key, defaultValue, size);
    struct stat info {};
    QByteArrayView ini;
    void *map = MAP_FAILED;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
        map = ::mmap(nullptr, size_t(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        if (map != MAP_FAILED)
            ini = QByteArrayView(static_cast<const char *>(map), qsizetype(info.st_size));
    }
    ::close(fd);
    const QString result = readProfileString(ini, section, key, defaultValue, size);
    if (map != MAP_FAILED)
        ::munmap(map, size_t(info.st_size));
    return result;
#else
    QFile file(fileName);
    QByteArrayView ini;
    uchar *map = nullptr;
    if (QFileInfo(fileName).isFile() && file.open(QIODevice::ReadOnly) && file.size() > 0) {
        map = file.map(0, file.size());
        if (map)
            ini = QByteArrayView(reinterpret_cast<const char *>(map), file.size());
    }
    return readProfileString(ini, section, key, defaultValue, size);
#endif
}

QString fromWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar b = uchar(bytes[i]);
        text[i] = QChar(b >= 0x80 && b < 0xA0 ? HighControls[b - 0x80] : char16_t(b));
    }
    return text;
}

QByteArray toWindows1252(const QString &text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        char b = '?';
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            b = char(c);
        } else {
            for (int k = 0; k < int(HighControls.size()); ++k) {
                if (HighControls[k] == c)
                    b = char(0x80 + k);
            }
        }
        bytes[i] = b;
    }
    return bytes;
}

} // namespace catalogue
