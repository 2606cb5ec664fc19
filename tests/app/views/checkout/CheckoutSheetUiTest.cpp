// The checkout sheet over a scripted store: the status line follows the polled order,
// "Open in browser" leaves it open, and once the model has let go of its order (closed,
// or replaced by a newer checkout) the sheet polls no more; the model's one last look
// still finishes an order paid just then.

#include "app/views/checkout/CheckoutView.h"

#include "tests/app/fakes/AccessibleWalk.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace hub;
using namespace std::chrono_literals;

namespace {

void answer(ModelHarness& harness, const QString& status)
{
    const QJsonObject order{{"id", "order-1"}, {"status", status}, {"currency", "EUR"}, {"items", QJsonArray{}}};
    harness.store.transport()->route("GET", "/api/customer/orders/order-1", 200, QJsonDocument(order).toJson());
}

} // namespace

TEST(CheckoutSheet, StatusLineFollowsTheOrderUntilTheModelLetsGo)
{
    const CheckoutSession session{"order-1", QUrl("about:blank"), QUrl("https://www.tavren.test/hub/checkout-complete?order=order-1"),
                                  {"Alpha"}, {"a"}, true};
    const struct {
        const char* how;
        std::function<void(AppModel&, CheckoutView&)> leave;
    } cases[] = {
        {"closed", [](AppModel&, CheckoutView& view) { view.closeButton()->click(); }},
        {"replaced", [&](AppModel& model, CheckoutView&) {
             model.checkout().setCheckout(CheckoutSession{"order-2", session.url, session.returnURL, {}, {}, false});
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        ModelHarness harness;
        std::unique_ptr<AppModel> model = harness.makeModel();
        model->cart().addToCart(Fixtures::product("a", "Alpha"));
        model->checkout().setCheckout(session);
        CheckoutView view(*model, session, {{"store.test"}, {}});
        view.openInBrowserButton()->click();
        EXPECT_EQ(harness.desktop.opened, QList<QUrl>{session.url});
        answer(harness, "PaymentProcessing");
        harness.sleeper.advance(4s);
        ASSERT_TRUE(test::eventually([&] { return view.statusLabel()->text() == "Processing payment"; }))
            << "the sheet stays open and polling";

        answer(harness, "Paid");
        c.leave(*model, view);
        ASSERT_TRUE(test::eventually([&] { return model->cart().cart().isEmpty(); })) << "paid as the sheet went";
        EXPECT_TRUE(ModelHarness::bannerTexts(*model).contains("Payment received for Alpha"));
        harness.sleeper.advance(4s);
        QCoreApplication::processEvents();
        EXPECT_EQ(harness.store.calls("/api/customer/orders/"), 2) << "one last look, and no pass after it";
    }
}

TEST(CheckoutSheet, TheHeaderBarNamesItsLockAndButtons)
{
    ModelHarness harness;
    std::unique_ptr<AppModel> model = harness.makeModel();
    const CheckoutSession session{"order-1", QUrl("about:blank"), QUrl("https://www.tavren.test/hub/checkout-complete?order=order-1"),
                                  {"Alpha"}, {"a"}, true};
    CheckoutView view(*model, session, {{"store.test"}, {}});
    view.show();
    QWidget* bar = view.closeButton()->parentWidget();
    const QList<test::Said> said{{QAccessible::Graphic, "Secure"}, {QAccessible::Button, "Open in browser"}, {QAccessible::Button, "Close"}};
    EXPECT_EQ(test::misread(bar, said), QStringList());
}
