#include "kit/support/NoFollow.h"

#include <QFile>
#include <QList>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace hub::NoFollow {

namespace {

bool isSame(const struct stat& one, const struct stat& other)
{
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

bool removed(int result) { return result == 0 || errno == ENOENT; }

// Takes away what is not a regular file at `name`: an empty folder, or anything else
// but a folder (a link is unlinked itself). True when nothing is left there.
bool removeStranger(int folder, const char* name)
{
    struct stat status {};
    if (::fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    if (S_ISREG(status.st_mode))
        return true;
    return removed(::unlinkat(folder, name, S_ISDIR(status.st_mode) ? AT_REMOVEDIR : 0));
}

// No descriptor, with errno set to `error`.
FileDescriptor refused(int error)
{
    errno = error;
    return FileDescriptor();
}

// One folder on the way down: its name in the folder above, what it is, what is left in it.
struct Level {
    QByteArray name;
    struct stat identity {};
    QList<QByteArray> left;
    bool complete = true; // nothing of it had to stay
};

// The folder `name` (found as `status`) in `folder`, opened to remove what it holds; none
// when it lies on another file system (a mount point: never entered). It is opened up
// first, so that a folder its owner may not read goes too.
FileDescriptor enter(int folder, const QByteArray& name, const struct stat& status, dev_t device, Level& level)
{
    if (status.st_dev != device)
        return FileDescriptor();
    if ((status.st_mode & S_IRWXU) != S_IRWXU)
        ::fchmodat(folder, name.constData(), (status.st_mode & 07777) | S_IRWXU, AT_SYMLINK_NOFOLLOW);
    FileDescriptor inner = openFolder(folder, name);
    if (!inner.valid() || ::fstat(inner.get(), &level.identity) != 0 || level.identity.st_dev != device)
        return FileDescriptor();
    level.name = name;
    level.left = entries(inner.get());
    return inner;
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
    FileDescriptor own(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    DIR* listing = own.valid() ? ::fdopendir(own.get()) : nullptr;
    if (!listing)
        return names;
    own.release(); // the listing closes it
    while (const dirent* entry = ::readdir(listing)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.append(name);
    }
    ::closedir(listing);
    return names;
}

FileDescriptor lockFile(int folder, const QByteArray& name)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        // "Would block" is kept for a lock that another holds: an open refused for a
        // lease elsewhere says so too, and is no holder.
        if (!removeStranger(folder, name.constData()))
            return refused(errno == EWOULDBLOCK ? EBUSY : errno);
        FileDescriptor fd(::openat(folder, name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0600));
        if (!fd.valid()) {
            // ELOOP: a link; ENXIO: a socket; EISDIR: a folder, each put there meanwhile.
            if (errno == ELOOP || errno == ENXIO || errno == EISDIR)
                continue;
            return refused(errno == EWOULDBLOCK ? EBUSY : errno);
        }
        struct stat opened {};
        if (::fstat(fd.get(), &opened) != 0 || !S_ISREG(opened.st_mode))
            continue;
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            fd = FileDescriptor();
            return refused(error);
        }
        struct stat named {};
        if (::fstatat(folder, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 && isSame(named, opened))
            return fd;
    }
    return refused(EBUSY); // the name kept changing under it
}

void unlinkIfSame(int folder, const QByteArray& name, int descriptor)
{
    struct stat opened {}, named {};
    if (::fstat(descriptor, &opened) == 0 && ::fstatat(folder, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0
        && isSame(opened, named))
        ::unlinkat(folder, name.constData(), 0);
}

bool renameUnlessTaken(int fromFolder, const QByteArray& from, int toFolder, const QByteArray& to)
{
    if (::renameat2(fromFolder, from.constData(), toFolder, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    struct stat status {};
    if (::fstatat(toFolder, to.constData(), &status, AT_SYMLINK_NOFOLLOW) == 0) {
        errno = EEXIST;
        return false;
    }
    return errno == ENOENT && ::renameat(fromFolder, from.constData(), toFolder, to.constData()) == 0;
}

FileDescriptor openFolder(int folder, const QByteArray& name)
{
    return FileDescriptor(::openat(folder, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

FileDescriptor makeFolder(int folder, const QByteArray& name)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        if (::mkdirat(folder, name.constData(), 0700) != 0 && errno != EEXIST)
            break;
        FileDescriptor fd = openFolder(folder, name);
        if (fd.valid())
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

namespace {

// removeTree, of the folder `expected` only when given.
bool removeTreeOf(int folder, const QByteArray& name, const struct stat* expected)
{
    struct stat status {};
    if (::fstatat(folder, name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT && !expected;
    if (expected && !isSame(status, *expected))
        return false;
    if (!S_ISDIR(status.st_mode))
        return removed(::unlinkat(folder, name.constData(), 0));
    const dev_t device = status.st_dev;
    // Walked without recursion, holding only the folder it is in: it goes back up through
    // "..", which must still be the folder it came from.
    std::vector<Level> levels(1);
    FileDescriptor current = enter(folder, name, status, device, levels.back());
    if (!current.valid() || (expected && !isSame(levels.back().identity, *expected)))
        return false;
    for (;;) {
        if (!levels.back().left.isEmpty()) {
            const QByteArray entry = levels.back().left.takeLast();
            struct stat found {};
            bool gone = false;
            if (::fstatat(current.get(), entry.constData(), &found, AT_SYMLINK_NOFOLLOW) != 0) {
                gone = errno == ENOENT;
            } else if (!S_ISDIR(found.st_mode)) {
                gone = removed(::unlinkat(current.get(), entry.constData(), 0));
            } else if (levels.size() < size_t(removeTreeDepth)) { // deeper ones are left
                Level below;
                if (FileDescriptor inner = enter(current.get(), entry, found, device, below); inner.valid()) {
                    levels.push_back(std::move(below));
                    current = std::move(inner);
                    continue;
                }
            }
            levels.back().complete = levels.back().complete && gone;
            continue;
        }
        const Level done = std::move(levels.back());
        levels.pop_back();
        if (levels.empty())
            return done.complete && removed(::unlinkat(folder, done.name.constData(), AT_REMOVEDIR));
        FileDescriptor above(::openat(current.get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat aboveStatus {};
        if (!above.valid() || ::fstat(above.get(), &aboveStatus) != 0 || !isSame(aboveStatus, levels.back().identity))
            return false; // moved meanwhile: left for another time
        current = std::move(above);
        if (!done.complete || !removed(::unlinkat(current.get(), done.name.constData(), AT_REMOVEDIR)))
            levels.back().complete = false;
    }
}

} // namespace

bool removeTree(int folder, const QByteArray& name) { return removeTreeOf(folder, name, nullptr); }

bool removeTreeIfSame(int folder, const QByteArray& name, int descriptor)
{
    struct stat opened {};
    return ::fstat(descriptor, &opened) == 0 && removeTreeOf(folder, name, &opened);
}

FileDescriptor openOwnedFolder(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat status {};
    if (::lstat(name.constData(), &status) != 0)
        fail(errno, "cannot look at", path);
    if (S_ISLNK(status.st_mode))
        fail(ELOOP, "a link, not a folder:", path);
    if (!S_ISDIR(status.st_mode))
        fail(ENOTDIR, "not a folder:", path);
    FileDescriptor fd(::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid())
        fail(errno, "cannot open", path);
    if (::fstat(fd.get(), &status) != 0 || status.st_uid != ::geteuid())
        fail(EPERM, "a folder of another user:", path);
    return fd;
}

} // namespace hub::NoFollow
