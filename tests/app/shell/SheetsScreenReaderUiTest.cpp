// The sheets, panels and popups as a screen reader reads them through QAccessible.

#include "app/platform/HubUpdater.h"
#include "app/shell/DetailView.h"
#include "app/shell/MainWindow.h"
#include "app/shell/RootView.h"
#include "app/shell/SidebarView.h"
#include "app/views/kit/AccountFooter.h"
#include "app/views/kit/BannerStack.h"
#include "app/views/library/LibraryView.h"
#include "app/views/settings/SettingsView.h"
#include "app/views/signin/FormButton.h"
#include "app/views/signin/SignInView.h"
#include "app/views/signin/StoreSignInForm.h"
#include "app/views/signin/TavrenIDForm.h"
#include "tests/app/fakes/AccessibleWalk.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"
#include "tests/testkit/ScriptedTransport.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace hub;
using Role = QAccessible::Role;

namespace {

using test::turn;

// The first object of `role` under `root` (and named `name`, when given).
QAccessibleInterface* find(QWidget* root, Role role, const QString& name = {})
{
    for (const test::AccessibleNode& node : test::accessibleTree(root))
        if (node.role == role && (name.isNull() || node.name == name) && node.object)
            return QAccessible::queryAccessibleInterface(node.object);
    return nullptr;
}

QString nameOf(QObject* object)
{
    return QAccessible::queryAccessibleInterface(object)->text(QAccessible::Name);
}

class ScreenReader : public ::testing::Test {
protected:
    ScreenReader() { model->catalog().setStorefront(Fixtures::storefront({Fixtures::product("tv-reverb", "TV Reverb")})); }

    // The sign-in sheet in a dialog of its own, shown, on the store account when `store`.
    SignInView* sheet(bool store = false)
    {
        dialog = std::make_unique<QDialog>();
        auto* view = new SignInView(*model);
        (new QVBoxLayout(dialog.get()))->addWidget(view);
        dialog->show();
        if (store)
            view->setMode(SignInSheetPresenter::Mode::store);
        turn();
        return view;
    }

    MainWindow& shownWindow()
    {
        window = std::make_unique<MainWindow>(*model, false);
        window->setStartsModel(false);
        window->setQuitsOnClose(false);
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        return *window;
    }

