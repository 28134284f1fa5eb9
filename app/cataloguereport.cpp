#include "cataloguereport.h"

#include "profilefile.h"

#include <array>

using catalogue::Finding;
using Kind = catalogue::Finding::Kind;

namespace cataloguereport {

namespace {

// Control and invisible formatting characters escaped; with `quoting`, also
// quotes and backslashes, so that an escape in the text itself stays apart.
QString escape(QStringView text, bool quoting)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        char32_t c = text[i].unicode();
        qsizetype length = 1;
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            length = 2;
        }
        const QChar::Category category = QChar::category(c);
        if (quoting && (c == '\\' || c == '"')) {
            out += '\\' + text[i];
        } else if (category == QChar::Other_Control || category == QChar::Other_Format ||
                   category == QChar::Other_Surrogate || category == QChar::Separator_Line ||
                   category == QChar::Separator_Paragraph) {
            // Controls, bidirectional overrides and other invisible characters.
            const QString hex = QString::number(uint(c), 16).toUpper();
            out += c < 0x80      ? "\\x" + hex.rightJustified(2, '0')
                   : c < 0x10000 ? "\\u" + hex.rightJustified(4, '0')
                                 : "\\U" + hex.rightJustified(8, '0');
        } else {
            out += text.sliced(i, length);
        }
        i += length;
    }
    return out;
}

QString quoted(QStringView text)
{
    return '"' + escape(text, true) + '"';
}

// How messages name a text: by its key, or with its section where another
// section has a key of that name.
QString label(catalogue::Text text)
{
    const catalogue::CatalogueKey &key = catalogue::catalogueKey(text);
    int same = 0;
    for (int t = 0; t < catalogue::TextCount; ++t)
        same += catalogue::catalogueKey(catalogue::Text(t)).key() == key.key();
    return same == 1 ? key.key() : '[' + QLatin1String(key.section) + "] " + key.key();
}

// What the entry at a list position must name.
QLatin1String meaning(catalogue::Text text)
{
    static constexpr std::array<const char *, 6> Meanings = {
        "green", "red", "yellow", "the steady light", "the slow blinking", "the short flashing"};
    return QLatin1String(Meanings[size_t(int(text) - int(catalogue::Text::ColourNames))]);
}

// Messages about the file as a whole, about the texts the program shows, and
// about the program's sections; empty for other kinds.
QString fileOrTextMessage(const Finding &f)
{
    const QString empty = QStringLiteral(": the program shows every text empty");
    const QString section = '[' + f.section + ']';
    switch (f.kind) {
    case Kind::NoSuchFile:
        return "no such file" + empty;
    case Kind::LinkToNothing:
        return "a link that leads to no file" + empty;
    case Kind::NotRegularFile:
        return "not a regular file" + empty;
    case Kind::TooLarge:
        return QString("the file is %1 bytes, over the limit of %2 bytes (%3 MiB)")
                   .arg(f.number)
                   .arg(catalogue::MaxProfileFileSize)
                   .arg(catalogue::MaxProfileFileSize >> 20) +
               empty;
    case Kind::Unreadable:
        return "the file cannot be read" + empty;
    case Kind::EmptyFile:
        return "the file is empty" + empty;
    case Kind::Utf16BigEndian:
        return "the file starts with a UTF-16 big-endian byte order mark, which the program does "
               "not understand: it shows every text empty; save the file as UTF-16 little-endian, "
               "as UTF-8 with a byte order mark or as Windows-1252";
    case Kind::MissingSection:
        return QString("no section %1: the program shows %2 empty texts")
            .arg(section)
            .arg(f.number);
    case Kind::Utf8WithoutMark:
        return "the file has no byte order mark, but its text is UTF-8: the program reads it as "
               "Windows-1252 and shows " +
               quoted(f.shown) + " for " + quoted(f.other) +
               "; save the file as Windows-1252, or as UTF-8 with a byte order mark";
    default:
        return QString();
    }
}

