#include "app/views/store/SearchResultsPresenter.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"

#include <gtest/gtest.h>

namespace hub {
namespace {

// The pane over the model's own ranking, as the view builds it.
class SearchResults : public ::testing::Test {
protected:
    SearchResults() : model(harness.makeModel())
    {
        StorefrontProduct hall = Fixtures::product("hall", "Hall Reverb");
        StorefrontProduct plate = Fixtures::product("plate", "reverb plate");
        StorefrontProduct spring = Fixtures::product("spring", "Reverb Spring");
        StorefrontProduct tape = Fixtures::product("tape", "Tape Delay");
        tape.description = QString::fromUtf8("Warm échos");
        StorefrontProduct unsold = Fixtures::product("unsold", "Reverb Unsold", std::nullopt);
        model->catalog().setStorefront(Fixtures::storefront({hall, plate, spring, tape, unsold}));
        model->catalog().setExtras(Fixtures::extras({"Echo Box", "Reverb Lab"}));
    }

    SearchResultsPresenter::Screen screen(const QString& search) const
    {
        return SearchResultsPresenter::present(search, model->catalog().searchResults(search), model->catalog().searchExtras(search));
    }

    static QStringList names(const SearchResultsPresenter::Screen& screen)
    {
        QStringList list;
        for (const StorefrontProduct& p : screen.products)
            list << p.name;
        for (const ExtrasItem& i : screen.items)
            list << "extra:" + i.name;
        return list;
    }

    ModelHarness harness;
    std::unique_ptr<AppModel> model;
};

TEST_F(SearchResults, RankingAcrossStoreAndExtras)
{
    struct Case {
        QString search;
        QStringList names;
    };
    const Case cases[] = {
        // Names that begin with the first token first, each group by plain name; extras in feed order.
        {"reverb", {"Reverb Spring", "reverb plate", "Hall Reverb", "extra:Reverb Lab"}},
        {"spring reverb", {"Reverb Spring"}}, // any order of tokens
        {QString::fromUtf8("ÉCHOS"), {"Tape Delay"}},
        {"echo", {"Tape Delay", "extra:Echo Box"}},
        {"unsold", {}}, // listed by the store, not shown by it
        {"reverb nothing", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(names(screen(c.search)), c.names) << c.search.toStdString();
}

TEST_F(SearchResults, Texts)
{
    const SearchResultsPresenter::Screen found = screen(" lab\t"); // extras alone; the text as typed
    EXPECT_EQ(found.title, "Results for \" lab\t\"");
    EXPECT_EQ(found.subtitle, "Press Return to open the first match");
    EXPECT_EQ(found.nothing, std::nullopt);
    EXPECT_EQ(found.storeTitle, "Store");
    EXPECT_EQ(found.extrasTitle, "Free Tools and Early Access");

    const SearchResultsPresenter::Screen none = screen("zzz");
    EXPECT_EQ(none.title, "Results for \"zzz\"");
    EXPECT_EQ(none.subtitle, std::nullopt);
    EXPECT_EQ(none.nothing, "Nothing in the Tavren store matches that.");
}

} // namespace
} // namespace hub