    ModelHarness harness;
    std::unique_ptr<AppModel> model = harness.makeModel();
    std::unique_ptr<QDialog> dialog;
    std::unique_ptr<MainWindow> window;
};

TEST_F(ScreenReader, EachScreenNamesItsControlsTiesItsLabelsShowsItsStatesAndAlerts)
{
    harness.identity->route("POST", "/id/auth/email/code/request", 204, {});
    harness.store.fail("POST", "/api/customer/identity/sign-in", 401);
    harness.store.transport()->route("POST", "/api/customer/identity/forgot-password", 204, {});
    MainWindow& window = shownWindow();
    const auto reads = [](const char* screen, QWidget* root, const QList<test::Said>& said) {
        turn();
        EXPECT_EQ(test::misread(root, said), QStringList()) << screen;
    };
    reads("sign-in, Tavren ID", sheet()->window(),
          {{Role::CheckBox, "Tavren ID", nullptr, nullptr, "checked"}, {Role::CheckBox, "Store account"}, {Role::EditableText, "Email"},
           {Role::Button, "Cancel"}});
    SignInView* view = sheet();
    view->findChild<QLineEdit*>("email")->setText("ada@example.test");
    view->findChild<FormButton*>("request")->click();
    test::eventually([&] { return qobject_cast<TavrenIDForm*>(view->form())->input().codeSent; });
    reads("sign-in, code step", view->window(),
          {{Role::EditableText, "Six-digit code"}, {Role::EditableText, "Email", nullptr, nullptr, "disabled"}});
    reads("sign-in, store account", sheet(true)->window(),
          {{Role::CheckBox, "Store account", nullptr, nullptr, "checked"}, {Role::EditableText, "Store email"},
           {Role::EditableText, "Password"}});
    view = sheet(true);
    view->findChild<FormButton*>("switch")->click();
    reads("sign-in, new store account", view->window(),
          {{Role::EditableText, "Your name"}, {Role::EditableText, "Choose a password"},
           {Role::CheckBox, "Email me about product updates and offers"}});

    auto* form = qobject_cast<StoreSignInForm*>(sheet(true)->form());
    form->findChild<QLineEdit*>("email")->setText("ada@example.test");
    form->findChild<QLineEdit*>("password")->setText("wrong");
    const auto press = [&](const char* button) {
        form->findChild<FormButton*>(button)->click();
        test::eventually([&] { return !form->input().busy; });
        return form->window();
    };
    reads("a wrong password", press("primary"), {{Role::AlertMessage, "That email and password did not match a Tavren store account."}});
    reads("a reset request", press("forgot"), {{Role::AlertMessage, StoreSignInPresenter::resetNote.toUtf8().constData()}});

    reads("the search field", window.root()->sidebar()->searchField(), {{Role::EditableText, "Search"}});
    reads("the footer, signed out", window.findChild<AccountFooter*>(), {{Role::Button, "Sign In", nullptr, nullptr, "focusable"}});
    model->accounts().setStoreUser(Fixtures::user("ada@example.test"));
    model->navigation().choose(HubSection::account);
    turn();
    reads("the account screen", window.root()->detail()->current(), {{Role::Client, "Account", nullptr, nullptr, "focusable"}});
    reads("the footer, on the account screen", window.findChild<AccountFooter*>(),
          {{Role::Button, "Account", "Ada, Store account", nullptr, "checked"}});

    model->catalog().setStorefront(Fixtures::storefront({}));
    QTemporaryDir box;
    HubUpdater updater(std::make_shared<HubUpdateService>(std::make_shared<ScriptedTransport>(), HubUpdateService::Source{},
                           InstallLocation::of(box.filePath("bin/tavren-hub")), "0.1.0"),
        harness.settings, HubUpdater::Schedule{});
    SettingsView settings(*model, updater, QJsonObject{}, BackgroundSwitch::Agent{[] { return false; }, [](bool) {}, [] { return true; }});
    settings.show();
    reads("settings", &settings, {{Role::CheckBox, "Install plug-in and app updates automatically"}});
    for (const auto& [role, label] :
         {std::pair{Role::ComboBox, "Prices in"}, {Role::CheckBox, "Install plug-in and app updates automatically"}}) {
        QAccessibleInterface* field = find(&settings, role); // the first of its role, tied to its label
        ASSERT_NE(field, nullptr) << label;
        const auto ties = field->relations(QAccessible::Label);
        EXPECT_TRUE(ties.size() == 1 && ties[0].first->text(QAccessible::Name) == label) << label;
    }
    settings.findChild<QTabWidget*>()->setCurrentIndex(1);
    reads("security statements", &settings, {{Role::Client, "Security", nullptr, nullptr, "focusable"}});
}

TEST_F(ScreenReader, TabFollowsTheSignInSheetAsItStands)
{
    SignInView* view = sheet();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    view->findChild<QAbstractButton*>()->setFocus(); // the picker's first segment
    QStringList stops;
    for (int i = 0; i < 8; ++i) {
        stops << nameOf(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    // The picker is one stop, its checked segment's; "Email me a code" waits for an address.
    EXPECT_EQ(stops, (QStringList{"Tavren ID", "Continue with Apple", "Continue with Google", "Continue with GitHub", "Email",
                                  "Cancel", "Tavren ID", "Continue with Apple"}));
}

TEST_F(ScreenReader, SegmentedPickersFollowTheToggleAction)
{
    model->catalog().setStorefront(Fixtures::storefront({Fixtures::product("tv-a", "Alpha"), Fixtures::product("tv-b", "Beta")}));
    model->library().setInstalled({Fixtures::record("tv-b", "Beta", "1.0.0")});
    model->accounts().setTavrenProfile(Fixtures::profile("ada@example.test", QStringList{"tv-a", "tv-b"}));
    SignInView* signIn = sheet();
    LibraryView library(*model);
    library.show();
    turn();
    const std::tuple<QWidget*, const char*, std::function<bool()>> cases[] = {
        {signIn, "Store account", [&] { return qobject_cast<StoreSignInForm*>(signIn->form()) != nullptr; }},
        {&library, "Installed", [&] { return library.shownRows() == QStringList{"tv-b"}; }},
    };
    for (const auto& [view, name, followed] : cases) {
        QAccessibleInterface* segment = find(view, Role::CheckBox, name);
        ASSERT_TRUE(segment && segment->actionInterface()) << name;
        segment->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        turn();
        EXPECT_TRUE(segment->state().checked && followed()) << name;
    }
}

TEST_F(ScreenReader, BannersAreAlertsNamedByTheirText)
{
    BannerStack banners(*model);
    banners.resize(800, 400);
    banners.show();
    for (const auto& [tone, text] :
         {std::pair{Banner::Tone::failure, "TV Reverb: The download failed."}, {Banner::Tone::success, "TV Reverb is installed."}}) {
        model->flash(tone, text);
        turn();
        QWidget* row = banners.row(model->banners().banners().constLast().id);
        ASSERT_TRUE(row && row->isVisible()) << text;
        EXPECT_EQ(QAccessible::queryAccessibleInterface(row)->role(), Role::AlertMessage);
        EXPECT_EQ(nameOf(row), text);
        EXPECT_EQ(test::misread(row), QStringList()) << text;
    }
}

TEST_F(ScreenReader, TheCartOpensAsAWindowOfTheAppWithTheFocusOnItsFirstControl)
{
    model->cart().addToCart(*model->catalog().storeProduct("tv-reverb"));
    MainWindow& window = shownWindow();
    window.toggleCart();
    QWidget* popover = window.cartPopover();
    ASSERT_NE(popover, nullptr);
    ASSERT_TRUE(test::eventually([&] { return QApplication::activeWindow() == popover; }));
    QAccessibleInterface* cart = QAccessible::queryAccessibleInterface(popover);
    EXPECT_GE(QAccessible::queryAccessibleInterface(qApp)->indexOfChild(cart), 0) << "among the app's windows";
    EXPECT_EQ(cart->text(QAccessible::Name), "Cart");
    EXPECT_EQ(test::misread(popover), QStringList());
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_EQ(nameOf(QApplication::focusWidget()), "Remove TV Reverb");

    // Escape, or a press on the cart button, closes it; the press opens nothing.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    turn();
    EXPECT_EQ(window.cartPopover(), nullptr);
    window.toggleCart();
    QTest::mouseClick(window.cartButton(), Qt::LeftButton);
    turn();
    EXPECT_EQ(window.cartPopover(), nullptr);
}

} // namespace
