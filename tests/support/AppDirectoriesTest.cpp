#include "kit/support/AppDirectories.h"
#include "kit/support/SnapshotCache.h"
#include "tests/testkit/FilePermissions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <system_error>
#include <unistd.h>

using hub::SnapshotCache;

TEST(AppDirectories, FoldersAreOwnerOnly)
{
    QTemporaryDir folder;
    const QString deep = folder.filePath(QStringLiteral("a/b/c"));
    EXPECT_EQ(hub::AppDirectories::owned(deep), deep);
    EXPECT_EQ(hub::test::permissionsOf(folder.filePath(QStringLiteral("a"))), 0700u);
    EXPECT_EQ(hub::test::permissionsOf(deep), 0700u);

    ASSERT_EQ(::chmod(QFile::encodeName(deep).constData(), 0755), 0);
    hub::AppDirectories::owned(deep);
    EXPECT_EQ(hub::test::permissionsOf(deep), 0700u);

    QFile plain(folder.filePath(QStringLiteral("file")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    EXPECT_THROW(hub::AppDirectories::owned(plain.fileName()), std::system_error);
    EXPECT_THROW(hub::AppDirectories::owned(plain.fileName() + QStringLiteral("/below")), std::system_error);

    // The folders of this machine, under the test's own XDG folders.
    qputenv("XDG_DATA_HOME", folder.filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CACHE_HOME", folder.filePath(QStringLiteral("cache")).toUtf8());
    EXPECT_EQ(hub::AppDirectories::support(), folder.filePath(QStringLiteral("data/Tavren Hub")));
    EXPECT_EQ(hub::AppDirectories::work(), folder.filePath(QStringLiteral("cache/com.tavren.hub/work")));
    EXPECT_EQ(hub::test::permissionsOf(folder.filePath(QStringLiteral("cache/com.tavren.hub"))), 0700u);
    const auto standard = SnapshotCache::standard();
    ASSERT_TRUE(standard.has_value());
    EXPECT_EQ(standard->directory, folder.filePath(QStringLiteral("cache/com.tavren.hub/snapshots")));
}

// A folder of the user's own files, put by another program where the hub keeps its cache.
TEST(AppDirectories, AFolderThatIsALinkOrAnotherUsersIsRefusedAndLeftAsItIs)
{
    const struct {
        const char* at;
        const char* linkTo; // below the user's folder; null: the user's folder is there, another user's
    } cases[] = {{"/com.tavren.hub/work", ""}, {"/com.tavren.hub", ""}, {"/com.tavren.hub/work", "/missing"}, {"/com.tavren.hub/work", nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.at) + (c.linkTo ? " -> documents" + std::string(c.linkTo) : " of another user"));
        if (!c.linkTo && ::geteuid() != 0)
            continue; // only root can give a folder away
        QTemporaryDir box;
        const QString at = box.filePath(QStringLiteral("cache")) + c.at;
        const QString documents = c.linkTo ? box.filePath(QStringLiteral("documents")) : at;
        ASSERT_TRUE(QDir().mkpath(documents) && QDir().mkpath(QFileInfo(at).path()));
        QFile(documents + QStringLiteral("/letter.txt")).open(QIODevice::WriteOnly);
        ASSERT_EQ(::chmod(QFile::encodeName(documents).constData(), 0755), 0);
        ASSERT_TRUE(c.linkTo ? QFile::link(documents + c.linkTo, at) : ::chown(QFile::encodeName(at).constData(), 65534, 65534) == 0);
        qputenv("XDG_CACHE_HOME", box.filePath(QStringLiteral("cache")).toLocal8Bit());
        EXPECT_THROW(hub::AppDirectories::work(), std::system_error);
        EXPECT_EQ(hub::test::permissionsOf(documents), 0755u);
        EXPECT_EQ(QDir(documents).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"letter.txt"});
    }
}

// Unlike the cache, the support folder holds the ledger: one the user moved behind a link stays in use.
TEST(AppDirectories, ASupportFolderTheUserMovedBehindALinkStaysInUse)
{
    QTemporaryDir box;
    ASSERT_TRUE(QDir().mkpath(box.filePath(QStringLiteral("data"))) && QDir().mkpath(box.filePath(QStringLiteral("moved"))));
    ASSERT_TRUE(QFile::link(box.filePath(QStringLiteral("moved")), box.filePath(QStringLiteral("data/Tavren Hub"))));
    qputenv("XDG_DATA_HOME", box.filePath(QStringLiteral("data")).toLocal8Bit());
    EXPECT_EQ(hub::AppDirectories::support(), box.filePath(QStringLiteral("data/Tavren Hub")));
}
