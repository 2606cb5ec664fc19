// The part of SingleInstance that the background updater uses. Apart from the rest, so that
// the headless executable does not carry the socket server.

#include "app/platform/SingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace hub {

QString SingleInstance::lockName() { return QString::fromLatin1(name) + QStringLiteral(".lock"); }

QString SingleInstance::defaultFolder()
{
    // Qt makes the runtime folder (0700) when it is missing or unsafe.
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

bool SingleInstance::isPrimaryRunning(const QString& folder)
{
    const QFileInfo file(QDir(folder).filePath(lockName()));
    if (!file.exists() && !file.isSymLink())
        return false;
    InstallLock probe(folder, lockName());
    return !probe.tryLock();
}

} // namespace hub
