// Feeds arbitrary bytes to the catalogue reader and the checker as a file's
// contents. Every input keeps the promises checked below; the names looked up
// come from the input's own lines, so that they are found.

#include "cataloguecheck.h"
#include "cataloguereport.h"
#include "windows1252.h"

#include <QRegularExpression>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace catalogue;

namespace {

void require(bool holds, const char *property, const QString &detail = QString())
{
    if (holds)
        return;
    std::fprintf(stderr, "\nPROPERTY FAILED: %s\n  %s\n", property, qPrintable(detail));
    std::abort();
}

// The input's first 16 keys with their sections, each also with an 'x' added
// (mostly a missing key); keys before any section are asked for in "".
QList<ProfileKey> keysOf(const ProfileText &text)
{
    const auto name = [&](QByteArrayView n) {
        return text.isUnicode() ? QString::fromUtf8(n) : fromWindows1252(n);
    };
    QList<ProfileKey> keys;
    ProfileLines lines(text.text);
    ProfileLine line;
    QString section;
    while (keys.size() < 32 && lines.next(line)) {
        if (line.kind == ProfileLine::Kind::Section)
            section = name(line.name);
        else if (line.kind == ProfileLine::Kind::Key)
            keys << ProfileKey{section, name(line.name)}
                 << ProfileKey{section, name(line.name) + 'x'};
    }
    return keys;
}

QStringList read(QByteArrayView file, const QList<ProfileKey> &keys)
{
    return readProfileStrings(file, keys, QString(), BufferSize);
}

// Text in the file's own encoding, to append to it.
QByteArray encoded(const QString &text, const ProfileText &file)
{
    if (file.encoding == ProfileText::Encoding::Utf16LE)
        return QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    return file.isUnicode() ? text.toUtf8() : toWindows1252(text);
}

// A line end unless there is one, then a section that no key asks for, holding
// every key asked for.
QByteArray withAppendedLines(QByteArrayView file, const ProfileText &text,
                             const QList<ProfileKey> &keys)
{
    QString other = QStringLiteral("Appended");
    for (const ProfileKey &key : keys) {
        while (sameName(encoded(key.section.trimmed(), text), encoded(other, text)))
            other += '_';
    }
    QString lines = text.text.endsWith('\n') || text.text.endsWith('\r') ? "" : "\n";
    lines += '[' + other + "]\n";
    for (const ProfileKey &key : keys)
        lines += key.key + "=appended\n";
    return file.toByteArray() + encoded(lines, text);
}

// A report is bounded (two findings per key, notes, five lists cut at 21 lines,
// missing sections, encoding), and no line of it can steer a terminal.
void checkReport(QByteArrayView file)
{
    const CatalogueCheck check = checkCatalogue(file);
    require(check.findings.size() <= 2 * TextCount + 6 + 5 * 21 + 5 + 1, "a report stays short");
    static const QRegularExpression steering(QStringLiteral("[\\p{Cc}\\p{Cf}]"));
    for (const Finding &finding : check.findings) {
        const QString line = cataloguereport::formatFinding(QStringLiteral("c"), finding);
        require(!line.contains(steering), "a report cannot steer a terminal", line);
    }
}

QString swappedCase(QString name)
{
    for (QChar &c : name)
        c = QChar(c.isLetter() && c.unicode() < 0x80 ? c.unicode() ^ 0x20 : c.unicode());
    return name;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView file(reinterpret_cast<const char *>(data), qsizetype(size));
    const ProfileText text = decodeProfileText(file);
    const QList<ProfileKey> keys = keysOf(text);
    const QStringList texts = read(file, keys);
    for (const QString &t : texts)
        require(QStringView(t).isValidUtf16() && t.toUcs4().size() < BufferSize,
                "a text holds at most 49 whole characters", t);
    require(read(file, keys) == texts, "reading twice gives the same");

    QList<ProfileKey> swapped;
    for (const ProfileKey &key : keys)
        swapped << ProfileKey{swappedCase(key.section), swappedCase(key.key)};
    require(read(file, swapped) == texts, "names match in any ASCII case");

    // A last odd byte of a UTF-16 file is never read; text after it would be misread.
    if (text.encoding != ProfileText::Encoding::Utf16LE || size % 2 == 0)
        require(read(withAppendedLines(file, text, keys), keys) == texts,
                "lines appended after the end in another section change no text");
    checkReport(file);
    return 0;
}
