// The main window, offscreen, over a model of fixtures: every section and page it can
// show, the search field, the menus that follow the model, and the sign-in and checkout sheets.
// Mouse events go through the window, so the widget under the pointer receives them.
#define QTEST_QPA_MOUSE_HANDLING

#include "app/model/Beta.h"
#include "app/platform/HubUpdater.h"
#include "app/shell/AboutPanel.h"
#include "app/shell/CheckoutModule.h"
#include "app/shell/DetailView.h"
#include "app/shell/MainMenus.h"
#include "app/shell/MainWindow.h"
#include "app/shell/RootView.h"
#include "app/shell/SidebarView.h"
#include "app/views/kit/AccountFooter.h"
#include "app/views/kit/BannerStack.h"
#include "app/views/kit/LaunchSplash.h"
#include "app/views/kit/Motion.h"
#include "app/views/library/LibraryRow.h"
#include "app/views/product/ProductPage.h"
#include "app/views/product/ReviewsSection.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"
#include "tests/testkit/ScriptedTransport.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QJsonDocument>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace hub;

namespace {

class RootWindow : public ::testing::Test {
protected:
    RootWindow()
    {
        model = harness.makeModel();
        model->catalog().setStorefront(Fixtures::storefront(
            {Fixtures::product(QStringLiteral("tv-reverb"), QStringLiteral("TV Reverb")),
             Fixtures::product(QStringLiteral("tv-delay"), QStringLiteral("TV Delay"))}));
        auto service = std::make_shared<HubUpdateService>(std::make_shared<ScriptedTransport>(),
            HubUpdateService::Source{QStringLiteral("https://www.tavren.test/hub/releases.json"), {}, QStringLiteral("www.tavren.test")},
            InstallLocation::of(box.filePath(QStringLiteral("bin/tavren-hub"))), QStringLiteral("0.1.0"));
        updater = std::make_unique<HubUpdater>(service, harness.settings, HubUpdater::Schedule{});
        window = std::make_unique<MainWindow>(*model, false);
        window->setStartsModel(false);
        window->setQuitsOnClose(false);
        menus = new MainMenus(*window, *model, *updater, {});
        window->show();
        settle();
    }

    static void settle()
    {
        for (int turn = 0; turn < 3; ++turn)
            QCoreApplication::processEvents();
    }

