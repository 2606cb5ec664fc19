#include "app/views/store/DiscoverPresenter.h"
#include "tests/app/fakes/Fixtures.h"

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
    };
    for (const Case& c : cases)
        EXPECT_EQ(ids(DiscoverPresenter::featuredProducts(c.storefront)), c.featured) << c.name;
}

TEST(DiscoverPresenter, ShelfPlan)
{
    // Each shelf as "title | subtitle | See All target | contents".
    const auto rows = [](const DiscoverPresenter::Screen& screen) {
        QStringList list;
        for (const DiscoverPresenter::Shelf& shelf : screen.shelves) {
            QStringList shown = ids(shelf.products);
            for (const ExtrasItem& i : shelf.items)
                shown << i.id;
            list << QStringList{shelf.title, shelf.subtitle.value_or("-"), shelf.seeAll ? toString(*shelf.seeAll) : "-",
                        shown.join(',')}.join(" | ");
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

    EXPECT_EQ(rows(DiscoverPresenter::present(full)), (QStringList{
        "Updates for you | - | updates | tv-reverb",
        "Plug-ins | Effects and instruments for your DAW | plugIns | tv-reverb,tv-gate",
        "Apps | Small Mac tools that do one thing well | apps | tv-notes",
        "Free | - | free | tv-timer",
        "Free Tools | Open source utilities from Tavren, released on GitHub | freeTools | free-eq",
        "Early Access | Games and tools still being built. Expect rough edges. | earlyAccess | game",
        "Not in your library yet | - | - | tv-gate,tv-notes", // neither owned nor free, in the shown order
    }));

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
        for (const QString& row : rows(DiscoverPresenter::present(input)))
            titles << row.section(" | ", 0, 0);
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
}

} // namespace
} // namespace hub
