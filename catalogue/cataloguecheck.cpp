#include "cataloguecheck.h"

#include "linecheck.h"
#include "profilefile.h"

#include <algorithm>
#include <array>

namespace catalogue {

namespace {

using Kind = Finding::Kind;

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
    void add(const Finding &finding) { addFinding(m_result, finding); }
    void programKey(const CheckedText &key);
    void missingTexts();
    void foreignEncoding(QByteArrayView file);
    void listOrder();
    void textWidths(const MeasureText &measure);

    ProfileText m_text;
    QList<CheckedSection> m_sections;
    QList<CheckedText> m_keys;
    CatalogueCheck m_result;
    QList<Finding> m_more; // how many more of the kinds listed only so often
};

Checker::Checker(QByteArrayView file, const MeasureText &measure) : m_text(decodeProfileText(file))
{
    // The program's own reading gives each text and where it comes from.
    const QList<ProfileKey> keys = catalogueProfileKeys();
    const QList<ProfileValue> found = findProfileValues(m_text, keys);
    for (int t = 0; t < TextCount; ++t) {
        const QByteArray section = keys[t].section.toLatin1();
        auto s = std::find_if(m_sections.cbegin(), m_sections.cend(),
                              [&](const CheckedSection &known) { return known.name == section; });
        if (s == m_sections.cend())
            s = m_sections.insert(m_sections.cend(), {section, found[t].sectionLine});
        m_keys.append({Text(t), int(s - m_sections.cbegin()), keys[t].key.toLatin1(),
                       profileString(found[t], m_text, QString(), BufferSize), found[t]});
    }

    m_more = checkLines(m_text, m_sections, m_keys, m_result);
    for (const CheckedText &key : std::as_const(m_keys))
        programKey(key);
    missingTexts();
    foreignEncoding(file);
    listOrder();
    if (measure)
        textWidths(measure);
}

void Checker::programKey(const CheckedText &key)
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
            Finding finding =
                about(Kind::MissingSection, 0, Text::Count, QString(),
                      std::count_if(m_keys.cbegin(), m_keys.cend(),
                                    [&](const CheckedText &k) { return k.section == s; }));
            finding.section = QLatin1String(m_sections[s].name);
            add(finding);
            continue;
        }
        for (const CheckedText &key : std::as_const(m_keys)) {
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
    const CheckedText *first = nullptr;
    for (const CheckedText &key : std::as_const(m_keys)) {
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
            const CheckedText &key = m_keys[int(first) + i];
            if (key.found.found() && !key.shown.isEmpty())
                add(about(Kind::ListEntry, key.found.line.number, key.text, key.shown));
        }
    }
}

// Each text the program shows, measured in the control that shows it.
void Checker::textWidths(const MeasureText &measure)
{
    for (const CheckedText &key : std::as_const(m_keys)) {
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
    m_result.findings.append(m_more);
    return m_result;
}

} // namespace

Finding about(Kind kind, qsizetype line, Text text, const QString &shown, qint64 number)
{
    Finding finding;
    finding.kind = kind;
    finding.line = line;
    finding.text = text;
    finding.shown = shown;
    finding.number = number;
    return finding;
}

void addFinding(CatalogueCheck &check, const Finding &finding)
{
    const Finding::Severity severity = finding.severity();
    (severity == Finding::Severity::Error ? check.errors : check.warnings) +=
        severity != Finding::Severity::Note;
    check.findings.append(finding);
}

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
