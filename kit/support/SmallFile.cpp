#include "kit/support/SmallFile.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hub {

namespace {

SmallFile unreadable(const QString& problem) { return {std::nullopt, problem}; }

} // namespace

SmallFile SmallFile::read(const QString& path, qint64 maxBytes, Links links)
{
    const int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | (links == Links::refuse ? O_NOFOLLOW : 0);
    const int fd = ::open(QFile::encodeName(path).constData(), flags);
    if (fd < 0) {
        if (errno == ENOENT)
            return {};
        return unreadable(QString::fromLocal8Bit(std::strerror(errno))); // a link, when refused, is ELOOP
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        return unreadable(QString::fromLocal8Bit(std::strerror(errno)));
    if (!S_ISREG(status.st_mode))
        return unreadable(QStringLiteral("it is not a regular file"));
    if (status.st_size > maxBytes)
        return unreadable(QStringLiteral("it is larger than %1 bytes").arg(maxBytes));

    QByteArray bytes(qsizetype(status.st_size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + done, size_t(bytes.size() - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return unreadable(QString::fromLocal8Bit(std::strerror(errno)));
        if (got == 0)
            break; // cut short meanwhile: what was there
        done += got;
    }
    bytes.truncate(done);
    return {std::move(bytes), {}};
}

} // namespace hub
