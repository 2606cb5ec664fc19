// Motion with the switch on and off: each animation starts only when motion is on,
// and ends where the change puts things at once when it is off.

#include "app/shell/DetailView.h"
#include "app/views/kit/BannerRow.h"
#include "app/views/kit/BannerStack.h"
#include "app/views/kit/CachedImage.h"
#include "app/views/kit/CrossFade.h"
#include "app/views/kit/FocusHighlight.h"
#include "app/views/kit/ImageMemory.h"
#include "app/views/kit/KeyboardGrid.h"
#include "app/views/kit/Motion.h"
#include "app/views/kit/ScreenshotViewer.h"
#include "app/views/store/CarouselDots.h"
#include "app/views/store/DiscoverView.h"
#include "app/views/store/HeroCarousel.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

namespace hub {
namespace {

void settle()
{
    for (int turn = 0; turn < 3; ++turn)
        QApplication::processEvents();
}

struct MotionOff {
    ~MotionOff() { Motion::setEnabled(false); }
};

TEST(MotionUi, TheGridHighlightMovesAcrossToTheNextCell)
{
    MotionOff after;
    for (const bool motion : {false, true}) {
        Motion::setEnabled(motion);
        QWidget window;
        auto* grid = new KeyboardGrid({"a", "b", "c"}, 100, 10, {}, [](const QString& id) { return new QLabel(id); }, &window);
        grid->setGeometry(0, 0, 330, 100);
        window.resize(330, 100);
        window.show();
        QApplication::setActiveWindow(&window);
        settle();
        auto* highlight = grid->findChild<FocusHighlight*>();
        ASSERT_NE(highlight, nullptr);
        grid->cell("a")->setFocus(Qt::TabFocusReason);
        EXPECT_EQ(highlight->geometry(), grid->cell("a")->geometry()) << "a highlight coming on starts on its cell";

        QTest::keyClick(grid->cell("a"), Qt::Key_Right);
        QTest::keyClick(grid->cell("b"), Qt::Key_Right);
        const QRect target = grid->cell("c")->geometry();
        EXPECT_EQ(highlight->geometry() != target, motion) << motion;
        EXPECT_TRUE(QTest::qWaitFor([&] { return highlight->geometry() == target; }, 2000)) << motion;
        EXPECT_TRUE(highlight->isOn());
    }
}

TEST(MotionUi, SectionsCarouselTurnsAndViewerStepsCrossFade)
{
    MotionOff after;
    ImageMemory::setFetch([](const QUrl&) { return std::nullopt; });
    for (const bool motion : {false, true}) {
        Motion::setEnabled(motion);
        ModelHarness harness;
        auto model = harness.makeModel();
        model->catalog().setStorefront(Fixtures::storefront(
            {Fixtures::product("tv-delay", "Delay"), Fixtures::product("tv-synth", "Synth"), Fixtures::product("tv-reverb", "Reverb")}));

        // What each change shows comes at once; only with motion on does the old look fade
        // over it. Each fade is looked for right after its change: it lasts only so long.
        const auto fadesOver = [motion](QWidget* target) {
            auto* fade = target->findChild<CrossFade*>(QString(), Qt::FindDirectChildrenOnly);
            EXPECT_EQ(fade != nullptr, motion) << target->metaObject()->className();
            if (fade) {
                EXPECT_EQ(fade->geometry(), target->rect());
                EXPECT_EQ(target->children().last(), fade) << "over what the change brought in";
            }
        };
        DiscoverView discover(*model);
        discover.resize(1000, 700);
        discover.show();
        settle();
        HeroCarousel* carousel = discover.carousel();
        ASSERT_TRUE(carousel && carousel->isVisible());
        QTest::mouseClick(carousel->findChild<CarouselDots*>(), Qt::LeftButton, {}, QPoint(13 + 3, 3));
        EXPECT_EQ(carousel->index(), 1);
        fadesOver(carousel);

        ScreenshotViewer viewer({QUrl("https://assets.test/1.png"), QUrl("https://assets.test/2.png")}, 0, "Delay");
        viewer.show();
        settle();
        viewer.step(1);
        EXPECT_EQ(viewer.index(), 1);
        fadesOver(viewer.image());

        DetailView detail(*model);
        detail.resize(900, 600);
        detail.show();
        settle();
        model->navigation().setSelection(HubSection::library);
        settle();
        EXPECT_EQ(detail.rootKey(), toString(HubSection::library));
        fadesOver(detail.current()->parentWidget());

        const QList<QWidget*> faded{carousel, viewer.image(), detail.current()->parentWidget()};
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                for (QWidget* target : faded)
                    if (target->findChild<CrossFade*>())
                        return false;
                return true;
            },
            3000));
    }
    ImageMemory::pool().waitForDone();
}

TEST(MotionUi, BannerRowsComeUpFromTheBottomEdgeAndGoBackDownFading)
{
    MotionOff after;
    for (const bool motion : {false, true}) {
        Motion::setEnabled(motion);
        ModelHarness harness;
        auto model = harness.makeModel();
        BannerStack stack(*model);
        stack.resize(800, 600);
        stack.show();
        settle();
        model->flash(Banner::Tone::info, "first");
        model->flash(Banner::Tone::failure, "second");
        settle();
        const QList<Banner> banners = model->banners().banners();
        auto* first = static_cast<BannerRow*>(stack.row(banners[0].id));
        auto* second = static_cast<BannerRow*>(stack.row(banners[1].id));
        ASSERT_TRUE(first && second);
        EXPECT_EQ(stack.moving(), motion);
        if (motion) {
            EXPECT_GT(second->y(), 600 - 16 - second->height()) << "on its way up";
            EXPECT_LT(second->opacity(), 1.0);
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return !stack.moving(); }, 3000));
        // At rest: the newest at the bottom, 16 above the edge, the older 8 above it, centred.
        EXPECT_EQ(second->geometry().bottom() + 1, 600 - 16) << motion;
        EXPECT_EQ(first->geometry().bottom() + 1 + 8, second->y());
        EXPECT_EQ(first->x(), (800 - first->width()) / 2);
        EXPECT_EQ(first->width(), 520);
        EXPECT_EQ(first->opacity(), 1.0);
        EXPECT_TRUE(stack.mask().contains(first->geometry().center()));
        EXPECT_FALSE(stack.mask().contains(QPoint(10, 10))) << "input beside the rows goes under";

        const QPointer<BannerRow> leaving(second);
        model->banners().dismiss(banners[1].id);
        settle();
        EXPECT_EQ(stack.row(banners[1].id), nullptr);
        EXPECT_EQ(stack.leavingRows(), motion ? 1 : 0);
        EXPECT_EQ(leaving.isNull(), !motion);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !stack.moving(); }, 3000));
        EXPECT_TRUE(leaving.isNull());
        EXPECT_EQ(first->geometry().bottom() + 1, 600 - 16) << "the other row slid down into its place";
    }
}

} // namespace
} // namespace hub
