#include "kit/api/StorefrontSnapshot.h"
#include "tests/testkit/FileCutter.h"
#include "tests/testkit/FilePermissions.h"
#include "tests/testkit/ForkedChild.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>

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

// Enough products to be read in several runs at once. Editions are of one length and differ in every product.
Storefront largeStorefront(int edition = 0)
{
    Storefront storefront = fullStorefront();
    const StorefrontProduct model = storefront.products.first();
    for (int i = 0; i < 300; ++i) {
        StorefrontProduct product = model;
        product.id = QStringLiteral("p-%1").arg(i);
        product.name = QStringLiteral("Échos %1.%2").arg(i).arg(edition, 6, 10, QLatin1Char('0'));
        product.defaultVariation->price = {{"EUR", double(i % 7 + edition)}};
        storefront.products.append(product);
    }
    return storefront;
}

// fullStorefront() as the first binary form held it, compressed.
QByteArray firstFormBytes()
{
    return qUncompress(QByteArray::fromBase64(
        "AAAGBXja7VJNS8NAEH1jrdIePEh/gCAIXlqMN/GQih8giNIPwWMjwRRrDK1Wq//Ju//Em/g3vOib3Q1JafDiQQ+dZXd2M7Mzb1/e"
        "Yfu8IwBKnAfoogVZgLXsk+66aGMfaUx9gi0s0bcQYsw5RICyOd9y3GAE0XATa4jQw4BDVvkhwh1HwvgOGhx95l7Ra70615gnWSlI"
        "fGCTwCWKaCu94HFuZ6gtgjqeWDcxOK+ZVrJBXxepFdTucd+nH3CNeWXEvV5My4V45LTlPChjy66hbT1mbpX+hE+PWTlipQlfvvv2"
        "+i4zhFrb9Gepfq69HH18rvsZ5dY2fKk4ri9xT66HBiiZKk91lfwf+i+gLBYPecv3P8YZLrKQMnvKqyE6RhxhqjcPX7SiKhoP3H9u"
        "GqlVDXqry4lB4aAtMrBHaIatn/QY5PQ4zetc+XPl/7nyf186zcY3nGK2EA=="));
}

} // namespace

TEST(StorefrontSnapshot, KeepsEveryField)
{
    for (const Storefront& storefront : {fullStorefront(), largeStorefront(), Storefront{}}) {
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
    const auto number = [](auto value) { return QByteArray(reinterpret_cast<const char*>(&value), sizeof value); };
    // After the magic and the version: the storefront's own block (its length, whether it is
    // Latin-1, its texts), then its first text, the suggested currency "EUR" (offset, length).
    qint64 units = 0;
    std::memcpy(&units, bytes.constData() + 8, sizeof units);
    const qsizetype currency = 17 + qsizetype(units);
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"a byte left over", bytes + '\0'},
        {"another magic", changed(0, "JSON")},
        {"another version", changed(4, number(quint32(3)))},
        {"a flag that is no Boolean", changed(16, "\x02")},
        {"a count past the end", changed(8, number(qint64(1) << 40))},
        {"a text past its block", changed(currency, number(qint32(units)))},
        {"a text that does not end where it says", changed(currency + 4, number(qint32(2)))},
        {"a text of negative length", changed(currency + 4, number(qint32(-2)))},
        {"JSON", QJsonDocument(fullStorefront().toJson()).toJson()},
    };
    ASSERT_EQ(StorefrontSnapshot::decode(bytes), fullStorefront());
    for (const auto& c : cases)
        EXPECT_EQ(StorefrontSnapshot::decode(c.bytes), std::nullopt) << c.name;
}

TEST(StorefrontSnapshot, ReadsTheFirstBinaryForm)
{
    EXPECT_EQ(StorefrontSnapshot::decode(firstFormBytes()), fullStorefront());
}

