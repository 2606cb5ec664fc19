#include "kit/api/MoonbaseError.h"
#include "kit/api/Paged.h"
#include "kit/api/StorefrontSnapshot.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"

#include <QFile>
#include <QSemaphore>
#include <gtest/gtest.h>
#include <future>

using namespace hub;
using namespace std::chrono_literals;
using test::await;

namespace {

// Three owned products, all installed at 1.0 in the ledger; the store offers a and b at 1.1.
struct UpdateScene {
    explicit UpdateScene(ModelHarness& harness) : store(harness.store)
    {
        harness.holdStoreSession();
        products = {Fixtures::product("a", "Alpha"), Fixtures::product("b", "Beta"), Fixtures::product("c", "Gamma")};
        harness.store.serveUser(Fixtures::user("ada@example.test"));
        harness.store.serveOwned({Fixtures::summary("a", "Alpha"), Fixtures::summary("b", "Beta"), Fixtures::summary("c", "Gamma")});
        offer("a", "Alpha", "1.1");
        offer("b", "Beta", "1.1");
        offer("c", "Gamma", "1.0");
        InstallLedger ledger(harness.supportFolder());
        for (const StorefrontProduct& p : products)
            ledger.save(Fixtures::record(p.id, p.name, "1.0"));
    }
    // The release, in the storefront and in the product's full record.
    void offer(const QString& id, const QString& name, const QString& version)
    {
        for (StorefrontProduct& product : products) {
            if (product.id == id)
                product.currentVersion = version;
        }
        store.serveStorefront(Fixtures::storefront(products));
        store.serveProduct(Fixtures::summary(id, name, version));
    }
    FakeStore& store;
    QList<StorefrontProduct> products;
};

} // namespace

TEST(RefreshCycle, LoadersRunTogetherAndEachHandlesItsOwnFailure)
{
    ModelHarness harness;
    harness.settings->setValue("currency", "USD");
    Storefront storefront = Fixtures::storefront({Fixtures::product("a", "Alpha")});
    storefront.enabledCurrencies = QStringList{"EUR", "GBP"};
    // The storefront answers only once the account's request has arrived: loaders in sequence would stall.
    auto userAsked = std::make_shared<std::promise<void>>();
    std::shared_future<void> userSeen = userAsked->get_future().share();
    harness.store.transport()->route("GET", FakeStore::userPath, [userAsked](const HttpRequest&) {
        userAsked->set_value();
        return ScriptedTransport::response(200, QJsonDocument(Fixtures::user("ada@example.test").toJson()).toJson());
    });
    harness.store.transport()->route("GET", FakeStore::storefrontPath, [userSeen, storefront](const HttpRequest&) {
        if (userSeen.wait_for(10s) != std::future_status::ready)
            return ScriptedTransport::response(500, {});
        return ScriptedTransport::response(200, QJsonDocument(storefront.toJson()).toJson());
    });
    harness.store.fail("GET", FakeStore::productsPath, 500, "Owned products are down");
    harness.holdStoreSession();

    const auto model = harness.makeModel();
    await(model->refresh().refreshAll());
    EXPECT_EQ(model->catalog().storefront(), storefront);
    EXPECT_EQ(model->accounts().storeUser()->email, "ada@example.test") << "kept when the owned products fail";
    EXPECT_EQ(ModelHarness::bannerTexts(*model), QStringList{"The store returned 500. Owned products are down"});
    EXPECT_EQ(model->preferences().currency(), "EUR") << "USD is not enabled; the suggestion wins";
    EXPECT_EQ(harness.settings->value("currency").toString(), "EUR");
    EXPECT_EQ(model->refresh().lastChecked(), harness.now);
    EXPECT_FALSE(model->refresh().loading());
    model->pools().saves.waitForDone();
    EXPECT_EQ(StorefrontSnapshot::load(harness.snapshots()), storefront);

    // Without enabled currencies the choice stays, whatever it is.
    model->preferences().setCurrency("CHF");
    harness.store.serveStorefront(Fixtures::storefront({}));
    await(model->refresh().refreshAll());
    EXPECT_EQ(model->preferences().currency(), "CHF");
}

