// The checkout web view on the real web engine, offscreen and without the network:
// its pages are written into about:blank by script.

#include "app/views/checkout/CheckoutPage.h"
#include "app/views/checkout/CheckoutWebView.h"

#include "tests/app/fakes/Await.h"

#include <QPointer>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <gtest/gtest.h>

using namespace hub;
using Verdict = CheckoutNavigation::Verdict;
using Frame = CheckoutNavigation::Frame;

namespace {

QStringList warnings;

class WebView : public ::testing::Test {
protected:
    void SetUp() override
    {
        view = new CheckoutWebView(QUrl("about:blank"), QUrl("https://www.tavren.test/hub/checkout-complete?order=1"),
                                   {{"checkout.store.test"}, {"stripe.com"}});
        view->show();
        QObject::connect(view, &CheckoutWebView::decided, [this](const QUrl& url, Frame frame, Verdict verdict) {
            decisions << QStringList{url.toString(), frame == Frame::sub ? "sub" : "main", toString(verdict)}.join(' ');
        });
        QObject::connect(view, &CheckoutWebView::insecureContentBlocked, [this](const QUrl& url) { blocked << url.toString(); });
        QObject::connect(view, &CheckoutWebView::downloadCancelled, [this](const QUrl& url) { cancelled << url.toString(); });
        ASSERT_TRUE(test::eventually([&] { return !view->loading() && view->host() == "about:blank"; }));
    }

    void TearDown() override { delete view.data(); }

    void run(const QString& script, CheckoutPage* page = nullptr) { (page ? page : view->page())->runJavaScript(script); }
    bool decided(const QString& decision)
    {
        return test::eventually([&] { return decisions.contains(decision); });
    }

    QPointer<CheckoutWebView> view;
    QStringList decisions;
    QStringList blocked;
    QStringList cancelled;
};

} // namespace

TEST_F(WebView, NavigationsGoThroughThePolicy)
{
    EXPECT_FALSE(view->secure()) << "about:blank is not https";
    EXPECT_TRUE(view->profile()->isOffTheRecord());
    EXPECT_EQ(view->findChild<QWebEngineView*>()->contextMenuPolicy(), Qt::NoContextMenu);
    int returns = 0;
    QObject::connect(view, &CheckoutWebView::returnSeen, [&returns] { ++returns; });

    run("document.body.innerHTML = '<iframe src=\"https://frames.test/a\"></iframe><iframe src=\"http://frames.test/b\"></iframe>'");
    EXPECT_TRUE(decided("https://frames.test/a sub allow"));
    EXPECT_TRUE(decided("http://frames.test/b sub cancel"));
    run("location.href = 'https://www.tavren.test/hub/checkout-complete?order=other'");
    EXPECT_TRUE(decided("https://www.tavren.test/hub/checkout-complete?order=other main return"));
    EXPECT_EQ(returns, 1);
    run("location.href = 'https://stripe.com.evil.test/'");
    EXPECT_TRUE(decided("https://stripe.com.evil.test/ main cancel"));
    EXPECT_EQ(view->page()->url(), QUrl("about:blank")) << "refused and returned loads leave the page where it was";
    run("location.href = 'https://checkout.store.test/pay'");
    EXPECT_TRUE(decided("https://checkout.store.test/pay main allow"));
}

TEST_F(WebView, InsecureContentIsBlockedAndDownloadsCancelled)
{
    run("for (const src of ['http://images.test/a.png', 'data:image/gif;base64,R0lGODlhAQABAAAAACw=']) {"
        "  const image = new Image(); image.src = src; document.body.appendChild(image); }");
    ASSERT_TRUE(test::eventually([&] { return !blocked.isEmpty(); }));
    EXPECT_EQ(blocked, QStringList{"http://images.test/a.png"});

    run("const link = document.createElement('a'); link.href = 'data:application/octet-stream,abc';"
        "link.download = 'payload.bin'; document.body.appendChild(link); link.click();");
    EXPECT_TRUE(test::eventually([&] { return !cancelled.isEmpty(); }));
}

TEST_F(WebView, PopupsOpenUnderTheRuleAndCloseWithTheirPageOrTheView)
{
    run("window.open('https://evil.test/'); window.open('http://pay.stripe.com/'); window.open('about:blank');");
    ASSERT_TRUE(test::eventually([&] { return view->popups().size() == 1; }));
    EXPECT_EQ(view->popups()[0]->windowTitle(), "Payment");
    run("window.open('https://pay.stripe.com/session');");
    EXPECT_TRUE(decided("https://pay.stripe.com/session main allow"));
    ASSERT_EQ(view->popups().size(), 2);
    EXPECT_EQ(view->popups()[1]->windowTitle(), "pay.stripe.com");
    EXPECT_EQ(view->host(), "about:blank") << "a popup's loads do not move the lock or the host";

    run("window.close()", view->popups()[0]->findChild<CheckoutPage*>());
    ASSERT_TRUE(test::eventually([&] { return view->popups().size() == 1; }));

    // The view goes with a popup open: the popup first, then the profile, without complaint.
    QPointer<QWidget> popup = view->popups()[0];
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
        warnings << text;
    });
    delete view.data();
    qInstallMessageHandler(previous);
    EXPECT_TRUE(popup.isNull());
    EXPECT_TRUE(warnings.filter("profile").isEmpty()) << warnings.join('\n').toStdString();
}
