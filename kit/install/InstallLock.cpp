#include "kit/install/InstallLock.h"

#include "kit/support/AppDirectories.h"
#include "kit/support/NoFollow.h"

#include <QFile>
#include <fcntl.h>
#include <sys/file.h>

namespace hub {

InstallLock::InstallLock(const QString& directory, const QString& fileName) : path(directory + u'/' + fileName) {}

InstallLock::~InstallLock() { unlock(); }

std::unique_ptr<InstallLock> InstallLock::standard() { return std::make_unique<InstallLock>(AppDirectories::support()); }

bool InstallLock::tryLock()
{
    // Never through a link: whatever but a regular file stands at the path is removed.
    if (!descriptor_.valid())
        descriptor_ = NoFollow::lockFile(AT_FDCWD, QFile::encodeName(path));
    return descriptor_.valid();
}

void InstallLock::unlock()
{
    if (descriptor_.valid())
        ::flock(descriptor_.get(), LOCK_UN);
    descriptor_ = FileDescriptor();
}

} // namespace hub
