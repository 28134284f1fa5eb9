#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

namespace catalogue {

// Finds the value of `key` in `section` of INI text held in memory, as the
// Windows profile reader does: section and key names match without regard to
// case (ASCII letters), the first section of that name and its first such key
// win, lines whose first non-blank character is ';' are comments, blanks and
// tabs around names and values are dropped, the value is everything after the
// first '=', and one matching pair of double or single quotes around it is
// removed. Lines end at CR, LF or CRLF. Returns no value if the section or key
// is missing. The result points into `ini`.
std::optional<QByteArrayView> findProfileValue(QByteArrayView ini, QByteArrayView section,
                                               QByteArrayView key);

// Decodes the text of a catalogue value: Windows-1252 bytes, or UTF-8 / UTF-16
// when the file starts with that byte-order mark. The result holds at most
// size - 1 characters (bytes for Windows-1252, never half a character) and ends
// before the first NUL.
QString readProfileString(QByteArrayView ini, const QString &section, const QString &key,
                          const QString &defaultValue, int size);

// The same for the file `fileName`, with the parameters of the Windows call.
// Only a regular file is read; a missing file, a directory, a FIFO or a device
// gives the default at once. The file is opened read-only and never locked.
QString readProfileString(const QString &section, const QString &key, const QString &defaultValue,
                          int size, const QString &fileName);

// Decodes Windows-1252 bytes; the five unassigned bytes become the C1 controls
// of the same value, as Windows does.
QString fromWindows1252(QByteArrayView bytes);

// Encodes text as Windows-1252; characters it lacks become '?'.
QByteArray toWindows1252(const QString &text);

} // namespace catalogue