QString textMessage(const Finding &f)
{
    const QString section = '[' + QLatin1String(catalogue::catalogueKey(f.text).section) + ']';
    const QString key = catalogue::catalogueKey(f.text).key();
    switch (f.kind) {
    case Kind::MissingKey:
        return "no key " + key + " in " + section + ": the program shows an empty text" +
               (f.number == 0 ? QString()
                              : QString(" (the one in line %1 is below a second %2, which the "
                                        "program never reads)")
                                    .arg(f.number)
                                    .arg(section));
    case Kind::NoEquals:
        return label(f.text) + " has no \"=\": the program shows an empty text";
    case Kind::EmptyValue:
        return label(f.text) + " is empty: the program shows an empty text";
    case Kind::LeadingNul:
        return label(f.text) + " starts with a NUL byte: the program shows an empty text";
    case Kind::HoldsNul:
        return label(f.text) +
               " holds a NUL byte; the program shows only the text before it: " + quoted(f.shown);
    case Kind::CutBytes:
    case Kind::CutCharacters:
        return QString("%1 is %2 %3; the program shows only the first %4: %5")
            .arg(label(f.text))
            .arg(f.number)
            .arg(QLatin1String(f.kind == Kind::CutBytes ? "bytes" : "characters"))
            .arg(catalogue::ShownLength)
            .arg(quoted(f.shown));
    case Kind::InvalidUtf8:
        return label(f.text) + " is not valid UTF-8: the program shows " + quoted(f.shown) +
               "; save the file as UTF-8";
    case Kind::TooWide:
        return QString("%1 %2 is %3 px wider than its %4; it shows as %5")
            .arg(label(f.text), quoted(f.shown))
            .arg(f.number)
            .arg(f.name, quoted(f.other));
    case Kind::ListEntry:
        return QString("[%1] %2 must name %3: %4")
            .arg(QLatin1String(catalogue::catalogueKey(f.text).section), key, meaning(f.text),
                 quoted(f.shown));
    default:
        return QString();
    }
}

// Messages about lines the program does not read as they seem meant.
QString lineMessage(const Finding &f)
{
    const QString name = f.name.isEmpty() ? QString("a key without a name") : escaped(f.name);
    const QString section = '[' + f.section + ']';
    static constexpr std::array<const char *, 5> More = {
        "sections the program never reads", "keys the program never reads", "repeated sections",
        "repeated keys", "lines the program ignores"};
    switch (f.kind) {
    case Kind::TextAfterBracket:
        return "text after \"]\" is ignored: " + quoted(f.name);
    case Kind::UnreadSection:
        return "section [" + escaped(f.name) + "] is never read by the program";
    case Kind::SecondSection:
        return QString("second [%1] (first in line %2): the program reads only the first, and "
                       "none of the keys below this line")
            .arg(escaped(f.name))
            .arg(f.number);
    case Kind::HashLine:
        return "\"#\" does not start a comment: the program reads this line as a key; start "
               "comments with \";\"";
    case Kind::KeyBeforeSection:
        return "key " + name + " before any section: the program never reads it";
    case Kind::TextBeforeSection:
        return "text before any section: the program ignores it";
    case Kind::LineWithoutEquals:
        return "line without \"=\" in " + section + ": the program reads no text from it";
    case Kind::UnreadKey:
        return name + " in " + section + " is never read by the program" +
               (f.other.isEmpty() ? QString()
                                  : " (numbers have no leading zeros: " + f.other + ")");
    case Kind::SecondKey:
        return QString("second %1 in %2 (first in line %3): the program uses the first")
            .arg(name, section)
            .arg(f.number);
    default:
        return QString("... and %1 more %2")
            .arg(f.number)
            .arg(QLatin1String(More[size_t(int(f.kind) - int(Kind::MoreUnreadSections))]));
    }
}

QString message(const Finding &f)
{
    if (f.kind < Kind::MissingKey || f.kind == Kind::Utf8WithoutMark)
        return fileOrTextMessage(f);
    if (f.kind < Kind::TextAfterBracket || f.kind == Kind::ListEntry)
        return textMessage(f);
    return lineMessage(f);
}

QString counted(qsizetype count, const char *what)
{
    return count == 0
               ? QString("no %1s").arg(QLatin1String(what))
               : QString("%1 %2%3").arg(count).arg(QLatin1String(what)).arg(count == 1 ? "" : "s");
}

} // namespace

QString formatFinding(const QString &fileName, const Finding &finding)
{
    static constexpr std::array<const char *, 3> Severities = {"error", "warning", "note"};
    QString text = escaped(fileName) + ':';
    if (finding.line > 0)
        text += QString::number(finding.line) + ':';
    return text + ' ' + QLatin1String(Severities[size_t(finding.severity())]) + ": " +
           message(finding);
}

QString summary(const QString &fileName, const catalogue::CatalogueCheck &check)
{
    return escaped(fileName) + ": " + counted(check.errors, "error") + ", " +
           counted(check.warnings, "warning");
}

QString escaped(QStringView text)
{
    return escape(text, false);
}

} // namespace cataloguereport
