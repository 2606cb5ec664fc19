#include "kit/install/WorkFolder.h"
#include "kit/support/FileDescriptor.h"
#include "kit/support/InstallError.h"
#include "tests/testkit/FilePermissions.h"
#include "tests/testkit/ForkedChild.h"
#include "tests/testkit/ThisTestProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <iostream>
#include <string>
#include <sys/file.h>
#include <sys/syscall.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace hub;

namespace {

// Set while a test plays a file system without no-replace renames (NFS, most FUSE ones).
std::atomic<bool> noReplaceRefused = false;
// Set while a test plays a claim slow to lock the files it makes in this folder (the process put aside
// between making a file and locking it, as on a busy machine).
std::atomic<const QByteArray*> slowToLockIn = nullptr;
// Set while a test plays a claim that comes to wait for this root just as a sweep tries to take it; the
// waiter's marker, held until the test lets go of it.
std::atomic<const QByteArray*> waiterComesTo = nullptr;
FileDescriptor waiterMarker;

QByteArray pathOf(int fd)
{
    char path[PATH_MAX];
    const ssize_t length = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path);
    return length > 0 ? QByteArray(path, length) : QByteArray();
}

} // namespace

extern "C" int flock(int fd, int operation) noexcept
{
    if (const QByteArray* folder = slowToLockIn.load()) {
        const QByteArray name = pathOf(fd);
        if (name.startsWith(*folder + '/') && !name.sliced(folder->size() + 1).contains('/'))
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (const QByteArray* root = waiterComesTo.load(); root && operation == (LOCK_EX | LOCK_NB) && pathOf(fd) == *root) {
        waiterComesTo = nullptr;
        waiterMarker = FileDescriptor(::open((*root + "/.waiting-late").constData(), O_CREAT | O_RDWR | O_CLOEXEC, 0600));
        ::syscall(SYS_flock, waiterMarker.get(), LOCK_EX);
    }
    return int(::syscall(SYS_flock, fd, operation));
}

extern "C" int renameat2(int fromFolder, const char* from, int toFolder, const char* to, unsigned int flags) noexcept
{
    if (noReplaceRefused && (flags & RENAME_NOREPLACE) != 0) {
        errno = EINVAL;
        return -1;
    }
    return int(::syscall(SYS_renameat2, fromFolder, from, toFolder, to, flags));
}

namespace {

const QDir::Filters everything = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;

QStringList entries(const QString& folder) { return QDir(folder).entryList(everything, QDir::Name); }

const char* childRoot = "HUB_WORK_FOLDER_TEST_ROOT";

TEST(WorkFolder, ClaimsExcludeEachOtherAndLeaveNoLockFileBehind)
{
    QTemporaryDir box;
    const WorkFolder work(box.filePath(QStringLiteral("work")));
    std::optional<WorkFolder::Claim> first = work.claim(QStringLiteral("a"));
    ASSERT_TRUE(first);
    EXPECT_TRUE(QFileInfo(first->folder).isDir());
    EXPECT_FALSE(work.claim(QStringLiteral("a")));
    // A key whose name ends like a lock file has a folder of its own.
    EXPECT_TRUE(work.claim(QStringLiteral("a.lock")));
    first->release();
    EXPECT_EQ(entries(work.root + QStringLiteral("/.claims")), QStringList());
    EXPECT_TRUE(work.claim(QStringLiteral("a")));
}

TEST(WorkFolder, NeverWritesThroughALink)
{
    QTemporaryDir box, elsewhere;
    const WorkFolder work(box.filePath(QStringLiteral("work")));
    QDir().mkpath(work.root + QStringLiteral("/.claims"));
    // Planted links where the run's folder and its lock file would be.
    ASSERT_TRUE(QFile::link(elsewhere.path(), work.root + QStringLiteral("/tv-reverb")));
    ASSERT_TRUE(QFile::link(elsewhere.filePath(QStringLiteral("planted.lock")), work.root + QStringLiteral("/.claims/tv-reverb.lock")));
    std::optional<WorkFolder::Claim> claim = work.claim(QStringLiteral("tv-reverb"));
    ASSERT_TRUE(claim);
    EXPECT_FALSE(QFileInfo(claim->folder).isSymLink());
    EXPECT_TRUE(QFileInfo(claim->folder).isDir());
    EXPECT_FALSE(QFileInfo(work.root + QStringLiteral("/.claims/tv-reverb.lock")).isSymLink());
    EXPECT_EQ(entries(elsewhere.path()), QStringList());

    // A planted claims folder is removed, not entered; a link in the root stays, and so does what it points at.
    claim->release();
    QFile(elsewhere.filePath(QStringLiteral("kept"))).open(QIODevice::WriteOnly);
    QDir(work.root + QStringLiteral("/.claims")).removeRecursively();
    ASSERT_TRUE(QFile::link(elsewhere.path(), work.root + QStringLiteral("/.claims")));
    ASSERT_TRUE(QFile::link(elsewhere.path(), work.root + QStringLiteral("/linked")));
    work.sweep();
    EXPECT_EQ(entries(elsewhere.path()), QStringList({"kept"}));
    EXPECT_EQ(entries(work.root), QStringList({"linked"}));
    EXPECT_TRUE(work.claim(QStringLiteral("tv-reverb")));
    work.sweep();
    EXPECT_EQ(entries(work.root), QStringList({"linked"}));
    EXPECT_EQ(entries(elsewhere.path()), QStringList({"kept"}));
}

TEST(WorkFolder, DiscardAndSweepSpareOnlyLiveRuns)
{
    QTemporaryDir box;
    const WorkFolder work(box.filePath(QStringLiteral("work")));
    std::optional<WorkFolder::Claim> live = work.claim(QStringLiteral("live"));
    ASSERT_TRUE(live);
    ASSERT_TRUE(work.claim(QStringLiteral("paused")));
    QFile(work.root + QStringLiteral("/paused/download-Xy12Zw")).open(QIODevice::WriteOnly);
    QFile(work.root + QStringLiteral("/live/download-Ab34Cd")).open(QIODevice::WriteOnly);
    work.discard(QStringLiteral("live"));
    work.discard(QStringLiteral("paused"));
    EXPECT_EQ(entries(work.root), QStringList({".claims", "live"}));

    ASSERT_TRUE(work.claim(QStringLiteral("crashed")));
    QFile(work.root + QStringLiteral("/download-Ef56Gh")).open(QIODevice::WriteOnly);
    QFile(work.root + QStringLiteral("/notes.txt")).open(QIODevice::WriteOnly); // not a name the hub gives
    QFile(work.root + QStringLiteral("/.claims/gone.lock")).open(QIODevice::WriteOnly);
    work.sweep();
    EXPECT_EQ(entries(work.root), QStringList({".claims", "live", "notes.txt"}));
    EXPECT_EQ(entries(work.root + QStringLiteral("/.claims")), QStringList({"live.lock"}));
    EXPECT_EQ(entries(live->folder), QStringList({"download-Ab34Cd"}));
}

TEST(WorkFolder, ARootThatIsALinkOrAnotherUsersIsNeitherUsedNorSwept)
{
    QTemporaryDir box;
    const QString documents = box.filePath(QStringLiteral("documents")), linked = box.filePath(QStringLiteral("linked-work"));
    ASSERT_TRUE(QDir().mkpath(documents + QStringLiteral("/Photos")) && QFile::link(documents, linked));
    QFile(documents + QStringLiteral("/Photos/cat.jpg")).open(QIODevice::WriteOnly);
    for (const QString& root : {linked, documents}) {
        SCOPED_TRACE(root.toStdString());
        ASSERT_EQ(::chmod(QFile::encodeName(documents).constData(), 0755), 0);
        if (root == documents && (::geteuid() != 0 || ::chown(QFile::encodeName(documents).constData(), 65534, 65534) != 0))
            continue; // only root can give the folder away
        const WorkFolder work(root);
        EXPECT_THROW(work.claim(QStringLiteral("tv-reverb")), std::system_error);
        work.sweep();
        work.discard(QStringLiteral("Photos"));
        EXPECT_EQ(entries(documents), QStringList({"Photos"}));
        EXPECT_EQ(entries(documents + QStringLiteral("/Photos")), QStringList({"cat.jpg"}));
        EXPECT_EQ(hub::test::permissionsOf(documents), 0755u);
    }
}

TEST(WorkFolderChild, SweepsUntilStopped)
{
    if (!qEnvironmentVariableIsSet(childRoot))
        GTEST_SKIP() << "runs as a second process";
    const WorkFolder work(qEnvironmentVariable(childRoot));
    work.sweep();
    std::cout << "sweeping" << std::endl;
    // Sweeps again at once, from several threads: the root is hardly ever free.
    std::vector<std::jthread> sweepers;
    for (int thread = 0; thread < 4; ++thread)
        sweepers.emplace_back([&work] {
            while (!QFileInfo::exists(work.root + QStringLiteral(".stop")))
                work.sweep();
        });
    sweepers.clear();
    std::exit(0);
}

TEST(WorkFolder, ASweepInAnotherProcessNeitherTakesALiveRunNorFailsAClaim)
{
    QTemporaryDir box;
    const WorkFolder work(box.filePath(QStringLiteral("work")));
    // Live runs that every sweep looks at while it holds the root.
    std::vector<WorkFolder::Claim> live;
    for (int run = 0; run < 256; ++run)
        live.push_back(*work.claim(QStringLiteral("first-%1").arg(run)));
    const auto sweeper = hub::test::startThisTest(QStringLiteral("WorkFolderChild.SweepsUntilStopped"),
                                                  {{QString::fromLatin1(childRoot), work.root}});
    QByteArray line; // the child's own line comes after the test framework's
    while (line != "sweeping" && (sweeper->canReadLine() || sweeper->waitForReadyRead(60'000)))
        line = sweeper->canReadLine() ? sweeper->readLine().trimmed() : QByteArray();
    ASSERT_EQ(line, "sweeping");

    // A claim that has to wait is slow to lock its marker: the sweeps must not take it for one left behind.
    const QByteArray folder = QFile::encodeName(QFileInfo(work.root).canonicalFilePath());
    slowToLockIn = &folder;
    QStringList faults;
    for (int round = 0; round < 100 && faults.isEmpty(); ++round) {
        try {
            const std::optional<WorkFolder::Claim> run = work.claim(QStringLiteral("live"));
            const QString partial = run ? run->folder + QStringLiteral("/partial") : QString();
            QFile(partial).open(QIODevice::WriteOnly);
            work.claim(QStringLiteral("left-%1").arg(round % 8)); // a leftover for the sweeper
            if (!run || work.claim(QStringLiteral("live")) || !QFileInfo::exists(partial))
                faults << QStringLiteral("round %1: a claim refused or a live run taken").arg(round);
        } catch (const std::exception& error) {
            faults << QString::fromLocal8Bit(error.what());
        }
    }
    slowToLockIn = nullptr;
    QFile(work.root + QStringLiteral(".stop")).open(QIODevice::WriteOnly);
    ASSERT_TRUE(sweeper->waitForFinished(60'000));
    EXPECT_EQ(faults, QStringList());
}

// A claim that comes to wait only once a sweep has looked for waiters still goes first: the sweep lets go of the root.
TEST(WorkFolder, ASweepThatFindsAWaiterOnceItHoldsTheRootLeavesAllForTheNext)
{
    QTemporaryDir box;
    const WorkFolder work(box.filePath(QStringLiteral("work")));
    ASSERT_TRUE(work.claim(QStringLiteral("left")));
    const QByteArray root = QFile::encodeName(QFileInfo(work.root).canonicalFilePath());
    waiterComesTo = &root;
    work.sweep();
    EXPECT_EQ(entries(work.root), QStringList({".claims", ".waiting-late", "left"}));
    waiterMarker = FileDescriptor(); // the waiter has gone
    work.sweep();
    EXPECT_EQ(entries(work.root), QStringList());
}

// Another process holding the root's lock stalls neither a sweep nor a claim for ever.
TEST(WorkFolder, ARootLockedElsewhereStallsNoSweepAndNoClaimForEver)
{
    QTemporaryDir box;
    const WorkFolder work(box.filePath(QStringLiteral("work")), std::chrono::milliseconds(50));
    ASSERT_TRUE(work.claim(QStringLiteral("left"))); // what a crashed run left
    for (const int mode : {LOCK_SH, LOCK_EX}) {
        SCOPED_TRACE(mode == LOCK_SH ? "shared" : "exclusive");
        const FileDescriptor root(::open(QFile::encodeName(work.root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        ASSERT_EQ(::flock(root.get(), mode), 0);
        const int status = test::runInChild([&work, mode] {
            ::alarm(20); // today's wait, cut short
            work.sweep();
            const QStringList before = entries(work.root);
            if (before.contains(QStringLiteral("left")) == false)
                return 1; // swept while a claim was being made
            try {
                const bool claimed = work.claim(QStringLiteral("new")).has_value();
                return mode == LOCK_SH && claimed ? 0 : 2;
            } catch (const InstallError& error) {
                const bool clear = error == InstallError::workFolderBusy(work.root) && entries(work.root) == before; // nothing left of the wait
                return mode == LOCK_EX && clear ? 0 : 3;
            }
        });
        EXPECT_EQ(status, 0);
    }
    work.sweep();
    EXPECT_EQ(entries(work.root), QStringList());
}

// A file system without no-replace renames still has its leftovers removed.
TEST(WorkFolder, LeftoversGoWhereNoReplaceRenamesAreRefused)
{
    QTemporaryDir box;
    const WorkFolder work(box.filePath(QStringLiteral("work")));
    ASSERT_TRUE(work.claim(QStringLiteral("paused")) && work.claim(QStringLiteral("crashed")));
    QFile(work.root + QStringLiteral("/paused/download-Xy12Zw")).open(QIODevice::WriteOnly);
    noReplaceRefused = true;
    work.discard(QStringLiteral("paused"));
    const QStringList discarded = entries(work.root);
    work.sweep();
    noReplaceRefused = false;
    EXPECT_EQ(discarded, QStringList({".claims", "crashed"}));
    EXPECT_EQ(entries(work.root), QStringList());
}

// A lock file that cannot be opened now is no live run: the claim fails, it is not "already being processed".
TEST(WorkFolder, ALockFileThatCannotBeSettledFailsTheClaim)
{
    QTemporaryDir box;
    const WorkFolder work(box.filePath(QStringLiteral("work")));
    ASSERT_TRUE(work.claim(QStringLiteral("tv-reverb")));
    const QString lockFile = work.root + QStringLiteral("/.claims/tv-reverb.lock");
    ASSERT_TRUE(QFile(lockFile).open(QIODevice::WriteOnly));
    // Another program's lease refuses every open for writing; its holder's signal of each try is ignored.
    const FileDescriptor leased(::open(QFile::encodeName(lockFile).constData(), O_RDONLY | O_CLOEXEC));
    const auto told = std::signal(SIGIO, SIG_IGN);
    ASSERT_EQ(::fcntl(leased.get(), F_SETLEASE, F_RDLCK), 0);
    EXPECT_THROW(work.claim(QStringLiteral("tv-reverb")), std::system_error);
    ASSERT_EQ(::fcntl(leased.get(), F_SETLEASE, F_UNLCK), 0);
    std::signal(SIGIO, told);
    EXPECT_TRUE(work.claim(QStringLiteral("tv-reverb")));
}

} // namespace
