#include "kit/install/WorkFolder.h"

#include "kit/platform/FileManager.h"
#include "kit/support/AppDirectories.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace hub {

namespace {

QByteArray encoded(const QString& path) { return QFile::encodeName(path); }

[[noreturn]] void fail(int error, const char* what, const QString& path)
{
    throw std::system_error(error, std::generic_category(), std::string(what) + " " + path.toStdString());
}

// A real folder (never a link) at `path`, 0700 when made; whatever else lies there goes.
void makeFolder(const QString& path)
{
    struct stat status {};
    if (::lstat(encoded(path).constData(), &status) == 0 && !S_ISDIR(status.st_mode))
        FileManager::removeItem(path);
    if (::mkdir(encoded(path).constData(), 0700) != 0 && errno != EEXIST)
        fail(errno, "cannot create folder", path);
    if (::lstat(encoded(path).constData(), &status) != 0)
        fail(errno, "cannot look at", path);
    if (!S_ISDIR(status.st_mode))
        fail(ENOTDIR, "not a folder:", path);
}

bool isRealFolder(const QString& path)
{
    struct stat status {};
    return ::lstat(encoded(path).constData(), &status) == 0 && S_ISDIR(status.st_mode);
}

// An exclusive flock on the regular file at `path`, made 0600 when missing; -1 when
// another holder has it. A link or anything but a regular file there is removed. A
// file its holder deleted while this waited is not the lock any more: then again.
int lockFile(const QString& path)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        const int fd = ::open(encoded(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
        if (fd < 0) {
            if (errno != ELOOP && errno != ENXIO && errno != EISDIR)
                return -1;
            FileManager::removeItem(path);
            continue;
        }
        struct stat opened {};
        if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            ::close(fd);
            FileManager::removeItem(path);
            continue;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return -1;
        }
        struct stat named {};
        if (::lstat(encoded(path).constData(), &named) == 0 && named.st_dev == opened.st_dev && named.st_ino == opened.st_ino)
            return fd;
        ::close(fd);
    }
    return -1;
}

} // namespace

WorkFolder::Claim::Claim(QString folder, QString lockFile, int descriptor)
    : folder(std::move(folder)), lockFile_(std::move(lockFile)), descriptor_(descriptor)
{
}

WorkFolder::Claim::Claim(Claim&& other) noexcept
    : folder(other.folder), lockFile_(std::move(other.lockFile_)), descriptor_(other.descriptor_)
{
    other.descriptor_ = -1;
}

WorkFolder::Claim::~Claim() { release(); }

void WorkFolder::Claim::release()
{
    if (descriptor_ < 0)
        return;
    // Deleted while held, so the next claimant opens a new file or finds this one gone.
    ::unlink(encoded(lockFile_).constData());
    ::close(descriptor_);
    descriptor_ = -1;
}

WorkFolder::WorkFolder(QString root) : root(std::move(root)) {}

std::optional<WorkFolder::Claim> WorkFolder::claimOnly(const QString& name) const
{
    const QString claims = root + u'/' + QLatin1String(claimsName);
    const QString lock = claims + u'/' + name + QStringLiteral(".lock");
    // A sweep may take the empty claims folder away in between.
    for (int attempt = 0; attempt < 3; ++attempt) {
        makeFolder(claims);
        const int fd = lockFile(lock);
        if (fd >= 0)
            return Claim(root + u'/' + name, lock, fd);
        if (errno != ENOENT)
            break;
    }
    return std::nullopt;
}

std::optional<WorkFolder::Claim> WorkFolder::claim(const QString& name) const
{
    AppDirectories::owned(root);
    std::optional<Claim> held = claimOnly(name);
    if (held)
        makeFolder(held->folder);
    return held;
}

void WorkFolder::discard(const QString& name) const
{
    try {
        if (std::optional<Claim> held = claimOnly(name))
            FileManager::removeItem(held->folder);
    } catch (const std::exception&) {
        // Left for the next sweep.
    }
}

void WorkFolder::sweep() const
{
    try {
        const QDir folder(root);
        if (!folder.exists())
            return;
        const QDir::Filters all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
        for (const QString& name : folder.entryList(all)) {
            if (name == QLatin1String(claimsName))
                continue;
            if (!isRealFolder(folder.filePath(name)))
                FileManager::removeItem(folder.filePath(name));
            else
                discard(name);
        }
        const QString claims = folder.filePath(QLatin1String(claimsName));
        if (!isRealFolder(claims)) {
            FileManager::removeItem(claims);
            return;
        }
        for (const QString& name : QDir(claims).entryList(all)) {
            // A lock whose run folder is gone; taking it and letting go deletes it.
            if (name.endsWith(QLatin1String(".lock")) && !name.startsWith(u'.'))
                claimOnly(name.chopped(5));
            else
                FileManager::removeItem(claims + u'/' + name);
        }
        // Only an empty one goes: a live claim keeps its file there.
        ::rmdir(encoded(claims).constData());
    } catch (const std::exception&) {
        // A sweep that cannot finish leaves the rest for the next one.
    }
}

} // namespace hub