TEST(RefreshCycle, StorefrontFailureIsSilentOnlyWhileTheLaunchSnapshotShows)
{
    ModelHarness harness;
    const Storefront cached = Fixtures::storefront({Fixtures::product("a", "Alpha")});
    harness.snapshots().save(QJsonDocument(cached.toJson()), "storefront");
    harness.store.fail("GET", FakeStore::storefrontPath, 503, "Down");
    const auto model = harness.makeModel();
    ASSERT_TRUE(model->catalog().storefrontIsCached());

    await(model->refresh().refreshAll());
    EXPECT_TRUE(model->banners().banners().isEmpty());
    EXPECT_EQ(model->catalog().storefront(), cached);

    harness.store.serveStorefront(cached);
    await(model->refresh().refreshAll());
    EXPECT_FALSE(model->catalog().storefrontIsCached());
    harness.store.fail("GET", FakeStore::storefrontPath, 503, "Down");
    await(model->refresh().refreshAll());
    EXPECT_EQ(ModelHarness::bannerTexts(*model), QStringList{"The store returned 503. Down"});
    EXPECT_EQ(model->catalog().storefront(), cached);
}

TEST(RefreshCycle, ExpiredStoreSessionDisconnectsSilently)
{
    ModelHarness harness;
    harness.holdStoreSession();
    harness.store.serveStorefront(Fixtures::storefront({}));
    harness.store.fail("GET", FakeStore::userPath, 401);
    harness.store.fail("POST", "/api/customer/identity/refresh", 401);
    const auto model = harness.makeModel();
    model->accounts().setStoreUser(Fixtures::user("ada@example.test"));
    model->accounts().setStoreOwned({Fixtures::summary("a", "Alpha")});
    await(model->refresh().refreshAll());
    EXPECT_EQ(model->accounts().storeUser(), std::nullopt);
    EXPECT_TRUE(model->accounts().storeOwned().isEmpty());
    EXPECT_FALSE(model->accounts().showSignIn());
    EXPECT_TRUE(model->banners().banners().isEmpty());
}

TEST(RefreshCycle, ReportTurnsEachErrorIntoItsEffect)
{
    ModelHarness harness;
    const auto model = harness.makeModel();
    const MoonbaseError errors[] = {MoonbaseError::notFound("tv-gate"), MoonbaseError::forbidden("Not yours."),
        MoonbaseError::server(502, "Bad gateway"), MoonbaseError::decoding("Bad JSON"), MoonbaseError::blockedURL("http://x"),
        MoonbaseError::invalidCredentials()};
    for (const MoonbaseError& error : errors)
        model->report(error);
    model->report(TransportError(7, "Could not connect"));
    model->report(std::runtime_error("disk full"));
    EXPECT_EQ(ModelHarness::bannerTexts(*model),
        (QStringList{"tv-gate was not found.", "Not yours.", "The store returned 502. Bad gateway",
            "The store sent a response the app could not read. Bad JSON", "Refused to contact http://x.",
            "That email and password did not match a Tavren store account.", "Could not connect to the server.", "disk full"}));
    for (const Banner& banner : model->banners().banners())
        EXPECT_EQ(banner.tone, Banner::Tone::failure);

    // The identity client's "not signed in" leaves the store account alone.
    model->accounts().setStoreUser(Fixtures::user("ada@example.test"));
    model->report(MoonbaseError::notSignedIn(), RefreshCycle::Source::identity);
    EXPECT_TRUE(model->accounts().storeUser().has_value());
    EXPECT_EQ(ModelHarness::bannerTexts(*model).last(), "Sign in to continue.");

    const qsizetype shown = model->banners().banners().size();
    model->report(MoonbaseError::notSignedIn());
    EXPECT_EQ(model->accounts().storeUser(), std::nullopt);
    EXPECT_TRUE(model->accounts().showSignIn());
    EXPECT_EQ(model->accounts().signInPurpose(), SignInPurpose::connectStore("Your store session ended. Sign in again to continue."));
    EXPECT_EQ(model->banners().banners().size(), shown) << "no banner for an ended session";
}

