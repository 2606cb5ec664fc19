#include "app/views/kit/Accessibility.h"
#include "app/views/kit/LaunchSplash.h"
#include "app/views/kit/Motion.h"
#include "app/views/kit/SplashTimeline.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/FakePortal.h"

#include <gtest/gtest.h>

using namespace hub;

// Reduced motion answered after the splash showed, or turned on mid-drift, leaves it still to the end.
TEST(LaunchSplashUi, HonoursTheDesktopsReducedMotionWhenItsAnswerComes)
{
    test::FakePortal portal;
    if (!portal.publish())
        GTEST_SKIP() << "no session bus";
    qunsetenv("TAVREN_HUB_REDUCE_MOTION");
    Motion::setEnabled(std::nullopt);
    const auto stillToTheEnd = [](LaunchSplash& splash) {
        EXPECT_TRUE(test::eventually([&] { return splash.isLeaving(); }));
        EXPECT_DOUBLE_EQ(splash.progress(), SplashTimeline::reducedProgress);
    };
    Motion::followDesktop();
    LaunchSplash early([] {});
    early.show();
    EXPECT_TRUE(Accessibility::isHidden(&early));
    EXPECT_FALSE(Motion::settled()) << "the desktop answers from the next turn on";
    stillToTheEnd(early);

    portal.change(true);
    ASSERT_TRUE(test::eventually([] { return Motion::enabled(); }));
    LaunchSplash late([] {});
    late.show();
    portal.change(false);
    stillToTheEnd(late);
    Motion::setEnabled(false);
}