TEST(StorefrontSnapshot, TextsReadBackAreValuesOfTheirOwn)
{
    std::optional<Storefront> back = StorefrontSnapshot::decode(StorefrontSnapshot::encode(largeStorefront()));
    ASSERT_TRUE(back.has_value());
    for (const StorefrontProduct& product : back->products) {
        for (const QString& text : {product.id, product.name, product.tagline, product.description.value_or(QString()),
                 product.iconUrl.value_or(QString())})
            EXPECT_EQ(text.utf16()[text.size()], 0) << "ends in a 0 unit, as C callers expect";
    }
    // Texts of one record share their memory; changing one must leave the others as they were,
    // also once the storefront they came from is gone.
    QString name = back->products.at(0).name;
    QString tagline = back->products.at(0).tagline;
    name.append(QStringLiteral(" and more"));
    EXPECT_EQ(back->products.at(0).name, "Reverb");
    back.reset();
    tagline.prepend(QStringLiteral("Big ")).append(QStringLiteral(" and halls"));
    EXPECT_EQ(name, "Reverb and more");
    EXPECT_EQ(tagline, "Big Rooms and halls");
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

// Files the hub did not write are misses, loaded in a child with little address space: no hang, crash or
// allocation beyond the bytes. The first runs unlimited (a failed reservation passes unseen) and its peak is checked.
TEST(StorefrontSnapshot, HostileFilesAreMisses)
{
    const auto number = [](auto value) { return QByteArray(reinterpret_cast<const char*>(&value), sizeof value); };
    // The first form: no currency, no currencies, then as many products as there are bytes left.
    const qint64 left = 6 << 20;
    const QByteArray firstForm = number(quint32(0x54565346)) + number(quint32(1)) + number(qint32(-1)) + '\0' + number(left)
        + QByteArray(left, '\0');
    // The current form: an empty block, no currencies or price maps, then as many one-byte products as there are sizes.
    const qint64 records = 1'400'000;
    const QByteArray currentForm = number(quint32(0x54565346)) + number(quint32(2)) + number(qint64(0)) + '\0' + number(qint32(0))
        + number(qint32(-1)) + '\0' + number(qint64(0)) + number(records) + number(qint64(1)).repeated(records) + QByteArray(records, '\0');

    QTemporaryDir elsewhere;
    StorefrontSnapshot::save(SnapshotCache(elsewhere.path()), fullStorefront());
    const auto write = [](const QByteArray& bytes, qint64 size) {
        return [bytes, size](const QString& path) {
            QFile file(path);
            return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.resize(size);
        };
    };
    const auto link = [](const QString& target) { return [target](const QString& path) { return QFile::link(target, path); }; };
    const auto fifo = [](const QString& path) { return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0; };
    const QStringList bin{"storefront.bin"}, both{"storefront.bin", "storefront.json"};
    const struct {
        const char* name;
        std::function<bool(const QString&)> make;
        QStringList files;
        bool limited = true;
    } cases[] = {
        {"counts of the first form that claim millions of products", write(firstForm, firstForm.size()), bin, false},
        {"record sizes that claim more records than the bytes hold", write(currentForm, currentForm.size()), bin},
        {"a FIFO", fifo, both},
        {"a link to /dev/zero", link("/dev/zero"), both},
        {"a sparse file of 4 GiB", write({}, qint64(4) << 30), both},
        {"a link to a snapshot elsewhere", link(elsewhere.filePath("storefront.bin")), bin},
    };
    const qint64 headroom = qint64(384) << 20;
    for (const auto& c : cases)
        for (const QString& file : c.files) {
            QTemporaryDir folder;
            ASSERT_TRUE(c.make(folder.filePath(file))) << c.name;
            const SnapshotCache cache(folder.path());
            const auto load = [&] {
                const qint64 before = test::peakAddressSpace();
                return StorefrontSnapshot::load(cache) ? 1 : test::peakAddressSpace() - before < headroom ? 0 : 2;
            };
            EXPECT_EQ(test::runInChild(load, c.limited ? std::optional(headroom) : std::nullopt), 0) << c.name << " as " << file.toStdString();
        }
}

// Another process rewrites the snapshot in place with one edition after another while it is loaded: one whole
// edition or a miss, never parts of two.
TEST(StorefrontSnapshot, AFileRewrittenWhileLoadedIsOneWholeEditionOrAMiss)
{
    QTemporaryDir folder;
    const SnapshotCache cache(folder.path());
    QList<QByteArray> editions;
    for (int edition = 0; edition < 64; ++edition)
        editions << StorefrontSnapshot::encode(largeStorefront(edition));
    StorefrontSnapshot::save(cache, largeStorefront());
    const auto whole = [](const std::optional<Storefront>& loaded) {
        return loaded && loaded == largeStorefront(loaded->products.last().name.section(u'.', -1).toInt());
    };
    const auto load = [&] {
        const std::optional<Storefront> loaded = StorefrontSnapshot::load(cache);
        if (loaded && !whole(loaded))
            std::_Exit(2); // parts of two
    };
    EXPECT_EQ(test::readWhileRewritten(folder.filePath("storefront.bin"), editions, 200, load), 0);
    EXPECT_TRUE(whole(StorefrontSnapshot::load(cache)));
}
