#include "kit/platform/RunningApplications.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <climits>
#include <unistd.h>

namespace hub::RunningApplications {

namespace {

// The executable of a process; empty when it has ended or may not be read.
QString executableOf(const QString& pid)
{
    char target[PATH_MAX];
    const QByteArray link = QFile::encodeName(QStringLiteral("/proc/") + pid + QStringLiteral("/exe"));
    const ssize_t length = readlink(link.constData(), target, sizeof target);
    if (length <= 0 || size_t(length) >= sizeof target)
        return {};
    QString path = QFile::decodeName(QByteArray(target, length));
    // A program whose file was replaced or removed still runs from its old place.
    const QString deleted = QStringLiteral(" (deleted)");
    if (path.endsWith(deleted))
        path.chop(deleted.size());
    return path;
}

bool isProcessId(const QString& name)
{
    if (name.isEmpty())
        return false;
    for (const QChar c : name) {
        if (!c.isDigit())
            return false;
    }
    return true;
}

} // namespace

bool anyInside(const QString& bundle)
{
    const QString root = QFileInfo(bundle).canonicalFilePath();
    if (root.isEmpty())
        return false;
    const QString prefix = root.endsWith(u'/') ? root : root + u'/';
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        if (!isProcessId(entry))
            continue;
        const QString executable = executableOf(entry);
        if (executable == root || executable.startsWith(prefix))
            return true;
    }
    return false;
}

} // namespace hub::RunningApplications
