#include "cataloguecheck.h"

#include "catalogue.h"
#include "profilereader.h"

#include <QFileInfo>
#include <algorithm>
#include <array>

namespace catalogue {

namespace {

using Severity = Diagnostic::Severity;

// The reader's buffer holds 50 characters; the program shows the first 49.
constexpr int BufferSize = 50;
constexpr qsizetype ShownLength = BufferSize - 1;
// Names and sample texts quoted in a message are cut to this many characters.
constexpr qsizetype QuotedLength = 60;
// How often each kind of finding that a file can repeat without end is listed;
// the rest are only counted.
constexpr qsizetype MaxListed = 20;

// Findings a file can repeat without end. Those about the program's 64 keys
// are bounded by them and always listed.
enum class Repeated { No, UnreadSection, UnreadKey, SecondSection, SecondKey, IgnoredLine, Count };
constexpr std::array<const char *, size_t(Repeated::Count)> RepeatedPlural = {
    "",
    "sections the program never reads",
    "keys the program never reads",
    "repeated sections",
    "repeated keys",
    "lines the program ignores"};

// The list entries whose position the program fixes.
struct Meaning {
    const char *section;
    std::array<const char *, 3> entries;
};
constexpr std::array<Meaning, 2> Meanings = {{
    {"Farben", {"green", "red", "yellow"}},
    {"Unterspannung", {"the steady light", "the slow blinking", "the short flashing"}},
}};

struct Section {
    QByteArray name;
    qsizetype line = 0; // of its first occurrence, the one the program reads
};

struct Key {
    int section = 0;
    QByteArray name;
    QString label;           // how messages name it
    QString shown;           // the text the program shows
    QByteArrayView value;    // the value it is read from
    qsizetype line = 0;      // where the program reads it
    qsizetype laterLine = 0; // its first occurrence below a repeated section line
};

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

// Characters of UTF-8 text: every byte that does not continue a sequence.
qsizetype utf8Length(QByteArrayView bytes)
{
    return std::count_if(bytes.begin(), bytes.end(),
                         [](char c) { return (uchar(c) & 0xC0) != 0x80; });
}

bool isAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
}

class Checker
{
public:
    Checker(QByteArrayView file, const MeasureText &measure);
    CatalogueCheck result();

private:
    void add(Severity severity, qsizetype line, const QString &message);
    template <typename Message> void warn(Repeated kind, qsizetype line, Message message);
    void sectionLine(const ProfileLine &line);
    void keyLine(const ProfileLine &line);
    void programKey(Key &key, const ProfileLine &line);
    void missingTexts();
    void foreignEncoding();
    void listOrder();
    void textWidths(const MeasureText &measure);
    int findKey(int section, QByteArrayView name) const;
    QString zeroHint(int section, QByteArrayView name) const;
    QString decoded(QByteArrayView bytes) const;

