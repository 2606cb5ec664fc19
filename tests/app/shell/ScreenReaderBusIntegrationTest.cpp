// The real hub against the devstore on an X server and a session bus of its own, read over the accessibility bus
// by screen_reader_bus.py: Discover signed out, a wrong password and a banner said, the cart a window of the app
// with the focus, and the checkout page's lock, heading, Email field and Pay button.

#include "tests/app/fakes/HubProcess.h"
#include "tests/devstore/DevstoreProcess.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hub;

TEST(ScreenReaderBus, TheHubIsReadAndItsPageToPayIsToo)
{
    test::DevstoreProcess store;
    if (!store.useDemoDeployment())
        GTEST_SKIP() << "the demo flavour is off (configure with -DHUB_DEMO=ON)";
    QTemporaryDir box;
    test::HubProcess hub(box.path());
    QProcessEnvironment environment = hub.process().processEnvironment();
    // The desktop's bridge: on an X server, on the accessibility bus of the session's own.
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "AT_SPI_BUS_ADDRESS"})
        environment.remove(QString::fromLatin1(name));
    environment.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    QProcess reader;
    reader.setProcessEnvironment(environment);
    reader.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    reader.start("dbus-run-session", {"--", "xvfb-run", "-a", "-s", "-screen 0 1600x1000x24", "/usr/bin/python3",
                                      HUB_TEST_SOURCE_DIR "/app/shell/screen_reader_bus.py", test::HubProcess::binary()});
    ASSERT_TRUE(reader.waitForFinished(180'000)) << "the reader did not start or did not end";
    const QString output = u'\n' + QString::fromUtf8(reader.readAllStandardOutput());
    for (const char* check : {"hub-on-bus", "discover-unnamed", "discover-products", "alert-wrong-password", "alert-banner",
                              "cart-window", "cart-focus", "checkout-lock", "checkout-heading", "checkout-email", "checkout-pay"})
        EXPECT_TRUE(output.contains(QStringLiteral("\nok %1 ").arg(QString::fromLatin1(check)))) << check;
    EXPECT_EQ(reader.exitCode(), 0) << output.toStdString();
}
