// The Tavren ID and store account cards in each state, and what their buttons do.

#include "app/views/account/AccountActions.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"

#include <gtest/gtest.h>

using namespace hub;
using Action = AccountCardsPresenter::Action;
using Card = AccountCardsPresenter::Card;
using Link = AccountCardsPresenter::Link;

namespace {

TavrenIDProfile linked(std::optional<QList<TavrenIDConnection>> accounts)
{
    TavrenIDProfile profile = Fixtures::profile("id@example.test");
    profile.externalAccounts = std::move(accounts);
    return profile;
}

TavrenIDConnection provider(const QString& name)
{
    TavrenIDConnection connection;
    connection.provider = name;
    return connection;
}

AccountCardsPresenter::Cards cards(std::optional<TavrenIDProfile> profile, std::optional<User> user)
{
    return AccountCardsPresenter::present({std::move(profile), std::move(user), "tavren.example", "tavren.store.example"});
}

TEST(AccountCardsPresenter, TheTavrenIDCard)
{
    const Card signedOut{"Tavren ID", "person.crop.circle.badge.checkmark", false, std::nullopt,
                         QStringLiteral("Your Tavren ID is your account on tavren.example. Sign in with Apple, Google, "
                                        "GitHub or an emailed code."),
                         std::nullopt, "Sign In", true, Action::signIn};
    EXPECT_EQ(cards(std::nullopt, Fixtures::user("store@example.test")).tavrenID, signedOut) << "the store card does not count";

    const Link manage{"Manage on tavren.example", QUrl("https://tavren.example/account/")};
    const QList<std::pair<std::optional<QList<TavrenIDConnection>>, std::optional<QString>>> lines{
        {std::nullopt, std::nullopt},
        {QList<TavrenIDConnection>{}, std::nullopt},
        {QList{provider("apple"), provider("github")}, QStringLiteral("Signs in with Apple, Github")},
        {QList{provider("GOOGLE"), provider("google")}, QStringLiteral("Signs in with Google, Google")},
    };
    for (const auto& [accounts, line] : lines) {
        const Card expected{"Tavren ID", "person.crop.circle.badge.checkmark", true, QStringLiteral("id@example.test"),
                            line, manage, "Sign Out", false, Action::signOut};
        EXPECT_EQ(cards(linked(accounts), std::nullopt).tavrenID, expected) << line.value_or("no line").toStdString();
    }
}

TEST(AccountCardsPresenter, TheStoreCard)
{
    const Card connected{"Store account", "bag.circle", true, QStringLiteral("store@example.test"),
                         QStringLiteral("Downloads of what you own come through this account."),
                         Link{"Open the store", QUrl("https://tavren.store.example/")}, "Disconnect", false, Action::disconnect};
    EXPECT_EQ(cards(std::nullopt, Fixtures::user("store@example.test")).store, connected) << "no Tavren ID needed";

    const Card signedOut = cards(Fixtures::profile("id@example.test"), std::nullopt).store;
    EXPECT_EQ(std::tie(signedOut.connected, signedOut.email, signedOut.link, signedOut.button, signedOut.action),
              std::make_tuple(false, std::nullopt, std::nullopt, "Connect", Action::connect));
}

TEST(AccountActions, SignInAndConnectOpenTheSheetForTheirPurpose)
{
    ModelHarness harness;
    const auto model = harness.makeModel();
    model->accounts().openSignIn(SignInPurpose::connectStore("Some other reason."));
    model->accounts().setShowSignIn(false);

    test::await(AccountActions::run(*model, Action::signIn));
    EXPECT_EQ(model->accounts().signInPurpose(), SignInPurpose::general());
    EXPECT_TRUE(model->accounts().showSignIn());

    model->accounts().setShowSignIn(false);
    test::await(AccountActions::run(*model, Action::connect));
    EXPECT_EQ(model->accounts().signInPurpose(), SignInPurpose::connectStore("Sign in with the email you bought with."));
    EXPECT_TRUE(model->accounts().showSignIn());
}

TEST(AccountActions, SigningOutOfTavrenIDLeavesTheStoreAlone)
{
    ModelHarness harness;
    harness.holdIdentitySession();
    harness.identity->route("POST", "/id/auth/signout", 503, "{}"); // the service's answer does not matter
    const auto model = harness.makeModel();
    model->accounts().setStoreUser(Fixtures::user("store@example.test"));
    model->accounts().setTavrenProfile(Fixtures::profile("id@example.test"));
    model->accounts().setTavrenSessions({Fixtures::session("s1", "Laptop")});
    model->accounts().setTavrenPurchases({Fixtures::purchase("p1", "a")});

    test::await(AccountActions::run(*model, Action::signOut));
    EXPECT_EQ(model->accounts().tavrenProfile(), std::nullopt);
    EXPECT_TRUE(model->accounts().tavrenSessions().isEmpty());
    EXPECT_TRUE(model->accounts().tavrenPurchases().isEmpty());
    EXPECT_FALSE(harness.identityTokens->load().has_value()) << "the stored session is gone";
    EXPECT_EQ(harness.identity->requestsTo("/id/auth/signout").size(), 1);
    EXPECT_TRUE(model->accounts().storeUser());
    EXPECT_EQ(ModelHarness::bannerTexts(*model), QStringList{"Signed out of Tavren ID."});

    test::await(AccountActions::run(*model, Action::disconnect));
    EXPECT_EQ(model->accounts().storeUser(), std::nullopt);
}

} // namespace
