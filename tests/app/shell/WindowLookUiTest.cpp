// The window in the app's own look: no push button, scroll bar or tab bar is drawn the
// way Qt draws it by default, on the screens that hold them, and the look comes from the
// app's style: neither the application nor any widget carries a style sheet. Every Tab
// stop draws the focus ring, and Tab reaches every action pill that no grid cell holds.

#include "app/platform/HubUpdater.h"
#include "app/shell/MainWindow.h"
#include "app/shell/RootView.h"
#include "app/shell/Screens.h"
#include "app/shell/SidebarView.h"
#include "app/views/kit/Pill.h"
#include "app/views/kit/Theme.h"
#include "tests/app/fakes/DrawnImage.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"
#include "tests/testkit/ScriptedTransport.h"

#include <QApplication>
#include <QFrame>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSet>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleFactory>
#include <QTabBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace hub;

namespace {

void settle()
{
    for (int turn = 0; turn < 3; ++turn)
        QCoreApplication::processEvents();
}

QList<QWidget*> controls(QWidget& top)
{
    QList<QWidget*> found;
    for (QWidget* widget : top.findChildren<QWidget*>())
        if ((qobject_cast<QPushButton*>(widget) || qobject_cast<QScrollBar*>(widget) || qobject_cast<QTabBar*>(widget))
            && widget->isVisibleTo(&top) && !widget->size().isEmpty())
            found.append(widget);
    return found;
}

// The controls of `top` that draw the same in plain Fusion as in the app's style.
QStringList defaultLooking(QWidget& top)
{
    const QList<QWidget*> shown = controls(top);
    QList<QImage> styled;
    for (QWidget* control : shown)
        styled.append(control->grab().toImage());
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    for (QWidget* control : shown)
        control->setStyle(fusion.get());
    settle();
    QStringList plain;
    for (qsizetype at = 0; at < shown.size(); ++at)
        if (shown[at]->grab().toImage() == styled[at]) {
            const auto* button = qobject_cast<QPushButton*>(shown[at]);
            plain.append(QString::fromLatin1(shown[at]->metaObject()->className()) + (button ? u' ' + button->text() : QString()));
        }
    for (QWidget* control : shown)
        control->setStyle(nullptr);
    settle();
    return plain;
}

// The main window over two products, and the Settings window beside it.
class WindowLook : public ::testing::Test {
protected:
    WindowLook()
    {
        Theme::apply(*qApp);
        model->catalog().setStorefront(Fixtures::storefront(
            {Fixtures::product(QStringLiteral("tv-reverb"), QStringLiteral("TV Reverb")),
             Fixtures::product(QStringLiteral("tv-delay"), QStringLiteral("TV Delay"))}));
        window.setStartsModel(false);
        window.setQuitsOnClose(false);
        window.show();
    }

    void ownBoth() // both installed, TV Delay with an update
    {
        model->accounts().setTavrenProfile(Fixtures::profile("ada@tavren.test", QStringList{"tv-reverb", "tv-delay"}));
        model->accounts().setStoreUser(Fixtures::user("ada@tavren.test")); // an update queues, with no sheet
        InstallRecord app = Fixtures::record("tv-reverb", "TV Reverb", "1.0.0");
        app.items = {InstalledItem{"/Applications/TV Reverb.app", BundleKind::app, "com.tv.reverb", "TEAM", std::nullopt}};
        model->library().setInstalled({app, Fixtures::record("tv-delay", "TV Delay", "0.9.0")});
    }

    std::unique_ptr<QWidget> settingsWindow()
    {
        std::unique_ptr<QWidget> settings(Screens::settings(*model, updater, {}));
        settings->show();
        settle();
        return settings;
    }

