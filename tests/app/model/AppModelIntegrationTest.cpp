// The model over the composition's real clients, against the devstore.

#include "tests/devstore/DevstoreTest.h"

#include "app/model/AppModel.h"
#include "app/shell/Composition.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/FakeDesktop.h"
#include "tests/app/fakes/FakeSleeper.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"

using namespace hub;
using namespace std::chrono_literals;

namespace {
class AppModelAgainstDevstore : public test::DevstoreTest {};
} // namespace

TEST_F(AppModelAgainstDevstore, StartSignInBothAccountsAndTheSixHourLoop)
{
    FakeSleeper sleeper;
    FakeDesktop desktop;
    Services services = Composition::standard({"tavren-hub", "--measure-launch"}); // sessions in memory
    services.sleep = sleeper.sleeper();
    int checks = 0;
    services.now = [&checks] { return QDateTime::fromSecsSinceEpoch(1'700'000'000 + 21'600 * qint64(checks++), Qt::UTC); };
    desktop.attach(services);
    AppModel model(std::move(services));

    test::await(model.start());
    ASSERT_TRUE(model.catalog().storefront());
    EXPECT_TRUE(model.catalog().storeProduct("tv-reverb"));
    EXPECT_FALSE(model.catalog().storeProduct("tv-hidden") && model.catalog().searchResults("hidden").size() > 0);
    ASSERT_TRUE(model.catalog().extras());
    EXPECT_EQ(model.catalog().extras()->freeTools().size(), 4);
    EXPECT_EQ(model.accounts().storeUser(), std::nullopt);

    EXPECT_EQ(QCoro::waitFor(test::failureOf(model.signIn().signInToStore("demo@tavren.test", "demo-pass-1"))), std::nullopt);
    ASSERT_TRUE(model.accounts().storeUser());
    EXPECT_EQ(model.accounts().storeUser()->name, "Demo Customer");
    EXPECT_EQ(model.accounts().storeOwned().size(), 10) << "three pages of owned products";
    EXPECT_TRUE(model.library().releaseNotes().contains("tv-reverb"));

    // The emailed-code sign-in as its form does it, then the model finishes it.
    const std::shared_ptr<TavrenIDClient> id = model.services().tavrenID;
    const QString email = "demo@tavren.test";
    id->requestCode(email);
    model.accounts().setTavrenProfile(
        id->completeCode(email, store->control("GET", "/__devstore/code?email=" + QUrl::toPercentEncoding(email))["code"].toString()));
    test::await(model.signIn().finishTavrenSignIn());
    EXPECT_FALSE(model.accounts().tavrenSessions().isEmpty());
    EXPECT_TRUE(model.catalog().owns("tv-vocoder")) << "owned through Tavren ID only";
    QStringList owned;
    for (const StorefrontProduct& product : model.catalog().ownedProducts())
        owned << product.id;
    EXPECT_TRUE(owned.contains("tv-game"));
    EXPECT_FALSE(owned.contains("tv-retired")) << "not in the storefront";

    // Six hours later the loop refreshes again.
    const std::optional<QDateTime> before = model.refresh().lastChecked();
    sleeper.advance(21'600s);
    ASSERT_TRUE(test::eventually([&] { return model.refresh().lastChecked() != before && !model.refresh().loading(); }));
    EXPECT_TRUE(model.accounts().storeUser());
}

TEST_F(AppModelAgainstDevstore, AReleasePublishedWhileTheAppRunsIsOffered)
{
    ModelHarness harness;
    InstallLedger(harness.supportFolder()).save(Fixtures::record("tv-reverb", "TV Reverb", "1.4.0"));
    Services services = harness.services();
    services.client = client();
    services.client->signIn("demo@tavren.test", "demo-pass-1");
    AppModel model(std::move(services));
    model.preferences().setAutoUpdate(false);
    model.accounts().setStoreUser(model.services().client->currentUser());
    const auto publish = [](const char* version) {
        store->control("POST", "/__devstore/publish", {{"product", "tv-reverb"}, {"version", version}});
    };
    const auto offered = [&] {
        QStringList ids;
        for (const StorefrontProduct& product : model.library().updatesAvailable())
            ids << product.id + " " + model.library().latestVersion(product).value_or("?");
        return ids;
    };

    test::await(model.refresh().refreshAll());
    ASSERT_EQ(model.library().releaseNotes().value("tv-reverb").currentVersion, "1.4.0");
    EXPECT_EQ(offered(), QStringList());
    publish("1.5.0");
    test::await(model.refresh().refreshAll());
    publish("1.4.0");
    EXPECT_EQ(offered(), QStringList("tv-reverb 1.5.0"));
    EXPECT_EQ(model.library().releaseNotes().value("tv-reverb").currentVersion, "1.5.0") << "fetched again";
}
