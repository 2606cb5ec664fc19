// The product page over a model whose storefront is replaced while the page is open.

#include "app/views/kit/ActionButton.h"
#include "app/views/kit/PlaceholderShot.h"
#include "app/views/kit/ProductIcon.h"
#include "app/views/kit/ScreenshotGallery.h"
#include "app/views/product/ProductPage.h"
#include "app/views/product/ReviewsSection.h"
#include "kit/security/HostPolicy.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"

#include <gtest/gtest.h>

using namespace hub;

TEST(ProductPageUi, EveryPartFollowsTheProductOfANewStorefront)
{
    ModelHarness harness;
    const auto model = harness.makeModel();
    const StorefrontProduct before = Fixtures::product("a", "Alpha", 10.0);
    model->catalog().setStorefront(Fixtures::storefront({before}));
    model->reviews().storePage("a", ReviewPage{"a", {}, {}, std::nullopt});
    ProductPage page(*model, before);
    page.show();
    const ActionButton* action = page.findChild<ActionButton*>();
    ASSERT_NE(action, nullptr);
    ASSERT_EQ(action->state().title, model->cart().price(*before.defaultVariation));

    StorefrontProduct after = Fixtures::product("a", "Alpha Two", 25.0);
    after.iconUrl = QStringLiteral("https://%1/icons/new.png").arg(*HostPolicy::tavren().assetHosts.begin());
    model->catalog().setStorefront(Fixtures::storefront({after}));
    EXPECT_TRUE(test::eventually([&] { return action->state().title == model->cart().price(*after.defaultVariation); }))
        << action->state().title.toStdString();

    // The header's icon, the gallery's stand-ins and the reviews' empty text take the new name and icon.
    const QUrl icon(*after.iconUrl);
    QList<ProductIcon*> header;
    for (ProductIcon* shown : page.findChildren<ProductIcon*>())
        if (shown->width() == 140)
            header.append(shown);
    ASSERT_EQ(header.size(), 1);
    EXPECT_EQ(header.first()->url(), icon);
    ASSERT_FALSE(page.gallery()->cells().isEmpty());
    for (QWidget* cell : page.gallery()->cells()) {
        EXPECT_EQ(cell->accessibleName(), "Alpha Two preview placeholder");
        EXPECT_EQ(cell->findChild<ProductIcon*>()->url(), icon);
    }
    EXPECT_TRUE(test::eventually([&] {
        return page.reviews()->screen().message == "No reviews yet. If you own or have tried Alpha Two, yours can be the first.";
    })) << page.reviews()->screen().message.toStdString();
}
