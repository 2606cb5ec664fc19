#include "kit/codesign/NativeCodeSigning.h"
#include "kit/install/UpdateRunner.h"
#include "tests/testkit/InstallHarness.h"
#include "tests/testkit/SigningIdentity.h"
#include "tests/testkit/TestSigner.h"
#include "tests/testkit/ZipBuilder.h"

#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hub;
using hub::test::BundleSpec;
using hub::test::InstallHarness;

namespace {

class UpdateRunnerTest : public ::testing::Test {
protected:
    UpdateRunnerTest() : harness(std::make_shared<NativeCodeSigning>(test::anchors())) {}

    // A zip holding the signed plug-in `name` at `version`.
    static QByteArray plugInZip(const QString& name, const QString& version)
    {
        QTemporaryDir scratch;
        BundleSpec spec = BundleSpec::plugIn(name);
        spec.version = version;
        const QString bundle = test::TestSigner::build(spec, scratch.path(), test::SigningIdentity::developerId());
        const QString zip = scratch.filePath(QStringLiteral("p.zip"));
        test::ZipBuilder(zip).add(InstallHarness::entriesOf(bundle, spec.fileName().toUtf8())).finish();
        QFile file(zip);
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }

    void installed(const QString& id, const QString& name, const QString& version, const QString& key = QStringLiteral("mac"))
    {
        harness.ledger->save(InstallRecord{id, name, version, key, QDateTime::currentDateTimeUtc().addSecs(-60), {}, {}});
    }

    void offer(const QByteArray& encodedId, const ProductSummary& summary)
    {
        harness.offer(encodedId, QJsonDocument(summary.toJson()).toJson());
    }

    static ProductSummary summary(const QString& id, const QString& name, std::optional<QString> current,
                                  std::optional<QString> version, QList<Download> downloads)
    {
        ProductSummary product;
        product.id = id;
        product.name = name;
        product.currentVersion = std::move(current);
        product.version = std::move(version);
        product.downloads = std::move(downloads);
        return product;
    }

    UpdateRunner runner() const { return UpdateRunner(harness.client, harness.ledger, harness.pipeline()); }

    InstallHarness harness;
};

} // namespace

TEST_F(UpdateRunnerTest, EmptyLedgerAsksNothing)
{
    EXPECT_EQ(runner().run(), UpdateRunner::Outcome{});
    EXPECT_TRUE(harness.store->requests().isEmpty());
}

TEST_F(UpdateRunnerTest, InstallsOnlyNewerOffersAndGoesOnPastFailures)
{
    const Download windows{QStringLiteral("W.exe"), QStringLiteral("win"), Platform::windows, 10, QStringLiteral("https://api.store.test/links/win")};
    const Download missing = harness.publish(QStringLiteral("gone"), QStringLiteral("Gone.zip"), 10,
                                             [](const ReceivedRequest&) { return ScriptedResponse{.status = 404}; });

    // Ledger order is by name: Alpha, Bass, Chorus, Delay, Echo, Flanger, Gate.
    installed(QStringLiteral("a"), QStringLiteral("Alpha"), QStringLiteral("1.0"));
    offer("a", summary(QStringLiteral("a"), QStringLiteral("Alpha"), std::nullopt, std::nullopt, {}));
    installed(QStringLiteral("b"), QStringLiteral("Bass"), QStringLiteral("2.0"));
    offer("b", summary(QStringLiteral("b"), QStringLiteral("Bass"), QStringLiteral("2.0"), QStringLiteral("9.0"), {}));
    // No currentVersion: the version is offered; "/" in the id stays inside one path segment.
    installed(QStringLiteral("c/1?x"), QStringLiteral("Chorus"), QStringLiteral("2.0"));
    const Download chorus = harness.publish(QStringLiteral("chorus"), QStringLiteral("Chorus.zip"),
                                            plugInZip(QStringLiteral("Chorus"), QStringLiteral("2.0.1")));
    offer("c%2F1%3Fx", summary(QStringLiteral("c/1?x"), QStringLiteral("Chorus (store)"), std::nullopt,
                               QStringLiteral("2.0.1"), {windows, chorus}));
    // The download with the recorded key wins over the first one.
    installed(QStringLiteral("d"), QStringLiteral("Delay"), QStringLiteral("1.0"), QStringLiteral("delay-arm"));
    const Download delay = harness.publish(QStringLiteral("delay-arm"), QStringLiteral("Delay.zip"),
                                           plugInZip(QStringLiteral("Delay"), QStringLiteral("1.1")));
    offer("d", summary(QStringLiteral("d"), QStringLiteral("Delay"), QStringLiteral("1.1"), std::nullopt, {missing, delay}));
    // No key matches: the first Mac download, which fails to download.
    installed(QStringLiteral("e"), QStringLiteral("Echo"), QStringLiteral("1.0"), QStringLiteral("old-key"));
    offer("e", summary(QStringLiteral("e"), QStringLiteral("Echo (store)"), QStringLiteral("1.1"), std::nullopt, {missing, delay}));
    // Nothing for this Mac.
    installed(QStringLiteral("f"), QStringLiteral("Flanger"), QStringLiteral("1.0"));
    offer("f", summary(QStringLiteral("f"), QStringLiteral("Flanger"), QStringLiteral("2.0"), std::nullopt, {windows}));
    // The store fails.
    installed(QStringLiteral("g"), QStringLiteral("Gate"), QStringLiteral("1.0"));
    harness.store->route("GET", "/api/customer/inventory/products/g", 500, R"({"title":"Server down"})");

    const UpdateRunner::Outcome outcome = runner().run();

    EXPECT_EQ(outcome.updated, (QList<UpdateRunner::Updated>{
                                   {QStringLiteral("c/1?x"), QStringLiteral("Chorus (store)"), QStringLiteral("2.0.1")},
                                   {QStringLiteral("d"), QStringLiteral("Delay"), QStringLiteral("1.1")}}));
    ASSERT_EQ(outcome.failed.size(), 2);
    EXPECT_EQ(outcome.failed[0], (UpdateRunner::Failed{QStringLiteral("e"), QStringLiteral("Echo"),
                                                       QStringLiteral("The download server returned 404.")}));
    EXPECT_EQ(outcome.failed[1].name, QStringLiteral("Gate"));
    EXPECT_TRUE(outcome.failed[1].reason.startsWith(QStringLiteral("The store returned 500."))) << outcome.failed[1].reason.toStdString();

    const auto chorusRecord = harness.ledger->record(QStringLiteral("c/1?x"));
    ASSERT_TRUE(chorusRecord);
    EXPECT_EQ(chorusRecord->version, QStringLiteral("2.0.1"));
    EXPECT_EQ(chorusRecord->productName, QStringLiteral("Chorus (store)"));
    EXPECT_EQ(harness.ledger->record(QStringLiteral("d"))->downloadKey, QStringLiteral("delay-arm"));
    EXPECT_EQ(harness.ledger->record(QStringLiteral("b"))->version, QStringLiteral("2.0"));
    EXPECT_EQ(harness.store->requestsTo("/api/customer/inventory/products/c%2F1%3Fx").size(), 1);
    EXPECT_TRUE(harness.store->requestsTo("/links/win").isEmpty());
}
