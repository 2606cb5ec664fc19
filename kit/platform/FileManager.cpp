#include "kit/platform/FileManager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>

namespace hub::FileManager {

namespace {

std::filesystem::path fsPath(const QString& path) { return std::filesystem::path(QFile::encodeName(path).toStdString()); }

// Adds the bits to every real folder, and every regular file, below and at path.
void addModes(const std::filesystem::path& path, mode_t folderBits, mode_t fileBits)
{
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0)
        return;
    const bool folder = S_ISDIR(info.st_mode);
    const mode_t bits = folder ? folderBits : S_ISREG(info.st_mode) ? fileBits : 0;
    if ((info.st_mode & bits) != bits)
        chmod(path.c_str(), (info.st_mode & 07777) | bits);
    if (!folder)
        return;
    std::error_code error;
    for (std::filesystem::directory_iterator it(path, error), end; !error && it != end; it.increment(error))
        addModes(it->path(), folderBits, fileBits);
}

// Gives every real folder below (and at) path owner read, write and search rights.
void openUp(const std::filesystem::path& path) { addModes(path, S_IRWXU, 0); }

} // namespace

void moveItem(const QString& from, const QString& to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    int result = renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE);
    if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
        // A file system without no-replace renames: check, then rename.
        struct stat info {};
        if (lstat(target.constData(), &info) == 0) {
            errno = EEXIST;
        } else {
            result = std::rename(source.constData(), target.constData());
        }
    }
    if (result != 0) {
        throw std::system_error(errno, std::generic_category(),
                                ("cannot move " + from + " to " + to).toStdString());
    }
}

bool removeItem(const QString& path) noexcept
{
    try {
        const std::filesystem::path item = fsPath(path);
        std::error_code error;
        std::filesystem::remove_all(item, error);
        if (!error)
            return true;
        openUp(item);
        error.clear();
        std::filesystem::remove_all(item, error);
        return !error;
    } catch (...) {
        return false;
    }
}

void makeOwnerWritable(const QString& path) noexcept
{
    try {
        addModes(fsPath(path), S_IWUSR, S_IWUSR);
    } catch (...) {
    }
}

std::optional<QString> trashItem(const QString& path)
{
    QFile item(path);
    if (!item.moveToTrash()) {
        throw std::system_error(std::make_error_code(std::errc::io_error),
                                ("cannot move " + path + " to the Trash: " + item.errorString()).toStdString());
    }
    // On success the object names the item's place in the Trash.
    if (item.fileName().isEmpty() || item.fileName() == path)
        return std::nullopt;
    return item.fileName();
}

void restoreFromTrash(const QString& pathInTrash, const QString& to)
{
    moveItem(pathInTrash, to);
    const QFileInfo item(pathInTrash);
    if (item.dir().dirName() != QStringLiteral("files"))
        return;
    QDir trash = item.dir();
    if (trash.cdUp())
        QFile::remove(trash.filePath(QStringLiteral("info/") + item.fileName() + QStringLiteral(".trashinfo")));
}

} // namespace hub::FileManager
