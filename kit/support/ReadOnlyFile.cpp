#include "kit/support/ReadOnlyFile.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace hub {

std::optional<ReadOnlyFile> ReadOnlyFile::openAt(int folder, const QByteArray& name, Links links)
{
    const int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (links == Links::refuse ? O_NOFOLLOW : 0);
    FileDescriptor fd(::openat(folder, name.constData(), flags));
    struct stat status {};
    if (!fd.valid() || ::fstat(fd.get(), &status) != 0)
        return std::nullopt;
    if (!S_ISREG(status.st_mode)) {
        errno = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
        return std::nullopt;
    }
    return ReadOnlyFile(std::move(fd), uint64_t(status.st_size));
}

ReadOnlyFile ReadOnlyFile::open(const QString& path)
{
    auto file = openAt(AT_FDCWD, QFile::encodeName(path));
    if (!file)
        throw std::system_error(errno, std::generic_category(), "open");
    return std::move(*file);
}

size_t ReadOnlyFile::read(uint64_t offset, char* into, size_t length) const
{
    size_t done = 0;
    while (done < length) {
        const ssize_t got = ::pread(fd_.get(), into + done, length - done, off_t(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw std::system_error(errno, std::generic_category(), "read");
        if (got == 0)
            break;
        done += size_t(got);
    }
    return done;
}

void ReadOnlyFile::readsInOrder() const
{
    ::posix_fadvise(fd_.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
}

} // namespace hub
