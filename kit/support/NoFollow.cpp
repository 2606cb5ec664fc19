#include "kit/support/NoFollow.h"

#include <QFile>
#include <QList>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace hub::NoFollow {

namespace {

bool isSame(const struct stat& one, const struct stat& other)
{
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

// Takes away what is not a regular file at `name`: an empty folder, or anything else
// but a folder (a link is unlinked itself). True when nothing is left there.
bool removeStranger(int folder, const char* name)
{
    struct stat status {};
    if (::fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    if (S_ISREG(status.st_mode))
        return true;
    return ::unlinkat(folder, name, S_ISDIR(status.st_mode) ? AT_REMOVEDIR : 0) == 0 || errno == ENOENT;
}

bool removeBelow(int folder, const char* name, dev_t device)
{
    struct stat status {};
    if (::fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(status.st_mode))
        return ::unlinkat(folder, name, 0) == 0 || errno == ENOENT;
    if (status.st_dev != device)
        return false; // a mount point: never entered
    // Opened up before it is opened, so that a folder its owner may not read goes too.
    if ((status.st_mode & S_IRWXU) != S_IRWXU)
        ::fchmodat(folder, name, (status.st_mode & 07777) | S_IRWXU, AT_SYMLINK_NOFOLLOW);
    const int inner = openFolder(folder, name);
    if (inner < 0)
        return false;
    bool removed = true;
    for (const QByteArray& entry : entries(inner))
        removed = removeBelow(inner, entry.constData(), device) && removed;
    ::close(inner);
    return (::unlinkat(folder, name, AT_REMOVEDIR) == 0 || errno == ENOENT) && removed;
}

[[noreturn]] void fail(int error, const char* what, const QString& path)
{
    throw std::system_error(error, std::generic_category(), std::string(what) + " " + path.toStdString());
}

} // namespace

QList<QByteArray> entries(int folder)
{
    QList<QByteArray> names;
    // A descriptor of its own: a dup would share (and leave behind) the read position.
    const int own = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* listing = own < 0 ? nullptr : ::fdopendir(own);
    if (!listing) {
        if (own >= 0)
            ::close(own);
        return names;
    }
    while (const dirent* entry = ::readdir(listing)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.append(name);
    }
    ::closedir(listing);
    return names;
}

int lockFile(int folder, const QByteArray& name)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        if (!removeStranger(folder, name.constData()))
            return -1;
        const int fd = ::openat(folder, name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0600);
        if (fd < 0) {
            // ELOOP: a link; ENXIO: a socket; EISDIR: a folder, each put there meanwhile.
            if (errno == ELOOP || errno == ENXIO || errno == EISDIR)
                continue;
            return -1;
        }
        struct stat opened {};
        if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            ::close(fd);
            continue;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd);
            errno = error;
            return -1;
        }
        struct stat named {};
        if (::fstatat(folder, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 && isSame(named, opened))
            return fd;
        ::close(fd);
    }
    errno = EAGAIN;
    return -1;
}

void unlinkIfSame(int folder, const QByteArray& name, int descriptor)
{
    struct stat opened {}, named {};
    if (::fstat(descriptor, &opened) == 0 && ::fstatat(folder, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0
        && isSame(opened, named))
        ::unlinkat(folder, name.constData(), 0);
}

int openFolder(int folder, const QByteArray& name)
{
    return ::openat(folder, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

int makeFolder(int folder, const QByteArray& name)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        if (::mkdirat(folder, name.constData(), 0700) != 0 && errno != EEXIST)
            break;
        const int fd = openFolder(folder, name);
        if (fd >= 0)
            return fd;
        if (errno == ELOOP || errno == ENOTDIR) {
            // A link or a file at the name: it goes, not what it points at.
            if (::unlinkat(folder, name.constData(), 0) != 0 && errno != ENOENT)
                break;
        } else if (errno != ENOENT) { // ENOENT: removed meanwhile
            break;
        }
    }
    fail(errno, "cannot make the folder", QFile::decodeName(name));
}

bool removeTree(int folder, const QByteArray& name)
{
    struct stat status {};
    if (::fstatat(folder, name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    return removeBelow(folder, name.constData(), status.st_dev);
}

int openOwnedFolder(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat status {};
    if (::lstat(name.constData(), &status) != 0)
        fail(errno, "cannot look at", path);
    if (S_ISLNK(status.st_mode))
        fail(ELOOP, "a link, not a folder:", path);
    if (!S_ISDIR(status.st_mode))
        fail(ENOTDIR, "not a folder:", path);
    const int fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        fail(errno, "cannot open", path);
    if (::fstat(fd, &status) != 0 || status.st_uid != ::geteuid()) {
        ::close(fd);
        fail(EPERM, "a folder of another user:", path);
    }
    return fd;
}

} // namespace hub::NoFollow
