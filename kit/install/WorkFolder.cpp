#include "kit/install/WorkFolder.h"

#include "kit/downloads/PartialFile.h"
#include "kit/support/AppDirectories.h"
#include "kit/support/FileDescriptor.h"
#include "kit/support/InstallError.h"
#include "kit/support/NoFollow.h"

#include <QFile>
#include <QList>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>

namespace hub {

namespace {

const QByteArray claimsFolder = WorkFolder::claimsName;
const QByteArray sweptPrefix = ".swept-";

QByteArray encoded(const QString& name) { return QFile::encodeName(name); }
QByteArray lockName(const QByteArray& run) { return run + ".lock"; }

// The root's own flock: claims take it shared while they make the claims folder and
// their lock file, a sweep exclusive while it takes locks, moves folders aside and
// removes the empty claims folder. So a claim never meets a sweep half way. It is tried
// until `patience` has passed, since a blocking wait has no end while another process
// holds it. flock is not fair: a sweep that takes the root again at once would win every
// time. So a claim or discard that has to wait says so with a ".waiting-*" file in the
// root that it holds locked, and a sweep leaves the root alone while one is held, also
// one it finds only once it holds the root: the waiter waits at most for the sweep under way.
class Gate {
public:
    Gate(int root, int mode, std::chrono::milliseconds patience) : root_(root)
    {
        if (take(mode) || errno != EWOULDBLOCK || patience <= std::chrono::milliseconds(0))
            return;
        const QByteArray waiting = waitingPrefix + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        const FileDescriptor marker = makeMarker(waiting);
        const auto until = std::chrono::steady_clock::now() + patience;
        auto pause = std::chrono::milliseconds(1);
        do {
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, std::chrono::milliseconds(16));
        } while (!take(mode) && errno == EWOULDBLOCK && std::chrono::steady_clock::now() < until);
        if (marker.valid())
            NoFollow::unlinkIfSame(root_, waiting, marker.get());
    }
    ~Gate()
    {
        if (held_)
            ::flock(root_, LOCK_UN);
    }
    Gate(const Gate&) = delete;
    Gate& operator=(const Gate&) = delete;

    bool held() const { return held_; }

    // Whether another claim or discard waits for the root; the files of waiters that are
    // gone go meanwhile.
    static bool anyoneWaits(int root)
    {
        for (const QByteArray& name : NoFollow::entries(root)) {
            if (!name.startsWith(waitingPrefix))
                continue;
            const FileDescriptor marker = NoFollow::lockFile(root, name);
            if (!marker.valid() && errno == EWOULDBLOCK)
                return true;
            if (marker.valid())
                NoFollow::unlinkIfSame(root, name, marker.get());
        }
        return false;
    }

private:
    static constexpr const char* waitingPrefix = ".waiting-";

