#pragma once

#include <QByteArray>
#include <QString>

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

// A file's bytes, and why there are none when it was not read.
struct ProfileFile {
    enum class Status {
        Read,         // the bytes are the file's (none for an empty file)
        Missing,      // no file of that name
        DanglingLink, // a symbolic link that leads to no file
        NotRegular,   // a directory, a FIFO, a device
        TooLarge,     // over MaxProfileFileSize bytes
        Unreadable    // no permission, a read error, or it grew past the limit meanwhile
    };
    Status status = Status::Missing;
    QByteArray bytes;
    qint64 size = 0; // the file's size as found, also when it is too large
};

// The whole of `fileName`, read once into memory. Only a regular file of at
// most MaxProfileFileSize bytes is read, opened read-only without waiting and
// never locked. A file that changes meanwhile gives some consistent snapshot.
ProfileFile readProfileFile(const QString &fileName, FileAccess access = FileAccess::Native);

} // namespace catalogue
