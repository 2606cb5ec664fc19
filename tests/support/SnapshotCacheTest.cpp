#include "kit/support/AppDirectories.h"
#include "kit/support/SnapshotCache.h"
#include "tests/testkit/FileCutter.h"
#include "tests/testkit/FilePermissions.h"
#include "tests/testkit/ForkedChild.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using hub::SnapshotCache;

namespace {

struct Shelf {
    QString title;
    static Shelf fromJson(const QJsonDocument& document)
    {
        if (!document.object().value(u"title").isString())
            throw std::runtime_error("no title");
        return {document.object().value(u"title").toString()};
    }
};

} // namespace

TEST(SnapshotCache, SaveAndLoadRoundTrip)
{
    QTemporaryDir folder;
    const SnapshotCache cache(folder.path());
    const QJsonDocument storefront(QJsonObject{{QStringLiteral("products"), QJsonArray{1, 2}}, {QStringLiteral("title"), QStringLiteral("Shop")}});
    cache.save(storefront, QStringLiteral("storefront"));
    EXPECT_EQ(cache.load(QStringLiteral("storefront")), storefront);
    EXPECT_EQ(cache.load(QStringLiteral("storefront"), Shelf::fromJson)->title, QStringLiteral("Shop"));
    EXPECT_EQ(hub::test::permissionsOf(folder.filePath(QStringLiteral("storefront.json"))), 0600u);

    cache.save(QJsonDocument(QJsonObject{{QStringLiteral("title"), QStringLiteral("New")}}), QStringLiteral("storefront"));
    EXPECT_EQ(cache.load(QStringLiteral("storefront"), Shelf::fromJson)->title, QStringLiteral("New"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("storefront.json")}); // no temporary left

    // A key as long as a safe file name may be (240 UTF-8 bytes) still saves.
    const QString longKey(120, QChar(0x00e9));
    cache.save(storefront, longKey);
    EXPECT_EQ(cache.load(longKey), storefront);
    cache.remove(longKey);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("storefront.json")});

    cache.save(QJsonDocument(QJsonArray{}), QString());
    EXPECT_TRUE(QFile::exists(folder.filePath(QStringLiteral("download.json"))));
    cache.remove(QStringLiteral("storefront"));
    cache.remove(QStringLiteral("storefront"));
    EXPECT_EQ(cache.load(QStringLiteral("storefront")), std::nullopt);
}

TEST(SnapshotCache, CorruptOrUnreadableFilesAreMisses)
{
    QTemporaryDir folder;
    const SnapshotCache cache(folder.path());
    EXPECT_EQ(cache.load(QStringLiteral("extras")), std::nullopt);

    QFile file(folder.filePath(QStringLiteral("extras.json")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"title": "cut o)");
    file.close();
    EXPECT_EQ(cache.load(QStringLiteral("extras")), std::nullopt);

    cache.save(QJsonDocument(QJsonObject{{QStringLiteral("other"), 1}}), QStringLiteral("extras"));
    EXPECT_NE(cache.load(QStringLiteral("extras")), std::nullopt);
    EXPECT_EQ(cache.load(QStringLiteral("extras"), Shelf::fromJson), std::nullopt); // another shape

    ASSERT_TRUE(QFile::remove(file.fileName()));
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("extras.json"))); // exists but cannot be read as a file
    EXPECT_EQ(cache.load(QStringLiteral("extras")), std::nullopt);
    EXPECT_THROW(cache.save(QJsonDocument(QJsonObject{}), QStringLiteral("extras")), std::system_error);
}

// Another process cutting the file short and writing it back while it is read: never a fault.
TEST(SnapshotCache, AFileCutShortWhileReadNeverFaults)
{
    QTemporaryDir folder;
    const SnapshotCache cache(folder.path());
    const QByteArray bytes(1 << 20, 'x');
    cache.saveBytes(bytes, QStringLiteral("storefront"), u"bin");
    {
        const hub::test::FileCutter cutter(cache.fileFor(QStringLiteral("storefront"), u"bin"), bytes, bytes.size() / 2);
        ASSERT_TRUE(cutter.running());
        EXPECT_EQ(hub::test::runInChild([&] {
                      for (int i = 0; i < 100; ++i)
                          cache.readBytes(QStringLiteral("storefront"), u"bin");
                      return 0;
                  }),
                  0);
    }
    EXPECT_EQ(cache.readBytes(QStringLiteral("storefront"), u"bin"), bytes);
}

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