    DetailView& detail() const { return *window->root()->detail(); }
    QListWidget& list() const { return *window->root()->sidebar()->list(); }
    QStringList currentTexts() const
    {
        QStringList texts;
        for (const QLabel* label : detail().current()->findChildren<QLabel*>())
            texts.append(label->text());
        return texts;
    }
    QListWidgetItem* item(const QString& title) const
    {
        const QList<QListWidgetItem*> found = list().findItems(title, Qt::MatchExactly);
        return found.size() == 1 ? found.first() : nullptr;
    }
    void click(const QString& title)
    {
        QListWidgetItem* row = item(title);
        ASSERT_NE(row, nullptr) << title.toStdString();
        QTest::mouseClick(list().viewport(), Qt::LeftButton, {}, list().visualItemRect(row).center());
        settle();
    }
    void choose(const QString& title)
    {
        const QList<QListWidgetItem*> found = list().findItems(title, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << title.toStdString();
        found.first()->setSelected(true);
        settle();
    }

    QTemporaryDir box;
    ModelHarness harness;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<HubUpdater> updater;
    std::unique_ptr<MainWindow> window;
    MainMenus* menus = nullptr;
};

TEST_F(RootWindow, EverySectionOfTheSidebarShowsItsScreen)
{
    QStringList rows;
    for (int at = 0; at < list().count(); ++at)
        rows.append(list().item(at)->text());
    EXPECT_EQ(rows, QStringList({"Discover", "Plug-ins", "Apps", "Free", "Yours", "Library", "Updates", "Downloads", "Wishlist"}));
    EXPECT_FALSE(list().item(4)->flags() & Qt::ItemIsSelectable) << "the group header";

    // The feed's shelves add their rows once it loads.
    model->catalog().setExtras(Fixtures::extras({QStringLiteral("Free EQ")}));
    settle();
    EXPECT_EQ(list().findItems(QStringLiteral("Free Tools"), Qt::MatchExactly).size(), 1);
    EXPECT_TRUE(list().findItems(QStringLiteral("Early Access"), Qt::MatchExactly).isEmpty());

    for (HubSection section : allHubSections()) {
        if (section == HubSection::earlyAccess || section == HubSection::account)
            continue;
        choose(title(section));
        EXPECT_EQ(model->navigation().selection(), section);
        EXPECT_EQ(detail().rootKey(), toString(section));
        // An empty wishlist shows its empty state under its own title.
        const QString heading = section == HubSection::wishlist ? QStringLiteral("Your wishlist is empty") : title(section);
        EXPECT_TRUE(currentTexts().contains(heading)) << currentTexts().join(u'|').toStdString();
        EXPECT_EQ(window->windowTitle(), title(section) + QStringLiteral(" \u2014 Tavren Hub"));
    }

    // The account is chosen from the footer or the menu, never highlighted in the list.
    model->navigation().setSelection(HubSection::account);
    settle();
    EXPECT_EQ(detail().rootKey(), QStringLiteral("account"));
    EXPECT_TRUE(list().selectedItems().isEmpty());
    model->navigation().setSelection(std::nullopt);
    settle();
    EXPECT_EQ(detail().rootKey(), QStringLiteral("discover"));
    EXPECT_TRUE(list().selectedItems().isEmpty());

    // Without a storefront the store screens show their placeholder, which has no title.
    model->catalog().setStorefront(std::nullopt);
    for (const QString row : {"Discover", "Plug-ins", "Apps", "Free"}) {
        click(row);
        EXPECT_EQ(window->windowTitle(), row == "Free" ? "Free \u2014 Tavren Hub" : "Tavren Hub") << row.toStdString();
    }
}

TEST_F(RootWindow, PagesFollowThePathAndTheCatalog)
{
    QAction* back = menus->back();
    EXPECT_FALSE(back->isEnabled());
    model->navigation().show(QStringLiteral("tv-reverb"));
    model->navigation().setPath(model->navigation().path() + QStringList{QStringLiteral("extra:gone")});
    settle();
    EXPECT_EQ(detail().pageKeys().size(), 2);
    EXPECT_TRUE(currentTexts().contains(QStringLiteral("Not available")));
    EXPECT_TRUE(back->isEnabled());

    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tavren Hub")) << "a page that is gone has no title";
    back->trigger();
    settle();
    EXPECT_EQ(model->navigation().path(), QStringList{QStringLiteral("tv-reverb")});
    EXPECT_TRUE(currentTexts().contains(QStringLiteral("TV Reverb")));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("TV Reverb \u2014 Tavren Hub"));
    QWidget* page = detail().current();

    // Unrelated catalog changes keep the page; losing the product turns it into the empty state.
    model->catalog().setExtras(Fixtures::extras({QStringLiteral("Free EQ")}));
    settle();
    EXPECT_EQ(detail().current(), page);
    model->catalog().setStorefront(Fixtures::storefront({Fixtures::product(QStringLiteral("tv-delay"), QStringLiteral("TV Delay"))}));
    settle();
    EXPECT_TRUE(currentTexts().contains(QStringLiteral("Not in the store")));

