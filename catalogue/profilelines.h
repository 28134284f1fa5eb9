#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace catalogue {

// The text of a profile file after its byte-order mark, in the encoding the
// lines are matched in: Windows-1252 bytes when there is no mark, UTF-8 for a
// UTF-8 or UTF-16LE mark. A UTF-16BE mark is not understood: no text.
struct ProfileText {
    enum class Encoding { Windows1252, Utf8, Utf16LE, Utf16BE };
    Encoding encoding = Encoding::Windows1252;
    QByteArrayView text;  // points into the file, or into `converted`
    QByteArray converted; // UTF-8 made from a UTF-16LE file
    bool isUnicode() const { return encoding != Encoding::Windows1252; }
};
ProfileText decodeProfileText(QByteArrayView file);

// One line of a profile text as the reader sees it. Blanks are space, tab and
// vertical tab.
struct ProfileLine {
    enum class Kind {
        Blank,   // nothing but blanks (an empty line is never returned)
        Comment, // first non-blank character ';'
        Section, // first non-blank character '['
        Key      // anything else: a key with or without '='
    };
    Kind kind = Kind::Blank;
    qsizetype number = 0;    // 1-based
    QByteArrayView raw;      // the line without its end
    QByteArrayView name;     // section name up to the first ']' (or the line's end), or
                             // key name before the first '='; blanks around it dropped
    QByteArrayView value;    // after the first '=', blanks and one pair of quotes dropped
    bool hasEquals = false;  // a key line with '='
    bool hasBracket = false; // a section line with ']'
};

// The lines of a profile text, one at a time; lines end at CR, LF or CRLF.
// Empty lines are counted but not returned.
class ProfileLines
{
public:
    explicit ProfileLines(QByteArrayView text) : m_text(text) {}

    // Reads the next line into `line`; false at the end of the text.
    bool next(ProfileLine &line);

private:
    QByteArrayView m_text;
    qsizetype m_pos = 0;
    qsizetype m_number = 0;
    qsizetype m_nextCr = -1; // the next CR and LF at or after m_pos, or the text's end
    qsizetype m_nextLf = -1;
};

// Whether two section or key names are the same, ASCII letters in any case.
bool sameName(QByteArrayView a, QByteArrayView b);

// `c` with an ASCII small letter made a capital.
inline char foldCase(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

} // namespace catalogue
