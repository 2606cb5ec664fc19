#include "kit/support/SnapshotCache.h"
#include "tests/testkit/FilePermissions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
