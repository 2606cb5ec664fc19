#include "kit/support/SmallFile.h"

#include "kit/support/FileDescriptor.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hub {

namespace {

SmallFile unreadable(const QString& problem) { return {std::nullopt, problem}; }

QString lastError() { return QString::fromLocal8Bit(std::strerror(errno)); }

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
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(fd.get(), bytes.data() + done, size_t(bytes.size() - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return unreadable(lastError());
        if (got == 0)
            return unreadable(QStringLiteral("it was cut short while being read"));
        done += got;
    }
    return {std::move(bytes), {}};
}

} // namespace hub
