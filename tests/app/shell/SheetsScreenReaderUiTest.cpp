// What a screen reader reads of the sheets, panels and popups, offscreen through
// QAccessible: every control that takes the focus named, fields tied to their labels,
// the checked states, errors and results as alerts, the segmented pickers
// under the Toggle action, and the cart popup among the app's windows with the focus.

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
#include "app/views/signin/FormMessage.h"
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
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace hub;

namespace {

void turn()
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

// The controls under `root` that take the focus and have no name.
QStringList unnamed(QWidget* root)
{
    return test::accessibleFaults(root).filter(QRegularExpression(QStringLiteral("^unnamed: ")));
}

// The names of the labels tied to the first object of `role` in `tree`.
QStringList labels(const QList<test::AccessibleNode>& tree, QAccessible::Role role)
{
    QStringList names;
    for (const test::AccessibleNode& node : tree) {
        if (node.role != role || !node.object)
            continue;
        for (const auto& [label, relation] : QAccessible::queryAccessibleInterface(node.object)->relations(QAccessible::Label))
            names << label->text(QAccessible::Name);
        break;
    }
    return names;
}

// The first object of `role` named `name` under `root`.
QAccessibleInterface* find(QWidget* root, QAccessible::Role role, const QString& name)
{
    for (const test::AccessibleNode& node : test::accessibleTree(root))
        if (node.role == role && node.name == name && node.object)
            return QAccessible::queryAccessibleInterface(node.object);
    return nullptr;
}

class ScreenReader : public ::testing::Test {
protected:
    ScreenReader()
    {
        model = harness.makeModel();
        model->catalog().setStorefront(Fixtures::storefront({Fixtures::product("tv-reverb", "TV Reverb")}));
        auto service = std::make_shared<HubUpdateService>(std::make_shared<ScriptedTransport>(), HubUpdateService::Source{},
            InstallLocation::of(box.filePath(QStringLiteral("bin/tavren-hub"))), QStringLiteral("0.1.0"));
        updater = std::make_unique<HubUpdater>(service, harness.settings, HubUpdater::Schedule{});
    }

    // The sign-in sheet in a dialog of its own, shown.
    SignInView* sheet()
    {
        dialog = std::make_unique<QDialog>();
        auto* view = new SignInView(*model);
        (new QVBoxLayout(dialog.get()))->addWidget(view);
        dialog->show();
        turn();
        return view;
    }

