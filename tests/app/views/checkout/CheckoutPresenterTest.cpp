#include "app/views/checkout/CheckoutPresenter.h"

#include <gtest/gtest.h>

using namespace hub;

TEST(CheckoutPresenter, StatusLine)
{
    const struct {
        OrderStatus status;
        bool returned;
        const char* text;
    } cases[] = {
        {OrderStatus::paid, false, "Paid"},
        {OrderStatus::completed, true, "Paid"},
        {OrderStatus::failed, true, "Payment failed"},
        {OrderStatus::paymentProcessing, false, "Processing payment"},
        {OrderStatus::open, true, "Confirming"},
        {OrderStatus::unknown, true, "Confirming"},
        {OrderStatus::open, false, "Payment by Moonbase"},
        {OrderStatus::unknown, false, "Payment by Moonbase"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CheckoutPresenter::statusText(c.status, c.returned), c.text) << toString(c.status).toStdString() << c.returned;
}

TEST(CheckoutPresenter, LockShowsAndSaysWhetherThePageIsSecure)
{
    for (const bool secure : {true, false}) {
        const CheckoutPresenter::Header header = CheckoutPresenter::present({"store.test", secure});
        EXPECT_EQ(header.lockSymbol, secure ? "lock.fill" : "lock.open.fill");
        EXPECT_EQ(header.lockGreen, secure);
        EXPECT_EQ(header.lockName, secure ? "Secure" : "Not secure");
    }
}
