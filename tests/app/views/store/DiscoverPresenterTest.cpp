#include "app/views/store/DiscoverPresenter.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/QtPrinters.h"

#include <QTimeZone>
#include <gtest/gtest.h>

namespace hub {
namespace {

QStringList ids(const QList<StorefrontProduct>& products)
{
    QStringList list;
    for (const StorefrontProduct& p : products)
        list << p.id;
    return list;
}

TEST(DiscoverPresenter, FeaturedKeepsSlugOrderAndOnlyWhatIsForSale)
{
    const StorefrontProduct reverb = Fixtures::product("tv-reverb", "Reverb");
    const StorefrontProduct synth = Fixtures::product("tv-synth", "Synth");
    const StorefrontProduct widener = Fixtures::product("tv-widener", "Widener");
    const StorefrontProduct unsold = Fixtures::product("tv-compressor", "Compressor", std::nullopt);
    const StorefrontProduct other = Fixtures::product("tv-delay", "Delay");
    struct Case {
        const char* name;
        QList<StorefrontProduct> storefront;
        QStringList featured;
    };
    const Case cases[] = {
        {"no storefront", {}, {}},
        {"slug order, not store order", {widener, other, synth, reverb}, {"tv-reverb", "tv-synth", "tv-widener"}},
        {"no default variation", {unsold, synth}, {"tv-synth"}},
        {"none of the five", {other, unsold}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ids(DiscoverPresenter::featuredProducts(c.storefront)), c.featured) << c.name;
}

// One shelf as the plan gives it: title, subtitle, "See All" target and contents.
struct Row {
    QString title;
    std::optional<QString> subtitle;
    std::optional<HubSection> seeAll;
    QStringList ids;
    bool operator==(const Row& other) const
    {
        return title == other.title && subtitle == other.subtitle && seeAll == other.seeAll && ids == other.ids;
    }
};

TEST(DiscoverPresenter, ShelfPlan)
{
    const auto rows = [](const DiscoverPresenter::Screen& screen) {
        QList<Row> list;
        for (const DiscoverPresenter::Shelf& shelf : screen.shelves) {
            QStringList shown = ids(shelf.products);
            for (const ExtrasItem& i : shelf.items)
                shown << i.id;
            list.append({shelf.title, shelf.subtitle, shelf.seeAll, shown});
        }
        return list;
    };

    DiscoverPresenter::Input full;
    full.updates = {Fixtures::product("tv-reverb", "Reverb")};
    full.plugIns = {Fixtures::product("tv-reverb", "Reverb"), Fixtures::product("tv-gate", "Gate")};
    full.apps = {Fixtures::product("tv-notes", "Notes")};
    full.free = {Fixtures::product("tv-timer", "Timer", 0.0)};
    full.freeTools = {ExtrasItem{.id = "free-eq", .name = "Free EQ"}};
    full.earlyAccess = {ExtrasItem{.id = "game", .name = "Game"}};
    full.products = full.plugIns + full.apps + full.free;
    full.owns = [](const QString& id) { return id == "tv-reverb"; };
    full.signedIn = true;

    const QList<Row> all{
        {"Updates for you", std::nullopt, HubSection::updates, {"tv-reverb"}},
        {"Plug-ins", "Effects and instruments for your DAW", HubSection::plugIns, {"tv-reverb", "tv-gate"}},
        {"Apps", "Small Mac tools that do one thing well", HubSection::apps, {"tv-notes"}},
        {"Free", std::nullopt, HubSection::free, {"tv-timer"}},
        {"Free Tools", "Open source utilities from Tavren, released on GitHub", HubSection::freeTools, {"free-eq"}},
        {"Early Access", "Games and tools still being built. Expect rough edges.", HubSection::earlyAccess, {"game"}},
        // Neither owned nor free, in the shown order; no way to see more.
        {"Not in your library yet", std::nullopt, std::nullopt, {"tv-gate", "tv-notes"}},
    };
    EXPECT_EQ(rows(DiscoverPresenter::present(full)), all);

    struct Case {
        const char* name;
        std::function<void(DiscoverPresenter::Input&)> change;
        QStringList titles;
    };
    const Case cases[] = {
        {"no updates", [](auto& in) { in.updates.clear(); },
            {"Plug-ins", "Apps", "Free", "Free Tools", "Early Access", "Not in your library yet"}},
        {"signed out", [](auto& in) { in.signedIn = false; },
            {"Updates for you", "Plug-ins", "Apps", "Free", "Free Tools", "Early Access"}},
        {"everything owned", [](auto& in) { in.owns = [](const QString&) { return true; }; },
            {"Updates for you", "Plug-ins", "Apps", "Free", "Free Tools", "Early Access"}},
        {"no free products, no feed", [](auto& in) { in.free.clear(); in.freeTools.clear(); in.earlyAccess.clear(); },
            {"Updates for you", "Plug-ins", "Apps", "Not in your library yet"}},
        {"nothing at all", [](auto& in) { in = {}; }, {}},
    };
    for (const Case& c : cases) {
        DiscoverPresenter::Input input = full;
        c.change(input);
        QStringList titles;
        for (const Row& row : rows(DiscoverPresenter::present(input)))
            titles << row.title;
        EXPECT_EQ(titles, c.titles) << c.name;
    }
}

TEST(DiscoverPresenter, DateIsWeekdayDayAndMonthInTheLocalesOrder)
{
    const QDateTime sunday(QDate(2026, 3, 1), QTime(23, 30), QTimeZone::utc());
    struct Case {
        QString locale;
        QString text;
    };
    const Case cases[] = {
        {"en_US", "Sunday, March 1"},
        {"en_GB", "Sunday, 1 March"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DiscoverPresenter::dateText(sunday, c.locale), c.text) << c.locale.toStdString();
    // The day is the one of the date's own zone.
    EXPECT_EQ(DiscoverPresenter::dateText(sunday.toTimeZone(QTimeZone("Europe/Berlin")), "en_US"), "Monday, March 2");
}

} // namespace
} // namespace hub
