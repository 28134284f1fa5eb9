#include "profilelines.h"

#include <QString>
#include <cstring>

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

QByteArray utf16ToUtf8(QByteArrayView bytes)
{
    QString text(bytes.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(char16_t(uchar(bytes[2 * i]) | uchar(bytes[2 * i + 1]) << 8));
    return text.toUtf8();
}

} // namespace

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

} // namespace catalogue