    QTemporaryDir box;
    ModelHarness harness;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<HubUpdater> updater;
    std::unique_ptr<QDialog> dialog;
};

TEST_F(ScreenReader, EachScreenNamesItsControlsTiesItsLabelsAndShowsItsStates)
{
    using test::Said;
    harness.identity->route("POST", "/id/auth/email/code/request", 204, {});
    MainWindow window(*model, false);
    window.setStartsModel(false);
    window.setQuitsOnClose(false);
    window.show();
    turn();
    std::unique_ptr<QWidget> settings;
    const auto store = [&] {
        SignInView* view = sheet();
        view->setMode(SignInSheetPresenter::Mode::store);
        turn();
        return view;
    };
    const struct {
        const char* screen;
        std::function<QWidget*()> open;
        QList<Said> said;
        std::vector<std::pair<QAccessible::Role, QString>> tied = {}; // the first of a role, and its label
    } cases[] = {
        {"sign-in, Tavren ID", [&] { return sheet()->window(); },
         {{QAccessible::CheckBox, "Tavren ID", nullptr, nullptr, "checked"}, {QAccessible::CheckBox, "Store account"},
          {QAccessible::EditableText, "Email"}, {QAccessible::Button, "Cancel"}}},
        {"sign-in, code step", [&] {
             SignInView* view = sheet();
             view->findChild<QLineEdit*>("email")->setText("ada@example.test");
             view->findChild<FormButton*>("request")->click();
             test::eventually([&] { return qobject_cast<TavrenIDForm*>(view->form())->input().codeSent; });
             return view->window();
         },
         {{QAccessible::EditableText, "Six-digit code"}, {QAccessible::EditableText, "Email", nullptr, nullptr, "disabled"}}},
        {"sign-in, store account", [&] { return store()->window(); },
         {{QAccessible::CheckBox, "Store account", nullptr, nullptr, "checked"}, {QAccessible::EditableText, "Store email"},
          {QAccessible::EditableText, "Password"}}},
        {"sign-in, new store account", [&] {
             SignInView* view = store();
             view->findChild<FormButton*>("switch")->click();
             turn();
             return view->window();
         },
         {{QAccessible::EditableText, "Your name"}, {QAccessible::EditableText, "Choose a password"},
          {QAccessible::CheckBox, "Email me about product updates and offers"}}},
        {"the search field", [&]() -> QWidget* { return window.root()->sidebar()->searchField(); },
         {{QAccessible::EditableText, "Search"}}},
        {"the footer, signed out", [&]() -> QWidget* { return window.findChild<AccountFooter*>(); },
         {{QAccessible::Button, "Sign In", nullptr, nullptr, "focusable"}}},
        {"the account screen", [&] {
             model->accounts().setStoreUser(Fixtures::user("ada@example.test"));
             model->navigation().choose(HubSection::account);
             turn();
             return window.root()->detail()->current();
         },
         {{QAccessible::Client, "Account", nullptr, nullptr, "focusable"}}},
        {"the footer, on the account screen", [&]() -> QWidget* { return window.findChild<AccountFooter*>(); },
         {{QAccessible::Button, "Account", "Ada, Store account", nullptr, "checked"}}},
        {"settings", [&] {
             model->catalog().setStorefront(Fixtures::storefront({}));
             settings = std::make_unique<SettingsView>(*model, *updater, QJsonObject{},
                 BackgroundSwitch::Agent{[] { return false; }, [](bool) {}, [] { return true; }});
             settings->show();
             turn();
             return settings.get();
         },
         {{QAccessible::CheckBox, "Install plug-in and app updates automatically"}},
         {{QAccessible::ComboBox, "Prices in"}, {QAccessible::CheckBox, "Install plug-in and app updates automatically"}}},
        {"security statements", [&] {
             settings->findChild<QTabWidget*>()->setCurrentIndex(1);
             turn();
             return settings.get();
         },
         {{QAccessible::Client, "Security", nullptr, nullptr, "focusable"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.screen);
        QWidget* root = c.open();
        const QList<test::AccessibleNode> tree = test::accessibleTree(root);
        EXPECT_EQ(unnamed(root), QStringList());
        EXPECT_EQ(test::missing(tree, c.said), QStringList()) << test::accessibleDump(tree).toStdString();
        for (const auto& [role, label] : c.tied)
            EXPECT_EQ(labels(tree, role), QStringList{label}) << label.toStdString();
    }
}

TEST_F(ScreenReader, TabFollowsTheSignInSheetAsItStands)
{
    SignInView* view = sheet();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    view->findChild<QAbstractButton*>()->setFocus(); // the picker's first segment
    QStringList stops;
    for (int i = 0; i < 8; ++i) {
        stops << QAccessible::queryAccessibleInterface(QApplication::focusWidget())->text(QAccessible::Name);
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
    const struct {
        const char* picker;
        QWidget* view;
        const char* segment;
        std::function<bool()> followed;
    } cases[] = {
        {"Account", signIn, "Store account", [&] { return qobject_cast<StoreSignInForm*>(signIn->form()) != nullptr; }},
        {"Show", &library, "Installed", [&] { return library.shownRows() == QStringList{"tv-b"}; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.picker);
        QAccessibleInterface* segment = find(c.view, QAccessible::CheckBox, c.segment);
        ASSERT_TRUE(segment && segment->actionInterface());
        segment->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        turn();
        EXPECT_TRUE(segment->state().checked);
        EXPECT_TRUE(c.followed());
    }
}

TEST_F(ScreenReader, ErrorsAndResultsAreAlertsNamedByTheirText)
{
    const QString refused = "That email and password did not match a Tavren store account.";
    harness.store.fail("POST", "/api/customer/identity/sign-in", 401);
    harness.store.transport()->route("POST", "/api/customer/identity/forgot-password", 204, {});
    SignInView* view = sheet();
    view->setMode(SignInSheetPresenter::Mode::store);
    turn();
    auto* form = qobject_cast<StoreSignInForm*>(view->form());
    BannerStack banners(*model);
    banners.resize(800, 400);
    banners.show();
    const auto submit = [&] {
        form->findChild<QLineEdit*>("email")->setText("ada@example.test");
        form->findChild<QLineEdit*>("password")->setText("wrong");
        form->findChild<FormButton*>("primary")->click();
        test::eventually([&] { return !form->input().busy; });
    };
    const auto banner = [&](Banner::Tone tone, const QString& text) {
        model->flash(tone, text);
        turn();
        return banners.row(model->banners().banners().constLast().id);
    };
    const struct {
        const char* what;
        std::function<QWidget*()> act;
        QString said;
    } cases[] = {
        {"a wrong password", [&] { submit(); return form->findChild<QWidget*>("error"); }, refused},
        {"a reset request", [&] {
             form->findChild<FormButton*>("forgot")->click();
             test::eventually([&] { return !form->input().busy; });
             return form->findChild<QWidget*>("resetNote");
         }, StoreSignInPresenter::resetNote},
        {"an install that failed", [&] { return banner(Banner::Tone::failure, "TV Reverb: The download failed."); },
         "TV Reverb: The download failed."},
        {"an install that ended", [&] { return banner(Banner::Tone::success, "TV Reverb is installed."); }, "TV Reverb is installed."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QWidget* shown = c.act();
        ASSERT_NE(shown, nullptr);
        QAccessibleInterface* element = QAccessible::queryAccessibleInterface(shown);
        EXPECT_EQ(element->role(), QAccessible::AlertMessage);
        EXPECT_EQ(element->text(QAccessible::Name), c.said);
        EXPECT_TRUE(shown->isVisible());
    }
}

TEST_F(ScreenReader, TheCartOpensAsAWindowOfTheAppWithTheFocusOnItsFirstControl)
{
    model->cart().addToCart(*model->catalog().storeProduct("tv-reverb"));
    MainWindow window(*model, false);
    window.setStartsModel(false);
    window.setQuitsOnClose(false);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.toggleCart();
    QWidget* popover = window.cartPopover();
    ASSERT_NE(popover, nullptr);
    ASSERT_TRUE(test::eventually([&] { return QApplication::activeWindow() == popover; }));

    QAccessibleInterface* app = QAccessible::queryAccessibleInterface(qApp);
    QAccessibleInterface* cart = QAccessible::queryAccessibleInterface(popover);
    EXPECT_GE(app->indexOfChild(cart), 0) << "among the app's windows";
    EXPECT_EQ(cart->text(QAccessible::Name), "Cart");
    EXPECT_EQ(unnamed(popover), QStringList());
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(QApplication::focusWidget())->text(QAccessible::Name), "Remove TV Reverb");

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
