// The sign-in sheet and its forms offscreen, over the model's fakes: what Return does,
// a second press of the waiting provider, a reset request that fails, and the sheet's
// form per purpose and tab.

#include "app/views/signin/FormButton.h"
#include "app/views/signin/FormMessage.h"
#include "app/views/signin/SignInView.h"
#include "app/views/signin/StoreSignInForm.h"
#include "app/views/signin/TavrenIDForm.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"
#include "tests/app/fakes/TestBrowser.h"

#include <QApplication>
#include <QDialog>
#include <QVBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace hub {
namespace {

using test::turn;

template <typename T>
T* child(QWidget& parent, const char* name)
{
    T* found = parent.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

void type(QWidget& form, const char* field, const QString& text)
{
    child<QLineEdit>(form, field)->setText(text);
}

void pressReturn(QWidget& form, const char* field)
{
    QTest::keyClick(child<QLineEdit>(form, field), Qt::Key_Return);
}

TEST(SignInUi, ReturnInAStoreFieldSubmitsOnlyWhatThePrimaryButtonWouldTake)
{
    ModelHarness harness;
    harness.store.fail("POST", "/api/customer/identity/", 401);
    const auto model = harness.makeModel();
    const struct {
        const char* what;
        bool creating;
        const char* email;
        const char* password;
        const char* field;
        bool sent;
    } cases[] = {
        {"no email", false, "", "secret", "password", false},
        {"no password", false, "ada@example.test", "", "email", false},
        {"a short new password", true, "ada@example.test", "1234567", "password", false},
        {"sign in from the email field", false, "ada@example.test", "secret", "email", true},
        {"sign in from the password field", false, "  ada@example.test\t", "secret", "password", true},
        {"create from the name field", true, "ada@example.test", "12345678", "name", true},
    };
    for (const auto& c : cases) {
        StoreSignInForm form(*model, std::nullopt);
        form.show();
        if (c.creating)
            child<FormButton>(form, "switch")->click();
        type(form, "name", "Ada");
        type(form, "email", QString::fromUtf8(c.email));
        type(form, "password", QString::fromUtf8(c.password));
        const int before = harness.store.calls("/api/customer/identity/");
        pressReturn(form, c.field);
        ASSERT_TRUE(test::eventually([&] { return !form.input().busy; })) << c.what;
        EXPECT_EQ(harness.store.calls("/api/customer/identity/") - before, c.sent ? 1 : 0) << c.what;
        if (!c.sent) {
            EXPECT_EQ(form.input().error, std::nullopt) << c.what;
            continue;
        }
        // Refused: the password goes, the message shows, the address and mode stay.
        EXPECT_EQ(form.input().password, QString()) << c.what;
        EXPECT_EQ(form.input().email, QString::fromUtf8(c.email)) << c.what;
        EXPECT_EQ(form.input().creating, c.creating) << c.what;
        EXPECT_TRUE(child<FormMessage>(form, "error")->isVisible()) << c.what;
        if (!c.creating) {
            EXPECT_EQ(child<FormMessage>(form, "error")->text(), "That email and password did not match a Tavren store account.");
        }
    }
    const QList<HttpRequest> signIns = harness.store.transport()->requestsTo("/api/customer/identity/sign-in");
    ASSERT_EQ(signIns.size(), 2);
    EXPECT_TRUE(signIns[1].url.contains("email=ada@example.test&")) << "sent trimmed: " << signIns[1].url.toStdString();
}

TEST(SignInUi, AResetRequestThatFailsSaysSoAndOneThatWorksPromisesTheLink)
{
    ModelHarness harness; // no answer for the reset: the request fails in transport
    const auto model = harness.makeModel();
    StoreSignInForm form(*model, std::nullopt);
    form.show();
    FormButton* forgot = child<FormButton>(form, "forgot");
    EXPECT_FALSE(forgot->isEnabled());
    type(form, "email", " ada@example.test ");
    ASSERT_TRUE(forgot->isEnabled());

    forgot->click();
    EXPECT_FALSE(forgot->isEnabled()) << "busy";
    ASSERT_TRUE(test::eventually([&] { return !form.input().busy; }));
    EXPECT_FALSE(form.input().resetSent);
    EXPECT_FALSE(child<FormMessage>(form, "resetNote")->isVisible());
    EXPECT_TRUE(child<FormMessage>(form, "error")->isVisible());

    harness.store.transport()->route("POST", "/api/customer/identity/forgot-password", 204, {});
    forgot->click();
    ASSERT_TRUE(test::eventually([&] { return !form.input().busy; }));
    EXPECT_TRUE(child<FormMessage>(form, "resetNote")->isVisible());
    EXPECT_EQ(child<FormMessage>(form, "resetNote")->text(), "If that address has a store account, a reset link is on its way.");
    EXPECT_TRUE(harness.store.transport()->requestsTo("/api/customer/identity/forgot-password").last().url.endsWith(
        "forgot-password?email=ada@example.test"));
}

TEST(SignInUi, ReturnInTheCodeFormRequestsAndChecksOnlyWhenItsButtonWould)
{
    ModelHarness harness;
    harness.identity->route("POST", "/id/auth/email/code/request", 204, {});
    harness.identity->route("POST", "/id/auth/email/code/complete", 400, R"({"message":"Wrong code."})");
    const auto model = harness.makeModel();
    TavrenIDForm form(*model);
    form.show();
    const auto requests = [&](const char* path) { return harness.identity->requestsTo(path).size(); };

    type(form, "email", "ada.example.test");
    pressReturn(form, "email");
    turn();
    EXPECT_EQ(requests("/id/auth/email/code/request"), 0);
    type(form, "email", "  ada@example.test ");
    pressReturn(form, "email");
    ASSERT_TRUE(test::eventually([&] { return form.input().codeSent; }));
    EXPECT_EQ(requests("/id/auth/email/code/request"), 1);

    type(form, "code", "12 34 5");
    pressReturn(form, "code");
    turn();
    EXPECT_EQ(requests("/id/auth/email/code/complete"), 0) << "five digits";
    type(form, "code", "12 34 56");
    pressReturn(form, "code");
    ASSERT_TRUE(test::eventually([&] { return !form.input().busy && form.input().error; }));
    EXPECT_EQ(requests("/id/auth/email/code/complete"), 1);
    EXPECT_EQ(form.input().error, "That code did not work. Check it, or ask for a new one.") << "never the service's text";
    EXPECT_EQ(model->accounts().tavrenProfile(), std::nullopt);
}

TEST(SignInUi, ReturnAnywhereInTheSheetPressesTheCodeFormsStepButton)
{
    ModelHarness harness;
    harness.identity->route("POST", "/id/auth/email/code/request", 204, {});
    harness.identity->route("POST", "/id/auth/email/code/complete", 400, "{}");
    const auto model = harness.makeModel();
    QDialog sheet; // as the main window hosts it
    auto* view = new SignInView(*model);
    (new QVBoxLayout(&sheet))->addWidget(view);
    sheet.show();
    // From the sheet's footer, then from a button of the form that is not the step's.
    type(*view, "email", "ada@example.test");
    QTest::keyClick(child<FormButton>(*view, "cancel"), Qt::Key_Return);
    ASSERT_TRUE(test::eventually([&] { return qobject_cast<TavrenIDForm*>(view->form())->input().codeSent; }));
    type(*view, "code", "123456");
    QTest::keyClick(child<FormButton>(*view, "apple"), Qt::Key_Return);
    EXPECT_TRUE(test::eventually([&] { return harness.identity->requestsTo("/id/auth/email/code/complete").size() == 1; }));
    EXPECT_TRUE(harness.desktop.opened.isEmpty()) << "not the provider's";
}

// Keys typed on the sheet's window, to whatever has the focus.
void typeOnWindow(QWidget& window, const QString& keys)
{
    for (const QChar key : keys)
        QTest::keyClick(window.windowHandle(), key.toLatin1());
}

TEST(SignInUi, TheFocusFollowsTheStepAndReturnPressesTheStoreFormsButton)
{
    ModelHarness harness;
    harness.identity->route("POST", "/id/auth/email/code/request", 204, {});
    harness.store.fail("POST", "/api/customer/identity/", 401);
    const auto model = harness.makeModel();
    QDialog sheet;
    auto* view = new SignInView(*model);
    (new QVBoxLayout(&sheet))->addWidget(view);
    sheet.show();
    sheet.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&sheet));

