#include "profilefile.h"

#include <QFile>
#include <QFileInfo>
#include <optional>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace catalogue {

namespace {

using Status = ProfileFile::Status;

ProfileFile notRead(Status status, qint64 size = 0)
{
    return {status, QByteArray(), size};
}

// A file that had bytes when it was looked at but gave none was not read; an
// empty one has nothing to read, whether it opens or not.
ProfileFile read(const QByteArray &bytes, qint64 size)
{
    return {bytes.isEmpty() && size > 0 ? Status::Unreadable : Status::Read, bytes, size};
}

#ifdef Q_OS_UNIX
// Reads `fd` to its end into memory. A file that grows past the limit
// meanwhile, or a read error, gives nothing.
std::optional<QByteArray> readToEnd(int fd, qsizetype expected)
{
    QByteArray bytes(qMin(expected, MaxProfileFileSize) + 1, Qt::Uninitialized);
    qsizetype total = 0;
    for (;;) {
        if (total == bytes.size()) {
            if (total > MaxProfileFileSize)
                return std::nullopt;
            bytes.resize(qMin(total * 2, MaxProfileFileSize + 1));
        }
        const ssize_t n = ::read(fd, bytes.data() + total, size_t(bytes.size() - total));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        total += n;
    }
    bytes.truncate(total);
    return bytes;
}

// Why a file that could not be opened was not read, in the order the
// portable reader finds it.
ProfileFile notOpened(const QByteArray &path)
{
    struct stat info {};
    if (::stat(path.constData(), &info) != 0)
        return notRead(::lstat(path.constData(), &info) == 0 && S_ISLNK(info.st_mode)
                           ? Status::DanglingLink
                           : Status::Missing);
    if (!S_ISREG(info.st_mode))
        return notRead(Status::NotRegular);
    if (info.st_size > MaxProfileFileSize)
        return notRead(Status::TooLarge, qint64(info.st_size));
    return read(QByteArray(), qint64(info.st_size));
}
#endif

ProfileFile readPosix(const QString &fileName)
{
#ifdef Q_OS_UNIX
    // Opened without waiting, so a FIFO at that path cannot block us; only a
    // regular file is read. Its bytes are copied, never mapped: a file that is
    // shortened meanwhile must not take the program down with it.
    const QByteArray path = QFile::encodeName(fileName);
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return notOpened(path);
    ProfileFile file = notRead(Status::NotRegular);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        file.status = Status::Unreadable;
    } else if (S_ISREG(info.st_mode)) {
        file.size = qint64(info.st_size);
        file.status = file.size > MaxProfileFileSize ? Status::TooLarge : Status::Unreadable;
        if (file.status == Status::Unreadable) {
            if (std::optional<QByteArray> bytes = readToEnd(fd, qsizetype(info.st_size)))
                file = read(*bytes, file.size);
        }
    }
    ::close(fd);
    return file;
#else
    Q_UNUSED(fileName);
    return notRead(Status::Unreadable);
#endif
}

ProfileFile readPortable(const QString &fileName)
{
    const QFileInfo info(fileName);
    if (!info.exists())
        return notRead(info.isSymLink() ? Status::DanglingLink : Status::Missing);
    if (!info.isFile())
        return notRead(Status::NotRegular);
    if (info.size() > MaxProfileFileSize)
        return notRead(Status::TooLarge, info.size());
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return read(QByteArray(), info.size());
    // One byte more than the limit tells a file that grew past it meanwhile.
    const QByteArray bytes = file.read(MaxProfileFileSize + 1);
    if (bytes.size() > MaxProfileFileSize)
        return notRead(Status::Unreadable, info.size());
    return read(bytes, info.size());
}

} // namespace

ProfileFile readProfileFile(const QString &fileName, FileAccess access)
{
    return access == FileAccess::Posix ? readPosix(fileName) : readPortable(fileName);
}

} // namespace catalogue
