#include "profilereader.h"

#include <QFile>
#include <QFileInfo>
#include <array>
#include <cstring>
#include <utility>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace catalogue {

namespace {

// Windows counts the vertical tab as a blank, like space and tab.
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v';
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

// The section argument loses its surrounding spaces, but not tabs.
QByteArrayView spaceTrimmed(QByteArrayView s)
{
    while (!s.isEmpty() && s.front() == ' ')
        s = s.sliced(1);
    while (!s.isEmpty() && s.back() == ' ')
        s.chop(1);
    return s;
}

char foldCase(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

QByteArrayView unquoted(QByteArrayView value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.sliced(1, value.size() - 2);
    return value;
}

// Where `c` next occurs in `text` from `from`, or the text's end.
qsizetype findByte(QByteArrayView text, qsizetype from, char c)
{
    const void *hit = std::memchr(text.data() + from, c, size_t(text.size() - from));
    return hit ? static_cast<const char *>(hit) - text.data() : text.size();
}

void classify(ProfileLine &line)
{
    const QByteArrayView text = trimmed(line.raw);
    if (text.isEmpty()) {
        line.kind = ProfileLine::Kind::Blank;
    } else if (text.front() == ';') {
        line.kind = ProfileLine::Kind::Comment;
    } else if (text.front() == '[') {
        // The name ends at the first ']', or with the line when there is none;
        // whatever follows that ']' is ignored.
        line.kind = ProfileLine::Kind::Section;
        const QByteArrayView rest = text.sliced(1);
        const qsizetype close = rest.indexOf(']');
        line.hasBracket = close >= 0;
        line.name = trimmed(close < 0 ? rest : rest.first(close));
    } else {
        line.kind = ProfileLine::Kind::Key;
        const qsizetype equals = text.indexOf('=');
        line.hasEquals = equals >= 0;
        line.name = trimmed(equals < 0 ? text : text.first(equals));
        line.value = equals < 0 ? QByteArrayView() : unquoted(trimmed(text.sliced(equals + 1)));
    }
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

// The text of a value: at most `max` bytes of Windows-1252, or `max` characters
// of UTF-8 (no character takes more than four bytes), up to the first NUL.
QString decodeValue(QByteArrayView value, bool unicode, qsizetype max)
{
    if (unicode)
        return cutText(QString::fromUtf8(value.first(qMin(value.size(), max * 4))), max);
    const QByteArrayView bytes = value.first(qMin(value.size(), max));
    const qsizetype nul = bytes.indexOf('\0');
    return fromWindows1252(nul < 0 ? bytes : bytes.first(nul));
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

#ifdef Q_OS_UNIX
// Reads `fd` to its end into memory. A file that grows past the limit
// meanwhile, or a read error, gives nothing.
QByteArray readToEnd(int fd, qsizetype expected)
{
    QByteArray bytes(qMin(expected, MaxProfileFileSize) + 1, Qt::Uninitialized);
    qsizetype total = 0;
    for (;;) {
        if (total == bytes.size()) {
            if (total > MaxProfileFileSize)
                return QByteArray();
            bytes.resize(qMin(total * 2, MaxProfileFileSize + 1));
        }
        const ssize_t n = ::read(fd, bytes.data() + total, size_t(bytes.size() - total));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return QByteArray();
        if (n == 0)
            break;
        total += n;
    }
    bytes.truncate(total);
    return bytes;
}
#endif

QByteArray readPosix(const QString &fileName)
{
#ifdef Q_OS_UNIX
    // Opened without waiting, so a FIFO at that path cannot block us; only a
    // regular file is read. Its bytes are copied, never mapped: a file that is
    // shortened meanwhile must not take the program down with it.
    const int fd = ::open(QFile::encodeName(fileName).constData(),
                          O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return QByteArray();
    QByteArray bytes;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= MaxProfileFileSize)
        bytes = readToEnd(fd, qsizetype(info.st_size));
    ::close(fd);
    return bytes;
#else
    Q_UNUSED(fileName);
    return QByteArray();
#endif
}

QByteArray readPortable(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (!info.isFile() || info.size() > MaxProfileFileSize)
        return QByteArray();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    // One byte more than the limit tells a file that grew past it meanwhile.
    const QByteArray bytes = file.read(MaxProfileFileSize + 1);
    return bytes.size() > MaxProfileFileSize ? QByteArray() : bytes;
}

// The keys asked for in one section, found by name in any letter case. A file
// may hold millions of lines in that section, so each is looked up in a small
// open-addressing table without building a string.
class KeyTable
{
public:
    void add(QByteArrayView name, qsizetype request)
    {
        if ((m_entries.size() + 1) * 2 > m_slots.size())
            grow();
        Entry *entry = find(name);
        if (!entry) {
            m_entries.append({name, {}});
            place(m_entries.size() - 1);
            entry = &m_entries.last();
        }
        entry->requests.append(request);
        ++m_pending;
    }

    // The requests for `name`, once; afterwards that name gives none.
    QList<qsizetype> take(QByteArrayView name)
    {
        Entry *entry = find(name);
        if (!entry)
            return {};
        m_pending -= entry->requests.size();
        return std::exchange(entry->requests, {});
    }

    // How many requests are still waiting for their key.
    qsizetype pending() const { return m_pending; }

private:
    struct Entry {
        QByteArrayView name;
        QList<qsizetype> requests;
    };

    static size_t hash(QByteArrayView name)
    {
        size_t h = 14695981039346656037u; // FNV-1a over the capitals
        for (char c : name)
            h = (h ^ uchar(foldCase(c))) * 1099511628211u;
        return h;
    }

    Entry *find(QByteArrayView name)
    {
        if (m_slots.isEmpty())
            return nullptr;
        const size_t mask = size_t(m_slots.size() - 1);
        for (size_t i = hash(name) & mask; m_slots[i] >= 0; i = (i + 1) & mask) {
            Entry &entry = m_entries[m_slots[i]];
            if (sameName(entry.name, name))
                return &entry;
        }
        return nullptr;
    }

    void place(qsizetype index)
    {
        const size_t mask = size_t(m_slots.size() - 1);
        size_t i = hash(m_entries[index].name) & mask;
        while (m_slots[i] >= 0)
            i = (i + 1) & mask;
        m_slots[i] = index;
    }

    void grow()
    {
        m_slots.fill(-1, qMax<qsizetype>(16, m_slots.size() * 2));
        for (qsizetype i = 0; i < m_entries.size(); ++i)
            place(i);
    }

    QList<Entry> m_entries;
    QList<qsizetype> m_slots; // indices into m_entries, -1 for a free slot
    qsizetype m_pending = 0;
};

} // namespace

QByteArray readProfileFile(const QString &fileName, FileAccess access)
{
    return access == FileAccess::Posix ? readPosix(fileName) : readPortable(fileName);
}

ProfileText decodeProfileText(QByteArrayView file)
{
    ProfileText decoded;
    if (file.startsWith("\xEF\xBB\xBF")) {
        decoded.encoding = ProfileText::Encoding::Utf8;
        decoded.text = file.sliced(3);
    } else if (file.startsWith("\xFF\xFE")) {
        decoded.encoding = ProfileText::Encoding::Utf16LE;
        decoded.converted = utf16ToUtf8(file.sliced(2));
        decoded.text = decoded.converted;
    } else if (file.startsWith("\xFE\xFF")) {
        decoded.encoding = ProfileText::Encoding::Utf16BE; // not understood: no text
    } else {
        decoded.text = file;
    }
    return decoded;
}

bool ProfileLines::next(ProfileLine &line)
{
    // Empty lines only count; a file of nothing but line ends passes quickly.
    while (m_pos < m_text.size() && (m_text[m_pos] == '\r' || m_text[m_pos] == '\n')) {
        ++m_number;
        if (m_text[m_pos++] == '\r' && m_pos < m_text.size() && m_text[m_pos] == '\n')
            ++m_pos;
    }
    if (m_pos >= m_text.size())
        return false;
    // Each search starts where the last one ended, so a file of many short
    // lines is scanned once, not once per line.
    if (m_nextCr < m_pos)
        m_nextCr = findByte(m_text, m_pos, '\r');
    if (m_nextLf < m_pos)
        m_nextLf = findByte(m_text, m_pos, '\n');
    const qsizetype end = qMin(m_nextCr, m_nextLf);
    line = ProfileLine();
    line.number = ++m_number;
    line.raw = m_text.sliced(m_pos, end - m_pos);
    m_pos = end;
    if (m_pos < m_text.size() && m_text[m_pos] == '\r')
        ++m_pos;
    if (m_pos < m_text.size() && m_text[m_pos] == '\n')
        ++m_pos;
    classify(line);
    return true;
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

QList<std::optional<QByteArrayView>>
findProfileValues(QByteArrayView text, const QList<std::pair<QByteArray, QByteArray>> &keys)
{
    QList<std::optional<QByteArrayView>> found(keys.size());

    // The sections asked for, each with the keys still to find in it.
    struct Wanted {
        QByteArrayView name;
        enum { Ahead, Open, Passed } state = Ahead;
        KeyTable keys;
    };
    QList<Wanted> sections;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const QByteArrayView name = spaceTrimmed(keys[i].first);
        auto section = std::find_if(sections.begin(), sections.end(),
                                    [&](const Wanted &s) { return sameName(s.name, name); });
        if (section == sections.end())
            section = sections.insert(sections.end(), Wanted{name, Wanted::Ahead, {}});
        section->keys.add(keys[i].second, i);
    }

    qsizetype remaining = keys.size();
    Wanted *open = nullptr;
    ProfileLines lines(text);
    ProfileLine line;
    while (remaining > 0 && lines.next(line)) {
        if (line.kind == ProfileLine::Kind::Section) {
            if (open) {
                open->state = Wanted::Passed; // only the first section of a name counts
                remaining -= open->keys.pending();
                open = nullptr;
            }
            for (Wanted &s : sections) {
                if (s.state == Wanted::Ahead && sameName(s.name, line.name)) {
                    s.state = Wanted::Open;
                    open = &s;
                }
            }
        } else if (line.kind == ProfileLine::Kind::Key && open) {
            // Each key is taken once: a later line of the same name is not asked for.
            const QList<qsizetype> requests = open->keys.take(line.name);
            for (qsizetype i : requests)
                found[i] = line.value;
            remaining -= requests.size();
        }
    }
    return found;
}

QStringList readProfileStrings(QByteArrayView file, const QList<ProfileKey> &keys,
                               const QString &defaultValue, int size)
{
    const ProfileText decoded = decodeProfileText(file);
    const bool unicode = decoded.isUnicode();
    QList<std::pair<QByteArray, QByteArray>> encoded;
    encoded.reserve(keys.size());
    for (const ProfileKey &k : keys) {
        if (unicode)
            encoded.append({k.section.toUtf8(), k.key.toUtf8()});
        else
            encoded.append({toWindows1252(k.section), toWindows1252(k.key)});
    }
    const auto values = findProfileValues(decoded.text, encoded);

    const qsizetype max = qMax(size, 1) - 1; // one place is kept for the closing NUL
    QStringList texts;
    texts.reserve(values.size());
    for (const auto &value : values)
        texts.append(value ? decodeValue(*value, unicode, max) : cutText(defaultValue, max));
    return texts;
}

QString readProfileString(QByteArrayView file, const QString &section, const QString &key,
                          const QString &defaultValue, int size)
{
    return readProfileStrings(file, {{section, key}}, defaultValue, size).constFirst();
}

QString readProfileString(const QString &section, const QString &key, const QString &defaultValue,
                          int size, const QString &fileName)
{
    return readProfileString(readProfileFile(fileName), section, key, defaultValue, size);
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
