#include "kit/install/WorkFolder.h"

#include "kit/downloads/PartialFile.h"
#include "kit/support/AppDirectories.h"
#include "kit/support/FileDescriptor.h"
#include "kit/support/NoFollow.h"

#include <QFile>
#include <QList>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
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
// removes the empty claims folder. So a claim never meets a sweep half way.
class Gate {
public:
    Gate(int root, int mode) : root_(root)
    {
        while (::flock(root_, mode) != 0 && errno == EINTR) {
        }
    }
    ~Gate() { ::flock(root_, LOCK_UN); }
    Gate(const Gate&) = delete;
    Gate& operator=(const Gate&) = delete;

private:
    int root_;
};

bool isRealFolder(int folder, const QByteArray& name)
{
    struct stat status {};
    return ::fstatat(folder, name.constData(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(status.st_mode);
}

bool isPartialFile(int folder, const QByteArray& name)
{
    struct stat status {};
    return PartialFile::isPartialName(name) && ::fstatat(folder, name.constData(), &status, AT_SYMLINK_NOFOLLOW) == 0
        && S_ISREG(status.st_mode);
}

// Run folders are named by sanitised keys, which never start with a dot.
bool isRunName(const QByteArray& name) { return !name.isEmpty() && !name.startsWith('.'); }

// With the gate held: when no live run holds the run folder `name`, it is renamed to a
// ".swept-" name of its own and its lock file goes. The new name, or nothing.
QByteArray moveAside(int root, int claims, const QByteArray& name)
{
    if (!isRealFolder(root, name))
        return {};
    const FileDescriptor lock(NoFollow::lockFile(claims, lockName(name)));
    if (lock.get() < 0)
        return {};
    QByteArray aside;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const QByteArray candidate = sweptPrefix + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        if (::renameat2(root, name.constData(), root, candidate.constData(), RENAME_NOREPLACE) == 0) {
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

WorkFolder::Claim::Claim(QString folder, int claims, QByteArray lockName, int descriptor)
    : folder(std::move(folder)), claims_(claims), lockName_(std::move(lockName)), descriptor_(descriptor)
{
}

WorkFolder::Claim::Claim(Claim&& other) noexcept
    : folder(other.folder), claims_(std::exchange(other.claims_, -1)), lockName_(std::move(other.lockName_)),
      descriptor_(std::exchange(other.descriptor_, -1))
{
}

WorkFolder::Claim::~Claim() { release(); }

void WorkFolder::Claim::release()
{
    if (descriptor_ < 0)
        return;
    // Deleted while held, so the next claimant opens a new file or finds this one gone;
    // only this claim's own file, should another stand under its name by now.
    NoFollow::unlinkIfSame(claims_, lockName_, descriptor_);
    ::close(descriptor_);
    ::close(claims_);
    descriptor_ = claims_ = -1;
}

WorkFolder::WorkFolder(QString root) : root(std::move(root)) {}

std::optional<WorkFolder::Claim> WorkFolder::claim(const QString& name, const QString& keep) const
{
    AppDirectories::owned(root);
    const FileDescriptor top(NoFollow::openOwnedFolder(root));
    const QByteArray run = encoded(name);
    std::optional<Claim> held;
    {
        const Gate gate(top.get(), LOCK_SH);
        FileDescriptor claims(NoFollow::makeFolder(top.get(), claimsFolder));
        const int lock = NoFollow::lockFile(claims.get(), lockName(run));
        if (lock < 0) {
            if (errno == EWOULDBLOCK)
                return std::nullopt;
            throw std::system_error(errno, std::generic_category(), "cannot lock " + (root + u'/' + name).toStdString());
        }
        held.emplace(Claim(root + u'/' + name, claims.release(), lockName(run), lock));
    }
    // A folder found again holds what an earlier run or another program left: all goes
    // but the partial download the run goes on with.
    const FileDescriptor folder(NoFollow::makeFolder(top.get(), run));
    const QByteArray kept = encoded(keep);
    for (const QByteArray& entry : NoFollow::entries(folder.get())) {
        struct stat status {};
        const bool isKept = !kept.isEmpty() && entry == kept
            && ::fstatat(folder.get(), entry.constData(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(status.st_mode);
        if (!isKept)
            NoFollow::removeTree(folder.get(), entry);
    }
    return held;
}

void WorkFolder::discard(const QString& name) const
{
    try {
        const FileDescriptor top(NoFollow::openOwnedFolder(root));
        QByteArray aside;
        {
            const Gate gate(top.get(), LOCK_EX);
            const FileDescriptor claims(NoFollow::makeFolder(top.get(), claimsFolder));
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
        const FileDescriptor top(NoFollow::openOwnedFolder(root));
        {
            const Gate gate(top.get(), LOCK_EX);
            const FileDescriptor claims(NoFollow::makeFolder(top.get(), claimsFolder));
            for (const QByteArray& name : NoFollow::entries(top.get())) {
                if (isPartialFile(top.get(), name))
                    ::unlinkat(top.get(), name.constData(), 0); // a downloader's, left in the root
                else if (isRunName(name))
                    moveAside(top.get(), claims.get(), name);
            }
            // Lock files whose run folder is gone; taking one and letting go deletes it.
            for (const QByteArray& name : NoFollow::entries(claims.get())) {
                struct stat status {};
                if (!isRunName(name) || !name.endsWith(".lock")
                    || ::fstatat(claims.get(), name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(status.st_mode))
                    continue;
                const FileDescriptor lock(NoFollow::lockFile(claims.get(), name));
                if (lock.get() >= 0)
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
