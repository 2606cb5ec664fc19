// The store screens offscreen over a model of fixtures: the carousel's turns on the
// injected clock, the search pane against what Return opens, and the cart popover.

#include "app/shell/DetailView.h"
#include "app/shell/MainWindow.h"
#include "app/shell/RootView.h"
#include "app/shell/SidebarView.h"
#include "app/views/extras/ExtrasActionButton.h"
#include "app/views/kit/FocusKeeper.h"
#include "app/views/kit/ImageMemory.h"
#include "app/views/kit/KeyboardGrid.h"
#include "app/views/kit/Motion.h"
#include "app/views/kit/ProductIcon.h"
#include "app/views/store/CarouselDots.h"
#include "app/views/store/CartView.h"
#include "app/views/store/DiscoverView.h"
#include "app/views/store/HeroCarousel.h"
#include "app/views/store/SearchResultsView.h"
#include "app/views/store/StoreLoading.h"
#include "app/views/store/StorePage.h"
#include "app/views/store/StoreSkeleton.h"
#include "tests/app/fakes/DrawnImage.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"
#include "kit/security/HostPolicy.h"

#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <QTest>
#include <gtest/gtest.h>

using namespace hub;
using namespace std::chrono_literals;

namespace {

void settle()
{
    for (int turn = 0; turn < 3; ++turn)
        QCoreApplication::processEvents();
}

StorefrontProduct product(const QString& id)
{
    return Fixtures::product(id, id.mid(3));
}

TEST(StoreScreens, CarouselTurnsEverySevenSecondsWhileOnScreen)
{
    ModelHarness harness;
    auto model = harness.makeModel();
    model->catalog().setStorefront(Fixtures::storefront(
        {product("tv-delay"), product("tv-synth"), product("tv-compressor"), product("tv-reverb")}));
    DiscoverView view(*model);
    view.resize(1100, 800);
    view.show();
    settle();
    HeroCarousel* carousel = view.carousel();
    ASSERT_NE(carousel, nullptr);
    ASSERT_TRUE(carousel->isVisible());
    EXPECT_EQ(carousel->shownId(), "tv-reverb") << "featured order, not store order";
    EXPECT_EQ(harness.sleeper.pending(), QList<std::chrono::milliseconds>{7000ms});

    const QStringList turns{"tv-compressor", "tv-synth", "tv-reverb"};
    for (const QString& next : turns) {
        harness.sleeper.advance(7000ms);
        EXPECT_EQ(carousel->shownId(), next);
    }

    // A dot shows its product at once; the running wait is not restarted.
    harness.sleeper.advance(3000ms);
    auto* dots = carousel->findChild<CarouselDots*>();
    QTest::mouseClick(dots, Qt::LeftButton, {}, QPoint(2 * 13 + 3, 3));
    EXPECT_EQ(carousel->shownId(), "tv-synth");
    EXPECT_TRUE(model->navigation().path().isEmpty()) << "a dot does not open the page";
    harness.sleeper.advance(4000ms);
    EXPECT_EQ(carousel->shownId(), "tv-reverb");

    // A refresh with fewer featured products keeps the index, taken modulo the new count.
    model->catalog().setStorefront(Fixtures::storefront({product("tv-synth"), product("tv-widener")}));
    settle();
    EXPECT_EQ(carousel->index(), 3);
    EXPECT_EQ(carousel->shownId(), "tv-widener");

    // Off screen it stops, its cut wait turning once; back on screen it turns again.
    harness.sleeper.advance(2000ms);
    view.hide();
    EXPECT_EQ(carousel->index(), 4);
    harness.sleeper.advance(7000ms);
    EXPECT_EQ(carousel->index(), 4);
    EXPECT_TRUE(harness.sleeper.pending().isEmpty());
    view.show();
    settle();
    harness.sleeper.advance(7000ms);
    EXPECT_EQ(carousel->index(), 5);

    // Minimized and restored (the hide turns it), the card shows the product a click on it opens.
    view.showMinimized();
    settle();
    view.showNormal();
    settle();
    EXPECT_EQ(carousel->accessibleName(), "Featured: synth");
    QTest::mouseClick(carousel, Qt::LeftButton, {}, QPoint(carousel->width() / 2, 20));
    EXPECT_EQ(model->navigation().path(), QStringList{"tv-synth"});

    // Nothing featured: no card and no timer.
    model->catalog().setStorefront(Fixtures::storefront({product("tv-delay")}));
    settle();
    EXPECT_FALSE(carousel->isVisible());
    harness.sleeper.advance(7000ms);
    EXPECT_TRUE(harness.sleeper.pending().isEmpty());
}

TEST(StoreScreens, WithoutAStorefrontTheSkeletonShowsWhileLoadingElseTryAgain)
{
    ModelHarness harness;
    harness.store.fail("GET", FakeStore::storefrontPath, 503);
    auto model = harness.makeModel();
    DiscoverView view(*model);
    view.resize(900, 700);
    view.show();
    settle();
    ASSERT_EQ(view.page(), nullptr);
    ASSERT_NE(view.loading(), nullptr);
    const auto tryAgain = [&]() -> QPushButton* {
        for (QPushButton* button : view.loading()->face()->findChildren<QPushButton*>())
            if (button->text() == "Try Again")
                return button;
        return nullptr;
    };
    ASSERT_NE(tryAgain(), nullptr) << "not loading: the store is unavailable";

    // A refresh running: the skeleton, breathing only with motion on.
    for (const bool motion : {false, true}) {
        Motion::setEnabled(motion);
        model->refresh().setLoading(true);
        settle();
        auto* skeleton = qobject_cast<StoreSkeleton*>(view.loading()->face());
        ASSERT_NE(skeleton, nullptr);
        EXPECT_EQ(skeleton->accessibleName(), "Loading the store");
        auto* breath = skeleton->findChild<QVariantAnimation*>();
        EXPECT_EQ(breath != nullptr && breath->state() == QAbstractAnimation::Running, motion);
        if (!motion) {
            EXPECT_EQ(skeleton->pulse(), 1.0) << "the end state at once";
        }
        model->refresh().setLoading(false);
        settle();
        ASSERT_NE(tryAgain(), nullptr) << "a refresh that brought nothing";
    }
    Motion::setEnabled(false);

    // Each press asks again; a failure keeps the empty state and reports in a banner.
    for (int press = 1; press <= 2; ++press) {
        tryAgain()->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return harness.store.calls(FakeStore::storefrontPath) == press; }));
        ASSERT_TRUE(QTest::qWaitFor([&] { return ModelHarness::bannerTexts(*model).size() == press; }));
        settle();
        EXPECT_EQ(view.page(), nullptr);
        EXPECT_NE(tryAgain(), nullptr);
    }

    // Once the store answers, the screen shows its content without anything else.
    harness.store.serveStorefront(Fixtures::storefront({product("tv-reverb")}));
    tryAgain()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.page() != nullptr; }));
    EXPECT_FALSE(model->refresh().loading());
}

