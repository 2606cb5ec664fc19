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

// An open file that passed the checks, closed when it goes.
struct Opened {
    FileDescriptor descriptor;
    qint64 size = 0;
    QString problem; // empty with no descriptor: missing
};

void open(Opened& file, const QString& path, qint64 maxBytes, SmallFile::Links links)
{
    const int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | (links == SmallFile::Links::refuse ? O_NOFOLLOW : 0);
    const int fd = ::open(QFile::encodeName(path).constData(), flags);
    if (fd < 0) {
        if (errno != ENOENT)
            file.problem = QString::fromLocal8Bit(std::strerror(errno)); // a link, when refused, is ELOOP
        return;
    }
    file.descriptor = FileDescriptor(fd);
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        file.problem = QString::fromLocal8Bit(std::strerror(errno));
    else if (!S_ISREG(status.st_mode))
        file.problem = QStringLiteral("it is not a regular file");
    else if (status.st_size > maxBytes)
        file.problem = QStringLiteral("it is larger than %1 bytes").arg(maxBytes);
    file.size = status.st_size;
}

} // namespace

SmallFile SmallFile::read(const QString& path, qint64 maxBytes, Links links)
{
    Opened file;
    open(file, path, maxBytes, links);
    if (file.descriptor.get() < 0 || !file.problem.isEmpty())
        return file.problem.isEmpty() ? SmallFile{} : unreadable(file.problem);

    QByteArray bytes(qsizetype(file.size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(file.descriptor.get(), bytes.data() + done, size_t(bytes.size() - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return unreadable(QString::fromLocal8Bit(std::strerror(errno)));
        if (got == 0)
            return unreadable(QStringLiteral("it was cut short while being read"));
        done += got;
    }
    return {std::move(bytes), {}};
}

} // namespace hub