    QByteArrayView m_file;
    ProfileText m_text;
    QList<Section> m_sections;
    QList<Key> m_keys;
    bool m_inSection = false;
    int m_open = -1;     // program section being read, -1 in any other section
    int m_repeated = -1; // program section repeated below its first occurrence
    int m_utf8Key = -1;  // first key with UTF-8 text in a file without a mark
    CatalogueCheck m_result;
    std::array<qsizetype, size_t(Repeated::Count)> m_counts = {};
};

Checker::Checker(QByteArrayView file, const MeasureText &measure)
    : m_file(file), m_text(decodeProfileText(file))
{
    const QList<std::pair<QString, QString>> keys = ProgramKeys();
    QList<ProfileKey> wanted;
    for (const auto &entry : keys) {
        const QString &section = entry.first, &key = entry.second;
        wanted.append({section, key});
        auto s = std::find_if(m_sections.cbegin(), m_sections.cend(), [&](const Section &known) {
            return known.name == section.toLatin1();
        });
        if (s == m_sections.cend()) {
            m_sections.append({section.toLatin1()});
            s = m_sections.cend() - 1;
        }
        const bool unique = std::count_if(keys.cbegin(), keys.cend(),
                                          [&](const auto &k) { return k.second == key; }) == 1;
        Key &known = m_keys.emplace_back();
        known.section = int(s - m_sections.cbegin());
        known.name = key.toLatin1();
        known.label = unique ? key : '[' + section + "] " + key;
    }
    // The texts come from the program's own reading, so they show what it shows.
    const QStringList shown = readProfileStrings(file, wanted, QString(), BufferSize);
    for (qsizetype i = 0; i < shown.size(); ++i)
        m_keys[i].shown = shown[i];

    ProfileLines lines(m_text.text);
    ProfileLine line;
    while (lines.next(line)) {
        if (line.kind == ProfileLine::Kind::Section)
            sectionLine(line);
        else if (line.kind == ProfileLine::Kind::Key)
            keyLine(line);
    }
    missingTexts();
    foreignEncoding();
    listOrder();
    if (measure)
        textWidths(measure);
}

void Checker::add(Severity severity, qsizetype line, const QString &message)
{
    (severity == Severity::Error ? m_result.errors : m_result.warnings) +=
        severity != Severity::Note;
    m_result.diagnostics.append({severity, line, message});
}

template <typename Message> void Checker::warn(Repeated kind, qsizetype line, Message message)
{
    // A file may repeat these without end: past the first few they are only
    // counted, and their message is not even made.
    if (++m_counts[size_t(kind)] > MaxListed)
        ++m_result.warnings;
    else
        add(Severity::Warning, line, message());
}

void Checker::sectionLine(const ProfileLine &line)
{
    m_inSection = true;
    m_open = m_repeated = -1;
    if (line.hasBracket) {
        // Whatever follows the first ']' is dropped; only blanks may follow.
        const QByteArrayView after = line.raw.sliced(line.raw.indexOf(']') + 1);
        ProfileLine rest;
        if (ProfileLines(after).next(rest) && rest.kind != ProfileLine::Kind::Blank)
            warn(Repeated::IgnoredLine, line.number,
                 [&] { return "text after \"]\" is ignored: " + quoted(decoded(after)); });
    }
    for (int s = 0; s < m_sections.size(); ++s) {
        if (!sameName(m_sections[s].name, line.name))
            continue;
        if (m_sections[s].line == 0) {
            m_sections[s].line = line.number;
            m_open = s;
        } else {
            m_repeated = s;
            warn(Repeated::SecondSection, line.number, [&] {
                return QString("second [%1] (first in line %2): the program reads only the "
                               "first, and none of the keys below this line")
                    .arg(escaped(decoded(line.name)))
                    .arg(m_sections[s].line);
            });
        }
        return;
    }
    warn(Repeated::UnreadSection, line.number, [&] {
        return "section [" + escaped(decoded(line.name)) + "] is never read by the program";
    });
}

void Checker::keyLine(const ProfileLine &line)
{
    if (m_inSection && m_open < 0) {
        // Below a section the program never reads only the section line counts,
        // but a key there may explain why the program misses it.
        const int k = m_repeated < 0 ? -1 : findKey(m_repeated, line.name);
        if (k >= 0 && m_keys[k].laterLine == 0)
            m_keys[k].laterLine = line.number;
        return;
    }
    const auto name = [&] {
        return line.name.isEmpty() ? QString("a key without a name") : escaped(decoded(line.name));
    };
    if (line.name.startsWith('#')) {
        warn(Repeated::IgnoredLine, line.number, [] {
            return QString("\"#\" does not start a comment: the program reads this line as a "
                           "key; start comments with \";\"");
        });
        return;
    }
    if (!m_inSection) {
        warn(Repeated::IgnoredLine, line.number, [&] {
            return line.hasEquals ? "key " + name() +
                                        " before any section: the program never "
                                        "reads it"
                                  : QString("text before any section: the program ignores it");
        });
        return;
    }
    const auto section = [&] { return '[' + QLatin1String(m_sections[m_open].name) + ']'; };
    const int k = findKey(m_open, line.name);
    if (k < 0 && !line.hasEquals) {
        warn(Repeated::IgnoredLine, line.number, [&] {
            return "line without \"=\" in " + section() + ": the program reads no text from it";
        });
    } else if (k < 0) {
        warn(Repeated::UnreadKey, line.number, [&] {
            return name() + " in " + section() + " is never read by the program" +
                   zeroHint(m_open, line.name);
        });
    } else if (m_keys[k].line != 0) {
        warn(Repeated::SecondKey, line.number, [&] {
            return QString("second %1 in %2 (first in line %3): the program uses the first")
                .arg(name(), section())
                .arg(m_keys[k].line);
        });
    } else {
        m_keys[k].line = line.number;
        m_keys[k].value = line.value;
        programKey(m_keys[k], line);
    }
}

void Checker::programKey(Key &key, const ProfileLine &line)
{
    const QByteArrayView value = line.value;
    const bool unicode = m_text.isUnicode();
    const auto length = [&](QByteArrayView bytes) {
        return unicode ? utf8Length(bytes) : bytes.size();
    };
    const qsizetype nul = value.indexOf('\0');
    const char *unit = unicode ? "characters" : "bytes";
    if (!line.hasEquals) {
        add(Severity::Error, line.number,
            key.label + " has no \"=\": the program shows an empty text");
    } else if (key.shown.isEmpty()) {
        add(Severity::Error, line.number,
            key.label + (value.isEmpty() ? " is empty" : " starts with a NUL byte") +
                ": the program shows an empty text");
    } else if (nul >= 0 && length(value.first(nul)) < ShownLength) {
        add(Severity::Warning, line.number,
            key.label + " holds a NUL byte; the program shows only the text before it: " +
                quoted(key.shown));
    } else if (length(value) > ShownLength) {
        add(Severity::Warning, line.number,
            QString("%1 is %2 %3; the program shows only the first %4: %5")
                .arg(key.label)
                .arg(length(value))
                .arg(QLatin1String(unit))
                .arg(ShownLength)
                .arg(quoted(key.shown)));
    }
    if (isAscii(line.raw))
        return;
    if (m_text.encoding == ProfileText::Encoding::Windows1252 && m_utf8Key < 0)
        m_utf8Key = int(&key - m_keys.data());
    if (m_text.encoding == ProfileText::Encoding::Utf8 && !line.raw.isValidUtf8())
        add(Severity::Warning, line.number,
            key.label + " is not valid UTF-8: the program shows " + quoted(key.shown) +
                "; save the file as UTF-8");
}

void Checker::missingTexts()
{
    for (int s = 0; s < m_sections.size(); ++s) {
        const QString section = '[' + QLatin1String(m_sections[s].name) + ']';
        const auto keys = std::count_if(m_keys.cbegin(), m_keys.cend(),
                                        [&](const Key &k) { return k.section == s; });
        if (m_sections[s].line == 0) {
            add(Severity::Error, 0,
                QString("no section %1: the program shows %2 empty texts").arg(section).arg(keys));
            continue;
        }
        for (const Key &key : std::as_const(m_keys)) {
            if (key.section != s || key.line != 0)
                continue;
            QString message =
                "no key " + key.name + " in " + section + ": the program shows an empty text";
            if (key.laterLine != 0)
                message += QString(" (the one in line %1 is below a second %2, which the "
                                   "program never reads)")
                               .arg(key.laterLine)
                               .arg(section);
            add(Severity::Error, m_sections[s].line, message);
        }
    }
}

// A file without a byte order mark is read as Windows-1252; when its text is
// UTF-8 all the same, every character beyond ASCII shows garbled, as two or
// three: the program shows wrong texts, an error.
void Checker::foreignEncoding()
{
    if (m_utf8Key < 0 || !m_file.isValidUtf8())
        return;
    const Key &key = m_keys[m_utf8Key];
    // No character takes more than four bytes of UTF-8.
    const QByteArrayView value = key.value.first(qMin(key.value.size(), ShownLength * 4));
    QString meant = QString::fromUtf8(value);
    meant.truncate(ShownLength);
    add(Severity::Error, key.line,
        "the file has no byte order mark, but its text is UTF-8: the program reads it as "
        "Windows-1252 and shows " +
            quoted(key.shown) + " for " + quoted(meant) +
            "; save the file as Windows-1252, or as UTF-8 with a byte order mark");
}

void Checker::listOrder()
{
    for (const Meaning &meaning : Meanings) {
        for (const Key &key : std::as_const(m_keys)) {
            if (m_sections[key.section].name != meaning.section || key.line == 0 ||
                key.shown.isEmpty())
                continue;
            add(Severity::Note, key.line,
                QString("[%1] %2 must name %3: %4")
                    .arg(QLatin1String(meaning.section), key.name,
                         QLatin1String(meaning.entries[key.name.toInt()]), quoted(key.shown)));
        }
    }
}

// Each text the program shows, measured in the control that shows it.
void Checker::textWidths(const MeasureText &measure)
{
    for (const Key &key : std::as_const(m_keys)) {
        if (key.line == 0 || key.shown.isEmpty())
            continue;
        const TextFit fit = measure(QLatin1String(m_sections[key.section].name),
                                    QLatin1String(key.name), key.shown);
        if (fit.control.isEmpty() || fit.excess <= 0)
            continue;
        add(Severity::Warning, key.line,
            QString("%1 %2 is %3 px wider than its %4; it shows as %5")
                .arg(key.label, quoted(key.shown))
                .arg(fit.excess)
                .arg(fit.control, quoted(fit.shown)));
    }
}

CatalogueCheck Checker::result()
{
    std::stable_sort(m_result.diagnostics.begin(), m_result.diagnostics.end(),
                     [](const Diagnostic &a, const Diagnostic &b) { return a.line < b.line; });
    for (size_t kind = 1; kind < m_counts.size(); ++kind) {
        if (m_counts[kind] > MaxListed)
            m_result.diagnostics.append({Severity::Warning, 0,
                                         QString("... and %1 more %2")
                                             .arg(m_counts[kind] - MaxListed)
                                             .arg(QLatin1String(RepeatedPlural[kind]))});
    }
    return m_result;
}

int Checker::findKey(int section, QByteArrayView name) const
{
    for (int k = 0; k < m_keys.size(); ++k) {
        if (m_keys[k].section == section && m_keys[k].name.size() == name.size() &&
            sameName(m_keys[k].name, name))
            return k;
    }
    return -1;
}

// GREEN01 for GREEN1: the program's numbers have no leading zeros.
QString Checker::zeroHint(int section, QByteArrayView name) const
{
    qsizetype digits = 0;
    while (digits < name.size() && !(name[digits] >= '0' && name[digits] <= '9'))
        ++digits;
    qsizetype zeros = digits;
    while (zeros + 1 < name.size() && name[zeros] == '0')
        ++zeros;
    if (zeros == digits || name.size() > QuotedLength)
        return QString();
    const int k =
        findKey(section, name.first(digits).toByteArray() + name.sliced(zeros).toByteArray());
    return k < 0 ? QString() : " (numbers have no leading zeros: " + m_keys[k].name + ")";
}

// A name or text from the file as the program decodes it, cut for a message.
QString Checker::decoded(QByteArrayView bytes) const
{
    // No character takes more than four bytes of UTF-8.
    const qsizetype take = m_text.isUnicode() ? QuotedLength * 4 : QuotedLength;
    QString text = m_text.isUnicode() ? QString::fromUtf8(bytes.first(qMin(bytes.size(), take)))
                                      : fromWindows1252(bytes.first(qMin(bytes.size(), take)));
    if (text.size() > QuotedLength || bytes.size() > take)
        text = text.first(qMin(text.size(), QuotedLength)) + QChar(0x2026);
    return text;
}

} // namespace

