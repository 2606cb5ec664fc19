#include "app/views/kit/ModelActions.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <unicode/locid.h>

using namespace hub;

namespace {

// Prices are formatted for the default locale; read here in en_US.
class ModelActionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UErrorCode status = U_ZERO_ERROR;
        icu::Locale::setDefault(icu::Locale("en_US"), status);
        harness.store.serveStorefront(Fixtures::storefront({}));
    }

    ModelHarness harness;
};

} // namespace

TEST_F(ModelActionsTest, PricesAreTheModelsPriceText)
{
    const auto model = harness.makeModel();
    ProductActions& actions = ModelActions::of(*model);
    const struct {
        PriceMap price;
        Recurrence recurrence;
        QString currency;
        QString text;
    } cases[] = {
        {{{"EUR", 12.5}, {"USD", 14}}, {}, "USD", "$14.00"},
        {{{"EUR", 9}}, {"Recurring", "Month"}, "EUR", QStringLiteral("€9.00 / month")},
        {{{"EUR", 0}}, {}, "EUR", "Free"},
        {{}, {}, "EUR", ""},
    };
    for (const auto& c : cases) {
        model->preferences().setCurrency(c.currency);
        const PricingVariation variation{QStringLiteral("v"), {}, {}, c.price, false, c.recurrence};
        EXPECT_EQ(actions.price(variation), c.text) << c.text.toStdString();
    }
}

TEST_F(ModelActionsTest, BuyingChecksOutTheProductAloneAndLeavesTheCart)
{
    const QJsonObject order{{"id", "order-1"}, {"status", "Open"}, {"currency", "EUR"}, {"items", QJsonArray{}},
                            {"checkoutUrl", "https://tavren.store.example/checkout/1"}};
    harness.store.transport()->route("PATCH", "/api/customer/orders/", 200, QJsonDocument(order).toJson());
    const auto model = harness.makeModel();
    ProductActions& actions = ModelActions::of(*model);
    const StorefrontProduct inCart = Fixtures::product("b", "Beta", 20);
    model->cart().addToCart(inCart);

    actions.buy(Fixtures::product("c", "Gamma", std::nullopt));
    EXPECT_EQ(harness.store.calls("/api/customer/orders/"), 0) << "no default variation, nothing to buy";

    actions.buy(Fixtures::product("a", "Alpha", 10));
    ASSERT_TRUE(test::eventually([&] { return model->checkout().checkout().has_value(); }));
    EXPECT_EQ(model->checkout().checkout()->productIds, QStringList({"a"}));
    EXPECT_FALSE(model->checkout().checkout()->clearsCart);
    ASSERT_EQ(model->cart().cart().size(), 1);
    EXPECT_EQ(model->cart().cart().first().product.id, "b");
}