    // Another section shows its root.
    choose(QStringLiteral("Apps"));
    EXPECT_TRUE(model->navigation().path().isEmpty());
    EXPECT_FALSE(back->isEnabled());
}

TEST_F(RootWindow, SearchFieldDrivesTheResultsAndReturnOpensTheBestMatch)
{
    QLineEdit& field = *window->root()->sidebar()->searchField();
    QTest::keyClicks(&field, QStringLiteral("   "));
    settle();
    EXPECT_EQ(detail().rootKey(), QStringLiteral("discover")) << "blank text keeps the section";
    QTest::keyClick(&field, Qt::Key_Return);
    settle();
    EXPECT_TRUE(model->navigation().path().isEmpty());

    field.clear();
    QTest::keyClicks(&field, QStringLiteral("delay"));
    settle();
    EXPECT_EQ(model->navigation().search(), QStringLiteral("delay"));
    EXPECT_EQ(detail().rootKey(), QStringLiteral("search"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Search \u2014 Tavren Hub"));
    QTest::keyClick(&field, Qt::Key_Return);
    settle();
    EXPECT_EQ(model->navigation().path(), QStringList{QStringLiteral("tv-delay")});
    EXPECT_EQ(model->navigation().search(), QStringLiteral("delay")) << "the text stays";

    // No product matches: the first extras item that does opens.
    model->catalog().setExtras(Fixtures::extras({QStringLiteral("Free EQ")}));
    field.clear();
    QTest::keyClicks(&field, QStringLiteral("eq"));
    QTest::keyClick(&field, Qt::Key_Return);
    settle();
    ASSERT_EQ(model->navigation().path().size(), 2) << "pushed over the open page";
    EXPECT_TRUE(model->navigation().path().last().startsWith(u"extra:"));
    EXPECT_TRUE(currentTexts().contains(QStringLiteral("Free EQ")));

    // A section command leaves the search for the section.
    menus->find(QStringLiteral("Store"), QStringLiteral("Library"))->trigger();
    settle();
    EXPECT_EQ(model->navigation().search(), QString());
    EXPECT_EQ(field.text(), QString());
    EXPECT_EQ(detail().rootKey(), QStringLiteral("library"));
}

TEST_F(RootWindow, AccountCommandOpensTheSheetOrTheAccount)
{
    QAction* account = menus->account();
    EXPECT_EQ(account->text(), QStringLiteral("Sign In"));
    EXPECT_FALSE(menus->updateAll()->isEnabled());
    account->trigger();
    settle();
    EXPECT_TRUE(model->accounts().showSignIn());
    EXPECT_TRUE(model->accounts().signInPurpose().isGeneral());
    QDialog* sheet = window->root()->signInSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isVisible());
    sheet->reject();
    settle();
    EXPECT_FALSE(model->accounts().showSignIn()) << "dismissing the sheet clears the flag";
    EXPECT_EQ(window->root()->signInSheet(), nullptr);

    model->accounts().setTavrenProfile(Fixtures::profile(QStringLiteral("ada@example.com")));
    settle();
    EXPECT_EQ(account->text(), QStringLiteral("Account"));
    account->trigger();
    settle();
    EXPECT_EQ(model->navigation().selection(), HubSection::account);
    EXPECT_FALSE(model->accounts().showSignIn());
}

TEST_F(RootWindow, ToolbarCartPopoverAndSplash)
{
    EXPECT_EQ(window->splash(), nullptr) << "made without the splash";
    MainWindow launched(*model, true);
    launched.setStartsModel(false);
    launched.setQuitsOnClose(false);
    new MainMenus(launched, *model, *updater, {});
    launched.show();
    settle();
    ASSERT_NE(launched.splash(), nullptr);
    EXPECT_EQ(launched.splash()->geometry(), launched.rect()) << "covers the toolbar too";
    const QWidget* overMenus = launched.childAt(launched.menuBar()->geometry().center());
    EXPECT_TRUE(overMenus == launched.splash() || launched.splash()->isAncestorOf(overMenus)) << "and the menu bar";
    launched.close();

    // The minimum size is the content's, below the menu bar and the toolbar.
    window->resize(200, 200);
    settle();
    EXPECT_GE(window->root()->width(), MainWindow::minimumContentSize.width());
    EXPECT_GE(window->root()->height(), MainWindow::minimumContentSize.height());

    EXPECT_EQ(window->cartButton()->text(), QStringLiteral("Cart"));
    window->toggleCart();
    ASSERT_NE(window->cartPopover(), nullptr);
    window->cartPopover()->close();
    settle();
    EXPECT_EQ(window->cartPopover(), nullptr);
    window->toggleCart();
    EXPECT_NE(window->cartPopover(), nullptr) << "opens again after a close";
}

TEST_F(RootWindow, ChoosingASectionByHandLeavesTheSearch)
{
    QLineEdit& field = *window->root()->sidebar()->searchField();
    QTest::keyClicks(&field, QStringLiteral("delay"));
    settle();
    ASSERT_EQ(detail().rootKey(), QStringLiteral("search"));
    click(QStringLiteral("Library"));
    EXPECT_EQ(model->navigation().selection(), HubSection::library);
    EXPECT_EQ(model->navigation().search(), QString()) << "a click leaves the search";
    EXPECT_EQ(field.text(), QString());
    EXPECT_EQ(detail().rootKey(), QStringLiteral("library"));

    // The highlighted section too, with text typed since.
    QTest::keyClicks(&field, QStringLiteral("delay"));
    settle();
    click(QStringLiteral("Library"));
    EXPECT_EQ(detail().rootKey(), QStringLiteral("library"));

    // On a page pushed from a section, its row and shortcut keep the page; another section's show its root.
    click(QStringLiteral("Discover"));
    model->navigation().show(QStringLiteral("tv-reverb"));
    settle();
    ASSERT_EQ(detail().pageKeys().size(), 1);
    click(QStringLiteral("Discover"));
    EXPECT_EQ(model->navigation().path(), QStringList{QStringLiteral("tv-reverb")});
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_1, Qt::ControlModifier);
    settle();
    EXPECT_EQ(detail().pageKeys().size(), 1);
    QTest::keyClick(window.get(), Qt::Key_3, Qt::ControlModifier);
    settle();
    EXPECT_EQ(model->navigation().selection(), HubSection::apps);
    EXPECT_TRUE(detail().pageKeys().isEmpty());
    click(QStringLiteral("Discover"));

    // Escape in the field clears the search.
    QTest::keyClicks(&field, QStringLiteral("reverb"));
    settle();
    ASSERT_EQ(detail().rootKey(), QStringLiteral("search"));
    QTest::keyClick(&field, Qt::Key_Escape);
    settle();
    EXPECT_EQ(field.text(), QString());
    EXPECT_EQ(model->navigation().search(), QString());
    EXPECT_EQ(detail().rootKey(), QStringLiteral("discover"));
}

TEST_F(RootWindow, TheFocusStaysOnTheProductPageAfterMoreReviews)
{
    const auto reviews = [](const QString& id, std::optional<QString> cursor) {
        const Review review{.id = id, .productId = QStringLiteral("tv-reverb"), .rating = 5, .title = id, .body = id, .displayName = id};
        return QJsonDocument(ReviewPage{QStringLiteral("tv-reverb"), {2, 5.0}, {review}, std::move(cursor)}.toJson()).toJson();
    };
    harness.identity->route("GET", "/id/reviews?product=tv-reverb", 200, reviews(QStringLiteral("a"), QStringLiteral("c1")));
    harness.identity->route("GET", "/id/reviews?product=tv-reverb&limit=10&cursor=c1", 200, reviews(QStringLiteral("b"), std::nullopt));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    model->navigation().show(QStringLiteral("tv-reverb"));
    settle();
    auto* page = qobject_cast<ProductPage*>(detail().current());
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(test::eventually([&] { return page->reviews()->moreButton() && page->reviews()->moreButton()->isVisible(); }));

    // Pressed, it waits disabled and then goes with the last page: the typing stays with the page.
    QPushButton* more = page->reviews()->moreButton();
    more->setFocus(Qt::MouseFocusReason);
    more->click();
    ASSERT_TRUE(test::eventually([&] { return page->reviews()->cards().size() == 2 && !more->isVisible(); }));
    QTest::keyClick(window->windowHandle(), 'x');
    settle();
    EXPECT_EQ(window->root()->sidebar()->searchField()->text(), QString());
    EXPECT_EQ(model->navigation().path(), QStringList{QStringLiteral("tv-reverb")});
    EXPECT_TRUE(page->isAncestorOf(QApplication::focusWidget())) << QApplication::focusWidget();
}

TEST_F(RootWindow, ArrowKeysMoveFromTheSelectedRow)
{
    click(QStringLiteral("Apps"));
    ASSERT_EQ(model->navigation().selection(), HubSection::apps);
    QTest::keyClick(list().viewport(), Qt::Key_Down);
    settle();
    EXPECT_EQ(model->navigation().selection(), HubSection::free);
    QTest::keyClick(list().viewport(), Qt::Key_Down); // over the group header
    settle();
    EXPECT_EQ(model->navigation().selection(), HubSection::library);
    QTest::keyClick(list().viewport(), Qt::Key_Up);
    QTest::keyClick(list().viewport(), Qt::Key_Up);
    settle();
    EXPECT_EQ(model->navigation().selection(), HubSection::apps);
    // A change elsewhere rebuilds the rows and keeps the place.
    model->cart().toggleWishlist(QStringLiteral("tv-delay"));
    settle();
    QTest::keyClick(list().viewport(), Qt::Key_Down);
    settle();
    EXPECT_EQ(model->navigation().selection(), HubSection::free);
}

TEST_F(RootWindow, OnlyTheBannerRowsTakeInput)
{
    model->flash(Banner::Tone::info, QStringLiteral("Installed TV Reverb."));
    settle();
    QWidget* banners = window->root()->banners();
    ASSERT_TRUE(banners->isVisible());
    // The account line sits under the banners' strip, beside the row.
    AccountFooter* footer = window->root()->sidebar()->findChild<AccountFooter*>();
    ASSERT_NE(footer, nullptr);
    QTest::mouseClick(footer, Qt::LeftButton);
    settle();
    EXPECT_TRUE(model->accounts().showSignIn()) << "the click reached the account line";
    window->root()->signInSheet()->reject();
    settle();
    const QPoint beside = footer->mapTo(window->root(), footer->rect().center());
    const QWidget* hit = window->root()->childAt(beside);
    EXPECT_TRUE(hit == footer || footer->isAncestorOf(hit)) << "wheel events too";

    // The row's own button still works.
    const QList<Banner> shown = model->banners().banners();
    auto* dismiss = banners->findChild<QToolButton*>();
    ASSERT_NE(dismiss, nullptr);
    QTest::mouseClick(dismiss, Qt::LeftButton);
    settle();
    EXPECT_TRUE(model->banners().banners().isEmpty());
}

// The upper banner leaves on its own while Tab is on its Dismiss: the focus goes on to the lower one's Dismiss.
TEST_F(RootWindow, ABannerThatLeavesHandsTheFocusToTheNextBanner)
{
    model->flash(Banner::Tone::info, QStringLiteral("Installed TV Reverb."));
    model->flash(Banner::Tone::info, QStringLiteral("Installed TV Delay."));
    QApplication::setActiveWindow(window.get());
    BannerStack* stack = window->root()->banners();
    const QList<Banner> shown = model->banners().banners();
    ASSERT_TRUE(test::eventually([&] { return stack->row(shown[1].id) && !stack->moving(); }));
    stack->row(shown[0].id)->findChild<QToolButton*>()->setFocus(Qt::TabFocusReason);
    QWidget* lower = stack->row(shown[1].id)->findChild<QToolButton*>();
    model->banners().dismiss(shown[0].id);
    ASSERT_TRUE(test::eventually([&] { return !stack->row(shown[0].id) && stack->leavingRows() == 0; }));
    EXPECT_EQ(QApplication::focusWidget(), lower);
}

// Space on a banner's Dismiss: the focus goes on at once to the next banner's Dismiss, else to a ringed stop
// outside the stack; Shift+Tab during the exit does not find the leaving banner.
TEST_F(RootWindow, ABannerDismissedBySpaceHandsTheFocusOnAtOnce)
{
    BannerStack* stack = window->root()->banners();
    QApplication::setActiveWindow(window.get());
    Motion::setEnabled(true);
    for (const int count : {1, 2}) {
        for (int at = 0; at < count; ++at)
            model->flash(Banner::Tone::info, QStringLiteral("Installed TV Reverb %1.").arg(at));
        const QList<Banner> shown = model->banners().banners();
        ASSERT_TRUE(test::eventually([&] { return stack->row(shown.last().id) && !stack->moving(); }));
        const QPointer<QWidget> leaving = stack->row(shown[0].id);
        QWidget* next = count > 1 ? stack->row(shown[1].id)->findChild<QToolButton*>() : nullptr;
        leaving->findChild<QToolButton*>()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        settle();
        QWidget* focus = QApplication::focusWidget();
        ASSERT_TRUE(focus && (focus->focusPolicy() & Qt::TabFocus)) << count;
        EXPECT_TRUE(next ? focus == next : !stack->isAncestorOf(focus)) << count;
        QTest::keyClick(focus, Qt::Key_Backtab);
        EXPECT_TRUE(stack->moving() && leaving && !leaving->isAncestorOf(QApplication::focusWidget())) << count;
        ASSERT_TRUE(test::eventually([&] { return stack->leavingRows() == 0 && !stack->moving(); }));
    }
    Motion::setEnabled(std::nullopt);
}

// Ctrl+Q quits while a menu is open: a Library row's ⋯.
TEST_F(RootWindow, CtrlQQuitsWhileAMenuIsOpen)
{
    model->accounts().setStoreUser(Fixtures::user(QStringLiteral("ada@tavren.test")));
    model->accounts().setStoreOwned({Fixtures::summary(QStringLiteral("tv-reverb"), QStringLiteral("TV Reverb"))});
    model->navigation().setSelection(HubSection::library);
    settle();
    QAction* quit = menus->find(QStringLiteral("Tavren Hub"), QStringLiteral("Quit Tavren Hub"));
    QObject::disconnect(quit, &QAction::triggered, menus, nullptr); // the test's process goes on
    QSignalSpy quits(quit, &QAction::triggered);
    QTimer::singleShot(0, [] {
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Q, Qt::ControlModifier);
        if (QWidget* open = QApplication::activePopupWidget())
            open->close();
    });
    QTest::mouseClick(detail().current()->findChild<LibraryRow*>()->findChild<QToolButton*>(), Qt::LeftButton);
    EXPECT_EQ(quits.size(), 1);
}