TEST(StoreScreens, CarouselStandsStillInASnapshotRun)
{
    ModelHarness harness;
    QTemporaryDir shots;
    harness.arguments << "--snapshot" << shots.path();
    auto model = harness.makeModel();
    model->catalog().setStorefront(Fixtures::storefront({product("tv-reverb"), product("tv-synth")}));
    DiscoverView view(*model);
    view.show();
    settle();
    ASSERT_TRUE(view.carousel()->isVisible());
    EXPECT_TRUE(harness.sleeper.pending().isEmpty());
    EXPECT_FALSE(view.carousel()->turning());
}

TEST(StoreScreens, ReturnOpensTheFirstResultThePaneShows)
{
    ModelHarness harness;
    auto model = harness.makeModel();
    model->catalog().setStorefront(Fixtures::storefront(
        {Fixtures::product("hall", "Hall Reverb"), Fixtures::product("spring", "Reverb Spring"),
         Fixtures::product("plate", "Plate Reverb")}));
    MainWindow window(*model, false);
    window.setStartsModel(false);
    window.setQuitsOnClose(false);
    window.show();
    settle();

    QLineEdit& field = *window.root()->sidebar()->searchField();
    QTest::keyClicks(&field, "reverb");
    settle();
    auto* pane = qobject_cast<SearchResultsView*>(window.root()->detail()->current());
    ASSERT_NE(pane, nullptr);
    auto* grid = pane->findChild<KeyboardGrid*>();
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->ids(), (QStringList{"spring", "hall", "plate"})) << "the name that begins with the word first";

    QTest::keyClick(&field, Qt::Key_Return);
    settle();
    EXPECT_EQ(model->navigation().path(), QStringList{grid->ids().first()});
}

