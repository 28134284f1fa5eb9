// Feeds arbitrary bytes to the catalogue reader as a file's contents. Beside
// the sanitizers' checks, every input must keep the reader's promises: texts
// of at most 49 whole characters, the same texts on every read, names that
// match in any ASCII case, and found values that stay when text is appended.
// The names looked up are taken from the input's own lines, so they are found.

#include "profilereader.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

using namespace catalogue;

namespace {

// As the program reads: 49 characters and the closing NUL.
constexpr int BufferSize = 50;
constexpr qsizetype MaxChars = BufferSize - 1;
// How many of the input's own (section, key) pairs are looked up, and how many
// of them are also read one at a time.
constexpr qsizetype MaxInputPairs = 32;
constexpr qsizetype MaxSingleReads = 6;

using Encoding = ProfileText::Encoding;

QByteArray escaped(const QString &text)
{
    QByteArray out;
    for (const char c : text.toUtf8()) {
        if (c >= ' ' && c <= '~' && c != '\\' && c != '"')
            out += c;
        else
            out += "\\x" + QByteArray::number(uchar(c), 16).rightJustified(2, '0');
    }
    return out;
}

[[noreturn]] void fail(const char *property, const ProfileKey &key, const QString &expected,
                       const QString &actual)
{
    std::fprintf(stderr,
                 "\nPROPERTY FAILED: %s\n  section \"%s\", key \"%s\"\n  expected \"%s\"\n"
                 "  actual   \"%s\"\n",
                 property, escaped(key.section).constData(), escaped(key.key).constData(),
                 escaped(expected).constData(), escaped(actual).constData());
    std::abort();
}

QString nameText(QByteArrayView name, bool unicode)
{
    return unicode ? QString::fromUtf8(name) : fromWindows1252(name);
}

// A name as the reader matches it: UTF-8 in a Unicode file.
QByteArray nameBytes(const QString &name, bool unicode)
{
    return unicode ? name.toUtf8() : toWindows1252(name);
}

// Text as the file's own encoding would hold it.
QByteArray encoded(const QString &text, Encoding encoding)
{
    switch (encoding) {
    case Encoding::Windows1252:
        return toWindows1252(text);
    case Encoding::Utf8:
        return text.toUtf8();
    case Encoding::Utf16LE: {
        QByteArray bytes;
        for (const QChar c : text)
            bytes.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        return bytes;
    }
    case Encoding::Utf16BE:
        break;
    }
    return QByteArray();
}

// The sections and keys of the input's own lines, spread over the whole file,
// each also with one character more (a key that is surely missing); keys
// before any section are asked for in the section with the empty name.
QList<ProfileKey> inputKeys(const ProfileText &text)
{
    QList<ProfileKey> all;
    ProfileLines lines(text.text);
    ProfileLine line;
    QString section;
    while (lines.next(line)) {
        if (line.kind == ProfileLine::Kind::Section)
            section = nameText(line.name, text.isUnicode());
        else if (line.kind == ProfileLine::Kind::Key)
            all.append({section, nameText(line.name, text.isUnicode())});
    }
    QList<ProfileKey> chosen;
    const qsizetype count = qMin(all.size(), MaxInputPairs / 2);
    for (qsizetype i = 0; i < count; ++i) {
        const ProfileKey &key = all[i * all.size() / count];
        chosen.append(key);
        chosen.append({key.section, key.key + QLatin1Char('x')});
    }
    return chosen;
}

QString swappedCase(const QString &text, int how)
{
    QString result = text;
    for (qsizetype i = 0; i < result.size(); ++i) {
        const char16_t c = result[i].unicode();
        const bool lower = c >= 'a' && c <= 'z', upper = c >= 'A' && c <= 'Z';
        const bool swap = how == 0 ? lower : how == 1 ? upper : (lower || upper) && i % 2 == 0;
        if (swap)
            result[i] = QChar(char16_t(c ^ 0x20));
    }
    return result;
}

// Characters as the user sees them: a surrogate pair is one.
qsizetype characters(const QString &text)
{
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++count) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
    }
    return count;
}

bool hasLoneSurrogate(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            return true;
    }
    return false;
}