TEST_F(RootWindow, CartButtonTogglesThePopover)
{
    QToolButton* cart = window->cartButton();
    QTest::mouseClick(cart, Qt::LeftButton);
    settle();
    ASSERT_NE(window->cartPopover(), nullptr);
    QTest::mouseClick(cart, Qt::LeftButton);
    settle();
    EXPECT_EQ(window->cartPopover(), nullptr) << "the second press closes it";
    QTest::mouseClick(cart, Qt::LeftButton);
    settle();
    ASSERT_NE(window->cartPopover(), nullptr) << "and the next opens it";
    // A press elsewhere closes it, and goes on to what it was aimed at.
    QTest::mouseClick(list().viewport(), Qt::LeftButton, {}, list().visualItemRect(item(QStringLiteral("Apps"))).center());
    settle();
    EXPECT_EQ(window->cartPopover(), nullptr);
    EXPECT_EQ(model->navigation().selection(), HubSection::apps);
}

TEST_F(RootWindow, AboutPanelTitleCreditsAndClose)
{
    menus->find(QStringLiteral("Tavren Hub"), QStringLiteral("About Tavren Hub"))->trigger();
    settle();
    auto* panel = window->findChild<AboutPanel*>();
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(panel->isVisible());
    const QList<QLabel*> labels = panel->findChildren<QLabel*>();
    const auto labelled = [&labels](const QString& start) -> QLabel* {
        for (QLabel* label : labels)
            if (label->text().startsWith(start))
                return label;
        return nullptr;
    };
    QLabel* name = labelled(QStringLiteral("Tavren Hub"));
    QLabel* credits = labelled(QStringLiteral("This is a public beta."));
    ASSERT_TRUE(name && credits);
    EXPECT_GT(QFontInfo(name->font()).pixelSize(), QFontInfo(credits->font()).pixelSize()) << "the title is the larger";

    // The feedback address stays on one line.
    QTextLayout layout(credits->text(), credits->font());
    layout.beginLayout();
    QStringList lines;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(credits->contentsRect().width());
        lines.append(credits->text().mid(line.textStart(), line.textLength()));
    }
    layout.endLayout();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](QString line) {
        return line.remove(QChar(0x2060)).contains(QLatin1String(Beta::feedbackAddress));
    })) << lines.join(u'|').toStdString();

    auto* close = panel->findChild<QDialogButtonBox*>();
    ASSERT_NE(close, nullptr);
    QTest::mouseClick(close->button(QDialogButtonBox::Close), Qt::LeftButton);
    settle();
    EXPECT_FALSE(panel->isVisible());
}

} // namespace