    // The marker `name`, locked before it is seen under that name: a sweep takes a marker it finds unlocked for
    // one whose waiter is gone, and removes it. So it is made without a name, locked, and then linked in; made
    // by name where the file system makes no file without one.
    FileDescriptor makeMarker(const QByteArray& name) const
    {
        FileDescriptor marker(::openat(root_, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
        const QByteArray path = "/proc/self/fd/" + QByteArray::number(marker.get());
        if (marker.valid() && ::flock(marker.get(), LOCK_EX | LOCK_NB) == 0
            && ::linkat(AT_FDCWD, path.constData(), root_, name.constData(), AT_SYMLINK_FOLLOW) == 0)
            return marker;
        return NoFollow::lockFile(root_, name);
    }

    bool take(int mode)
    {
        held_ = ::flock(root_, mode | LOCK_NB) == 0;
        return held_;
    }

    int root_;
    bool held_ = false;
};

// Whether `name` in `folder` is itself, not through a link, of `type` (S_IFDIR, S_IFREG).
bool isA(int folder, const QByteArray& name, mode_t type)
{
    struct stat status {};
    return ::fstatat(folder, name.constData(), &status, AT_SYMLINK_NOFOLLOW) == 0 && (status.st_mode & S_IFMT) == type;
}

bool isPartialFile(int folder, const QByteArray& name) { return PartialFile::isPartialName(name) && isA(folder, name, S_IFREG); }

// Run folders are named by sanitised keys, which never start with a dot.
bool isRunName(const QByteArray& name) { return !name.isEmpty() && !name.startsWith('.'); }

// With the gate held: when no live run holds the run folder `name`, it is renamed to a
// ".swept-" name of its own and its lock file goes. The new name, or nothing.
QByteArray moveAside(int root, int claims, const QByteArray& name)
{
    if (!isA(root, name, S_IFDIR))
        return {};
    const FileDescriptor lock = NoFollow::lockFile(claims, lockName(name));
    if (!lock.valid())
        return {};
    QByteArray aside;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const QByteArray candidate = sweptPrefix + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        if (NoFollow::renameUnlessTaken(root, name, root, candidate)) {
            aside = candidate;
            break;
        }
        if (errno != EEXIST)
            break;
    }
    NoFollow::unlinkIfSame(claims, lockName(name), lock.get());
    return aside;
}

} // namespace

WorkFolder::Claim::Claim(QString folder, FileDescriptor claims, QByteArray lockName, FileDescriptor lock)
    : folder(std::move(folder)), claims_(std::move(claims)), lockName_(std::move(lockName)), lock_(std::move(lock))
{
}

WorkFolder::Claim::~Claim() { release(); }

void WorkFolder::Claim::release()
{
    if (!lock_.valid())
        return;
    // Deleted while held, so the next claimant opens a new file or finds this one gone;
    // only this claim's own file, should another stand under its name by now.
    NoFollow::unlinkIfSame(claims_.get(), lockName_, lock_.get());
    lock_ = FileDescriptor();
    claims_ = FileDescriptor();
}

void WorkFolder::Claim::removeFolder() const { NoFollow::removeTree(AT_FDCWD, encoded(folder)); }

WorkFolder::WorkFolder(QString root, std::chrono::milliseconds patience) : root(std::move(root)), patience(patience) {}

std::optional<WorkFolder::Claim> WorkFolder::claim(const QString& name, const QString& keep) const
{
    AppDirectories::owned(root);
    const FileDescriptor top = NoFollow::openOwnedFolder(root);
    const QByteArray run = encoded(name);
    std::optional<Claim> held;
    {
        const Gate gate(top.get(), LOCK_SH, patience);
        if (!gate.held())
            throw InstallError::workFolderBusy(root);
        FileDescriptor claims = NoFollow::makeFolder(top.get(), claimsFolder);
        FileDescriptor lock = NoFollow::lockFile(claims.get(), lockName(run));
        if (!lock.valid()) {
            if (errno == EWOULDBLOCK)
                return std::nullopt;
            throw std::system_error(errno, std::generic_category(), "cannot lock " + (root + u'/' + name).toStdString());
        }
        held.emplace(Claim(root + u'/' + name, std::move(claims), lockName(run), std::move(lock)));
    }
    // A folder found again holds what an earlier run or another program left: all goes
    // but the partial download the run goes on with.
    const FileDescriptor folder = NoFollow::makeFolder(top.get(), run);
    const QByteArray kept = encoded(keep);
    for (const QByteArray& entry : NoFollow::entries(folder.get())) {
        if (kept.isEmpty() || entry != kept || !isA(folder.get(), entry, S_IFREG))
            NoFollow::removeTree(folder.get(), entry);
    }
    return held;
}

void WorkFolder::discard(const QString& name) const
{
    try {
        const FileDescriptor top = NoFollow::openOwnedFolder(root);
        QByteArray aside;
        {
            const Gate gate(top.get(), LOCK_EX, patience);
            if (!gate.held())
                return; // left for the next sweep
            const FileDescriptor claims = NoFollow::makeFolder(top.get(), claimsFolder);
            aside = moveAside(top.get(), claims.get(), encoded(name));
        }
        if (!aside.isEmpty())
            NoFollow::removeTree(top.get(), aside);
    } catch (const std::exception&) {
        // Left for the next sweep.
    }
}

void WorkFolder::sweep() const
{
    try {
        // A root that is missing, a link or another user's is not swept.
        const FileDescriptor top = NoFollow::openOwnedFolder(root);
        if (Gate::anyoneWaits(top.get()))
            return; // it goes first: left for the next sweep
        {
            const Gate gate(top.get(), LOCK_EX, std::chrono::milliseconds(0));
            // Another holds the root, or one that has come to wait meanwhile goes first: left for the next sweep.
            if (!gate.held() || Gate::anyoneWaits(top.get()))
                return;
            const FileDescriptor claims = NoFollow::makeFolder(top.get(), claimsFolder);
            for (const QByteArray& name : NoFollow::entries(top.get())) {
                if (isPartialFile(top.get(), name))
                    ::unlinkat(top.get(), name.constData(), 0); // a downloader's, left in the root
                else if (isRunName(name))
                    moveAside(top.get(), claims.get(), name);
            }
            // Lock files whose run folder is gone; taking one and letting go deletes it.
            for (const QByteArray& name : NoFollow::entries(claims.get())) {
                if (!isRunName(name) || !name.endsWith(".lock") || !isA(claims.get(), name, S_IFREG))
                    continue;
                const FileDescriptor lock = NoFollow::lockFile(claims.get(), name);
                if (lock.valid())
                    NoFollow::unlinkIfSame(claims.get(), name, lock.get());
            }
            // Only an empty one goes: a live claim keeps its file there.
            ::unlinkat(top.get(), claimsFolder.constData(), AT_REMOVEDIR);
        }
        // What this or an earlier sweep moved aside, removed without holding anyone up.
        for (const QByteArray& name : NoFollow::entries(top.get())) {
            if (name.startsWith(sweptPrefix))
                NoFollow::removeTree(top.get(), name);
        }
    } catch (const std::exception&) {
        // A sweep that cannot finish leaves the rest for the next one.
    }
}

} // namespace hub
