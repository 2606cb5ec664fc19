// The main window opens where, as large as and in the state the last one closed (on a 1920 by 1200 screen).

#include "app/shell/MainWindow.h"
#include "tests/app/fakes/ModelHarness.h"

#include <QScreen>
#include <QSettings>
#include <QTest>
#include <gtest/gtest.h>

using namespace hub;

namespace {

TEST(WindowPlace, AWindowOpensWhereAndAsTheLastOneClosed)
{
    ASSERT_EQ(QGuiApplication::primaryScreen()->availableGeometry(), QRect(0, 0, 1920, 1200));
    ModelHarness harness;
    const auto model = harness.makeModel();
    const auto open = [&] {
        auto window = std::make_unique<MainWindow>(*model, false);
        window->setStartsModel(false);
        window->setQuitsOnClose(false);
        window->restorePlace();
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return window;
    };
    const auto closed = [](std::unique_ptr<MainWindow> window) { window->close(); };

    auto window = open();
    window->setGeometry(120, 90, 1400, 900);
    closed(std::move(window));
    window = open();
    EXPECT_EQ(window->geometry(), QRect(120, 90, 1400, 900));

    window->showMaximized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isMaximized(); }));
    closed(std::move(window));
    window = open();
    EXPECT_TRUE(window->isMaximized());
    window->showNormal();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isMaximized(); }));

    // Mostly off the screen, or smaller than the window can be: on the screen, at least the minimum.
    window->setGeometry(1700, 1100, 1000, 700);
    closed(std::move(window));
    window = open();
    EXPECT_TRUE(QRect(0, 0, 1920, 1200).contains(window->geometry()));
    EXPECT_EQ(window->size(), QSize(1000, 700));
    closed(std::move(window));
    QWidget small;
    small.setGeometry(50, 50, 500, 300);
    harness.settings->setValue(QLatin1String(MainWindow::geometryKey), small.saveGeometry());
    window = open();
    EXPECT_GE(window->centralWidget()->width(), MainWindow::minimumContentSize.width());
    EXPECT_GE(window->centralWidget()->height(), MainWindow::minimumContentSize.height());
}

} // namespace