// Tab from Search stops on the sidebar's current row, then on the carousel's pill, which keeps the focus and
// its Tab place as the carousel turns, then on its card: each ringed while it has the focus. Space on the card
// opens the featured product.
TEST(StoreScreens, EachStopOfTabFromSearchShowsTheFocus)
{
    ModelHarness harness;
    auto model = harness.makeModel();
    model->catalog().setStorefront(Fixtures::storefront({product("tv-reverb"), product("tv-synth")}));
    MainWindow window(*model, false);
    window.setStartsModel(false);
    window.setQuitsOnClose(false);
    window.resize(1300, 850);
    window.show();
    settle();
    auto* carousel = window.findChild<HeroCarousel*>();
    ASSERT_NE(carousel, nullptr);
    QListWidget* list = window.root()->sidebar()->list();
    window.root()->sidebar()->searchField()->setFocus(Qt::MouseFocusReason);
    settle();
    const QImage row = list->viewport()->grab().toImage(), card = carousel->grab().toImage();
    const QRect edge(0, 0, carousel->width(), 3);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), list);
    EXPECT_TRUE(test::ringShows(*list->viewport(), row, list->visualItemRect(list->currentItem())));
    const auto on = [&](const char* kind) { return carousel->isAncestorOf(QApplication::focusWidget()) && QApplication::focusWidget()->inherits(kind); };
    for (int tab = 0; tab < 6 && !on("hub::Pill"); ++tab)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_TRUE(on("hub::Pill"));
    const QString shown = carousel->shownId();
    harness.sleeper.advance(7000ms);
    settle();
    EXPECT_NE(carousel->shownId(), shown);
    ASSERT_TRUE(on("hub::Pill"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_TRUE(on("QPushButton"));
    EXPECT_TRUE(test::ringShows(*carousel, card, edge));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_FALSE(test::ringShows(*carousel, card, edge));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_TRUE(test::ringShows(*carousel, card, edge));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(model->navigation().path(), QStringList{carousel->shownId()});
}

// An extras item's action made anew stands in its own Tab place; "Soon", which takes no focus, hands it on
// to the next stop.
TEST(StoreScreens, AnExtrasActionMadeAnewKeepsItsTabPlace)
{
    ModelHarness harness;
    auto model = harness.makeModel();
    QWidget window;
    auto* before = new QPushButton("Before");
    auto* action = new ExtrasActionButton(*model, *ExtrasItem::read(QJsonObject{{"name", "EQ"}, {"signedByTavren", true},
        {"productId", "tv-reverb"}}), false);
    auto* after = new QPushButton("After");
    auto* layout = new QVBoxLayout(&window);
    for (QWidget* widget : std::initializer_list<QWidget*>{before, action, after})
        layout->addWidget(widget);
    new FocusKeeper(&window);
    window.show();
    QApplication::setActiveWindow(&window);
    model->catalog().setStorefront(Fixtures::storefront({product("tv-reverb")}));
    settle();
    before->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(before, Qt::Key_Tab);
    EXPECT_TRUE(action->isAncestorOf(QApplication::focusWidget()));
    model->catalog().setStorefront(Fixtures::storefront({}));
    settle();
    EXPECT_EQ(QApplication::focusWidget(), after);
}

TEST(StoreScreens, CartPopoverRemovesTheChosenLineAndClosesBeforeCheckingOut)
{
    ModelHarness harness;
    auto model = harness.makeModel();
    for (const char* id : {"tv-a", "tv-b", "tv-c"})
        model->cart().addToCart(product(id));
    int closed = 0;
    CartView view(*model, [&closed] { ++closed; });
    view.show();
    settle();
    const auto remove = [&view](const QString& name) -> QToolButton* {
        for (QToolButton* button : view.findChildren<QToolButton*>())
            if (button->isVisible() && button->accessibleName() == "Remove " + name)
                return button;
        return nullptr;
    };
    ASSERT_NE(remove("b"), nullptr);
    remove("b")->click();
    settle();
    QStringList left;
    for (const CartLine& line : model->cart().cart())
        left << line.product.id;
    EXPECT_EQ(left, (QStringList{"tv-a", "tv-c"}));
    EXPECT_EQ(remove("b"), nullptr);

    view.findChild<QPushButton*>("checkOut")->click();
    EXPECT_EQ(closed, 1) << "closed at once, before the order is pushed";
    settle();
    EXPECT_EQ(model->cart().cart().size(), 2);
}

TEST(StoreScreens, TheCarouselsIconFollowsANewAddress)
{
    ModelHarness harness;
    auto model = harness.makeModel();
    QList<StorefrontProduct> products{product("tv-delay"), product("tv-reverb")};
    model->catalog().setStorefront(Fixtures::storefront(products));
    DiscoverView view(*model);
    view.resize(1100, 800);
    view.show();
    settle();
    HeroCarousel* carousel = view.carousel();
    ASSERT_EQ(carousel->shownId(), "tv-reverb");
    ImageMemory::setFetch([](const QUrl&) { return std::optional<QByteArray>(); });
    products[1].iconUrl = QStringLiteral("https://%1/icons/reverb-2.png").arg(*HostPolicy::tavren().assetHosts.begin());
    model->catalog().setStorefront(Fixtures::storefront(products));
    settle();
    EXPECT_EQ(carousel->findChild<ProductIcon*>()->url(), QUrl(*products[1].iconUrl));
    ImageMemory::waitForIdle();
    ImageMemory::setFetch({});
}

} // namespace