TEST(RefreshCycle, OneOutageShowsOneBanner)
{
    ModelHarness harness; // the store answers nothing: every call fails to connect
    harness.holdStoreSession();
    const auto model = harness.makeModel();
    // Storefront and store account fail alike; the next refresh is a failure of its own.
    await(model->refresh().refreshAll());
    EXPECT_EQ(ModelHarness::bannerTexts(*model), QStringList{"Could not connect to the server."});
    await(model->refresh().refreshAll());
    EXPECT_EQ(ModelHarness::bannerTexts(*model).size(), 2);
}

TEST(RefreshCycle, WhatTheUserDoesDuringARefreshShowsItsOwnFailure)
{
    ModelHarness harness; // the store and the identity service answer nothing but the profile
    harness.holdStoreSession();
    harness.holdIdentitySession();
    // The profile answers when the test lets it: until then the refresh runs.
    QSemaphore profile;
    harness.identity->route("GET", "/id/auth/me", [&profile](const HttpRequest&) {
        profile.tryAcquire(1, 20'000);
        return ScriptedTransport::response(200, QJsonDocument(Fixtures::profile("ada@example.test").toJson()).toJson());
    });
    const auto model = harness.makeModel();
    QCoro::Task<> refresh = model->refresh().refreshAll();
    ASSERT_TRUE(test::eventually([&] { return !ModelHarness::bannerTexts(*model).isEmpty(); }));

    const StorefrontProduct alpha = Fixtures::product("a", "Alpha");
    await(model->checkout().beginCheckout({{alpha, *alpha.defaultVariation}}, false));
    await(model->signIn().revokeTavrenSession(Fixtures::session("s2", "Phone")));
    profile.release();
    await(std::move(refresh));
    EXPECT_EQ(ModelHarness::bannerTexts(*model), QStringList(3, "Could not connect to the server."))
        << "the refresh's, the checkout's and the sign-out's";
}

TEST(RefreshCycle, UpdatesAreAnnouncedOncePerProduct)
{
    ModelHarness harness;
    UpdateScene scene(harness);
    harness.desktop.frontmost = false;
    harness.settings->setValue("autoUpdate", false);
    const auto model = harness.makeModel();
    QStringList queued;
    QObject::connect(&model->queue(), &InstallQueue::installRequested, [&](const StorefrontProduct& p) { queued.append(p.id); });

    await(model->refresh().refreshAll());
    EXPECT_EQ(model->library().releaseNotes().value("a").currentVersion, "1.1");
    EXPECT_EQ(harness.desktop.notifications, (QList<std::pair<QString, QString>>{{"2 updates are ready", "Alpha, Beta"}}));
    EXPECT_EQ(harness.desktop.notificationLinks, QStringList{"tavren-hub:updates"}) << "a click opens Updates";
    EXPECT_EQ(harness.desktop.badges.last(), 2);

    await(model->refresh().refreshAll());
    EXPECT_EQ(harness.desktop.notifications.size(), 1) << "nothing new to announce";
    EXPECT_EQ(harness.store.calls("/api/customer/inventory/products/a"), 1) << "release notes are fetched once";

    // A third update is published while the app runs.
    scene.offer("c", "Gamma", "1.1-beta");
    await(model->refresh().refreshAll());
    EXPECT_EQ(harness.desktop.notifications.last(), (std::pair<QString, QString>{"3 updates are ready", "Alpha, Beta, Gamma"}));
    EXPECT_TRUE(queued.isEmpty());
}

TEST(RefreshCycle, AutomaticUpdatesInstallOnlyWithAStoreAccount)
{
    ModelHarness harness;
    UpdateScene scene(harness);
    harness.desktop.frontmost = false;
    const auto model = harness.makeModel();
    QStringList queued;
    QObject::connect(&model->queue(), &InstallQueue::installRequested, [&](const StorefrontProduct& p) { queued.append(p.id); });

    await(model->refresh().refreshAll());
    EXPECT_EQ(queued, (QStringList{"a", "b"}));
    EXPECT_TRUE(harness.desktop.notifications.isEmpty());
    await(model->refresh().refreshAll());
    EXPECT_EQ(queued.size(), 2) << "no new update, nothing queued";

    // A new update queues every available one again, the older ones too.
    scene.offer("c", "Gamma", "2.0");
    const auto restarted = harness.makeModel();
    QStringList requeued;
    QObject::connect(&restarted->queue(), &InstallQueue::installRequested, [&](const StorefrontProduct& p) { requeued.append(p.id); });
    await(restarted->refresh().refreshAll());
    EXPECT_EQ(requeued, (QStringList{"a", "b", "c"}));

    // Without a store account: a notification instead.
    harness.storeTokens->clear();
    const auto signedOut = harness.makeModel();
    signedOut->accounts().setStoreOwned({Fixtures::summary("a", "Alpha")});
    await(signedOut->refresh().refreshAll());
    EXPECT_EQ(harness.desktop.notifications.last().first, "An update is ready");
}

TEST(RefreshCycle, FrontmostAppIsNotNotifiedAndWhatCountsAsAnUpdate)
{
    ModelHarness harness;
    UpdateScene scene(harness);
    harness.settings->setValue("autoUpdate", false);
    scene.offer("a", "Alpha", "1.0");            // equal: no update
    scene.offer("b", "Beta", "1.0.1");           // newer
    harness.store.withdrawProduct("c");
    const auto model = harness.makeModel();
    await(model->refresh().refreshAll());
    EXPECT_EQ(harness.desktop.badges.last(), 1);
    EXPECT_TRUE(harness.desktop.notifications.isEmpty());
    EXPECT_FALSE(model->library().releaseNotes().contains("c"));

    // Later, in the background: b was seen already, so still no notification; c is fetched again.
    harness.desktop.frontmost = false;
    scene.offer("c", "Gamma", "1.0");
    await(model->refresh().refreshAll());
    EXPECT_TRUE(harness.desktop.notifications.isEmpty());
    EXPECT_TRUE(model->library().releaseNotes().contains("c"));

    // No updates at all: the badge goes.
    InstallLedger(harness.supportFolder()).save(Fixtures::record("b", "Beta", "1.0.1"));
    await(model->refresh().refreshAll());
    EXPECT_EQ(harness.desktop.badges.last(), 0);
}

TEST(RefreshCycle, TheUpdateLoopRefreshesEverySixHours)
{
    ModelHarness harness;
    harness.store.serveStorefront(Fixtures::storefront({}));
    const auto model = harness.makeModel();
    model->refresh().updateLoop();
    EXPECT_EQ(harness.sleeper.pending(), QList<std::chrono::milliseconds>{21'600s});
    harness.sleeper.advance(21'599s);
    EXPECT_EQ(harness.store.calls(FakeStore::storefrontPath), 0);
    harness.sleeper.advance(1s);
    ASSERT_TRUE(test::eventually([&] { return harness.sleeper.pending().size() == 1; }));
    EXPECT_EQ(harness.store.calls(FakeStore::storefrontPath), 1);
    harness.sleeper.advance(21'600s);
    ASSERT_TRUE(test::eventually([&] { return harness.store.calls(FakeStore::storefrontPath) == 2; }));
}

TEST(RefreshCycle, ARefreshAskedForWhileOneRunsJoinsIt)
{
    ModelHarness harness;
    UpdateScene scene(harness);
    harness.settings->setValue("autoUpdate", false);
    const auto model = harness.makeModel();
    const auto cycles = [&] { return harness.store.calls(FakeStore::storefrontPath); };

    // Refresh pressed three times quickly: one cycle.
    QCoro::Task<> first = model->refresh().refreshAll();
    QCoro::Task<> second = model->refresh().refreshAll();
    QCoro::Task<> third = model->refresh().refreshAll();
    await(std::move(first));
    await(std::move(second));
    await(std::move(third));
    EXPECT_EQ(cycles(), 1);
    EXPECT_EQ(harness.store.calls(FakeStore::userPath), 1);
    EXPECT_FALSE(model->refresh().loading());

    // Two sign-ins meanwhile need a cycle begun after them: one more, which both join.
    // The running cycle's storefront waits until both have asked: a cycle whose answers
    // all come at once may end before the first sign-in asks.
    std::promise<void> asked;
    const std::shared_future<void> bothAsked = asked.get_future().share();
    const QByteArray storefront = QJsonDocument(Fixtures::storefront(scene.products).toJson()).toJson(QJsonDocument::Compact);
    harness.store.transport()->route("GET", FakeStore::storefrontPath, [bothAsked, storefront](const HttpRequest&) {
        bothAsked.wait();
        return ScriptedTransport::response(200, storefront);
    });
    QCoro::Task<> running = model->refresh().refreshAll();
    QCoro::Task<> signedIn = model->refresh().refreshAll(RefreshCycle::Join::fresh);
    QCoro::Task<> alsoSignedIn = model->refresh().refreshAll(RefreshCycle::Join::fresh);
    asked.set_value();
    await(std::move(running));
    await(std::move(signedIn));
    await(std::move(alsoSignedIn));
    EXPECT_EQ(cycles(), 3);
}

TEST(RefreshCycle, AnswersLandingAfterTheirSessionEndedAreDropped)
{
    ModelHarness harness;
    harness.holdStoreSession();
    harness.holdIdentitySession();
    harness.store.serveStorefront(Fixtures::storefront({Fixtures::product("a", "Alpha")}));
    harness.store.serveUser(Fixtures::user("ada@example.test"));
    const TavrenIDProfile ada = Fixtures::profile("ada@example.test");
    harness.serveIdentityAccount(ada);
    // The owned products, the profile and the user's own review wait for the test.
    QSemaphore owned, profile, mine;
    Paged<ProductSummary> page;
    page.items = {Fixtures::summary("a", "Alpha")};
    harness.store.transport()->route("GET", FakeStore::productsPath, [&owned, body = QJsonDocument(page.toJson()).toJson()](const HttpRequest& request) {
        if (ScriptedTransport::pathOf(request.url).split('?').first() != FakeStore::productsPath)
            return ScriptedTransport::response(404, {}); // one product's record
        owned.acquire();
        return ScriptedTransport::response(200, body);
    });
    harness.identity->route("GET", "/id/auth/me", [&profile, ada](const HttpRequest&) {
        profile.acquire();
        return ScriptedTransport::response(200, QJsonDocument(ada.toJson()).toJson());
    });
    harness.identity->route("GET", "/id/reviews/mine", [&mine](const HttpRequest&) {
        mine.acquire();
        return ScriptedTransport::response(200, QJsonDocument(MyReview{true, QStringLiteral("owner"), std::nullopt}.toJson()).toJson());
    });
    const auto model = harness.makeModel();
    model->accounts().setStoreUser(Fixtures::user("ada@example.test"));
    model->accounts().setTavrenProfile(ada);

    QCoro::Task<> refresh = model->refresh().refreshAll();
    QCoro::Task<> review = model->reviews().loadMyReview("p");
    ASSERT_TRUE(test::eventually([&] {
        return harness.store.calls(FakeStore::productsPath) == 1 && harness.identity->requestsTo("/id/auth/me").size() == 1
            && harness.identity->requestsTo("/id/reviews/mine").size() == 1;
    }));
    // Both accounts signed out, as the account screen does it, while the answers are under way.
    await(model->signIn().disconnectStore());
    model->services().tavrenID->signOut();
    model->accounts().clearTavrenID();
    owned.release();
    profile.release();
    mine.release();
    await(std::move(refresh));
    await(std::move(review));
    EXPECT_EQ(model->accounts().storeUser(), std::nullopt);
    EXPECT_TRUE(model->accounts().storeOwned().isEmpty());
    EXPECT_EQ(model->accounts().tavrenProfile(), std::nullopt);
    EXPECT_FALSE(model->reviews().myReviews().contains("p"));
}
