#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"

#include <gtest/gtest.h>

using namespace hub;
using test::await;
using test::failureOf;

TEST(SignIn, StoreSignInStartsTheWaitingInstallAfterItsRefresh)
{
    ModelHarness harness;
    const StorefrontProduct gate = Fixtures::product("tv-gate", "Gate");
    harness.store.serveStorefront(Fixtures::storefront({gate}));
    harness.store.fail("POST", "/api/customer/identity/sign-in", 401);
    const auto model = harness.makeModel();
    QList<std::pair<QString, bool>> queued; // product, storefront already refreshed
    QObject::connect(&model->queue(), &InstallQueue::installRequested, [&](const StorefrontProduct& p, const Download& d) {
        EXPECT_EQ(d, gate.macDownloads().first());
        queued.append({p.id, model->catalog().storefront().has_value()});
    });

    model->queue().install(gate);
    EXPECT_EQ(model->queue().pendingInstall(), (PendingInstall{gate, std::nullopt}));
    EXPECT_TRUE(model->accounts().showSignIn());
    EXPECT_EQ(model->accounts().signInPurpose().reason,
        "Downloads come from the Tavren store. Connect your store account once and Gate will start installing.");

    // Refused credentials: the form gets the message, nothing else moves.
    EXPECT_EQ(QCoro::waitFor(failureOf(model->signIn().signInToStore("ada@example.test", "wrong"))),
        "That email and password did not match a Tavren store account.");
    EXPECT_TRUE(model->accounts().showSignIn());
    EXPECT_TRUE(model->queue().pendingInstall().has_value());
    EXPECT_TRUE(queued.isEmpty());

    harness.store.serveSignIn(Fixtures::user("ada@tavren.test", "Ada"));
    harness.store.serveUser(Fixtures::user("ada@tavren.test", "Ada"));
    harness.store.serveOwned({});
    EXPECT_EQ(QCoro::waitFor(failureOf(model->signIn().signInToStore("ada@example.test", "right"))), std::nullopt);
    EXPECT_FALSE(model->accounts().showSignIn());
    EXPECT_EQ(ModelHarness::bannerTexts(*model), QStringList{"Store account connected: ada@tavren.test."});
    EXPECT_EQ(queued, (QList<std::pair<QString, bool>>{{"tv-gate", true}}));
    EXPECT_EQ(model->queue().pendingInstall(), std::nullopt);
}

TEST(SignIn, CreatingAnAccountNamesTheAddressAsTyped)
{
    ModelHarness harness;
    harness.store.serveStorefront(Fixtures::storefront({}));
    harness.store.serveSignIn(Fixtures::user("ada@tavren.test", "Ada"));
    harness.store.serveUser(Fixtures::user("ada@tavren.test", "Ada"));
    harness.store.serveOwned({});
    const auto model = harness.makeModel();
    model->accounts().openSignIn(SignInPurpose::general());
    EXPECT_EQ(QCoro::waitFor(failureOf(model->signIn().createStoreAccount("Ada", "Ada@Tavren.test", "pw", true))), std::nullopt);
    EXPECT_EQ(ModelHarness::bannerTexts(*model),
        QStringList{"Store account created for Ada@Tavren.test. Moonbase has emailed a link to confirm the address."});
    EXPECT_FALSE(model->accounts().showSignIn());
    EXPECT_EQ(model->accounts().storeUser()->email, "ada@tavren.test");
    EXPECT_TRUE(harness.store.transport()->requestsTo("/api/customer/identity/sign-up?scheme=JWT&communicationOptIn=true").size() == 1);
}

TEST(SignIn, DisconnectingAndFinishingAnIdentitySignIn)
{
    ModelHarness harness;
    harness.holdStoreSession();
    harness.store.serveStorefront(Fixtures::storefront({Fixtures::product("a", "Alpha")}));
    const auto model = harness.makeModel();
    model->accounts().setStoreUser(Fixtures::user("ada@example.test"));
    model->accounts().setStoreOwned({Fixtures::summary("a", "Alpha")});
    model->queue().setPendingInstall(PendingInstall{Fixtures::product("a", "Alpha"), std::nullopt});

    await(model->signIn().disconnectStore());
    EXPECT_EQ(harness.storeTokens->load(), std::nullopt) << "the stored session is gone";
    EXPECT_EQ(model->accounts().storeUser(), std::nullopt);
    EXPECT_TRUE(model->accounts().storeOwned().isEmpty());
    EXPECT_TRUE(model->queue().pendingInstall().has_value());
    EXPECT_EQ(model->banners().banners().last().tone, Banner::Tone::info);
    EXPECT_EQ(harness.store.calls(FakeStore::storefrontPath), 0) << "no refresh follows";

    // An identity sign-in does not close a sheet that was opened to connect the store.
    model->accounts().openSignIn(SignInPurpose::connectStore("Connect"));
    await(model->signIn().finishTavrenSignIn());
    EXPECT_TRUE(model->accounts().showSignIn());
    EXPECT_EQ(ModelHarness::bannerTexts(*model).last(), "Signed in with Tavren ID as you.");
    EXPECT_EQ(harness.store.calls(FakeStore::storefrontPath), 1);

    model->accounts().setSignInPurpose(SignInPurpose::general());
    await(model->signIn().finishTavrenSignIn());
    EXPECT_FALSE(model->accounts().showSignIn());
}