    QTemporaryDir box;
    ModelHarness harness;
    std::unique_ptr<AppModel> model = harness.makeModel();
    MainWindow window{*model, false};
    HubUpdater updater{std::make_shared<HubUpdateService>(std::make_shared<ScriptedTransport>(), HubUpdateService::Source{},
                           InstallLocation::of(box.filePath(QStringLiteral("bin/tavren-hub"))), QStringLiteral("0.1.0")),
        harness.settings, HubUpdater::Schedule{}};
};

TEST_F(WindowLook, NoControlKeepsQtsDefaultLook)
{

    // A product page, long enough to scroll, with Add to Cart and Sign In to Review.
    model->navigation().show(QStringLiteral("tv-reverb"));
    settle();
    QStringList kinds;
    for (const QWidget* control : controls(window)) {
        const auto* button = qobject_cast<const QPushButton*>(control);
        kinds.append(button ? button->text() : QString::fromLatin1(control->metaObject()->className()));
    }
    EXPECT_TRUE(kinds.contains(QStringLiteral("Add to Cart"))) << kinds.join(u'|').toStdString();
    EXPECT_TRUE(kinds.contains(QStringLiteral("QScrollBar"))) << kinds.join(u'|').toStdString();
    EXPECT_EQ(defaultLooking(window), QStringList());

    // The wishlist with its button that adds everything to the cart.
    model->cart().toggleWishlist(QStringLiteral("tv-reverb"));
    model->cart().toggleWishlist(QStringLiteral("tv-delay"));
    model->navigation().choose(HubSection::wishlist);
    settle();
    EXPECT_EQ(defaultLooking(window), QStringList());

    // The Settings window's tabs.
    std::unique_ptr<QWidget> settings = settingsWindow();
    ASSERT_NE(settings->findChild<QTabBar*>(), nullptr);
    EXPECT_EQ(defaultLooking(*settings), QStringList());
}

// The widgets under `top`, shown or not, that carry a style sheet or are drawn through one.
QStringList ownSheets(const QWidget& top)
{
    QStringList found;
    for (const QWidget* widget : top.findChildren<QWidget*>())
        if (!widget->styleSheet().isEmpty() || widget->style()->inherits("QStyleSheetStyle"))
            found.append(QString::fromLatin1(widget->metaObject()->className()) + u' ' + widget->styleSheet().left(60));
    return found;
}

TEST_F(WindowLook, ScreensCarryNoStyleSheet)
{
    EXPECT_EQ(qApp->styleSheet(), QString());
    model->catalog().setExtras(Fixtures::extras({QStringLiteral("Free EQ")}));
    model->cart().addToCart(*model->catalog().storeProduct(QStringLiteral("tv-reverb")));
    settle();

    QStringList found;
    for (HubSection section : allHubSections()) {
        model->navigation().choose(section);
        settle();
        found << ownSheets(window);
    }
    model->navigation().show(QStringLiteral("tv-reverb"));
    window.toggleCart();
    settle();
    found << ownSheets(window);
    ASSERT_NE(window.cartPopover(), nullptr);
    found << ownSheets(*window.cartPopover());
    std::unique_ptr<QWidget> signIn(Screens::signIn(*model));
    found << ownSheets(*signIn);
    found << ownSheets(*settingsWindow());
    found.removeDuplicates();
    EXPECT_EQ(found, QStringList());
}

// Tab round the store's home, a product page, the Library and Updates, from a click on the sidebar: every stop,
// See All among them, draws the focus ring.
TEST_F(WindowLook, EveryTabStopDrawsTheFocusRing)
{
    ownBoth();
    window.resize(1200, 800);
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QListWidget* list = window.root()->sidebar()->list();
    QStringList blind, met;
    const std::function<void()> screens[] = {
        [] {}, [&] { model->navigation().show(QStringLiteral("tv-reverb")); },
        [&] { model->navigation().choose(HubSection::library); }, [&] { model->navigation().choose(HubSection::updates); }};
    for (const auto& go : screens) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
        go();
        settle();
        for (QSet<QWidget*> seen; seen.size() < 60;) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            settle();
            QWidget* stop = QApplication::focusWidget();
            ASSERT_NE(stop, nullptr);
            if (seen.contains(stop))
                break;
            seen.insert(stop);
            if (const auto* button = qobject_cast<QAbstractButton*>(stop))
                met.append(button->text());
            stop->clearFocus();
            settle();
            const QImage plain = window.grab().toImage();
            stop->setFocus(Qt::TabFocusReason);
            // On the stop itself; an overlay link's on the card it lies on.
            const QWidget* ringed = stop->property("role").toString() == u"overlayLink" ? stop->parentWidget() : stop;
            if (!test::ringShows(window, plain, QRect(ringed->mapTo(&window, QPoint(0, 0)), ringed->size())))
                blind.append(QString::fromLatin1(stop->metaObject()->className()));
        }
    }
    EXPECT_EQ(blind, QStringList());
    EXPECT_TRUE(met.contains(QStringLiteral("See All")));
}

// The carousel, a product page's header and the Library's and Updates' rows hold their pill alone: Tab reaches it
// and Space presses it.
TEST_F(WindowLook, TabReachesThePillsNoGridCellHoldsAndSpacePressesThem)
{
    ownBoth();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const std::pair<std::function<void()>, const char*> cases[] = {
        {[&] { model->navigation().choose(HubSection::discover); }, "hub::HeroCarousel"},
        {[&] { model->navigation().show("tv-reverb"); }, "hub::ProductPage"},
        {[&] { model->navigation().choose(HubSection::updates); }, "hub::UpdateRow"},
        {[&] { model->navigation().choose(HubSection::library); }, "hub::LibraryRow"},
    };
    for (const auto& [go, place] : cases) {
        SCOPED_TRACE(place);
        go();
        settle();
        window.root()->sidebar()->list()->setFocus(Qt::OtherFocusReason);
        const auto onPill = [place] {
            const QWidget* up = qobject_cast<const Pill*>(QApplication::focusWidget());
            while (up && !up->inherits(place))
                up = up->parentWidget();
            return up != nullptr;
        };
        for (int tab = 0; tab < 80 && !onPill(); ++tab)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_TRUE(onPill());
        QSignalSpy pressed(QApplication::focusWidget(), SIGNAL(clicked()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        EXPECT_EQ(pressed.size(), 1);
    }
}

} // namespace