TEST_F(RootWindow, CheckoutSheetFollowsTheModelsCheckout)
{
    QStringList made;
    const auto begin = [this](const QString& order) {
        if (!order.isEmpty())
            model->checkout().setCheckout(CheckoutSession{order, QUrl("https://store.test/checkout/" + order), QUrl(), {}, {}, false});
        settle();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    begin("early");
    window->root()->setCheckoutSheet([&made](const CheckoutSession& checkout) {
        made << checkout.orderId;
        return new QLabel(checkout.orderId);
    });
    QPointer<QDialog> sheet = window->root()->checkoutSheet();
    ASSERT_FALSE(sheet.isNull()) << "a checkout already running shows as soon as the sheet is given";
    EXPECT_TRUE(sheet->isVisible());
    begin("early");
    begin("later");
    EXPECT_TRUE(sheet.isNull()) << "a newer checkout replaces the sheet";
    EXPECT_EQ(made, (QStringList{"early", "later"}));

    sheet = window->root()->checkoutSheet();
    sheet->reject(); // Escape
    EXPECT_EQ(model->checkout().checkout(), std::nullopt);
    begin("");
    EXPECT_TRUE(sheet.isNull()) << "the model letting go closes the sheet";
}

TEST_F(RootWindow, CheckoutModuleThatDoesNotLoadGivesAFailureBannerAndNoSheet)
{
    QTemporaryDir folder;
    QFile text(folder.filePath("tavren-hub-checkout.so"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a library");
    text.close();
    const QStringList modules{folder.filePath("missing.so"), text.fileName(), QStringLiteral("/lib/x86_64-linux-gnu/libm.so.6"), QString()};
    for (const QString& path : modules) {
        CheckoutModule module(path);
        window->root()->setCheckoutSheet([&](const CheckoutSession& session) { return module.makeView(*model, session); });
        model->checkout().setCheckout(CheckoutSession{"order-1", QUrl("https://store.test/checkout/1"), QUrl(), {}, {}, false});
        settle();
        EXPECT_EQ(window->root()->checkoutSheet(), nullptr) << path.toStdString();
        EXPECT_EQ(model->checkout().checkout(), std::nullopt) << path.toStdString() << ": the checkout ends";
        ASSERT_FALSE(model->banners().banners().isEmpty()) << path.toStdString();
        EXPECT_EQ(model->banners().banners().last().tone, Banner::Tone::failure);
        EXPECT_EQ(model->banners().banners().last().text, CheckoutModule::unavailable);
        EXPECT_FALSE(module.isLoaded());
        window->root()->setCheckoutSheet({});
    }
}
