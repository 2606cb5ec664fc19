// The part of SingleInstance that the background updater uses. Apart from the rest, so that
// the headless executable does not carry the socket server.

#include "app/platform/SingleInstance.h"
#include "kit/support/NoFollow.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <fcntl.h>

namespace hub {

QString SingleInstance::lockName() { return QString::fromLatin1(name) + QStringLiteral(".lock"); }

QString SingleInstance::defaultFolder()
{
    // Qt makes the runtime folder (0700) when it is missing or unsafe.
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

bool SingleInstance::isPrimaryRunning(const QString& folder)
{
    const QString path = QDir(folder).filePath(lockName());
    const QFileInfo file(path);
    if (!file.exists() && !file.isSymLink())
        return false;
    // Only a holder keeps the lock from being taken: a name that cannot be made a lock file
    // (a folder with files in it) holds no primary either.
    const FileDescriptor probe(NoFollow::lockFile(AT_FDCWD, QFile::encodeName(path)));
    return !probe.valid() && errno == EWOULDBLOCK;
}

} // namespace hub
