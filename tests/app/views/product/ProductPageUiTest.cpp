// The product page over a model whose storefront is replaced while the page is open.

#include "app/views/kit/ActionButton.h"
#include "app/views/product/ProductPage.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"

#include <gtest/gtest.h>

using namespace hub;

TEST(ProductPageUi, TheActionFollowsTheProductOfANewStorefront)
{
    ModelHarness harness;
    const auto model = harness.makeModel();
    const StorefrontProduct before = Fixtures::product("a", "Alpha", 10.0);
    model->catalog().setStorefront(Fixtures::storefront({before}));
    ProductPage page(*model, before);
    page.show();
    const ActionButton* action = page.findChild<ActionButton*>();
    ASSERT_NE(action, nullptr);
    ASSERT_EQ(action->state().title, model->cart().price(*before.defaultVariation));

    const StorefrontProduct after = Fixtures::product("a", "Alpha", 25.0);
    model->catalog().setStorefront(Fixtures::storefront({after}));
    EXPECT_TRUE(test::eventually([&] { return action->state().title == model->cart().price(*after.defaultVariation); }))
        << action->state().title.toStdString();
}
