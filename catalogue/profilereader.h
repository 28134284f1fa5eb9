#pragma once

#include "profilelines.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace catalogue {

// A section and key to read.
struct ProfileKey {
    QString section;
    QString key;
};

// Where a key's value was found.
struct ProfileValue {
    qsizetype sectionLine = 0; // the line of its section; 0 when there is no such section
    ProfileLine line;          // the key's line; its number is 0 when there is no such key
    bool found() const { return line.number > 0; }
};

// Finds, in one pass over `text`, each of `keys` as the Windows profile reader
// does: names match in any case; the section argument loses its surrounding
// spaces, the key is used as given; the first section of a name and its first
// such key win; keys before any section belong to none; a key line without
// '=' has the empty value. Values point into `text`.
QList<ProfileValue> findProfileValues(const ProfileText &text, const QList<ProfileKey> &keys);

// The text a value gives as GetPrivateProfileString does with a buffer of
// `size` characters: at most size - 1 characters (bytes for Windows-1252,
// never half a character), ending before the first NUL, and `defaultValue`
// (cut the same way) when the section or key is missing.
QString profileString(const ProfileValue &value, const ProfileText &text,
                      const QString &defaultValue, int size);

// Reads every one of `keys` from a file's bytes in one pass, as profileString() gives them.
QStringList readProfileStrings(QByteArrayView file, const QList<ProfileKey> &keys,
                               const QString &defaultValue, int size);

// The same for one key.
QString readProfileString(QByteArrayView file, const QString &section, const QString &key,
                          const QString &defaultValue, int size);

} // namespace catalogue
