#include "kit/support/CancellationError.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"
#include "tests/app/fakes/TestBrowser.h"

#include <QJsonArray>
#include <gtest/gtest.h>

using namespace hub;
using test::await;
using test::failureOf;

namespace {

QByteArray compact(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

TEST(IdentityAndExtras, TheIdentityAccountLoadsAndCountsForOwnership)
{
    ModelHarness harness;
    harness.holdIdentitySession();
    harness.store.serveStorefront(Fixtures::storefront({Fixtures::product("a", "Alpha"), Fixtures::product("b", "Beta")}));
    harness.serveIdentityAccount(Fixtures::profile("id@example.test", QStringList{"b", "retired"}));
    const auto model = harness.makeModel();
    await(model->refresh().refreshAll());

    const Accounts& accounts = model->accounts();
    ASSERT_TRUE(accounts.tavrenProfile());
    EXPECT_EQ(accounts.tavrenSessions().size(), 2);
    EXPECT_EQ(accounts.tavrenPurchases().size(), 1);
    EXPECT_EQ(accounts.displayEmail(), "id@example.test");
    EXPECT_EQ(accounts.displayName(), "id@example.test");
    EXPECT_EQ(model->catalog().ownedProducts().size(), 1) << "ids the storefront does not list drop out";
    EXPECT_TRUE(model->catalog().owns("b"));

    // A store account with a name takes over the name; the identity e-mail stays the e-mail.
    model->accounts().setStoreUser(Fixtures::user("store@example.test", "Ada"));
    EXPECT_EQ(accounts.displayName(), "Ada");
    EXPECT_EQ(accounts.displayEmail(), "id@example.test");
    model->accounts().setStoreUser(Fixtures::user("store@example.test", ""));
    EXPECT_EQ(accounts.displayName(), "id@example.test");

    // Devices failing leave the profile and an empty list.
    harness.identity->route("GET", "/id/auth/sessions", 500, "{}");
    await(model->refresh().refreshAll());
    EXPECT_TRUE(accounts.tavrenProfile());
    EXPECT_TRUE(accounts.tavrenSessions().isEmpty());

    // An ended identity session clears the profile quietly and leaves the store account.
    harness.identity->route("GET", "/id/auth/me", 401, "{}");
    await(model->refresh().refreshAll());
    EXPECT_EQ(accounts.tavrenProfile(), std::nullopt);
    EXPECT_TRUE(accounts.storeUser());
    EXPECT_TRUE(model->banners().banners().isEmpty());
}

TEST(IdentityAndExtras, ExtrasLoadSaveAndRestore)
{
    ModelHarness harness;
    harness.store.serveStorefront(Fixtures::storefront({}));
    const CatalogExtras feed = Fixtures::extras({"Tuner", "Meter"});
    harness.serveExtras(compact(feed.toJson()));
    {
        const auto model = harness.makeModel();
        await(model->refresh().refreshAll());
        EXPECT_EQ(model->catalog().extras(), feed);
        // No feed: what was shown stays.
        harness.feed->route("GET", "/downloads/", 404, "");
        await(model->refresh().refreshAll());
        EXPECT_EQ(model->catalog().extras(), feed);
        model->pools().saves.waitForDone();
    }
    const auto restored = harness.makeModel();
    EXPECT_EQ(restored->catalog().extras(), std::nullopt) << "the first screen comes first";
    restored->startup().afterFirstContent();
    EXPECT_EQ(restored->catalog().extras(), feed) << "restored from the snapshot";
    const auto fresher = harness.makeModel();
    fresher->catalog().setExtras(Fixtures::extras({"Newer"}));
    fresher->startup().afterFirstContent();
    EXPECT_EQ(fresher->catalog().extras(), Fixtures::extras({"Newer"})) << "never over a feed that came first";

    // Snapshot runs on fixtures read "extras.json" instead and never fetch the feed.
    QDir().mkpath(harness.path("fixtures"));
    QFile fixture(harness.path("fixtures/extras.json"));
    fixture.open(QIODevice::WriteOnly);
    fixture.write(compact(Fixtures::extras({"Fixture"}).toJson()));
    fixture.close();
    harness.arguments = {"tavren-hub", "--snapshot", "--fixtures", harness.path("fixtures")};
    const auto snapshot = harness.makeModel();
    EXPECT_EQ(snapshot->catalog().extras(), Fixtures::extras({"Fixture"}));
    const qsizetype fetched = harness.feed->requests().size();
    await(snapshot->refresh().refreshAll());
    EXPECT_EQ(harness.feed->requests().size(), fetched);

    fixture.open(QIODevice::WriteOnly | QIODevice::Truncate);
    fixture.write("not a feed");
    fixture.close();
    EXPECT_EQ(harness.makeModel()->catalog().extras(), std::nullopt) << "a fixture that does not decode leaves none";
}

TEST(IdentityAndExtras, BrowserSignInThroughTheLoopbackReceiver)
{
    ModelHarness harness;
    harness.store.serveStorefront(Fixtures::storefront({Fixtures::product("b", "Beta")}));
    harness.serveIdentityAccount(Fixtures::profile("id@example.test", QStringList{"b"}));
    harness.identity->route("POST", "/auth/hub/exchange", 200, compact({{"qid", "token-from-exchange"}}));

    // The test is the browser: the start page sends it back to the receiver's port.
    Services services = harness.services();
    QFuture<void> browser;
    services.openURL = [&](const QUrl& start) {
        EXPECT_TRUE(start.toString().startsWith("https://id.tavren.example/auth/github/start?state="));
        browser = test::TestBrowser::returnFrom(start, "one-time");
    };
    AppModel model(std::move(services));
    model.accounts().openSignIn(SignInPurpose::connectStore("Connect"));
    EXPECT_EQ(QCoro::waitFor(failureOf(model.signIn().signInWithProvider(TavrenIDProvider::github))), std::nullopt);
    browser.waitForFinished();

    const QList<HttpRequest> exchanges = harness.identity->requestsTo("/auth/hub/exchange");
    ASSERT_EQ(exchanges.size(), 1);
    EXPECT_EQ(QJsonDocument::fromJson(*exchanges[0].body)["code"].toString(), "one-time");
    EXPECT_EQ(harness.identityTokens->load()->accessToken, "token-from-exchange");
    EXPECT_EQ(model.accounts().tavrenProfile()->user.email, "id@example.test");
    EXPECT_EQ(harness.desktop.activations, 1);
    EXPECT_TRUE(model.accounts().showSignIn()) << "the sheet was opened to connect the store";
    const QStringList banners = ModelHarness::bannerTexts(model);
    ASSERT_EQ(banners.size(), 2);
    EXPECT_EQ(banners[0], "Signed in with Tavren ID as id@example.test.");
    EXPECT_EQ(model.banners().banners()[1].tone, Banner::Tone::info) << "the hint to connect the store";

    // Given up while waiting: the cancellation reaches the form and nothing changes.
    Services again = harness.services();
    std::stop_source stop;
    again.openURL = [&](const QUrl&) { stop.request_stop(); };
    AppModel second(std::move(again));
    EXPECT_EQ(QCoro::waitFor(failureOf(second.signIn().signInWithProvider(TavrenIDProvider::apple, stop.get_token()))),
        CancellationError().message());
    EXPECT_EQ(second.accounts().tavrenProfile(), std::nullopt);
}

TEST(IdentityAndExtras, SigningADeviceOut)
{
    ModelHarness harness;
    harness.holdIdentitySession();
    harness.serveIdentityAccount(Fixtures::profile("id@example.test"));
    harness.identity->route("POST", "/id/auth/sessions/revoke", 200, "{}");
    const auto model = harness.makeModel();
    const TavrenIDSession phone = Fixtures::session("s2", "Phone");
    await(model->signIn().revokeTavrenSession(phone));
    EXPECT_EQ(QJsonDocument::fromJson(*harness.identity->requestsTo("/id/auth/sessions/revoke")[0].body)["sessionId"].toString(), "s2");
    EXPECT_EQ(model->accounts().tavrenSessions().size(), 2);
    EXPECT_EQ(ModelHarness::bannerTexts(*model), QStringList{"Signed out Phone."});

    // A refusal keeps the list and shows the service's message.
    model->accounts().setTavrenSessions({phone});
    harness.identity->route("POST", "/id/auth/sessions/revoke", 403, compact({{"message", "Not your device"}}));
    await(model->signIn().revokeTavrenSession(phone));
    EXPECT_EQ(model->accounts().tavrenSessions(), QList<TavrenIDSession>{phone});
    EXPECT_EQ(ModelHarness::bannerTexts(*model).last(), "The store returned 403. Not your device");
}
