// A cart checkout against the devstore, settled through its control endpoint.

#include "tests/devstore/DevstoreTest.h"

#include "kit/deployment/Deployment.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/DevstoreModel.h"

using namespace hub;

namespace {
class CheckoutAgainstDevstore : public test::DevstoreTest {};
} // namespace

TEST_F(CheckoutAgainstDevstore, APaidCartOrderEmptiesTheCartAndIsOwned)
{
    DevstoreModel devstore;
    ASSERT_TRUE(devstore.refreshAndSignIn());
    AppModel& model = *devstore.model;
    ASSERT_FALSE(model.catalog().owns("tv-saturator"));

    const std::optional<StorefrontProduct> saturator = model.catalog().storeProduct("tv-saturator");
    ASSERT_TRUE(saturator);
    model.cart().addToCart(*saturator);
    test::await(model.checkout().beginCheckout(model.cart().cart(), true));
    ASSERT_TRUE(model.checkout().checkout());
    const CheckoutSession session = *model.checkout().checkout();
    EXPECT_EQ(session.url.host(), Deployment::current().apiHost);
    EXPECT_EQ(model.cart().cart().size(), 1) << "the cart waits for the payment";

    const QJsonObject paid = store->control("POST", "/__devstore/orders/" + session.orderId, {{"status", "Paid"}});
    EXPECT_EQ(paid.value("status").toString(), "Paid");
    const Order order = model.services().client->order(session.orderId);
    EXPECT_EQ(order.status, OrderStatus::paid);
    test::await(model.checkout().checkoutFinished(session, order));
    EXPECT_EQ(model.checkout().checkout(), std::nullopt);
    EXPECT_TRUE(model.cart().cart().isEmpty());
    EXPECT_TRUE(model.catalog().owns("tv-saturator"));
    EXPECT_FALSE(model.accounts().showSignIn()) << "the store account is connected";
}

TEST_F(CheckoutAgainstDevstore, ACheckoutTheStoreRefusesSaysWhy)
{
    DevstoreModel devstore;
    ASSERT_TRUE(devstore.refreshAndSignIn());
    AppModel& model = *devstore.model;
    model.preferences().setCurrency("GBP");
    const std::optional<StorefrontProduct> tape = model.catalog().storeProduct("tv-tape"); // priced in USD only
    ASSERT_TRUE(tape);
    model.cart().addToCart(*tape);
    test::await(model.checkout().beginCheckout(model.cart().cart(), true));
    EXPECT_EQ(model.checkout().checkout(), std::nullopt);
    EXPECT_EQ(model.banners().banners().last().text, "The store returned 422. A line names no variation that is sold in GBP.");
    EXPECT_EQ(model.banners().banners().last().tone, Banner::Tone::failure);
    EXPECT_EQ(model.cart().cart().size(), 1);
}
