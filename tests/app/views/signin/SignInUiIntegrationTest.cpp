// The sign-in forms against the devstore, as the user fills them: the store account
// signed in to and created, the emailed code read from the devstore, and the browser
// sign-in with this test as the browser.

#include "tests/devstore/DevstoreTest.h"

#include "app/model/AppModel.h"
#include "app/shell/Composition.h"
#include "app/views/signin/FormButton.h"
#include "app/views/signin/StoreSignInForm.h"
#include "app/views/signin/TavrenIDForm.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/FakeDesktop.h"
#include "tests/app/fakes/FakeSleeper.h"
#include "tests/app/fakes/TestBrowser.h"

#include <QLineEdit>
#include <QUrlQuery>
#include <QUuid>
#include <QtConcurrent/QtConcurrentRun>

using namespace hub;

namespace {

class SignInFormsAgainstDevstore : public test::DevstoreTest {
protected:
    void SetUp() override
    {
        test::DevstoreTest::SetUp();
        if (IsSkipped())
            return;
        Services services = Composition::standard({"tavren-hub", "--measure-launch"}); // sessions in memory
        services.sleep = sleeper.sleeper();
        desktop.attach(services);
        services.openURL = [this](const QUrl& start) {
            desktop.opened.append(start);
            browser = actAsBrowser(start);
        };
        model = std::make_unique<AppModel>(std::move(services));
    }

    void TearDown() override
    {
        browser.waitForFinished();
        model.reset();
    }

    // The provider's pages on the devstore: the start page, then its hand-back to the loopback.
    static QFuture<void> actAsBrowser(const QUrl& start)
    {
        return QtConcurrent::run([start] {
            URLSessionTransport transport(PinnedTrust::tavren());
            HttpRequest request;
            request.url = start.toEncoded();
            if (transport.send(request).status != 200)
                return;
            request.url.replace("/start?", "/continue?");
            const std::optional<QByteArray> location = transport.send(request).header("Location");
            if (location)
                test::TestBrowser::open(QUrl(QString::fromLatin1(*location))).waitForFinished();
        });
    }

    static void type(QWidget& form, const char* field, const QString& text)
    {
        form.findChild<QLineEdit*>(QString::fromLatin1(field))->setText(text);
    }

    static void press(QWidget& form, const char* button)
    {
        form.findChild<FormButton*>(QString::fromLatin1(button))->click();
    }

    FakeSleeper sleeper;
    FakeDesktop desktop;
    QFuture<void> browser;
    std::unique_ptr<AppModel> model;
};

TEST_F(SignInFormsAgainstDevstore, StoreSignInAndAccountCreation)
{
    StoreSignInForm form(*model, std::nullopt);
    form.show();
    const auto submit = [&](const QString& email, const QString& password) {
        type(form, "email", email);
        type(form, "password", password);
        press(form, "primary");
        return test::eventually([&] { return !form.input().busy; });
    };
    press(form, "switch");
    type(form, "name", " New Customer ");
    ASSERT_TRUE(submit("demo@tavren.test", "long-enough-1"));
    ASSERT_TRUE(form.input().error);
    EXPECT_TRUE(form.input().error->startsWith("The store returned 409.")) << form.input().error->toStdString();
    EXPECT_EQ(model->accounts().storeUser(), std::nullopt);

    press(form, "switch");
    ASSERT_TRUE(submit(" demo@tavren.test\t", "demo-pass-1"));
    EXPECT_EQ(form.input().error, std::nullopt);
    ASSERT_TRUE(model->accounts().storeUser());
    EXPECT_EQ(model->accounts().storeUser()->name, "Demo Customer");
    EXPECT_FALSE(model->accounts().storeOwned().isEmpty()) << "refreshed after the sign-in";

    const QString fresh = "new-" + QUuid::createUuid().toString(QUuid::Id128) + "@tavren.test";
    press(form, "switch");
    ASSERT_TRUE(submit(fresh, "long-enough-1"));
    EXPECT_EQ(form.input().error, std::nullopt);
    EXPECT_EQ(model->accounts().storeUser()->email, fresh);
    EXPECT_EQ(model->accounts().storeUser()->name, "New Customer");
}

TEST_F(SignInFormsAgainstDevstore, EmailedCodeAndBrowserSignIn)
{
    const QString email = "demo@tavren.test";
    model->accounts().openSignIn(SignInPurpose::general());
    {
        TavrenIDForm form(*model);
        form.show();
        type(form, "email", email);
        press(form, "request");
        ASSERT_TRUE(test::eventually([&] { return form.input().codeSent; }));
        EXPECT_EQ(form.input().error, std::nullopt);
        const QString code = store->control("GET", "/__devstore/code?email=" + QUrl::toPercentEncoding(email))["code"].toString();
        ASSERT_EQ(code.size(), 6);
        type(form, "code", code.left(3) + " " + code.mid(3));
        press(form, "signIn");
        ASSERT_TRUE(test::eventually([&] { return !form.input().busy; }));
        EXPECT_EQ(form.input().error, std::nullopt);
    }
    ASSERT_TRUE(model->accounts().tavrenProfile());
    EXPECT_EQ(model->accounts().tavrenProfile()->user.email, email);
    EXPECT_FALSE(model->accounts().showSignIn());

    model->accounts().clearTavrenID();
    model->services().tavrenID->forget();
    model->accounts().openSignIn(SignInPurpose::general());
    TavrenIDForm form(*model);
    form.show();
    press(form, "github");
    ASSERT_TRUE(test::eventually([&] { return !form.input().busy; }));
    EXPECT_EQ(form.input().error, std::nullopt);
    ASSERT_EQ(desktop.opened.size(), 1);
    EXPECT_EQ(desktop.opened[0].path(), "/auth/github/start");
    ASSERT_TRUE(model->accounts().tavrenProfile());
    EXPECT_FALSE(model->accounts().tavrenSessions().isEmpty());
    EXPECT_EQ(desktop.activations, 1);
    EXPECT_FALSE(model->accounts().showSignIn());
}

} // namespace
