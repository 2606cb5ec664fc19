#include "kit/support/SmallFile.h"

#include "kit/support/FileDescriptor.h"

#include <QFile>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hub {

namespace {

SmallFile unreadable(const QString& problem) { return {std::nullopt, problem}; }

QString lastError() { return QString::fromLocal8Bit(std::strerror(errno)); }

// Up to `count` bytes at `offset`, fewer only at the end of the file; -1 on an error.
qsizetype readAt(int fd, char* into, qsizetype count, qint64 offset)
{
    qsizetype done = 0;
    while (done < count) {
        const ssize_t got = ::pread(fd, into + done, size_t(count - done), off_t(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

} // namespace

SmallFile SmallFile::read(const QString& path, qint64 maxBytes, Links links)
{
    const int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | (links == Links::refuse ? O_NOFOLLOW : 0);
    const FileDescriptor fd(::open(QFile::encodeName(path).constData(), flags));
    if (!fd.valid())
        return errno == ENOENT ? SmallFile{} : unreadable(lastError()); // a link, when refused, is ELOOP
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0)
        return unreadable(lastError());
    if (!S_ISREG(status.st_mode))
        return unreadable(QStringLiteral("it is not a regular file"));
    if (status.st_size > maxBytes)
        return unreadable(QStringLiteral("it is larger than %1 bytes").arg(maxBytes));

    QByteArray bytes(qsizetype(status.st_size), Qt::Uninitialized);
    const qsizetype got = readAt(fd.get(), bytes.data(), bytes.size(), 0);
    if (got < 0)
        return unreadable(lastError());
    if (got < bytes.size())
        return unreadable(QStringLiteral("it was cut short while being read"));
    // Read again and compared, a byte past the end asked for too: a file written to while
    // it was read (cut short and written back, say) reads otherwise the second time, and
    // the first copy may hold parts of both.
    std::array<char, 16 * 1024> chunk;
    for (qsizetype at = 0; at <= bytes.size(); at += qsizetype(chunk.size())) {
        const qsizetype asked = std::min(qsizetype(chunk.size()), bytes.size() + 1 - at);
        const qsizetype expected = std::min(asked, bytes.size() - at);
        const qsizetype again = readAt(fd.get(), chunk.data(), asked, at);
        if (again < 0)
            return unreadable(lastError());
        if (again != expected || std::memcmp(chunk.data(), bytes.constData() + at, size_t(expected)) != 0)
            return unreadable(QStringLiteral("it changed while being read"));
    }
    return {std::move(bytes), {}};
}

} // namespace hub
