#include "kit/install/InstallLock.h"

#include "kit/support/AppDirectories.h"
#include "kit/support/NoFollow.h"

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
    // Never through a link: whatever but a regular file stands at the path is removed.
    const int fd = NoFollow::lockFile(AT_FDCWD, QFile::encodeName(path));
    if (fd < 0)
        return false;
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
