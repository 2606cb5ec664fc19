#include "app/model/Catalog.h"
#include "app/views/store/BrowsePresenter.h"
#include "tests/app/fakes/Fixtures.h"

#include <gtest/gtest.h>

namespace hub {
namespace {

QStringList names(const QList<StorefrontProduct>& products)
{
    QStringList list;
    for (const StorefrontProduct& p : products)
        list << p.name;
    return list;
}

// Category per id from a table of the test's own; anything else the catalog's fallback.
std::function<QString(const QString&)> categories(QHash<QString, QString> table)
{
    return [table](const QString& id) { return table.value(id, Catalog::entry(id).category); };
}

TEST(BrowsePresenter, GroupsByCategoryInShelfOrderAndSortsNames)
{
    const QList<StorefrontProduct> products{
        Fixtures::product("d1", "gate"),
        Fixtures::product("x1", "Zed"),
        Fixtures::product("d2", "Compressor"),
        Fixtures::product("i1", "Synth"),
        Fixtures::product("unknown", "Legacy"),
        Fixtures::product("y1", "Yak"),
        Fixtures::product("d3", "Compressor", 20.0),
        Fixtures::product("w1", "Woo"),
    };
    const auto table = categories({{"d1", "Dynamics"}, {"d2", "Dynamics"}, {"d3", "Dynamics"}, {"i1", "Instruments"},
        {"x1", "Zebra"}, {"y1", "Aardvark"}, {"w1", "Zebra"}});
    const BrowsePresenter::Page page = BrowsePresenter::browse(ProductKind::plugIn, products, table);

    QStringList shelves;
    for (const BrowsePresenter::Shelf& shelf : page.shelves)
        shelves << shelf.title + ": " + names(shelf.products).join(", ");
    EXPECT_EQ(shelves, (QStringList{
                           "Instruments: Synth",
                           "Dynamics: Compressor, Compressor, gate", // capitals before lower case
                           "Aardvark: Yak",    // unlisted categories after the listed ones, by text
                           "Plug-ins: Legacy", // the catalog's fallback for an unknown id
                           "Zebra: Woo, Zed",
                       }));
    // Equal names keep the store's order.
    EXPECT_EQ(page.shelves.at(1).products.at(0).id, "d2");

    EXPECT_EQ(page.subtitle, "VST3 and Audio Unit, for every Mac DAW");
    EXPECT_EQ(BrowsePresenter::browse(ProductKind::app, {}, table).subtitle, "For your computer");
    EXPECT_EQ(BrowsePresenter::browse(ProductKind::game, {}, table).subtitle, "For your computer");
}

TEST(BrowsePresenter, WishlistSavedBuyableAndAddAll)
{
    const StorefrontProduct a = Fixtures::product("a", "Alpha");
    const StorefrontProduct b = Fixtures::product("b", "Bravo");
    const StorefrontProduct c = Fixtures::product("c", "Charlie");
    const StorefrontProduct ownedUnsold = Fixtures::product("o", "Owned", std::nullopt);
    const QList<StorefrontProduct> shown{a, b, c, ownedUnsold};

    struct Case {
        const char* name;
        QSet<QString> saved;
        QSet<QString> owned;
        bool empty;
        QString shelf;
        QStringList buyable;
        std::optional<QString> addAll;
    };
    const Case cases[] = {
        {"nothing saved", {}, {}, true, {}, {}, std::nullopt},
        {"only ids the store no longer lists", {"gone", "retired"}, {}, true, {}, {}, std::nullopt},
        {"one buyable", {"b"}, {}, false, "1 saved", {"b"}, std::nullopt},
        {"two buyable, in store order", {"c", "a", "gone"}, {}, false, "2 saved", {"a", "c"}, "Add all 2 to cart"},
        {"two of three owned", {"a", "b", "c"}, {"a", "b"}, false, "3 saved", {"c"}, std::nullopt},
        {"owned without a variation is listed, never buyable", {"o", "a", "b"}, {"o"}, false, "3 saved", {"a", "b"},
            "Add all 2 to cart"},
    };
    for (const Case& c : cases) {
        const QSet<QString> owned = c.owned;
        const BrowsePresenter::Wishlist list =
            BrowsePresenter::wishlist(shown, c.saved, [owned](const QString& id) { return owned.contains(id); });
        EXPECT_EQ(list.empty, c.empty) << c.name;
        EXPECT_EQ(list.page.title, "Wishlist") << c.name;
        EXPECT_EQ(list.page.shelves.isEmpty() ? QString() : list.page.shelves.first().title, c.shelf) << c.name;
        QStringList buyable;
        for (const StorefrontProduct& p : list.buyable)
            buyable << p.id;
        EXPECT_EQ(buyable, c.buyable) << c.name;
        EXPECT_EQ(list.addAll, c.addAll) << c.name;
    }
}

} // namespace
} // namespace hub
