#include "app/model/Catalog.h"
#include "app/model/SearchText.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"

#include <gtest/gtest.h>

using namespace hub;

namespace {

QStringList ids(const QList<StorefrontProduct>& products)
{
    QStringList list;
    for (const StorefrontProduct& p : products)
        list.append(p.id);
    return list;
}

} // namespace

TEST(CatalogQueries, FoldingAndTokens)
{
    struct Case {
        QString text;
        QString folded;
    };
    const Case cases[] = {
        {"Réverb", "reverb"},
        {"RÉVERB", "reverb"},
        {QString::fromUtf8("ＲＥＶＥＲＢ"), "reverb"},           // full-width letters
        {QString::fromUtf8("ｶﾀｶﾅ"), QString::fromUtf8("カタカナ")}, // half-width katakana
        {QString::fromUtf8("Ångström Æther"), QString::fromUtf8("angstrom æther")},
        {"Plug-ins & Co", "plug-ins & co"},
        {QString::fromUtf8("Cafe\u0301  ＴＡＰＥ Ö"), "cafe  tape o"}, // words fold apart, a mark still joins its letter
    };
    for (const Case& c : cases)
        EXPECT_EQ(SearchText::fold(c.text), c.folded) << c.text.toStdString();

    EXPECT_EQ(SearchText::tokens(QString::fromUtf8(" tape\tdelay\n\u00a0warm  ")), (QStringList{"tape", "delay", "warm"}));
    EXPECT_TRUE(SearchText::tokens(" \t ").isEmpty());
    EXPECT_TRUE(SearchText::plainLess("Zeta", "alpha"));
    EXPECT_TRUE(SearchText::plainLess(QString::fromUtf8("e\u0301a"), QString::fromUtf8("\u00e9b"))) << "canonically equal prefixes";
}

TEST(CatalogQueries, SearchMatchesEveryTokenAndRanksNamePrefixesFirst)
{
    ModelHarness harness;
    const auto model = harness.makeModel();
    StorefrontProduct hall = Fixtures::product("hall", "Hall of Reverb");
    hall.description = "A big room";
    StorefrontProduct spring = Fixtures::product("spring", "reverb spring");
    StorefrontProduct plate = Fixtures::product("plate", "Reverb Plate");
    StorefrontProduct hidden = Fixtures::product("hidden", "Reverb Hidden", std::nullopt);
    StorefrontProduct tape = Fixtures::product("tv-tape", QString::fromUtf8("Tápe Échö"));
    StorefrontProduct unknown = Fixtures::product("mystery", "Mystery");
    model->catalog().setStorefront(Fixtures::storefront({hall, spring, plate, hidden, tape, unknown}));

    struct Case {
        QString query;
        QStringList expected;
    };
    const Case cases[] = {
        {"", {}},
        {"   \t", {}},
        {"reverb", {"plate", "spring", "hall"}}, // prefixes in plain name order, then the rest
        {"REVERB plate", {"plate"}},
        {"big reverb", {"hall"}},                  // description and name; the prefix rule uses "big" only
        {"reverb big", {"hall"}},
        {"tape echo", {"tv-tape"}},                // diacritics fold both ways
        {QString::fromUtf8("ÉCHØ"), {}},           // ø is a letter of its own, not o with a mark
        {"saturation", {"tv-tape"}},               // the catalog's category
        {"plug", {"hall", "mystery", "plate", "tv-tape", "spring"}}, // the kind word, of unknown ids too
        {"erb plat", {"plate"}},                   // inside words
    };
    for (const Case& c : cases)
        EXPECT_EQ(ids(model->catalog().searchResults(c.query)), c.expected) << c.query.toStdString();

    // A product without a default variation turns up once it is owned.
    model->accounts().setStoreOwned({Fixtures::summary("hidden", "Reverb Hidden")});
    EXPECT_EQ(ids(model->catalog().searchResults("hidden")), QStringList{"hidden"});

    // A new storefront is searched at once.
    plate.name = "Plate Machine";
    model->catalog().setStorefront(Fixtures::storefront({plate}));
    EXPECT_EQ(ids(model->catalog().searchResults("machine")), QStringList{"plate"});
}

TEST(CatalogQueries, ShownOwnedKindAndFreeProducts)
{
    ModelHarness harness;
    const auto model = harness.makeModel();
    StoreCatalog& catalog = model->catalog();
    EXPECT_TRUE(catalog.products().isEmpty());

    StorefrontProduct free = Fixtures::product("tv-panner", "Panner", 0.0);
    StorefrontProduct discounted = Fixtures::product("tv-chorus", "Chorus", 0.0);
    discounted.defaultVariation->originalPrice = {{"EUR", 25.0}};
    catalog.setStorefront(Fixtures::storefront({Fixtures::product("tv-notes", "Notes"), Fixtures::product("tv-cleaner", "Cleaner", std::nullopt),
        Fixtures::product("tv-game", "Game", 0.0), free, discounted, Fixtures::product("tv-legacy", "Legacy")}));

    EXPECT_EQ(ids(catalog.products()), (QStringList{"tv-notes", "tv-game", "tv-panner", "tv-chorus", "tv-legacy"}));
    model->accounts().setStoreUser(Fixtures::user("ada@example.test", "Ada", QStringList{"tv-cleaner"}));
    EXPECT_EQ(ids(catalog.products(ProductKind::app)), (QStringList{"tv-notes", "tv-cleaner"}));
    EXPECT_EQ(ids(catalog.products(ProductKind::game)), QStringList{"tv-game"});
    EXPECT_EQ(ids(catalog.products(ProductKind::plugIn)), (QStringList{"tv-panner", "tv-chorus", "tv-legacy"}));
    EXPECT_EQ(ids(catalog.freeProducts()), (QStringList{"tv-game", "tv-panner"}));
    EXPECT_EQ(catalog.storeProduct("tv-game")->name, "Game");
    EXPECT_EQ(catalog.storeProduct("TV-GAME"), std::nullopt);

    EXPECT_EQ(Catalog::entries().size(), 23);
    EXPECT_EQ(Catalog::entry("TV-REVERB"), (CatalogEntry{ProductKind::plugIn, "Plug-ins", ""}));
    QStringList shelves{"Plug-ins", "Health", "Dynamics", "Games", "Instruments"};
    std::stable_sort(shelves.begin(), shelves.end(), Catalog::shelfOrder);
    EXPECT_EQ(shelves, (QStringList{"Instruments", "Dynamics", "Health", "Games", "Plug-ins"}));
}
