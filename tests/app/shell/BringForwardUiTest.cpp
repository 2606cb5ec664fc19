// A second start or a link brings the window to the user, whatever state it was left in.

#include "app/shell/BringForward.h"

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

using namespace hub;

TEST(BringForwardUi, AMinimizedWindowComesBackAsItWasAndActive)
{
    for (const Qt::WindowStates before : {Qt::WindowStates(Qt::WindowNoState), Qt::WindowStates(Qt::WindowMaximized)}) {
        SCOPED_TRACE(int(before));
        QWidget other, window;
        window.setWindowState(before);
        window.show();
        other.show();
        QApplication::setActiveWindow(&other);
        window.setWindowState(window.windowState() | Qt::WindowMinimized);
        ASSERT_TRUE(QTest::qWaitFor([&] { return window.windowHandle()->windowState() == Qt::WindowMinimized; }));

        bringForward(window);
        EXPECT_TRUE(QTest::qWaitFor([&] { return Qt::WindowStates(window.windowHandle()->windowState()) == before; }));
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }
}
