#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>
#include <utility>

namespace catalogue {

// The largest file that is read at all; a larger one gives the defaults, so a
// stray or hostile file cannot make start-up slow or large.
inline constexpr qsizetype MaxProfileFileSize = qsizetype(16) << 20;

// How a file's bytes are read: POSIX calls (Unix), or Qt's portable file access
// (the other systems). Both are built everywhere, so both are tested here.
enum class FileAccess {
    Posix,
    Portable,
#ifdef Q_OS_UNIX
    Native = Posix
#else
    Native = Portable
#endif
};

// The whole of `fileName`, read once into memory. Only a regular file of at
// most MaxProfileFileSize bytes is read, opened read-only without waiting and
// never locked; a missing file, a directory, a FIFO, a device or a larger file
// gives no bytes. A file that changes meanwhile gives some consistent snapshot.
QByteArray readProfileFile(const QString &fileName, FileAccess access = FileAccess::Native);

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

// Finds, in one pass over `text`, the value of each (section, key) pair as the
// Windows profile reader does: names match in any case; the section argument
// loses its surrounding spaces, the key is used as given; the first section of
// a name and its first such key win; keys before any section belong to none; a
// key line without '=' has the empty value. Returns no value for a missing
// section or key. Values point into `text`.
QList<std::optional<QByteArrayView>>
findProfileValues(QByteArrayView text, const QList<std::pair<QByteArray, QByteArray>> &keys);

// A section and key to read.
struct ProfileKey {
    QString section;
    QString key;
};

// Reads every one of `keys` from a file's bytes in one pass, as
// GetPrivateProfileString does with a buffer of `size` characters: each result
// holds at most size - 1 characters (bytes for Windows-1252, never half a
// character), ends before the first NUL, and is `defaultValue` (cut the same
// way) when the section or key is missing.
QStringList readProfileStrings(QByteArrayView file, const QList<ProfileKey> &keys,
                               const QString &defaultValue, int size);

// The same for one key.
QString readProfileString(QByteArrayView file, const QString &section, const QString &key,
                          const QString &defaultValue, int size);

// The same for one key of the file `fileName`, read as readProfileFile() does.
QString readProfileString(const QString &section, const QString &key, const QString &defaultValue,
                          int size, const QString &fileName);

// Decodes Windows-1252 bytes; the five unassigned bytes become the C1 controls
// of the same value, as Windows does.
QString fromWindows1252(QByteArrayView bytes);

// Encodes text as Windows-1252; characters it lacks become '?'.
QByteArray toWindows1252(const QString &text);

} // namespace catalogue
