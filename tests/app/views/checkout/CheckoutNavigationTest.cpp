#include "app/views/checkout/CheckoutNavigation.h"

#include <gtest/gtest.h>

using namespace hub;
using Verdict = CheckoutNavigation::Verdict;
using Frame = CheckoutNavigation::Frame;

namespace {

const CheckoutNavigation navigation(QUrl("https://www.tavren.test/hub/checkout-complete?order=1"),
                                    {{"store.devstore.test"}, {"stripe.com", "stripe.network", "paypal.com", "paypalobjects.com"}});

} // namespace

TEST(CheckoutNavigation, ReturnTopLevelPopupAndSubresourceRules)
{
    const struct {
        const char* url;
        bool isReturn, topLevel, popup, subresource;
    } cases[] = {
        {"https://www.tavren.test/hub/checkout-complete?order=2#top", true, false, false, true},
        {"https://WWW.Tavren.test/hub/checkout-complete", true, false, false, true},
        {"http://www.tavren.test/hub/checkout-complete?order=1", false, false, false, false},
        {"https://www.tavren.test/hub/checkout-complete/", false, false, false, true},
        {"/hub/checkout-complete?order=1", false, false, false, false}, // no scheme or host matches only none
        {"https://STORE.devstore.test/checkout/1", false, true, true, true},
        {"https://shop.store.devstore.test/", false, false, false, true}, // the store host is exact
        {"https://checkout.stripe.com/pay", false, true, true, true},
        {"https://evilstripe.com/", false, false, false, true}, // the letters, not the domain
        {"https://stripe.com.evil.test/", false, false, false, true},
        {"http://www.paypal.com/", false, true, false, false},
        {"about:blank", false, false, true, true},
        {"about:blank#x", false, false, false, true},
        {"", false, false, false, false},
        {"data:image/png;base64,AA==", false, false, false, true},
        {"ws://store.devstore.test/", false, true, false, false},
    };
    for (const auto& c : cases) {
        const QUrl url(c.url);
        EXPECT_EQ(navigation.isReturn(url), c.isReturn) << c.url;
        EXPECT_EQ(navigation.allowsTopLevel(url), c.topLevel) << c.url;
        EXPECT_EQ(navigation.allowsPopup(url), c.popup) << c.url;
        EXPECT_EQ(CheckoutNavigation::allowsSubresource(url), c.subresource) << c.url;
    }
}

TEST(CheckoutNavigation, Policy)
{
    const struct {
        const char* url;
        Frame frame;
        Verdict verdict;
    } cases[] = {
        {"", Frame::main, Verdict::cancel},
        {"https://www.tavren.test/hub/checkout-complete?order=9", Frame::main, Verdict::returned},
        {"https://www.tavren.test/hub/checkout-complete", Frame::sub, Verdict::returned},
        {"http://store.devstore.test/checkout/1", Frame::main, Verdict::cancel},
        {"http://frames.test/", Frame::sub, Verdict::cancel},
        {"data:text/html,hi", Frame::main, Verdict::cancel},
        {"https://frames.test/anything", Frame::sub, Verdict::allow},
        {"https://hooks.stripe.com/3ds", Frame::main, Verdict::allow},
        {"https://other.test/", Frame::newWindow, Verdict::cancel},
        {"https://www.paypal.com/signin", Frame::newWindow, Verdict::allow},
    };
    for (const auto& c : cases)
        EXPECT_EQ(navigation.decide(QUrl(c.url), c.frame), c.verdict) << c.url << " " << int(c.frame);
}