    // The code step takes the digits typed next.
    child<QLineEdit>(*view, "email")->setFocus();
    typeOnWindow(sheet, QStringLiteral("ada@example.test"));
    QTest::keyClick(sheet.windowHandle(), Qt::Key_Return);
    ASSERT_TRUE(test::eventually([&] { return qobject_cast<TavrenIDForm*>(view->form())->input().codeSent; }));
    typeOnWindow(sheet, QStringLiteral("123456"));
    EXPECT_EQ(child<QLineEdit>(*view, "code")->text(), "123456");

    // Return from a field, the check box or the sheet's footer signs in to the store.
    view->setMode(SignInSheetPresenter::Mode::store);
    turn();
    auto* store = qobject_cast<StoreSignInForm*>(view->form());
    ASSERT_NE(store, nullptr);
    type(*store, "email", "ada@example.test");
    for (const char* from : {"password", "forgot", "cancel"}) {
        const int before = harness.store.calls("/api/customer/identity/sign-in");
        type(*store, "password", "secret"); // a refusal clears it
        child<QWidget>(*view, from)->setFocus();
        QTest::keyClick(sheet.windowHandle(), Qt::Key_Return);
        ASSERT_TRUE(test::eventually([&] { return !store->input().busy; })) << from;
        EXPECT_EQ(harness.store.calls("/api/customer/identity/sign-in") - before, 1) << from;
    }
}

