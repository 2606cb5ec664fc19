#include "kit/platform/FileManager.h"

#include "kit/platform/TrashError.h"
#include "kit/support/FileDescriptor.h"
#include "kit/support/NoFollow.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <filesystem>
#include <fts.h>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <system_error>

namespace hub::FileManager {

namespace {

QByteArray encoded(const QString& path) { return QFile::encodeName(path); }

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

[[noreturn]] void refuse(const QString& path, int code) { throw TrashError::system(path, code); }

// `name` in `folder`, joined as plain text (QDir reads a leading ':' as a resource): "/a" and
// "b" make "/a/b", "/" and "b" make "/b".
QString joined(const QString& folder, const QString& name)
{
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

// The folder that the absolute, clean path is in, as plain text; "/" for "/" itself. Each
// step up is shorter, so a walk up ends at "/" from any start.
QString parentOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

// Where the open folder is now, as the system names it from the root; empty when it cannot say.
QByteArray pathBytesOf(int folder)
{
    char path[PATH_MAX];
    const ssize_t size = ::readlink(("/proc/self/fd/" + QByteArray::number(folder)).constData(), path, sizeof path);
    return size > 0 && size < ssize_t(sizeof path) && path[0] == '/' ? QByteArray(path, size) : QByteArray();
}

QString pathOf(int folder) { return QFile::decodeName(pathBytesOf(folder)); }

// The item to trash: the folder it is in, opened once (links on the way followed, as the
// user's folders may be links to another disk), and its name there. The item itself is
// never followed: a link goes as a link. All else is found from the opened folder.
struct Item {
    FileDescriptor folder;
    QByteArray name;
    QString path;       // absolute, as the caller named it
    QString realFolder; // where the opened folder is
    dev_t volume = 0;   // of the folder it is in: a rename moves it within that
    struct stat itself {}; // the item, not followed
};

Item openItem(const QString& path)
{
    // Checked as written: "", ".", "sub/.." and "/" name a folder that is another's item.
    QString written = path;
    while (written.endsWith(u'/'))
        written.chop(1);
    const QString name = written.mid(written.lastIndexOf(u'/') + 1);
    if (name.isEmpty() || name == u'.' || name == QStringLiteral(".."))
        throw TrashError::noName(path);
    Item item;
    item.path = QDir::cleanPath(path.startsWith(u'/') ? path : joined(QDir::currentPath(), path));
    item.name = encoded(name);
    item.folder = FileDescriptor(::open(encoded(parentOf(item.path)).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    struct stat opened {};
    if (!item.folder.valid() || ::fstat(item.folder.get(), &opened) != 0
        || ::fstatat(item.folder.get(), item.name.constData(), &item.itself, AT_SYMLINK_NOFOLLOW) != 0)
        refuse(item.path, errno);
    // A mount point's own device is its mounted disk's; the folder holding its name is what
    // a rename works in (and refuses it: EBUSY).
    item.volume = opened.st_dev;
    item.realFolder = pathOf(item.folder.get());
    if (item.realFolder.isEmpty())
        refuse(item.path, ENOENT);
    return item;
}

// The folder `name` in `at` (at `path`), made 0700 when missing, opened; it must be a folder
// of this user. Only the home Trash itself is followed when it is a link, which must be the
// user's own too; every other Trash folder must be a real folder (a volume's top folder, and
// a Trash the user opened up, are written in by other users).
FileDescriptor trashFolder(int at, const QByteArray& name, const QString& path, bool followLink)
{
    struct stat link {};
    if (followLink && ::fstatat(at, name.constData(), &link, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(link.st_mode)
        && link.st_uid != ::geteuid())
        throw TrashError::otherOwner(path);
    if (::mkdirat(at, name.constData(), 0700) != 0 && errno != EEXIST)
        refuse(path, errno);
    FileDescriptor folder(::openat(at, name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW)));
    if (!folder.valid()) {
        const int error = errno;
        struct stat status {};
        if (!followLink && ::fstatat(at, name.constData(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(status.st_mode))
            throw TrashError::link(path);
        if (error == ENOTDIR)
            throw TrashError::notAFolder(path);
        refuse(path, error);
    }
    struct stat status {};
    if (::fstat(folder.get(), &status) != 0 || status.st_uid != ::geteuid())
        throw TrashError::otherOwner(path);
    return folder;
}

// A Trash's two folders; `relativeTo` is where the .trashinfo paths start: a volume's top
// folder for its own Trash (as desktops read them), empty (absolute paths) for the home Trash.
struct Trash {
    QString path;
    FileDescriptor root;
    FileDescriptor files;
    FileDescriptor info;
    QString relativeTo;
};

Trash openTrash(int at, const QByteArray& name, const QString& path, bool followLink)
{
    FileDescriptor root = trashFolder(at, name, path, followLink);
    FileDescriptor files = trashFolder(root.get(), "files", joined(path, QStringLiteral("files")), false);
    FileDescriptor info = trashFolder(root.get(), "info", joined(path, QStringLiteral("info")), false);
    return {path, std::move(root), std::move(files), std::move(info), {}};
}

QString dataHome()
{
    const QString set = QFile::decodeName(qgetenv("XDG_DATA_HOME"));
    return set.startsWith(u'/') ? QDir::cleanPath(set) : joined(QDir::homePath(), QStringLiteral(".local/share"));
}

// The volume the home Trash is on, or would be made on: that of the nearest folder on its path.
std::optional<dev_t> homeTrashVolume(const QString& trash)
{
    for (QString folder = trash;; folder = parentOf(folder)) {
        struct stat status {};
        if (::stat(encoded(folder).constData(), &status) == 0 && S_ISDIR(status.st_mode))
            return status.st_dev;
        if (folder == QStringLiteral("/"))
            return std::nullopt;
    }
}

// The top folder of the item's volume, opened: the highest folder on it above the item's
// folder, each found as ".." of the one below.
FileDescriptor volumeTopOf(const Item& item)
{
    FileDescriptor top(::openat(item.folder.get(), ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    struct stat here {};
    if (!top.valid() || ::fstat(top.get(), &here) != 0)
        refuse(item.path, errno);
    for (;;) {
        FileDescriptor up(::openat(top.get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
        struct stat above {};
        if (!up.valid() || ::fstat(up.get(), &above) != 0) {
            const int error = errno; // before pathOf's own calls
            refuse(pathOf(top.get()), error);
        }
        if (above.st_dev != item.volume || above.st_ino == here.st_ino) // another disk, or the root
            return top;
        top = std::move(up);
        here = above;
    }
}

// The Trash at the top of the item's volume: $top/.Trash/$uid when $top/.Trash is a real folder
// with the sticky bit (an administrator's, shared by all users) and the user's folder can be had
// in it; else $top/.Trash-$uid.
Trash topTrash(const Item& item)
{
    const FileDescriptor volume = volumeTopOf(item);
    const QString top = pathOf(volume.get());
    if (top.isEmpty() || !joined(item.realFolder, {}).startsWith(joined(top, {})))
        refuse(item.path, ENOENT); // moved away meanwhile
    const QString uid = QString::number(::geteuid());
    struct stat status {};
    const FileDescriptor shared(NoFollow::openFolder(volume.get(), ".Trash"));
    if (shared.valid() && ::fstat(shared.get(), &status) == 0 && (status.st_mode & S_ISVTX)) {
        try {
            Trash trash = openTrash(shared.get(), encoded(uid), joined(joined(top, QStringLiteral(".Trash")), uid), false);
            trash.relativeTo = top;
            return trash;
        } catch (const TrashError&) {
            // Not the user's to use: their own Trash beside it is.
        }
    }
    Trash trash = openTrash(volume.get(), encoded(QStringLiteral(".Trash-") + uid), joined(top, QStringLiteral(".Trash-") + uid), false);
    trash.relativeTo = top;
    return trash;
}

// What refused the move of the item into files/: the folder it leaves or files/ when that may not be
// written, else the item itself (on another disk, in use, immutable, another's in a sticky folder).
QString refuser(const Item& item, const Trash& trash, const QString& filesFolder, int error)
{
    const auto locked = [](int folder) { return ::faccessat(folder, ".", W_OK | X_OK, AT_EACCESS) != 0; };
    if (error == EACCES || error == EPERM)
        return locked(item.folder.get()) ? parentOf(item.path) : locked(trash.files.get()) ? filesFolder : item.path;
    return error == EXDEV || error == EBUSY ? item.path : filesFolder;
}

// The .trashinfo of an item that was in `folder`: its path relative to the Trash's top when it
// lies below it, else absolute, escaped as in URLs.
QByteArray trashInfo(const Item& item, const Trash& trash, const QString& folder, const QByteArray& date)
{
    const QString real = joined(folder, QFile::decodeName(item.name));
    const QString top = joined(trash.relativeTo, {});
    const QString recorded = !trash.relativeTo.isEmpty() && real.startsWith(top) ? real.mid(top.size()) : real;
    return "[Trash Info]\nPath=" + encoded(recorded).toPercentEncoding("/") + "\nDeletionDate=" + date + '\n';
}

// Writes the bytes to `name` in `folder`: exclusively when `replace` is false, else beside it
// under a hidden name and renamed over it. errno is set when false.
bool writeAt(int folder, const QByteArray& name, const QByteArray& bytes, bool replace)
{
    const QByteArray written = replace ? '.' + name + '.' + QByteArray::number(QRandomGenerator::global()->generate64(), 16) : name;
    FileDescriptor file(::openat(folder, written.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file.valid())
        return false;
    const ssize_t count = ::write(file.get(), bytes.constData(), size_t(bytes.size()));
    int error = count < 0 ? errno : ENOSPC;
    bool done = count == bytes.size();
    file = FileDescriptor();
    if (done && replace && ::renameat(folder, written.constData(), folder, name.constData()) != 0) {
        error = errno;
        done = false;
    }
    if (!done) {
        ::unlinkat(folder, written.constData(), 0);
        errno = error;
    }
    return done;
}

// The disk space of `name` in the open folder and all below it, as du counts it: the blocks of
// every file, folder and link, an inode of many links once. Links are not followed.
qint64 diskUse(int folder, const QByteArray& name)
{
    QByteArray root = "/proc/self/fd/" + QByteArray::number(folder) + '/' + name;
    char* const roots[] = {root.data(), nullptr};
    FTS* const tree = ::fts_open(roots, FTS_PHYSICAL | FTS_NOCHDIR, nullptr);
    if (!tree)
        return 0;
    qint64 bytes = 0;
    std::set<std::pair<dev_t, ino_t>> linked;
    while (const FTSENT* entry = ::fts_read(tree)) {
        if (entry->fts_info == FTS_DP || entry->fts_info == FTS_NS || entry->fts_info == FTS_ERR)
            continue; // a folder is counted on the way in
        const struct stat& status = *entry->fts_statp;
        if (S_ISDIR(status.st_mode) || status.st_nlink < 2 || linked.emplace(status.st_dev, status.st_ino).second)
            bytes += qint64(status.st_blocks) * 512;
    }
    ::fts_close(tree);
    return bytes;
}

// Gives the trashed folder its line in the Trash's directorysizes, "<its disk space> <mtime of its
// .trashinfo> <its name escaped>", replacing the file whole; the lines of other folders still in
// files/ are kept. Best effort.
void recordSize(const Trash& trash, const QByteArray& name, const QByteArray& infoName)
{
    struct stat folder {}, record {};
    if (::fstatat(trash.files.get(), name.constData(), &folder, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(folder.st_mode)
        || ::fstatat(trash.info.get(), infoName.constData(), &record, AT_SYMLINK_NOFOLLOW) != 0)
        return;
    const auto inFiles = [&](const QByteArray& escaped) {
        struct stat status {};
        const QByteArray other = QByteArray::fromPercentEncoding(escaped);
        return other != name && other != "." && other != ".." && !other.contains('/')
            && ::fstatat(trash.files.get(), other.constData(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(status.st_mode);
    };
    QByteArray lines;
    const FileDescriptor sizes(::openat(trash.root.get(), "directorysizes", O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat status {};
    if (sizes.valid() && ::fstat(sizes.get(), &status) == 0 && S_ISREG(status.st_mode) && status.st_size < 16 * 1024 * 1024) {
        QByteArray old(qsizetype(status.st_size), Qt::Uninitialized);
        const ssize_t read = ::read(sizes.get(), old.data(), size_t(old.size()));
        old.truncate(qMax<ssize_t>(read, 0));
        for (const QByteArray& line : old.split('\n')) {
            if (inFiles(line.split(' ').value(2)))
                lines += line + '\n';
        }
    }
    const qint64 bytes = diskUse(trash.files.get(), name);
    lines += QByteArray::number(bytes) + ' ' + QByteArray::number(qint64(record.st_mtime)) + ' ' + name.toPercentEncoding() + '\n';
    writeAt(trash.root.get(), "directorysizes", lines, true);
}

// Moves the item into files/ of the Trash under a free name, after its .trashinfo is written
// (exclusively, 0600) in info/. The move goes by the path the record names, so the record names
// where the folder was as the item left it, however the folder is renamed meanwhile; after a
// refusal the path is read again and the record made anew. Should the path have led to another
// folder, what it held there is moved back, and the item goes on. A folder renamed at every look
// has the item moved from the folder it holds open, within its volume, recorded where it was last
// seen. Returns where it went.
QString moveInto(const Item& item, const Trash& trash)
{
    constexpr int looks = 64;
    const QByteArray date = QDateTime::currentDateTime().toString(Qt::ISODate).left(19).toUtf8();
    const QString infoFolder = joined(trash.path, QStringLiteral("info"));
    const QString filesFolder = joined(trash.path, QStringLiteral("files"));
    QByteArray folder = pathBytesOf(item.folder.get());
    int error = EEXIST;
    for (int number = 1, looked = 0; number < 10000;) {
        if (folder.isEmpty())
            refuse(item.path, ENOENT); // removed: no place now
        const QString name = numberedName(QFile::decodeName(item.name), number);
        const QByteArray infoName = encoded(name + QStringLiteral(".trashinfo"));
        if (!writeAt(trash.info.get(), infoName, trashInfo(item, trash, QFile::decodeName(folder), date), false)) {
            if (errno != EEXIST)
                refuse(infoFolder, errno);
            ++number;
            continue;
        }
        const QByteArray from = (folder.endsWith('/') ? folder : folder + '/') + item.name;
        const bool byPath = looked < looks;
        if (byPath ? NoFollow::renameUnlessTaken(AT_FDCWD, from, trash.files.get(), encoded(name))
                   : NoFollow::renameUnlessTaken(item.folder.get(), item.name, trash.files.get(), encoded(name))) {
            struct stat moved {}, left {};
            const bool other = byPath && ::fstatat(trash.files.get(), encoded(name).constData(), &moved, AT_SYMLINK_NOFOLLOW) == 0
                && (moved.st_dev != item.itself.st_dev || moved.st_ino != item.itself.st_ino)
                && ::fstatat(item.folder.get(), item.name.constData(), &left, AT_SYMLINK_NOFOLLOW) == 0;
            if (other) {
                // Not the item: it goes back where it came from, unless that place was taken meanwhile,
                // and then it stays in the Trash under its own true record.
                if (!NoFollow::renameUnlessTaken(trash.files.get(), encoded(name), AT_FDCWD, from)) {
                    ++number;
                    continue;
                }
                ::unlinkat(trash.info.get(), infoName.constData(), 0);
                ++looked;
                folder = pathBytesOf(item.folder.get());
                continue;
            }
            recordSize(trash, encoded(name), infoName);
            return joined(filesFolder, name);
        }
        error = errno;
        ::unlinkat(trash.info.get(), infoName.constData(), 0);
        if (error == EEXIST) {
            ++number;
        } else if (looked++ < looks) {
            folder = pathBytesOf(item.folder.get()); // the folder may have been renamed: where it is now
        } else {
            break; // the same refusal at every look
        }
    }
    refuse(refuser(item, trash, filesFolder, error), error);
}

} // namespace

void moveItem(const QString& from, const QString& to)
{
    if (!NoFollow::renameUnlessTaken(AT_FDCWD, encoded(from), AT_FDCWD, encoded(to))) {
        throw std::system_error(errno, std::generic_category(),
                                ("cannot move " + from + " to " + to).toStdString());
    }
}

bool removeItem(const QString& path) noexcept
{
    return NoFollow::removeTree(AT_FDCWD, encoded(path));
}

void makeOwnerWritable(const QString& path) noexcept
{
    try {
        addModes(std::filesystem::path(encoded(path).toStdString()), S_IWUSR, S_IWUSR);
    } catch (...) {
    }
}

QString trashItem(const QString& path)
{
    const Item item = openItem(path);
    const QString data = dataHome();
    const QString home = joined(data, QStringLiteral("Trash"));
    if (homeTrashVolume(home) == item.volume) {
        QDir().mkpath(data);
        return moveInto(item, openTrash(AT_FDCWD, encoded(home), home, true));
    }
    return moveInto(item, topTrash(item));
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
