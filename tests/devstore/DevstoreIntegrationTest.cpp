// The kit's real clients and engine against the real devstore, through the demo deployment.

#include "tests/devstore/DevstoreTest.h"

#include "kit/api/MoonbaseClient.h"
#include "kit/api/MoonbaseError.h"
#include "kit/codesign/NativeCodeSigning.h"
#include "kit/downloads/Downloader.h"
#include "kit/install/ArtifactKind.h"
#include "kit/install/BundleInstaller.h"
#include "kit/install/Extractor.h"
#include "kit/security/HostPolicy.h"
#include "kit/security/SignaturePolicy.h"

#include <QDir>
#include <QDirIterator>
#include <QJsonDocument>
#include <QJsonObject>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hub;
using hub::test::DevstoreProcess;
using hub::test::DevstoreTest;

namespace {

const QString demo = QStringLiteral("demo@tavren.test");
const QString password = QStringLiteral("demo-pass-1");

class Devstore : public DevstoreTest {
protected:
    static QStringList ids(const QList<ProductSummary>& products)
    {
        QStringList out;
        for (const auto& product : products)
            out << product.id;
        return out;
    }
};

TEST_F(Devstore, SignsInAndReadsTheStorefrontAndThreePagesOfOwnedProducts)
{
    auto moonbase = client();
    EXPECT_THROW(moonbase->signIn(demo, QStringLiteral("wrong")), MoonbaseError);
    const User user = moonbase->signIn(demo, password);
    EXPECT_EQ(user.name, QStringLiteral("Demo Customer"));

    const Storefront storefront = moonbase->storefront();
    EXPECT_EQ(storefront.suggestedCurrency, QStringLiteral("EUR"));
    EXPECT_EQ(storefront.products.size(), 25);
    ASSERT_EQ(storefront.bundles.size(), 1);
    EXPECT_EQ(storefront.bundles[0].products.size(), 3);

    EXPECT_EQ(ids(moonbase->ownedProducts()),
              QStringList({"tv-compressor", "tv-limiter", "tv-gate", "tv-equalizer", "tv-reverb", "tv-delay", "tv-bitcrusher",
                           "tv-lofi", "tv-notes", "tv-cleaner"}));
    EXPECT_EQ(moonbase->product(QStringLiteral("tv-reverb")).currentVersion, QStringLiteral("1.4.0"));
    EXPECT_THROW(moonbase->product(QStringLiteral("tv-nothing")), MoonbaseError);

    const auto output = store->output();
    EXPECT_TRUE(output.contains(QStringLiteral("GET store.devstore.test /api/customer/inventory/products 200")));
    EXPECT_TRUE(output.contains(QStringLiteral("GET store.devstore.test /api/customer/storefront 200")));
}

TEST_F(Devstore, DownloadsAndInstallsAZipProductIntoATemporaryHome)
{
    auto moonbase = client();
    moonbase->signIn(demo, password);
    const ProductSummary reverb = moonbase->product(QStringLiteral("tv-reverb"));
    ASSERT_TRUE(reverb.downloads && !reverb.downloads->isEmpty());
    const Download& download = reverb.downloads->first();

    QTemporaryDir box;
    const QString work = box.filePath(QStringLiteral("work"));
    QDir().mkpath(work);
    const QUrl location = moonbase->resolveDownload(download);
    EXPECT_TRUE(HostPolicy::tavren().allowsDownload(location));
    const Downloader downloader(HostPolicy::tavren(), PinnedTrust::tavren(), work);
    const QString file = downloader.download(location, std::nullopt, work + QStringLiteral("/artifact"), download.size,
                                             [](qint64, qint64) {});
    EXPECT_EQ(QFileInfo(file).size(), download.size);
    const auto kind = ArtifactKind::sniff(file);
    ASSERT_TRUE(kind);

    const Extraction extraction = Extractor().extract(file, *kind, work);
    ASSERT_EQ(extraction.bundles.size(), 2);
    const BundleInstaller installer(CodeVerifier(SignaturePolicy::tavren(), NativeCodeSigning::standard()),
                                    box.filePath(QStringLiteral("home")), box.filePath(QStringLiteral("Applications")));
    const QList<InstalledItem> items = installer.install(extraction.bundles);
    ASSERT_EQ(items.size(), 2);
    for (const InstalledItem& item : items) {
        EXPECT_TRUE(QFileInfo(item.path).isDir()) << item.path.toStdString();
        EXPECT_EQ(item.teamID, QStringLiteral("KD4N8RWT2C"));
        EXPECT_EQ(item.version, QStringLiteral("1.4.0"));
    }
    EXPECT_TRUE(QFileInfo::exists(box.filePath(QStringLiteral("home/Library/Audio/Plug-Ins/VST3/TV Reverb.vst3"))));
}

// Keys, certificates and fixtures are made once per state folder; a second start only reads them.
TEST(DevstoreState, ASecondStartReusesItsKeysAndFixtures)
{
    QTemporaryDir box;
    const QString state = box.filePath(QStringLiteral("state"));
    const auto snapshot = [&] {
        QFile deployment(state + QStringLiteral("/deployment.json"));
        EXPECT_TRUE(deployment.open(QIODevice::ReadOnly));
        QJsonObject values = QJsonDocument::fromJson(deployment.readAll()).object();
        values.remove(QStringLiteral("port"));
        QStringList fixtures;
        QDirIterator it(state + QStringLiteral("/fixtures"), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo file(it.next());
            fixtures << file.filePath() + u' ' + QString::number(file.lastModified().toMSecsSinceEpoch());
        }
        fixtures.sort();
        return std::pair{values, fixtures};
    };

    qint64 first = 0;
    qint64 second = 0;
    std::pair<QJsonObject, QStringList> before;
    {
        const DevstoreProcess store(state);
        first = store.startMilliseconds();
        before = snapshot();
    }
    {
        const DevstoreProcess store(state);
        second = store.startMilliseconds();
        const auto after = snapshot();
        EXPECT_EQ(after.first, before.first);
        EXPECT_EQ(after.second, before.second);
        EXPECT_GT(after.second.size(), 25);
    }
    RecordProperty("first_start_ms", int(first));
    RecordProperty("second_start_ms", int(second));
    std::printf("devstore start: first %lld ms, second %lld ms\n", static_cast<long long>(first), static_cast<long long>(second));
}

} // namespace
