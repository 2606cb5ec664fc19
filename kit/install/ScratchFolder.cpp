#include "kit/install/ScratchFolder.h"

#include "kit/support/NoFollow.h"

#include <QFile>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <system_error>

namespace hub {

ScratchFolder::ScratchFolder(const QString& parent)
{
    QByteArray pattern = QFile::encodeName(parent + QStringLiteral("/extraction-XXXXXX"));
    if (!::mkdtemp(pattern.data()))
        throw std::system_error(errno, std::generic_category(), "cannot make a scratch folder in " + parent.toStdString());
    path_ = QFile::decodeName(pattern);
}

ScratchFolder::~ScratchFolder()
{
    removeTree(path_);
}

void ScratchFolder::removeTree(const QString& root) { NoFollow::removeTree(AT_FDCWD, QFile::encodeName(root)); }

} // namespace hub