CatalogueCheck checkCatalogue(QByteArrayView file, const MeasureText &measure)
{
    const auto error = [](const char *message) {
        return CatalogueCheck{{{Severity::Error, 0, QLatin1String(message)}}, 1, 0};
    };
    if (file.isEmpty())
        return error("the file is empty: the program shows every text empty");
    if (decodeProfileText(file).encoding == ProfileText::Encoding::Utf16BE)
        return error("the file starts with a UTF-16 big-endian byte order mark, which the "
                     "program does not understand: it shows every text empty; save the file as "
                     "UTF-16 little-endian, as UTF-8 with a byte order mark or as Windows-1252");
    return Checker(file, measure).result();
}

CatalogueCheck checkCatalogueFile(const QString &fileName, const MeasureText &measure)
{
    const auto error = [](const QString &message) {
        return CatalogueCheck{{{Severity::Error, 0, message}}, 1, 0};
    };
    const QString empty = QStringLiteral(": the program shows every text empty");
    const QFileInfo info(fileName);
    if (!info.exists())
        return error((info.isSymLink() ? "a link that leads to no file" : "no such file") + empty);
    if (!info.isFile())
        return error("not a regular file" + empty);
    if (info.size() > MaxProfileFileSize)
        return error(QString("the file is %1 bytes, over the limit of %2 bytes (%3 MiB)")
                         .arg(info.size())
                         .arg(MaxProfileFileSize)
                         .arg(MaxProfileFileSize >> 20) +
                     empty);
    const QByteArray bytes = readProfileFile(fileName);
    if (bytes.isEmpty() && info.size() > 0)
        return error("the file cannot be read" + empty);
    return checkCatalogue(bytes, measure);
}

QString formatDiagnostic(const QString &fileName, const Diagnostic &diagnostic)
{
    static constexpr std::array<const char *, 3> Severities = {"error", "warning", "note"};
    QString text = escaped(fileName) + ':';
    if (diagnostic.line > 0)
        text += QString::number(diagnostic.line) + ':';
    return text + ' ' + QLatin1String(Severities[size_t(diagnostic.severity)]) + ": " +
           diagnostic.message;
}

QString escaped(QStringView text)
{
    return escape(text, false);
}

} // namespace catalogue
