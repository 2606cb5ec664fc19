// The account page's header, devices and purchases, from the model's accounts.

#include "app/views/account/AccountView.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"

#include <gtest/gtest.h>

using namespace hub;
using Header = AccountPresenter::Header;

namespace {

struct HeaderCase {
    const char* what;
    std::optional<User> storeUser;
    std::optional<TavrenIDProfile> profile;
    Header expected;
};

TEST(AccountPresenter, TheHeaderNamesWhoIsSignedIn)
{
    const User named = Fixtures::user("store@example.test", "Ada Lovelace");
    const User nameless = Fixtures::user("store@example.test", "");
    const TavrenIDProfile id = Fixtures::profile("id@example.test");
    const QList<HeaderCase> cases{
        {"signed out", std::nullopt, std::nullopt, {"?", false, "Not signed in", std::nullopt, "0 products"}},
        {"Tavren ID only: the address once", std::nullopt, id, {"id@example.test", true, "id@example.test", std::nullopt, "0 products"}},
        {"both: the store name over the ID's address", named, id,
         {"id@example.test", true, "Ada Lovelace", QStringLiteral("id@example.test"), "0 products"}},
        {"store without a name", nameless, std::nullopt, {"store@example.test", true, "store@example.test", std::nullopt, "0 products"}},
        {"store with a name", named, std::nullopt,
         {"store@example.test", true, "Ada Lovelace", QStringLiteral("store@example.test"), "0 products"}},
    };
    ModelHarness harness;
    const auto model = harness.makeModel();
    for (const HeaderCase& c : cases) {
        model->accounts().setStoreUser(c.storeUser);
        model->accounts().setTavrenProfile(c.profile);
        EXPECT_EQ(AccountPresenter::present(AccountView::input(*model)).header, c.expected) << c.what;
    }
    // Only storefront products count, with one plural word for every number.
    model->catalog().setStorefront(Fixtures::storefront({Fixtures::product("a", "Alpha"), Fixtures::product("b", "Beta")}));
    model->accounts().setTavrenProfile(Fixtures::profile("id@example.test", QStringList{"a", "gone"}));
    EXPECT_EQ(AccountPresenter::present(AccountView::input(*model)).header.count, "1 products");
}

TEST(AccountPresenter, DeviceSymbolsTestSubstringsInOrder)
{
    const QList<std::pair<QString, QString>> cases{
        {"Safari on iPhone", "iphone"},         {"Chrome on Android phone", "iphone"}, {"Tavren Hub on MacBook Pro", "laptopcomputer"},
        {"Windows on a Mac", "laptopcomputer"}, {"Tavren HUB", "laptopcomputer"},      {"Firefox on Windows", "pc"},
        {"Firefox on Linux", "pc"},             {"iPad", "globe"},                     {"Machine", "laptopcomputer"},
        {"", "globe"},
    };
    for (const auto& [label, symbol] : cases)
        EXPECT_EQ(AccountPresenter::icon(label), symbol) << label.toStdString();
}

TEST(AccountPresenter, DeviceRows)
{
    TavrenIDSession here = Fixtures::session("s1", "Tavren Hub on MacBook Pro");
    here.current = true;
    here.lastSeenAt = "2026-03-01T09:30:00Z";
    here.createdAt = "2025-01-01T00:00:00Z";
    TavrenIDSession created = Fixtures::session("s2", "Safari on iPhone");
    created.current = false;
    created.createdAt = "2026-02-11T08:00:00Z";
    const TavrenIDSession bare = Fixtures::session("s3", "iPad"); // no times, current absent
    TavrenIDSession shortTime = Fixtures::session("s4", "Firefox on Linux");
    shortTime.lastSeenAt = "🌍🌍🌍 2026-03-01"; // ten characters counted as a person sees them
    shortTime.createdAt = "2026";

    AccountPresenter::Input input;
    input.sessions = {here, created, bare, shortTime};
    const QList<AccountPresenter::Device> rows = AccountPresenter::present(input).devices;
    const QList<AccountPresenter::Device> expected{
        {"s1", "Tavren Hub on MacBook Pro", "laptopcomputer", QStringLiteral("Last active 2026-03-01"), true},
        {"s2", "Safari on iPhone", "iphone", QStringLiteral("Last active 2026-02-11"), false},
        {"s3", "iPad", "globe", std::nullopt, false},
        {"s4", "Firefox on Linux", "pc", QStringLiteral("Last active 🌍🌍🌍 2026-0"), false},
    };
    EXPECT_EQ(rows, expected);
}

TEST(AccountPresenter, PurchaseRows)
{
    StorefrontProduct reverb = Fixtures::product("tv-reverb", "TV Reverb");
    reverb.iconUrl = "https://assets.example.test/reverb.png";
    TavrenIDPurchase known = Fixtures::purchase("p1", "tv-reverb");
    known.status = "completed";
    known.purchasedAt = "2026-01-05T10:00:00Z";
    known.gifted = true;
    TavrenIDPurchase retired = Fixtures::purchase("p2", "tv-retired");
    retired.status = "PARTIALLY refunded";
    retired.purchasedAt = "2026";
    TavrenIDPurchase undated = Fixtures::purchase("p3", "tv-reverb");
    undated.status = "completed";
    undated.gifted = false;
    undated.purchasedAt = std::nullopt;

    AccountPresenter::Input input;
    input.purchases = {known, retired, undated};
    input.product = [&reverb](const QString& id) { return id == reverb.id ? std::optional(reverb) : std::nullopt; };
    const QList<AccountPresenter::Purchase> expected{
        {"p1", "TV Reverb", true, reverb.iconUrl, true, "Completed", "2026-01-05"},
        {"p2", "tv-retired", false, std::nullopt, false, "Partially Refunded", "2026"},
        {"p3", "TV Reverb", true, reverb.iconUrl, false, "Completed", ""},
    };
    EXPECT_EQ(AccountPresenter::present(input).purchases, expected);

    input.product = nullptr; // no storefront yet: every purchase shows its id
    EXPECT_EQ(AccountPresenter::present(input).purchases[0].name, "tv-reverb");
    EXPECT_FALSE(AccountPresenter::present(input).purchases[0].showsIcon);
}

} // namespace
