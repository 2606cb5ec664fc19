#include "kit/install/WorkFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hub;

namespace {

const QDir::Filters everything = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;

QStringList entries(const QString& folder) { return QDir(folder).entryList(everything, QDir::Name); }

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

    // A planted claims folder is removed, not entered; a sweep leaves what the link points at.
    claim->release();
    QFile(elsewhere.filePath(QStringLiteral("kept"))).open(QIODevice::WriteOnly);
    QDir(work.root + QStringLiteral("/.claims")).removeRecursively();
    ASSERT_TRUE(QFile::link(elsewhere.path(), work.root + QStringLiteral("/.claims")));
    ASSERT_TRUE(QFile::link(elsewhere.path(), work.root + QStringLiteral("/linked")));
    work.sweep();
    EXPECT_EQ(entries(elsewhere.path()), QStringList({"kept"}));
    EXPECT_EQ(entries(work.root), QStringList());
    EXPECT_TRUE(work.claim(QStringLiteral("tv-reverb")));
    work.sweep();
    EXPECT_EQ(entries(work.root), QStringList());
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
    QFile(work.root + QStringLiteral("/.claims/gone.lock")).open(QIODevice::WriteOnly);
    work.sweep();
    EXPECT_EQ(entries(work.root), QStringList({".claims", "live"}));
    EXPECT_EQ(entries(work.root + QStringLiteral("/.claims")), QStringList({"live.lock"}));
    EXPECT_EQ(entries(live->folder), QStringList({"download-Ab34Cd"}));
}

} // namespace