TEST(SignInUi, PressingTheWaitingProviderAgainStopsTheEarlierSignIn)
{
    ModelHarness harness;
    harness.serveIdentityAccount(Fixtures::profile("id@example.test"));
    harness.identity->route("POST", "/auth/hub/exchange", 200, R"({"qid":"token-from-exchange"})");
    const auto model = harness.makeModel();
    model->accounts().openSignIn(SignInPurpose::general());
    auto form = std::make_unique<TavrenIDForm>(*model);
    form->show();
    FormButton* apple = child<FormButton>(*form, "apple");

    apple->click();
    ASSERT_TRUE(test::eventually([&] { return harness.desktop.opened.size() == 1; }));
    ASSERT_TRUE(apple->isEnabled());
    const QUrl first = harness.desktop.opened[0];
    EXPECT_TRUE(test::TestBrowser::listening(first));

    apple->click();
    ASSERT_TRUE(test::eventually([&] { return harness.desktop.opened.size() == 2; }));
    ASSERT_TRUE(test::eventually([&] { return !test::TestBrowser::listening(first); })) << "the first attempt stopped waiting";
    turn();
    EXPECT_EQ(form->input().busy, "apple") << "the first attempt's end leaves the second one's spinner";
    EXPECT_TRUE(child<QWidget>(*form, "waiting")->isVisible());
    EXPECT_EQ(form->input().error, std::nullopt);

    QFuture<void> browser = test::TestBrowser::returnFrom(harness.desktop.opened[1], "one-time");
    ASSERT_TRUE(test::eventually([&] { return model->accounts().tavrenProfile().has_value() && !form->input().busy; }));
    browser.waitForFinished();
    EXPECT_EQ(harness.identity->requestsTo("/auth/hub/exchange").size(), 1);
    EXPECT_FALSE(model->accounts().showSignIn());

    // Stop waiting ends the attempt silently; so does closing the form.
    apple->click();
    ASSERT_TRUE(test::eventually([&] { return harness.desktop.opened.size() == 3; }));
    child<FormButton>(*form, "stopWaiting")->click();
    EXPECT_EQ(form->input().busy, std::nullopt);
    EXPECT_FALSE(child<QWidget>(*form, "waiting")->isVisible());
    ASSERT_TRUE(test::eventually([&] { return !test::TestBrowser::listening(harness.desktop.opened[2]); }));
    child<FormButton>(*form, "github")->click();
    ASSERT_TRUE(test::eventually([&] { return harness.desktop.opened.size() == 4; }));
    form.reset();
    ASSERT_TRUE(test::eventually([&] { return !test::TestBrowser::listening(harness.desktop.opened[3]); }));
}

TEST(SignInUi, TheSheetShowsTheFormOfItsPurposeAndTab)
{
    ModelHarness harness;
    const auto model = harness.makeModel();
    Accounts& accounts = model->accounts();
    TavrenIDProfile profile = Fixtures::profile("id@example.test");
    profile.linkedEmails = QStringList{"linked@example.test"};
    accounts.setTavrenProfile(profile);
    accounts.openSignIn(SignInPurpose::general());
    SignInView sheet(*model);
    sheet.show();
    EXPECT_EQ(sheet.width(), 480);
    EXPECT_EQ(child<QLabel>(sheet, "title")->text(), "Sign in to Tavren");
    EXPECT_TRUE(child<QWidget>(sheet, "picker")->isVisible());
    EXPECT_NE(qobject_cast<TavrenIDForm*>(sheet.form()), nullptr);

    sheet.setMode(SignInSheetPresenter::Mode::store);
    turn();
    auto* store = qobject_cast<StoreSignInForm*>(sheet.form());
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(store->input().email, "id@example.test") << "the identity's own address, not a linked one";
    type(*store, "email", "typed@example.test");
    sheet.setMode(SignInSheetPresenter::Mode::tavrenID);
    sheet.setMode(SignInSheetPresenter::Mode::store);
    turn();
    store = qobject_cast<StoreSignInForm*>(sheet.form());
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(store->input().email, "id@example.test") << "a new form: what was typed is gone";

    sheet.setMode(SignInSheetPresenter::Mode::tavrenID);
    accounts.setSignInPurpose(SignInPurpose::connectStore("Your store session ended. Sign in again to continue."));
    turn();
    EXPECT_EQ(child<QLabel>(sheet, "title")->text(), "Connect your store account") << "follows the purpose while open";
    EXPECT_NE(qobject_cast<StoreSignInForm*>(sheet.form()), nullptr);

    // Cancel and Escape only hide the sheet; the purpose stays.
    child<FormButton>(sheet, "cancel")->click();
    EXPECT_FALSE(accounts.showSignIn());
    EXPECT_FALSE(accounts.signInPurpose().isGeneral());
    accounts.setShowSignIn(true);
    QTest::keyClick(child<QLineEdit>(sheet, "email"), Qt::Key_Escape);
    EXPECT_FALSE(accounts.showSignIn());
}

} // namespace
} // namespace hub
