#include "cataloguecheck.h"

#include "profilefile.h"
#include "windows1252.h"

#include <algorithm>
#include <array>

namespace catalogue {

namespace {

using Kind = Finding::Kind;

// Names and sample texts from the file are cut to this many characters.
constexpr qsizetype QuotedLength = 60;

// Findings a file can repeat without end, each group listed at most MaxListed
// times; the rest are only counted. Those about the program's texts are
// bounded by them and always listed.
enum class Repeated { UnreadSection, UnreadKey, SecondSection, SecondKey, IgnoredLine, Count };

struct Section {
    QByteArray name;
    qsizetype line = 0; // of its first occurrence, the one the program reads
};

struct Key {
    Text text;
    int section = 0;
    QByteArray name;
    QString shown;           // the text the program shows
    ProfileValue found;      // where the program reads it
    qsizetype laterLine = 0; // its first occurrence below a repeated section line
};

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

// A finding about a text of the program, or about the file as a whole.
Finding about(Kind kind, qsizetype line = 0, Text text = Text::Count, const QString &shown = {},
              qint64 number = 0)
{
    Finding finding;
    finding.kind = kind;
    finding.line = line;
    finding.text = text;
    finding.shown = shown;
    finding.number = number;
    return finding;
}

// A finding about a line, naming something in it.
Finding naming(Kind kind, qsizetype line, const QString &name, qint64 number = 0)
{
    Finding finding = about(kind, line, Text::Count, QString(), number);
    finding.name = name;
    return finding;
}

class Checker
{
public:
    Checker(QByteArrayView file, const MeasureText &measure);
    CatalogueCheck result();

private:
    void add(const Finding &finding);
    template <typename Make> void addRepeated(Repeated group, Make make);
    void sectionLine(const ProfileLine &line);
    void keyLine(const ProfileLine &line);
    void programKey(const Key &key);
    void missingTexts();
    void foreignEncoding(QByteArrayView file);
    void listOrder();
    void textWidths(const MeasureText &measure);
    int findKey(int section, QByteArrayView name) const;
    QString zeroHint(int section, QByteArrayView name) const;
    QString decoded(QByteArrayView bytes) const;