// A text is the start of its whole value, ends before the first NUL, never
// splits a character, and is only shorter than the value at 49 characters.
void checkText(const ProfileKey &key, const QString &text,
               const std::optional<QByteArrayView> &value, bool unicode)
{
    QString whole =
        value ? (unicode ? QString::fromUtf8(*value) : fromWindows1252(*value)) : QString();
    if (const qsizetype nul = whole.indexOf(QChar(0)); nul >= 0)
        whole.truncate(nul);
    if (characters(text) > MaxChars)
        fail("a text holds at most 49 characters", key, whole, text);
    if (hasLoneSurrogate(text))
        fail("a text never holds half a character", key, whole, text);
    if (!whole.startsWith(text))
        fail("a text is the start of its value", key, whole, text);
    if (text.size() < whole.size() && characters(text) < MaxChars)
        fail("a value is cut at 49 characters only", key, whole, text);
}

void checkSame(const char *property, const QList<ProfileKey> &keys, const QStringList &expected,
               const QStringList &actual)
{
    for (qsizetype i = 0; i < keys.size(); ++i) {
        if (actual[i] != expected[i])
            fail(property, keys[i], expected[i], actual[i]);
    }
}

// The file with a line end at its end (unless it has one), then a section that
// is not asked for, holding every key asked for, then the whole file again:
// neither can change a value found, since the first section of a name and its
// first key win.
QByteArray withAppendedLines(QByteArrayView file, const ProfileText &text,
                             const QList<ProfileKey> &keys)
{
    const qsizetype mark = text.encoding == Encoding::Windows1252 ? 0
                           : text.encoding == Encoding::Utf8      ? 3
                                                                  : 2;
    QByteArrayView body = file.sliced(mark);
    if (text.encoding == Encoding::Utf16LE)
        body = body.first(body.size() & ~qsizetype(1)); // a last odd byte is never read
    QByteArray result = file.first(mark).toByteArray() + body.toByteArray();
    if (!text.text.endsWith('\n') && !text.text.endsWith('\r'))
        result += encoded("\n", text.encoding);

    QString other = QStringLiteral("Appended");
    const auto asked = [&](const QString &name) {
        for (const ProfileKey &key : keys) {
            if (sameName(nameBytes(key.section.trimmed(), text.isUnicode()),
                         nameBytes(name, text.isUnicode())))
                return true;
        }
        return false;
    };
    while (asked(other))
        other += QLatin1Char('_');
    QString lines = QLatin1Char('[') + other + QStringLiteral("]\n");
    for (const ProfileKey &key : keys)
        lines += key.key + QStringLiteral("=appended\n");
    return result + encoded(lines, text.encoding) + body.toByteArray();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView file(reinterpret_cast<const char *>(data), qsizetype(size));
    const ProfileText text = decodeProfileText(file);

    const QList<ProfileKey> keys = inputKeys(text);

    const QStringList texts = readProfileStrings(file, keys, QString(), BufferSize);
    checkSame("reading twice gives the same", keys, texts,
              readProfileStrings(file, keys, QString(), BufferSize));

    QList<std::pair<QByteArray, QByteArray>> names;
    for (const ProfileKey &key : keys)
        names.append(
            {nameBytes(key.section, text.isUnicode()), nameBytes(key.key, text.isUnicode())});
    const auto values = findProfileValues(text.text, names);
    for (qsizetype i = 0; i < keys.size(); ++i)
        checkText(keys[i], texts[i], values[i], text.isUnicode());

    for (qsizetype i = 0; i < qMin(keys.size(), MaxSingleReads); ++i) {
        const QString single =
            readProfileString(file, keys[i].section, keys[i].key, QString(), BufferSize);
        if (single != texts[i])
            fail("a key read alone gives what it gives among others", keys[i], texts[i], single);
    }

    {
        const int how = int(size % 3); // lower to upper, upper to lower, or every other letter
        QList<ProfileKey> other;
        for (const ProfileKey &key : keys)
            other.append({swappedCase(key.section, how), swappedCase(key.key, how)});
        checkSame("names match in any ASCII case", keys, texts,
                  readProfileStrings(file, other, QString(), BufferSize));
    }

    QList<ProfileKey> spaced;
    for (const ProfileKey &key : keys)
        spaced.append({QStringLiteral("  ") + key.section + QLatin1Char(' '), key.key});
    checkSame("spaces around the section argument are dropped", keys, texts,
              readProfileStrings(file, spaced, QString(), BufferSize));

    if (!text.text.isEmpty()) {
        const QByteArray longer = withAppendedLines(file, text, keys);
        const QStringList after = readProfileStrings(longer, keys, QString(), BufferSize);
        for (qsizetype i = 0; i < keys.size(); ++i) {
            if (values[i] && after[i] != texts[i])
                fail("a value found stays when lines are appended", keys[i], texts[i], after[i]);
        }
    }
    return 0;
}
