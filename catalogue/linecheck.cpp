#include "linecheck.h"

#include "windows1252.h"

#include <array>

namespace catalogue {

namespace {

using Kind = Finding::Kind;

// Names and sample texts from the file are cut to this many characters.
constexpr qsizetype QuotedLength = 60;

// Findings a file can repeat without end; those about the program's texts
// are bounded by them and always listed.
enum class Repeated { UnreadSection, UnreadKey, SecondSection, SecondKey, IgnoredLine, Count };

// A finding about a line, naming something in it.
Finding naming(Kind kind, qsizetype line, const QString &name, qint64 number = 0)
{
    Finding finding = about(kind, line, Text::Count, QString(), number);
    finding.name = name;
    return finding;
}

class LineChecker
{
public:
    LineChecker(const ProfileText &text, const QList<CheckedSection> &sections,
                QList<CheckedText> &texts, CatalogueCheck &check)
        : m_text(text), m_sections(sections), m_texts(texts), m_check(check)
    {}
    QList<Finding> run();

private:
    template <typename Make> void addRepeated(Repeated group, Make make);
    void sectionLine(const ProfileLine &line);
    void keyLine(const ProfileLine &line);
    int findKey(int section, QByteArrayView name) const;
    QString zeroHint(int section, QByteArrayView name) const;
    QString decoded(QByteArrayView bytes) const;

    const ProfileText &m_text;
    const QList<CheckedSection> &m_sections;
    QList<CheckedText> &m_texts;
    CatalogueCheck &m_check;
    bool m_inSection = false;
    int m_open = -1;     // program section being read, -1 in any other section
    int m_repeated = -1; // program section repeated below its first occurrence
    std::array<qsizetype, size_t(Repeated::Count)> m_counts = {};
};

QList<Finding> LineChecker::run()
{
    ProfileLines lines(m_text.text);
    ProfileLine line;
    while (lines.next(line)) {
        if (line.kind == ProfileLine::Kind::Section)
            sectionLine(line);
        else if (line.kind == ProfileLine::Kind::Key)
            keyLine(line);
    }
    QList<Finding> more;
    for (size_t group = 0; group < m_counts.size(); ++group) {
        if (m_counts[group] > MaxListed)
            more.append(about(Kind(int(Kind::MoreUnreadSections) + int(group)), 0, Text::Count, {},
                              m_counts[group] - MaxListed));
    }
    return more;
}

template <typename Make> void LineChecker::addRepeated(Repeated group, Make make)
{
    // A file may repeat these without end: past the first few they are only
    // counted, and their finding is not even made.
    if (++m_counts[size_t(group)] > MaxListed)
        ++m_check.warnings;
    else
        addFinding(m_check, make());
}

void LineChecker::sectionLine(const ProfileLine &line)
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

void LineChecker::keyLine(const ProfileLine &line)
{
    if (m_inSection && m_open < 0) {
        // Below a section the program never reads only the section line counts,
        // but a key there may explain why the program misses it.
        const int k = m_repeated < 0 ? -1 : findKey(m_repeated, line.name);
        if (k >= 0 && m_texts[k].laterLine == 0)
            m_texts[k].laterLine = line.number;
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
    } else if (m_texts[k].found.line.number != line.number) {
        // The program reads the first: this one is below it.
        addRepeated(Repeated::SecondKey,
                    [&] { return make(Kind::SecondKey, m_texts[k].found.line.number); });
    }
}

int LineChecker::findKey(int section, QByteArrayView name) const
{
    for (int k = 0; k < m_texts.size(); ++k) {
        if (m_texts[k].section == section && sameName(m_texts[k].name, name))
            return k;
    }
    return -1;
}

// GREEN01 for GREEN1: the program's numbers have no leading zeros.
QString LineChecker::zeroHint(int section, QByteArrayView name) const
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
    return k < 0 ? QString() : QLatin1String(m_texts[k].name);
}

// A name or text from the file as the program decodes it, cut for a message.
QString LineChecker::decoded(QByteArrayView bytes) const
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

QList<Finding> checkLines(const ProfileText &text, const QList<CheckedSection> &sections,
                          QList<CheckedText> &texts, CatalogueCheck &check)
{
    return LineChecker(text, sections, texts, check).run();
}

} // namespace catalogue
