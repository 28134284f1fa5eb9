#include "profilereader.h"

#include "windows1252.h"

#include <utility>

namespace catalogue {

namespace {

// The section argument loses its surrounding spaces, but not tabs.
QByteArrayView spaceTrimmed(QByteArrayView s)
{
    while (!s.isEmpty() && s.front() == ' ')
        s = s.sliced(1);
    while (!s.isEmpty() && s.back() == ' ')
        s.chop(1);
    return s;
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

// The sections asked for, each with the keys still to find in it.
struct Wanted {
    QByteArrayView name;
    enum { Ahead, Open, Passed } state = Ahead;
    qsizetype line = 0;
    KeyTable keys;
};

} // namespace

QList<ProfileValue> findProfileValues(const ProfileText &text, const QList<ProfileKey> &keys)
{
    // The names in the text's encoding, alive while the tables point into them.
    QList<std::pair<QByteArray, QByteArray>> names;
    names.reserve(keys.size());
    for (const ProfileKey &k : keys) {
        if (text.isUnicode())
            names.append({k.section.toUtf8(), k.key.toUtf8()});
        else
            names.append({toWindows1252(k.section), toWindows1252(k.key)});
    }
    QList<Wanted> sections;
    QList<qsizetype> sectionOf(keys.size());
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QByteArrayView name = spaceTrimmed(names[i].first);
        auto section = std::find_if(sections.begin(), sections.end(),
                                    [&](const Wanted &s) { return sameName(s.name, name); });
        if (section == sections.end())
            section = sections.insert(sections.end(), Wanted{name, Wanted::Ahead, 0, {}});
        section->keys.add(names[i].second, i);
        sectionOf[i] = section - sections.begin();
    }

    QList<ProfileValue> found(keys.size());
    qsizetype remaining = keys.size();
    Wanted *open = nullptr;
    ProfileLines lines(text.text);
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
                    s.line = line.number;
                    open = &s;
                }
            }
        } else if (line.kind == ProfileLine::Kind::Key && open) {
            // Each key is taken once: a later line of the same name is not asked for.
            const QList<qsizetype> requests = open->keys.take(line.name);
            for (qsizetype i : requests)
                found[i].line = line;
            remaining -= requests.size();
        }
    }
    for (qsizetype i = 0; i < found.size(); ++i)
        found[i].sectionLine = sections[sectionOf[i]].line;
    return found;
}

QString profileString(const ProfileValue &value, const ProfileText &text,
                      const QString &defaultValue, int size)
{
    const qsizetype max = qMax(size, 1) - 1; // one place is kept for the closing NUL
    if (!value.found())
        return cutText(defaultValue, max);
    // At most `max` bytes of Windows-1252, or `max` characters of UTF-8 (no
    // character takes more than four bytes), up to the first NUL.
    const QByteArrayView bytes = value.line.value;
    if (text.isUnicode())
        return cutText(QString::fromUtf8(bytes.first(qMin(bytes.size(), max * 4))), max);
    const QByteArrayView cut = bytes.first(qMin(bytes.size(), max));
    const qsizetype nul = cut.indexOf('\0');
    return fromWindows1252(nul < 0 ? cut : cut.first(nul));
}

QStringList readProfileStrings(QByteArrayView file, const QList<ProfileKey> &keys,
                               const QString &defaultValue, int size)
{
    const ProfileText text = decodeProfileText(file);
    QStringList texts;
    texts.reserve(keys.size());
    for (const ProfileValue &value : findProfileValues(text, keys))
        texts.append(profileString(value, text, defaultValue, size));
    return texts;
}

QString readProfileString(QByteArrayView file, const QString &section, const QString &key,
                          const QString &defaultValue, int size)
{
    return readProfileStrings(file, {{section, key}}, defaultValue, size).constFirst();
}

} // namespace catalogue
