#include "kit/install/ScratchFolder.h"

#include <QFile>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <vector>

namespace hub {

namespace fs = std::filesystem;

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

void ScratchFolder::removeTree(const QString& root)
{
    const fs::path top(QFile::encodeName(root).toStdString());
    // Every folder is made searchable and writable before its entries are looked at,
    // outermost first; links are never followed.
    std::vector<fs::path> pending{top};
    while (!pending.empty()) {
        const fs::path folder = std::move(pending.back());
        pending.pop_back();
        struct stat info;
        if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
            continue;
        if ((info.st_mode & S_IRWXU) != S_IRWXU)
            ::chmod(folder.c_str(), (info.st_mode & 07777) | S_IRWXU);
        std::error_code error;
        for (fs::directory_iterator it(folder, error); !error && it != fs::directory_iterator(); it.increment(error)) {
            std::error_code statusError;
            if (it->symlink_status(statusError).type() == fs::file_type::directory)
                pending.push_back(it->path());
        }
    }
    std::error_code error;
    fs::remove_all(top, error);
}

} // namespace hub
