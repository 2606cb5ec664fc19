// A checkout in the sheet against the devstore's checkout page: Pay on the page, the
// page heads for the return address, the polled order is paid, the cart is emptied.

#include "tests/devstore/DevstoreTest.h"

#include "app/views/checkout/CheckoutPage.h"
#include "app/views/checkout/CheckoutPoller.h"
#include "app/views/checkout/CheckoutView.h"
#include "app/views/checkout/CheckoutWebView.h"
#include "kit/deployment/Deployment.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/DevstoreModel.h"

#include <QLabel>

using namespace hub;
using namespace std::chrono_literals;

namespace {
class CheckoutSheetAgainstDevstore : public test::DevstoreTest {};
} // namespace

TEST_F(CheckoutSheetAgainstDevstore, PayOnTheStorePageSettlesTheOrderAndEmptiesTheCart)
{
    DevstoreModel devstore;
    ASSERT_TRUE(devstore.refreshAndSignIn());
    AppModel& model = *devstore.model;
    const std::optional<StorefrontProduct> widener = model.catalog().storeProduct("tv-widener");
    ASSERT_TRUE(widener);
    ASSERT_FALSE(model.catalog().owns("tv-widener"));
    model.cart().addToCart(*widener);
    test::await(model.checkout().beginCheckout(model.cart().cart(), true));
    ASSERT_TRUE(model.checkout().checkout());

    CheckoutView view(model, *model.checkout().checkout());
    view.show();
    CheckoutWebView& web = *view.webView();
    ASSERT_TRUE(test::eventually([&] { return !web.loading() && web.host() == Deployment::current().apiHost; }))
        << "the store's page loads through the devstore's host rules and keys";
    EXPECT_TRUE(web.secure());

    web.page()->runJavaScript("document.querySelector('button[value=pay]').click()");
    ASSERT_TRUE(test::eventually([&] { return view.poller()->returned(); })) << "the page heads for the return address";
    EXPECT_EQ(view.statusLabel()->text(), "Confirming");
    EXPECT_EQ(web.host(), Deployment::current().apiHost) << "the return address is never loaded";

    ASSERT_TRUE(test::eventually([&] {
        devstore.sleeper.advance(4s);
        return !model.checkout().checkout();
    })) << "the paid order is handed to the model";
    EXPECT_TRUE(model.cart().cart().isEmpty());
    EXPECT_TRUE(test::eventually([&] { return model.catalog().owns("tv-widener"); }));
}
