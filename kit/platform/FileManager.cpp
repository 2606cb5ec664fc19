#include "kit/platform/FileManager.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
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

// The home Trash ($XDG_DATA_HOME/Trash), made when missing; empty when it cannot be made.
QString homeTrash()
{
    const QByteArray data = qgetenv("XDG_DATA_HOME");
    const QString root = QDir::cleanPath((data.isEmpty() ? QDir::homePath() + QStringLiteral("/.local/share") : QFile::decodeName(data))
                                         + QStringLiteral("/Trash"));
    for (const QString& folder : {root, root + QStringLiteral("/files"), root + QStringLiteral("/info")}) {
        if (!QFileInfo(folder).isDir() && mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST)
            return {};
    }
    return root;
}

bool sameVolume(const QString& a, const QString& b)
{
    struct stat first {}, second {};
    return lstat(QFile::encodeName(a).constData(), &first) == 0 && lstat(QFile::encodeName(b).constData(), &second) == 0
        && first.st_dev == second.st_dev;
}

// "TV Reverb.vst3", then "TV Reverb.2.vst3", "TV Reverb.3.vst3", ...: the number goes before
// the extension, so a bundle stays a bundle.
QString numberedName(const QString& name, int number)
{
    if (number < 2)
        return name;
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0)
        return name + u'.' + QString::number(number);
    return name.left(dot) + u'.' + QString::number(number) + name.mid(dot);
}

// Moves the item into the home Trash with its .trashinfo (the path escaped as in URLs);
// none when the home Trash is on another volume or cannot be made.
std::optional<QString> trashAtHome(const QString& path)
{
    const QString trash = homeTrash();
    const QFileInfo item(path);
    if (trash.isEmpty() || !sameVolume(item.absolutePath(), trash))
        return std::nullopt;
    const QByteArray info = "[Trash Info]\nPath=" + QUrl::toPercentEncoding(item.absoluteFilePath(), "/")
        + "\nDeletionDate=" + QDateTime::currentDateTime().toString(Qt::ISODate).left(19).toUtf8() + '\n';
    for (int number = 1; number < 10000; ++number) {
        const QString name = numberedName(item.fileName(), number);
        const QByteArray infoPath = QFile::encodeName(trash + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo"));
        const int fd = open(infoPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return std::nullopt;
        }
        const bool written = write(fd, info.constData(), size_t(info.size())) == info.size();
        close(fd);
        if (!written) {
            unlink(infoPath.constData());
            throw std::system_error(EIO, std::generic_category(), ("cannot move " + path + " to the Trash").toStdString());
        }
        const QString target = trash + QStringLiteral("/files/") + name;
        try {
            moveItem(path, target);
            return target;
        } catch (const std::system_error& error) {
            unlink(infoPath.constData());
            if (error.code().value() != EEXIST)
                throw;
        }
    }
    return std::nullopt;
}

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
    if (std::optional<QString> trashed = trashAtHome(path))
        return trashed;
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
