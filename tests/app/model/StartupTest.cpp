#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace hub;
using namespace std::chrono_literals;
using test::await;

TEST(Startup, TheSnapshotShowsBeforeAnyNetworkCallAndTheWelcomeOnce)
{
    ModelHarness harness;
    const Storefront cached = Fixtures::storefront({Fixtures::product("tv-reverb", "Reverb")});
    harness.snapshots().save(QJsonDocument(cached.toJson()), "storefront");
    const Storefront live = Fixtures::storefront({Fixtures::product("tv-gate", "Gate")});
    harness.store.serveStorefront(live);

    const auto model = harness.makeModel();
    EXPECT_EQ(model->catalog().storefront(), cached);
    EXPECT_TRUE(model->catalog().storefrontIsCached());
    EXPECT_EQ(model->catalog().searchResults("reverb").size(), 1);
    EXPECT_TRUE(harness.store.transport()->requests().isEmpty());

    await(model->start());
    EXPECT_EQ(model->catalog().storefront(), live);
    EXPECT_FALSE(model->catalog().storefrontIsCached());
    ASSERT_EQ(model->banners().banners().size(), 1);
    EXPECT_EQ(model->banners().banners()[0].text, Startup::welcome);
    EXPECT_TRUE(harness.settings->value("betaWelcomeShown").toBool());
    EXPECT_EQ(harness.sleeper.pending(), (QList<std::chrono::milliseconds>{6s, 21'600s})) << "banner and update loop";

    // Starting again (the window shown once more) refreshes but shows, opens and loops nothing more.
    await(model->start());
    EXPECT_EQ(harness.store.calls(FakeStore::storefrontPath), 2);
    EXPECT_EQ(harness.sleeper.pending().size(), 2);

    harness.sleeper.advance(6s);
    const auto later = harness.makeModel();
    await(later->start());
    EXPECT_TRUE(later->banners().banners().isEmpty());

    harness.arguments = {"tavren-hub", "--cold"};
    EXPECT_EQ(harness.makeModel()->catalog().storefront(), std::nullopt);
}

TEST(Startup, LaunchArgumentsOpenOnceTheFirstRefreshIsDone)
{
    struct Case {
        QStringList arguments;
        std::optional<HubSection> selection;
        QStringList path;
        QString search;
        bool signIn;
    };
    const Case cases[] = {
        {{}, HubSection::discover, {}, {}, false},
        {{"--open", "section:library"}, HubSection::library, {}, {}, false},
        {{"--open", "section:Library"}, std::nullopt, {}, {}, false},
        {{"--open", "product:tv-gate"}, HubSection::discover, {"tv-gate"}, {}, false},
        {{"--open", "signin"}, HubSection::discover, {}, {}, false},
        {{"--open", "signin:"}, HubSection::discover, {}, {}, false},
        {{"--open", ":now"}, HubSection::discover, {}, {}, false},
        {{"--open", "signin:now"}, HubSection::discover, {}, {}, true},
        {{"--open", "search:tape:echo"}, HubSection::discover, {}, "tape:echo", false},
        {{"--open", "Section:library"}, HubSection::discover, {}, {}, false},
        {{"--open"}, HubSection::discover, {}, {}, false},
    };
    for (const Case& c : cases) {
        ModelHarness harness;
        harness.store.serveStorefront(Fixtures::storefront({Fixtures::product("tv-gate", "Gate")}));
        harness.arguments = QStringList{"tavren-hub"} + c.arguments;
        const auto model = harness.makeModel();
        model->accounts().setSignInPurpose(SignInPurpose::connectStore("earlier"));
        await(model->start());
        const QString label = c.arguments.join(' ');
        EXPECT_EQ(model->navigation().selection(), c.selection) << label.toStdString();
        EXPECT_EQ(model->navigation().path(), c.path) << label.toStdString();
        EXPECT_EQ(model->navigation().search(), c.search) << label.toStdString();
        EXPECT_EQ(model->accounts().showSignIn(), c.signIn) << label.toStdString();
        EXPECT_EQ(model->accounts().signInPurpose().isGeneral(), c.signIn) << label.toStdString();
    }
}

TEST(Startup, CheckoutAndSnapshotArguments)
{
    ModelHarness harness;
    StorefrontProduct gate = Fixtures::product("tv-gate", "Gate");
    harness.store.serveStorefront(Fixtures::storefront({gate, Fixtures::product("tv-cleaner", "Cleaner", std::nullopt)}));
    for (const QString& product : {QStringLiteral("tv-gate"), QStringLiteral("tv-cleaner"), QStringLiteral("tv-none")}) {
        harness.arguments = {"tavren-hub", "--open", "checkout:" + product};
        const auto model = harness.makeModel();
        QList<QList<CartLine>> asked;
        QObject::connect(&model->startup(), &Startup::checkoutRequested, [&](const QList<CartLine>& lines, bool clears) {
            EXPECT_FALSE(clears);
            asked.append(lines);
        });
        await(model->start());
        const QList<QList<CartLine>> expected =
            product == "tv-gate" ? QList<QList<CartLine>>{{CartLine{gate, *gate.defaultVariation}}} : QList<QList<CartLine>>{};
        EXPECT_EQ(asked, expected) << product.toStdString();
    }

    // "--snapshot DIR" hands the folder and the model to the snapshotter after the refresh.
    harness.arguments = {"tavren-hub", "--snapshot", "shots", "--fixtures", "fixtures"};
    Services services = harness.services();
    QStringList rendered;
    services.snapshotter = [&](const QString& folder, AppModel& model) -> QCoro::Task<> {
        rendered.append(folder + ":" + QString::number(model.catalog().products().size()));
        co_return;
    };
    AppModel model(std::move(services));
    EXPECT_EQ(model.fixtureDirectory(), QDir::current().absoluteFilePath("fixtures"));
    await(model.start());
    EXPECT_EQ(rendered, QStringList{"shots:1"});

    // "--fixtures" alone is ignored.
    EXPECT_EQ(LaunchArguments({"tavren-hub", "--fixtures", "fixtures"}).fixtureDirectory(), std::nullopt);
}
