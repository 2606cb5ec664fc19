#include "kit/api/StorefrontSnapshot.h"
#include "tests/testkit/FilePermissions.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hub;

namespace {

// Every field set, texts null, empty and outside the BMP, so a field the form drops shows.
Storefront fullStorefront()
{
    const PricingVariation monthly{"v1", QString::fromUtf8("Monthly \U0001F3B9"), {{"EUR", 12.5}}, {{"EUR", 9.99}, {"USD", 11}}, true,
                                   {"Recurring", "Month"}};
    const PricingVariation once{"v2", "", {}, {{"JPY", 0}}, false, {"OneTime", std::nullopt}};
    StorefrontProduct full{"p1", "Reverb", "Rooms", "A hall", "https://img/p1.png", "https://web/p1", true, "1.2.3",
                           QList<Download>{{"R.zip", "k1", Platform::mac, 1 << 30, "https://api/links/k1"},
                                           {"R.exe", "k2", Platform::windows, 7, std::nullopt}},
                           monthly, QList<PricingVariation>{monthly, once}};
    StorefrontProduct bare{"p2", QString(), "", std::nullopt, std::nullopt, std::nullopt, false, std::nullopt, std::nullopt,
                           std::nullopt, std::nullopt};
    StorefrontBundle bundle{"b1", "All", "Everything", "Both", "https://img/b1.png", false, true, {full, bare}, once, QList<PricingVariation>{}};
    return {"EUR", QStringList{"EUR", "USD"}, {full, bare}, {bundle}};
}

} // namespace

TEST(StorefrontSnapshot, KeepsEveryField)
{
    for (const Storefront& storefront : {fullStorefront(), Storefront{}}) {
        const std::optional<Storefront> back = StorefrontSnapshot::decode(StorefrontSnapshot::encode(storefront));
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(*back, storefront);
        EXPECT_EQ(back->products.value(1).name.isNull(), storefront.products.value(1).name.isNull());
    }
}

TEST(StorefrontSnapshot, RefusesBytesItDidNotWrite)
{
    const QByteArray bytes = StorefrontSnapshot::encode(fullStorefront());
    // Cut anywhere: never a crash, never a partial storefront.
    for (qsizetype length = 0; length < bytes.size(); ++length)
        ASSERT_EQ(StorefrontSnapshot::decode(bytes.left(length)), std::nullopt) << length;

    const auto changed = [&](qsizetype at, QByteArray with) { return QByteArray(bytes).replace(at, with.size(), with); };
    const qint64 huge = qint64(1) << 40;
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"a byte left over", bytes + '\0'},
        {"another magic", changed(0, "JSON")},
        {"another version", changed(4, QByteArray("\x02\0\0\0", 4))},
        // After the magic, the version and the suggested currency ("EUR"): the enabled currencies' flag.
        {"a flag that is no Boolean", changed(18, "\x02")},
        {"a count past the end", changed(19, QByteArray(reinterpret_cast<const char*>(&huge), sizeof huge))},
        {"JSON", QJsonDocument(fullStorefront().toJson()).toJson()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StorefrontSnapshot::decode(c.bytes), std::nullopt) << c.name;
}

TEST(StorefrontSnapshot, ReadsTheBinaryFormElseTheJsonOfEarlierVersions)
{
    QTemporaryDir folder;
    const SnapshotCache cache(folder.path());
    EXPECT_EQ(StorefrontSnapshot::load(cache), std::nullopt);

    Storefront earlier = fullStorefront();
    earlier.suggestedCurrency = "USD";
    cache.save(QJsonDocument(earlier.toJson()), "storefront");
    EXPECT_EQ(StorefrontSnapshot::load(cache), earlier);

    const Storefront current = fullStorefront();
    StorefrontSnapshot::save(cache, current);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"storefront.bin"}) << "the JSON one is dropped";
    EXPECT_EQ(test::permissionsOf(folder.filePath("storefront.bin")), 0600u);
    EXPECT_EQ(StorefrontSnapshot::load(cache), current);

    // A damaged binary form falls back to a JSON one, if any.
    QFile file(folder.filePath("storefront.bin"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("TVSF");
    file.close();
    EXPECT_EQ(StorefrontSnapshot::load(cache), std::nullopt);
    cache.save(QJsonDocument(earlier.toJson()), "storefront");
    EXPECT_EQ(StorefrontSnapshot::load(cache), earlier);
}
