#include "kit/install/InstallLock.h"

#include "kit/support/AppDirectories.h"

#include <QFile>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace hub {

InstallLock::InstallLock(const QString& directory, const QString& fileName) : path(directory + u'/' + fileName) {}

InstallLock::~InstallLock() { unlock(); }

std::unique_ptr<InstallLock> InstallLock::standard() { return std::make_unique<InstallLock>(AppDirectories::support()); }

bool InstallLock::tryLock()
{
    if (descriptor_ >= 0)
        return true;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    descriptor_ = fd;
    return true;
}

void InstallLock::unlock()
{
    if (descriptor_ < 0)
        return;
    ::flock(descriptor_, LOCK_UN);
    ::close(descriptor_);
    descriptor_ = -1;
}

} // namespace hub
