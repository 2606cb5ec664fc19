#include "kit/support/AppDirectories.h"

#include "kit/support/FileDescriptor.h"
#include "kit/support/NoFollow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <unistd.h>
#include <sys/stat.h>
#include <system_error>

namespace hub::AppDirectories {

namespace {

[[noreturn]] void fail(int error, const char* what, const QString& path)
{
    throw std::system_error(error, std::generic_category(), what + (u' ' + path).toStdString());
}

QString location(QStandardPaths::StandardLocation kind)
{
    const QString base = QStandardPaths::writableLocation(kind);
    if (base.isEmpty())
        fail(ENOENT, "no user folder for", QStandardPaths::displayName(kind));
    return base;
}

} // namespace

QString owned(const QString& folder)
{
    const QString path = QDir::cleanPath(QDir(folder).absolutePath());
    // Each missing folder on the way is made 0700; existing ones are left as they are.
    for (qsizetype at = path.indexOf(u'/', 1); ; at = path.indexOf(u'/', at + 1)) {
        const QString prefix = at < 0 ? path : path.left(at);
        if (::mkdir(QFile::encodeName(prefix).constData(), 0700) != 0 && errno != EEXIST)
            fail(errno, "create folder", prefix);
        if (at < 0)
            break;
    }
    // Never through a link: a folder that is not this user's own is not used.
    const FileDescriptor opened = NoFollow::openOwnedFolder(path);
    if (::fchmod(opened.get(), 0700) != 0)
        fail(errno, "set permissions of", path);
    return folder;
}

QString support()
{
    const QString path = location(QStandardPaths::GenericDataLocation) + QStringLiteral("/Tavren Hub");
    // A user may keep this folder elsewhere behind a link: the ledger and floors stay where
    // they are. Nothing here is swept, so following a link to the user's own folder is safe.
    const QFileInfo info(path);
    if (info.isSymLink() && info.isDir() && info.ownerId() == ::geteuid())
        return path;
    return owned(path);
}

QString cache(const QString& name)
{
    const QString root = owned(location(QStandardPaths::GenericCacheLocation) + QStringLiteral("/com.tavren.hub"));
    return owned(root + u'/' + name);
}

QString work() { return cache(QStringLiteral("work")); }

} // namespace hub::AppDirectories
