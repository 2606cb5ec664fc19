#include "app/views/kit/AccountCommand.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"

#include <gtest/gtest.h>

using namespace hub;
using namespace std::chrono_literals;

TEST(AppModelState, PersistedSettingsAreReadOnceAndWrittenOnEveryAssignment)
{
    ModelHarness harness;
    {
        const auto model = harness.makeModel();
        EXPECT_EQ(model->preferences().currency(), "EUR");
        EXPECT_TRUE(model->preferences().wishlist().isEmpty());
        EXPECT_TRUE(model->preferences().autoUpdate());
        EXPECT_FALSE(harness.settings->contains("autoUpdate")) << "the default is registered, not written";

        model->preferences().setCurrency("USD");
        model->preferences().setWishlist({"tv-reverb"});
        model->preferences().setAutoUpdate(false);
    }
    // What another process (the background updater) reads from the file.
    QSettings file(harness.settings->fileName(), QSettings::IniFormat);
    EXPECT_EQ(file.value("currency").toString(), "USD");
    EXPECT_EQ(file.value("wishlist").toStringList(), QStringList{"tv-reverb"});
    EXPECT_FALSE(file.value("autoUpdate", true).toBool());

    {
        const auto restarted = harness.makeModel();
        EXPECT_EQ(restarted->preferences().currency(), "USD");
        EXPECT_EQ(restarted->preferences().wishlist(), QSet<QString>{"tv-reverb"});
        EXPECT_FALSE(restarted->preferences().autoUpdate());
        // An equal value is still written, which repairs a key removed behind the model's back.
        harness.settings->remove("currency");
        restarted->preferences().setCurrency("USD");
        EXPECT_EQ(harness.settings->value("currency").toString(), "USD");
    }
    harness.settings->remove("autoUpdate");
    EXPECT_TRUE(harness.makeModel()->preferences().autoUpdate());
}

TEST(AppModelState, DerivedAccountValues)
{
    ModelHarness harness;
    const auto model = harness.makeModel();
    Accounts& accounts = model->accounts();
    StoreCatalog& catalog = model->catalog();
    EXPECT_EQ(accounts.displayName(), "Not signed in");
    EXPECT_EQ(accounts.displayEmail(), std::nullopt);

    accounts.setStoreUser(Fixtures::user("nameless@example.test", ""));
    EXPECT_EQ(accounts.displayName(), "nameless@example.test");
    accounts.setStoreUser(Fixtures::user("ada@example.test", "Ada", QStringList{"only-listed"}));
    EXPECT_EQ(accounts.displayName(), "Ada");
    EXPECT_EQ(accounts.displayEmail(), "ada@example.test");

    // Owned records without a storefront list nothing.
    accounts.setStoreOwned({Fixtures::summary("b", "beta"), Fixtures::summary("z", "Zeta")});
    EXPECT_TRUE(catalog.ownedProducts().isEmpty());

    catalog.setStorefront(Fixtures::storefront({Fixtures::product("b", "beta"), Fixtures::product("x", "Unowned"),
        Fixtures::product("only-listed", "Listed"), Fixtures::product("z", "Zeta")}));
    QStringList names;
    for (const StorefrontProduct& p : catalog.ownedProducts())
        names.append(p.name);
    EXPECT_EQ(names, (QStringList{"Zeta", "beta"})) << "plain order: upper case before lower case";
    // The store user's own list counts for owns() but not for the Library.
    EXPECT_TRUE(catalog.owns("only-listed"));
    EXPECT_FALSE(catalog.owns("x"));
}

TEST(AppModelState, NavigationEffects)
{
    ModelHarness harness;
    const auto model = harness.makeModel();
    Navigation& nav = model->navigation();
    EXPECT_EQ(nav.selection(), HubSection::discover);

    nav.setPath({"tv-reverb"});
    nav.setSelection(HubSection::discover);
    EXPECT_EQ(nav.path(), QStringList{"tv-reverb"}) << "the same section keeps the path";
    nav.setSelection(HubSection::library);
    EXPECT_TRUE(nav.path().isEmpty());

    nav.setPath({"tv-reverb"});
    nav.setSearch("r");
    EXPECT_TRUE(nav.path().isEmpty()) << "the first character empties the path";
    nav.setPath({"tv-reverb"});
    nav.setSearch("re");
    nav.setSearch("");
    EXPECT_EQ(nav.path(), QStringList{"tv-reverb"});

    nav.setSelection(HubSection::account);
    nav.show("tv-gate");
    EXPECT_EQ(nav.selection(), HubSection::discover);
    EXPECT_EQ(nav.path(), QStringList{"tv-gate"});

    EXPECT_EQ(hubSectionFromString("Discover"), std::nullopt) << "raw values are case names, not titles";
}

// With text in the search field, a link to a section and the account command (no link) show that
// section, not the results, as the section commands do; a link to a product keeps the search.
TEST(AppModelState, EveryWayThatChoosesASectionLeavesTheSearch)
{
    const struct { HubSection from; QString link; HubSection section; QString search; } cases[] = {
        {HubSection::apps, "tavren-hub:library", HubSection::library, ""},
        {HubSection::apps, "tavren-hub://updates", HubSection::updates, ""},
        {HubSection::library, "tavren-hub:library", HubSection::library, ""},
        {HubSection::apps, "", HubSection::account, ""},
        {HubSection::apps, "tavren-hub://product/tv-reverb", HubSection::apps, "rev"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.link.toStdString());
        ModelHarness harness;
        const auto model = harness.makeModel();
        model->accounts().setTavrenProfile(Fixtures::profile("ada@tavren.test"));
        model->navigation().setSelection(c.from);
        model->navigation().setSearch("rev");
        c.link.isEmpty() ? AccountCommand::run(*model) : model->links().open(c.link);
        EXPECT_EQ(model->navigation().selection(), c.section);
        EXPECT_EQ(model->navigation().search(), c.search);
    }
}

TEST(AppModelState, BannersLeaveAfterTheirLifetime)
{
    ModelHarness harness;
    const auto model = harness.makeModel();
    Banners& banners = model->banners();
    banners.flash(Banner::Tone::failure, "Broken");
    harness.sleeper.advance(1s);
    banners.flash(Banner::Tone::failure, "Broken");
    banners.flash(Banner::Tone::info, "Same");
    banners.flash(Banner::Tone::info, "Same");
    ASSERT_EQ(banners.banners().size(), 4);
    EXPECT_NE(banners.banners()[2].id, banners.banners()[3].id);

    banners.dismiss(banners.banners()[2].id);
    harness.sleeper.advance(6s); // t = 7 s: the remaining info banner is gone
    ASSERT_EQ(banners.banners().size(), 2);
    harness.sleeper.advance(5s); // t = 12 s: the first failure goes, the second stays a second longer
    ASSERT_EQ(banners.banners().size(), 1);
    harness.sleeper.advance(1s);
    EXPECT_TRUE(banners.banners().isEmpty());
}
