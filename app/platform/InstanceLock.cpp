#include "app/platform/InstanceLock.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hub {

namespace {

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

} // namespace

InstanceLock::~InstanceLock()
{
    if (descriptor_ >= 0)
        ::close(descriptor_);
}

bool InstanceLock::tryLock()
{
    if (descriptor_ >= 0)
        return true;
    const QByteArray name = QFile::encodeName(path);
    // A few rounds: a link removed, or a file that another holder replaced meanwhile.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
        struct stat named {};
        if (fd < 0) {
            if (errno != ELOOP || ::lstat(name.constData(), &named) != 0 || !S_ISLNK(named.st_mode))
                return false;
            ::unlink(name.constData());
            continue;
        }
        struct stat opened {};
        if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return false;
        }
        // Held: but only the file still at `path` is the lock.
        if (::lstat(name.constData(), &named) == 0 && sameFile(named, opened)) {
            descriptor_ = fd;
            return true;
        }
        ::close(fd);
    }
    return false;
}

} // namespace hub
