#include "app/views/store/CarouselPresenter.h"
#include "tests/app/fakes/Fixtures.h"

#include <gtest/gtest.h>

namespace hub {
namespace {

TEST(CarouselPresenter, PositionIsTheIndexModuloTheCount)
{
    struct Case {
        qint64 index;
        qsizetype count;
        std::optional<int> position;
    };
    const Case cases[] = {
        {0, 0, std::nullopt}, {5, 0, std::nullopt}, // nothing to show
        {0, 1, 0}, {9, 1, 0},                       // one product stays
        {0, 3, 0}, {1, 3, 1}, {2, 3, 2}, {3, 3, 0}, // wraps to the first
        {7, 5, 2}, {7, 2, 1},                       // the list shrank under a grown index
    };
    for (const Case& c : cases)
        EXPECT_EQ(CarouselPresenter::position(c.index, c.count), c.position) << c.index << " of " << c.count;
}

TEST(CarouselPresenter, CardTexts)
{
    StorefrontProduct described = Fixtures::product("b", "Bravo");
    described.tagline.clear();
    described.description = "A long description";
    StorefrontProduct bare = Fixtures::product("c", "Charlie");
    bare.tagline.clear();
    const QList<StorefrontProduct> three{Fixtures::product("a", "Alpha"), described, bare};

    using Card = CarouselPresenter::Card;
    EXPECT_EQ(*CarouselPresenter::card(three, 3, "Time & Space"),
        (Card{"TIME & SPACE", "Alpha", "Alpha tagline", "Featured: Alpha", 0, {true, false, false}}));
    EXPECT_EQ(CarouselPresenter::card(three, 4, "Plug-ins")->tagline, "A long description") << "no tagline";
    EXPECT_EQ(CarouselPresenter::card(three, 5, "Plug-ins")->tagline, "") << "neither";
    EXPECT_EQ(CarouselPresenter::card(three, 5, "Plug-ins")->dots, (QList<bool>{false, false, true}));
    EXPECT_EQ(CarouselPresenter::card({three.first()}, 8, "Plug-ins")->dots, QList<bool>{true});
}

} // namespace
} // namespace hub
