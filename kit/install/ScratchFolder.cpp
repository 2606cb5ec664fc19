#include "kit/install/ScratchFolder.h"

#include "kit/support/NoFollow.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace hub {

ScratchFolder::ScratchFolder(const QString& parent, const QString& prefix)
    : parent_(::open(QFile::encodeName(parent).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
{
    QByteArray pattern = QFile::encodeName(parent + u'/' + prefix + QStringLiteral("XXXXXX"));
    if (!parent_.valid() || !::mkdtemp(pattern.data()))
        throw std::system_error(errno, std::generic_category(), "cannot make a scratch folder in " + parent.toStdString());
    path_ = QFile::decodeName(pattern);
    name_ = QFile::encodeName(QFileInfo(path_).fileName());
    folder_ = NoFollow::openFolder(parent_.get(), name_);
    if (!folder_.valid()) {
        const int error = errno;
        ::rmdir(pattern.constData());
        throw std::system_error(error, std::generic_category(), "cannot open the scratch folder " + path_.toStdString());
    }
}

ScratchFolder::~ScratchFolder()
{
    NoFollow::removeTreeIfSame(parent_.get(), name_, folder_.get());
}

} // namespace hub