    ProfileText m_text;
    QList<Section> m_sections;
    QList<Key> m_keys;
    bool m_inSection = false;
    int m_open = -1;     // program section being read, -1 in any other section
    int m_repeated = -1; // program section repeated below its first occurrence
    CatalogueCheck m_result;
    std::array<qsizetype, size_t(Repeated::Count)> m_counts = {};
};

Checker::Checker(QByteArrayView file, const MeasureText &measure) : m_text(decodeProfileText(file))
{
    // The program's own reading gives each text and where it comes from.
    const QList<ProfileKey> keys = catalogueProfileKeys();
    const QList<ProfileValue> found = findProfileValues(m_text, keys);
    for (int t = 0; t < TextCount; ++t) {
        const QByteArray section = keys[t].section.toLatin1();
        auto s = std::find_if(m_sections.cbegin(), m_sections.cend(),
                              [&](const Section &known) { return known.name == section; });
        if (s == m_sections.cend())
            s = m_sections.insert(m_sections.cend(), {section, found[t].sectionLine});
        m_keys.append({Text(t), int(s - m_sections.cbegin()), keys[t].key.toLatin1(),
                       profileString(found[t], m_text, QString(), BufferSize), found[t]});
    }

    ProfileLines lines(m_text.text);
    ProfileLine line;
    while (lines.next(line)) {
        if (line.kind == ProfileLine::Kind::Section)
            sectionLine(line);
        else if (line.kind == ProfileLine::Kind::Key)
            keyLine(line);
    }
    for (const Key &key : std::as_const(m_keys))
        programKey(key);
    missingTexts();
    foreignEncoding(file);
    listOrder();
    if (measure)
        textWidths(measure);
}

void Checker::add(const Finding &finding)
{
    const Finding::Severity severity = finding.severity();
    (severity == Finding::Severity::Error ? m_result.errors : m_result.warnings) +=
        severity != Finding::Severity::Note;
    m_result.findings.append(finding);
}

template <typename Make> void Checker::addRepeated(Repeated group, Make make)
{
    // A file may repeat these without end: past the first few they are only
    // counted, and their finding is not even made.
    if (++m_counts[size_t(group)] > MaxListed)
        ++m_result.warnings;
    else
        add(make());
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
            addRepeated(Repeated::IgnoredLine, [&] {
                return naming(Kind::TextAfterBracket, line.number, decoded(after));
            });
    }
    for (int s = 0; s < m_sections.size(); ++s) {
        if (!sameName(m_sections[s].name, line.name))
            continue;
        if (m_sections[s].line == line.number) {
            m_open = s;
        } else {
            m_repeated = s;
            addRepeated(Repeated::SecondSection, [&] {
                return naming(Kind::SecondSection, line.number, decoded(line.name),
                              m_sections[s].line);
            });
        }
        return;
    }
    addRepeated(Repeated::UnreadSection,
                [&] { return naming(Kind::UnreadSection, line.number, decoded(line.name)); });
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
    const auto make = [&](Kind kind, qint64 number = 0) {
        Finding finding = naming(kind, line.number, decoded(line.name), number);
        if (m_open >= 0)
            finding.section = QLatin1String(m_sections[m_open].name);
        return finding;
    };
    const int k = m_open < 0 ? -1 : findKey(m_open, line.name);
    if (line.name.startsWith('#')) {
        addRepeated(Repeated::IgnoredLine, [&] { return make(Kind::HashLine); });
    } else if (!m_inSection) {
        addRepeated(Repeated::IgnoredLine, [&] {
            return make(line.hasEquals ? Kind::KeyBeforeSection : Kind::TextBeforeSection);
        });
    } else if (k < 0 && !line.hasEquals) {
        addRepeated(Repeated::IgnoredLine, [&] { return make(Kind::LineWithoutEquals); });
    } else if (k < 0) {
        addRepeated(Repeated::UnreadKey, [&] {
            Finding finding = make(Kind::UnreadKey);
            finding.other = zeroHint(m_open, line.name);
            return finding;
        });
    } else if (m_keys[k].found.line.number != line.number) {
        // The program reads the first: this one is below it.
        addRepeated(Repeated::SecondKey,
                    [&] { return make(Kind::SecondKey, m_keys[k].found.line.number); });
    }
}

void Checker::programKey(const Key &key)
{
    const ProfileLine &line = key.found.line;
    const QByteArrayView value = line.value;
    const bool unicode = m_text.isUnicode();
    const auto length = [&](QByteArrayView bytes) {
        return unicode ? utf8Length(bytes) : bytes.size();
    };
    const qsizetype nul = value.indexOf('\0');
    const auto add = [&](Kind kind, qint64 number = 0) {
        Checker::add(about(kind, line.number, key.text, key.shown, number));
    };
    if (!key.found.found())
        return;
    if (!line.hasEquals)
        add(Kind::NoEquals);
    else if (key.shown.isEmpty())
        add(value.isEmpty() ? Kind::EmptyValue : Kind::LeadingNul);
    else if (nul >= 0 && length(value.first(nul)) < ShownLength)
        add(Kind::HoldsNul);
    else if (length(value) > ShownLength)
        add(unicode ? Kind::CutCharacters : Kind::CutBytes, length(value));
    if (m_text.encoding == ProfileText::Encoding::Utf8 && !line.raw.isValidUtf8())
        add(Kind::InvalidUtf8);
}

void Checker::missingTexts()
{
    for (int s = 0; s < m_sections.size(); ++s) {
        if (m_sections[s].line == 0) {
            Finding finding = about(Kind::MissingSection, 0, Text::Count, QString(),
                                    std::count_if(m_keys.cbegin(), m_keys.cend(),
                                                  [&](const Key &k) { return k.section == s; }));
            finding.section = QLatin1String(m_sections[s].name);
            add(finding);
            continue;
        }
        for (const Key &key : std::as_const(m_keys)) {
            if (key.section == s && !key.found.found())
                add(about(Kind::MissingKey, m_sections[s].line, key.text, {}, key.laterLine));
        }
    }
}

// A file without a byte order mark is read as Windows-1252; when its text is
// UTF-8 all the same, every character beyond ASCII shows garbled, as two or
// three: the program shows wrong texts, an error. Told at the first such text.
void Checker::foreignEncoding(QByteArrayView file)
{
    if (m_text.encoding != ProfileText::Encoding::Windows1252 || !file.isValidUtf8())
        return;
    const Key *first = nullptr;
    for (const Key &key : std::as_const(m_keys)) {
        const ProfileLine &line = key.found.line;
        if (key.found.found() && !isAscii(line.raw) &&
            (!first || line.number < first->found.line.number))
            first = &key;
    }
    if (!first)
        return;
    // No character takes more than four bytes of UTF-8.
    const QByteArrayView value = first->found.line.value;
    Finding finding =
        about(Kind::Utf8WithoutMark, first->found.line.number, first->text, first->shown);
    finding.other = QString::fromUtf8(value.first(qMin(value.size(), ShownLength * 4)));
    finding.other.truncate(ShownLength);
    add(finding);
}

// The list entries whose position the program fixes, in order.
void Checker::listOrder()
{
    for (const Text first : {Text::ColourNames, Text::PatternNames}) {
        for (int i = 0; i < 3; ++i) {
            const Key &key = m_keys[int(first) + i];
            if (key.found.found() && !key.shown.isEmpty())
                add(about(Kind::ListEntry, key.found.line.number, key.text, key.shown));
        }
    }
}

// Each text the program shows, measured in the control that shows it.
void Checker::textWidths(const MeasureText &measure)
{
    for (const Key &key : std::as_const(m_keys)) {
        if (!key.found.found() || key.shown.isEmpty())
            continue;
        const TextFit fit = measure(key.text, key.shown);
        if (fit.control.isEmpty() || fit.excess <= 0)
            continue;
        Finding finding =
            about(Kind::TooWide, key.found.line.number, key.text, key.shown, fit.excess);
        finding.name = fit.control;
        finding.other = fit.shown;
        add(finding);
    }
}

CatalogueCheck Checker::result()
{
    std::stable_sort(m_result.findings.begin(), m_result.findings.end(),
                     [](const Finding &a, const Finding &b) { return a.line < b.line; });
    for (size_t group = 0; group < m_counts.size(); ++group) {
        if (m_counts[group] > MaxListed)
            m_result.findings.append(about(Kind(int(Kind::MoreUnreadSections) + int(group)), 0,
                                           Text::Count, {}, m_counts[group] - MaxListed));
    }
    return m_result;
}

int Checker::findKey(int section, QByteArrayView name) const
{
    for (int k = 0; k < m_keys.size(); ++k) {
        if (m_keys[k].section == section && sameName(m_keys[k].name, name))
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
    return k < 0 ? QString() : QLatin1String(m_keys[k].name);
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

Finding::Severity Finding::severity() const
{
    if (kind <= Kind::Utf8WithoutMark)
        return Severity::Error;
    return kind == Kind::ListEntry ? Severity::Note : Severity::Warning;
}

CatalogueCheck checkCatalogue(QByteArrayView file, const MeasureText &measure)
{
    if (file.isEmpty())
        return {{about(Kind::EmptyFile)}, 1, 0};
    if (decodeProfileText(file).encoding == ProfileText::Encoding::Utf16BE)
        return {{about(Kind::Utf16BigEndian)}, 1, 0};
    return Checker(file, measure).result();
}

CatalogueCheck checkCatalogueFile(const QString &fileName, const MeasureText &measure)
{
    using Status = ProfileFile::Status;
    static constexpr std::array<std::pair<Status, Kind>, 5> NotRead = {{
        {Status::Missing, Kind::NoSuchFile},
        {Status::DanglingLink, Kind::LinkToNothing},
        {Status::NotRegular, Kind::NotRegularFile},
        {Status::TooLarge, Kind::TooLarge},
        {Status::Unreadable, Kind::Unreadable},
    }};
    const ProfileFile file = readProfileFile(fileName);
    for (const auto &[status, kind] : NotRead) {
        if (file.status == status)
            return {{about(kind, 0, Text::Count, QString(), file.size)}, 1, 0};
    }
    return checkCatalogue(file.bytes, measure);
}

} // namespace catalogue
