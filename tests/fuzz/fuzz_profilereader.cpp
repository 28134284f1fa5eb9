// Feeds arbitrary bytes to the catalogue reader as a file's contents. Beside
// the sanitizers' checks, every input must keep the reader's promises: texts
// of at most 49 whole characters, each the start of its value; the same texts
// on every read and for a key read alone; names that match in any ASCII case;
// texts that lines appended after the file's end cannot change, since the
// first section and key of a name win; lines that cover the text exactly.
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

[[noreturn]] void fail(const char *property, const QByteArray &details)
{
    std::fprintf(stderr, "\nPROPERTY FAILED: %s\n%s\n", property, details.constData());
    std::abort();
}

QByteArray shown(const QString &text)
{
    return '"' + text.toUtf8().toPercentEncoding(" !#$&'()*+,/:;<=>?@[]^`{|}~") + '"';
}

[[noreturn]] void fail(const char *property, const ProfileKey &key, const QString &expected,
                       const QString &actual)
{
    fail(property, "  section " + shown(key.section) + ", key " + shown(key.key) + "\n  expected " +
                       shown(expected) + "\n  actual   " + shown(actual));
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

// Bytes of the text the reader matches (Windows-1252, or UTF-8 in a Unicode
// file) as the file holds them.
QByteArray inFileEncoding(const QByteArray &bytes, Encoding encoding)
{
    if (encoding != Encoding::Utf16LE)
        return bytes;
    QByteArray units;
    for (const QChar c : QString::fromUtf8(bytes))
        units.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
    return units;
}

// Lines follow each other without a gap or overlap, numbered from 1, each
// ended by CR, LF or CRLF, the last one perhaps by the text's end.
void checkLine(QByteArrayView text, const ProfileLine &line, qsizetype &pos, qsizetype &number)
{
    const qsizetype begin = line.raw.data() - text.data();
    const qsizetype end = begin + line.raw.size();
    if (begin != pos || line.number != ++number || end > text.size())
        fail("lines follow each other, numbered from 1", "  line " + QByteArray::number(number));
    if (line.raw.contains('\r') || line.raw.contains('\n'))
        fail("a line holds no CR or LF", "  line " + QByteArray::number(number));
    pos = end;
    if (pos < text.size() && text[pos] == '\r')
        ++pos;
    if (pos < text.size() && text[pos] == '\n')
        ++pos;
    if (pos == end && end < text.size())
        fail("a line ends only at CR, LF or CRLF", "  line " + QByteArray::number(number));
}

// A section and key looked up, and the bytes of the section's name in the
// file (none for keys before any section).
struct Lookup {
    ProfileKey key;
    std::optional<QByteArray> section;
};

// The sections and keys of the input's own lines, spread over the whole file,
// each also with one character more (mostly a key that is missing); keys
// before any section are asked for in the section with the empty name.
QList<Lookup> inputLookups(const ProfileText &text)
{
    QList<Lookup> all;
    ProfileLines lines(text.text);
    ProfileLine line;
    std::optional<QByteArray> section;
    qsizetype pos = 0, number = 0;
    while (lines.next(line)) {
        checkLine(text.text, line, pos, number);
        if (line.kind == ProfileLine::Kind::Section)
            section = line.name.toByteArray();
        else if (line.kind == ProfileLine::Kind::Key)
            all.append({{nameText(section.value_or(QByteArray()), text.isUnicode()),
                         nameText(line.name, text.isUnicode())},
                        section});
    }
    if (pos != text.text.size())
        fail("the lines cover the whole text", "  up to byte " + QByteArray::number(pos));
    QList<Lookup> chosen;
    const qsizetype count = qMin(all.size(), MaxInputPairs / 2);
    for (qsizetype i = 0; i < count; ++i) {
        const Lookup &found = all[i * all.size() / count];
        chosen.append(found);
        chosen.append({{found.key.section, found.key.key + QLatin1Char('x')}, found.section});
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

// Characters as the user sees them (a surrogate pair is one), or -1 when the
// text holds half a pair.
qsizetype characters(const QString &text)
{
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++count) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            return -1;
    }
    return count;
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
    const qsizetype count = characters(text);
    if (count < 0)
        fail("a text never holds half a character", key, whole, text);
    if (count > MaxChars)
        fail("a text holds at most 49 characters", key, whole, text);
    if (!whole.startsWith(text))
        fail("a text is the start of its value", key, whole, text);
    if (text.size() < whole.size() && count < MaxChars)
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
// is not asked for and each section of the file that is asked for, each
// holding its keys asked for, then the whole text again. No text can change:
// the first section of a name and its first key win, and the appended lines
// open no section that the file lacks.
QByteArray withAppendedLines(QByteArrayView file, const ProfileText &text,
                             const QList<Lookup> &lookups)
{
    const bool unicode = text.isUnicode();
    const qsizetype mark = text.encoding == Encoding::Windows1252 ? 0
                           : text.encoding == Encoding::Utf8      ? 3
                                                                  : 2;
    QByteArrayView body = file.sliced(mark);
    if (text.encoding == Encoding::Utf16LE)
        body = body.first(body.size() & ~qsizetype(1)); // a last odd byte is never read
    QByteArray lines;
    if (!text.text.endsWith('\n') && !text.text.endsWith('\r'))
        lines += '\n';

    QByteArray other = "Appended";
    const auto asked = [&](const QByteArray &name) {
        for (const Lookup &lookup : lookups) {
            if (sameName(nameBytes(lookup.key.section.trimmed(), unicode), name))
                return true;
        }
        return false;
    };
    while (asked(other))
        other += '_';
    lines += '[' + other + "]\n";
    for (const Lookup &lookup : lookups)
        lines += nameBytes(lookup.key.key, unicode) + "=appended\n";
    QList<QByteArray> sections;
    for (const Lookup &lookup : lookups) {
        if (!lookup.section || sections.contains(*lookup.section))
            continue;
        sections.append(*lookup.section);
        lines += '[' + *lookup.section + "]\n";
        for (const Lookup &key : lookups) {
            if (key.section == lookup.section)
                lines += nameBytes(key.key.key, unicode) + "=appended\n";
        }
    }
    return file.first(mark).toByteArray() + body.toByteArray() +
           inFileEncoding(lines, text.encoding) + body.toByteArray();
}

QStringList read(QByteArrayView file, const QList<ProfileKey> &keys)
{
    return readProfileStrings(file, keys, QString(), BufferSize);
}

// The keys with their names changed by `change`.
template <typename Change> QList<ProfileKey> changed(const QList<ProfileKey> &keys, Change change)
{
    QList<ProfileKey> result;
    for (const ProfileKey &key : keys)
        result.append(change(key));
    return result;
}

// Every text against the whole value that the reader finds for its key.
void checkTexts(const ProfileText &text, const QList<ProfileKey> &keys, const QStringList &texts)
{
    QList<std::pair<QByteArray, QByteArray>> names;
    for (const ProfileKey &key : keys)
        names.append(
            {nameBytes(key.section, text.isUnicode()), nameBytes(key.key, text.isUnicode())});
    const auto values = findProfileValues(text.text, names);
    for (qsizetype i = 0; i < keys.size(); ++i)
        checkText(keys[i], texts[i], values[i], text.isUnicode());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView file(reinterpret_cast<const char *>(data), qsizetype(size));
    const ProfileText text = decodeProfileText(file);
    const QList<Lookup> lookups = inputLookups(text);
    QList<ProfileKey> keys;
    for (const Lookup &lookup : lookups)
        keys.append(lookup.key);

    const QStringList texts = read(file, keys);
    checkSame("reading twice gives the same", keys, texts, read(file, keys));
    checkTexts(text, keys, texts);
    for (qsizetype i = 0; i < qMin(keys.size(), MaxSingleReads); ++i)
        checkSame("a key read alone gives what it gives among others", {keys[i]}, {texts[i]},
                  {readProfileString(file, keys[i].section, keys[i].key, QString(), BufferSize)});

    const int how = int(size % 3); // lower to upper, upper to lower, or every other letter
    checkSame("names match in any ASCII case", keys, texts,
              read(file, changed(keys, [how](const ProfileKey &key) {
                       return ProfileKey{swappedCase(key.section, how), swappedCase(key.key, how)};
                   })));
    checkSame("spaces around the section argument are dropped", keys, texts,
              read(file, changed(keys, [](const ProfileKey &key) {
                       return ProfileKey{"  " + key.section + ' ', key.key};
                   })));
    if (!text.text.isEmpty())
        checkSame("lines appended after the end change no text: the first section and key win",
                  keys, texts, read(withAppendedLines(file, text, lookups), keys));
    return 0;
}
