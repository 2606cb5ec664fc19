// Reduced motion follows the desktop's setting through the portal, live, with the
// variable and a fixed switch above it.

#include "app/platform/DesktopAnimations.h"
#include "app/views/kit/Motion.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/FakePortal.h"

#include <QDBusVariant>
#include <gtest/gtest.h>

using namespace hub;

using test::FakePortal;

TEST(Motion, FollowsTheDesktopSettingUnderTheVariableAndTheFixedSwitch)
{
    FakePortal portal;
    if (!portal.publish())
        GTEST_SKIP() << "no session bus";
    qunsetenv("TAVREN_HUB_REDUCE_MOTION");
    Motion::setEnabled(std::nullopt);

    EXPECT_TRUE(Motion::enabled()) << "before the desktop is asked";
    Motion::followDesktop();
    EXPECT_TRUE(test::eventually([] { return !Motion::enabled(); })) << "the desktop turned animations off";
    portal.change(true);
    EXPECT_TRUE(test::eventually([] { return Motion::enabled(); })) << "turned on again while running";

    qputenv("TAVREN_HUB_REDUCE_MOTION", "1");
    EXPECT_FALSE(Motion::enabled()) << "the variable over the desktop";
    qunsetenv("TAVREN_HUB_REDUCE_MOTION");
    portal.change(false);
    ASSERT_TRUE(test::eventually([] { return !Motion::enabled(); }));
    qputenv("TAVREN_HUB_REDUCE_MOTION", "0");
    EXPECT_TRUE(Motion::enabled());
    Motion::setEnabled(false);
    EXPECT_FALSE(Motion::enabled()) << "fixed, as in snapshots";
    qunsetenv("TAVREN_HUB_REDUCE_MOTION");
}

