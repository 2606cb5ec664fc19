#pragma once

#include <QFile>
#include <QString>
#include <sys/stat.h>

namespace hub::test {

// The permission bits of a path (0 when it cannot be looked at).
inline mode_t permissionsOf(const QString& path)
{
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 0777 : 0;
}

} // namespace hub::test
