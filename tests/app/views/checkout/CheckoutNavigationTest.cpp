#include "app/views/checkout/CheckoutNavigation.h"
#include "app/views/checkout/WebEngineArguments.h"

#include <gtest/gtest.h>

using namespace hub;
using Verdict = CheckoutNavigation::Verdict;
using Frame = CheckoutNavigation::Frame;

namespace {

const CheckoutNavigation navigation(QUrl("https://www.tavren.test/hub/checkout-complete?order=1"),
                                    {{"store.devstore.test"}, {"stripe.com", "stripe.network", "paypal.com", "paypalobjects.com"}});

} // namespace

TEST(CheckoutNavigation, ReturnAddressComparesSchemeHostAndPath)
{
    const struct {
        const char* url;
        bool matches;
    } cases[] = {
        {"https://www.tavren.test/hub/checkout-complete?order=1", true},
        {"https://www.tavren.test/hub/checkout-complete?order=2#top", true},
        {"https://www.tavren.test/hub/checkout-complete", true},
        {"https://WWW.Tavren.test/hub/checkout-complete", true}, // host names have no case
        {"http://www.tavren.test/hub/checkout-complete?order=1", false},
        {"https://tavren.test/hub/checkout-complete?order=1", false},
        {"https://www.tavren.test/hub/checkout-complete/?order=1", false},
        {"https://www.tavren.test/hub/Checkout-Complete?order=1", false},
        {"/hub/checkout-complete?order=1", false}, // no scheme or host matches only none
    };
    for (const auto& c : cases)
        EXPECT_EQ(navigation.isReturn(QUrl(c.url)), c.matches) << c.url;
}

TEST(CheckoutNavigation, TopLevelHosts)
{
    const struct {
        const char* url;
        bool allowed;
    } cases[] = {
        {"https://store.devstore.test/checkout/1", true},
        {"https://STORE.devstore.test/", true},
        {"https://shop.store.devstore.test/", false}, // the store host is exact
        {"https://stripe.com/", true},
        {"https://checkout.stripe.com/pay", true},
        {"https://js.stripe.network/", true},
        {"https://www.paypalobjects.com/", true},
        {"https://evilstripe.com/", false},  // ends with the letters, not the domain
        {"https://stripe.com.evil.test/", false},
        {"https://paypal.community/", false},
        {"https://other.test/", false},
        {"about:blank", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(navigation.allowsTopLevel(QUrl(c.url)), c.allowed) << c.url;
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
        {"https://www.tavren.test/hub/checkout-complete?order=9", Frame::sub, Verdict::returned},
        {"https://www.tavren.test/hub/checkout-complete", Frame::newWindow, Verdict::returned},
        {"about:blank", Frame::main, Verdict::allow},
        {"about:srcdoc", Frame::sub, Verdict::allow},
        {"http://store.devstore.test/checkout/1", Frame::main, Verdict::cancel},
        {"http://frames.test/", Frame::sub, Verdict::cancel},
        {"data:text/html,hi", Frame::main, Verdict::cancel},
        {"javascript:alert(1)", Frame::sub, Verdict::cancel},
        {"file:///etc/passwd", Frame::main, Verdict::cancel},
        {"https://frames.test/anything", Frame::sub, Verdict::allow},
        {"https://store.devstore.test/checkout/1", Frame::main, Verdict::allow},
        {"https://hooks.stripe.com/3ds", Frame::main, Verdict::allow},
        {"https://www.tavren.test/elsewhere", Frame::main, Verdict::cancel},
        {"https://other.test/", Frame::newWindow, Verdict::cancel},
        {"https://www.paypal.com/signin", Frame::newWindow, Verdict::allow},
    };
    for (const auto& c : cases)
        EXPECT_EQ(navigation.decide(QUrl(c.url), c.frame), c.verdict) << c.url << " " << int(c.frame);
}

TEST(CheckoutNavigation, PopupsAndSubresources)
{
    const struct {
        const char* url;
        bool popup;
        bool subresource;
    } cases[] = {
        {"about:blank", true, true},
        {"about:blank#x", false, true},
        {"", false, false},
        {"https://www.paypal.com/checkoutnow", true, true},
        {"https://paypal.com.evil.test/", false, true},
        {"http://www.paypal.com/", false, false},
        {"data:image/png;base64,AA==", false, true},
        {"blob:https://store.devstore.test/1", false, true},
        {"ws://store.devstore.test/", false, false},
        {"ftp://files.test/a", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(navigation.allowsPopup(QUrl(c.url)), c.popup) << c.url;
        EXPECT_EQ(CheckoutNavigation::allowsSubresource(QUrl(c.url)), c.subresource) << c.url;
    }
}

TEST(WebEngineArguments, LinesBecomeFlagsQuotedWhereTheyHoldSpaces)
{
    const QString lines = "--host-resolver-rules=MAP a.test 127.0.0.1:9, MAP b.test 127.0.0.1:9\n"
                          "--ignore-certificate-errors-spki-list=AAA=,BBB=\n\n";
    EXPECT_EQ(WebEngineArguments::flags({}, lines),
              "\"--host-resolver-rules=MAP a.test 127.0.0.1:9, MAP b.test 127.0.0.1:9\" "
              "--ignore-certificate-errors-spki-list=AAA=,BBB=");
    EXPECT_EQ(WebEngineArguments::flags("--disable-gpu ", "--one\n"), "--disable-gpu --one");
    EXPECT_EQ(WebEngineArguments::flags({}, "--say=\"quoted\"\n"), "") << "a quote cannot be passed on";
}
