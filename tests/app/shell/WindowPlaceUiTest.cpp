// The main window opens where, as large as and in the state the last one closed (1920 by 1200; a child on a smaller screen).

#include "app/shell/MainWindow.h"
#include "tests/app/fakes/ModelHarness.h"
#include "tests/testkit/ThisTestProcess.h"

#include <QScreen>
#include <QSettings>
#include <QTest>
#include <cstdio>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace hub;

namespace {

constexpr const char* childFlag = "HUB_WINDOW_PLACE_SETTINGS";

std::unique_ptr<MainWindow> open(AppModel& model)
{
    auto window = std::make_unique<MainWindow>(model, false);
    window->setStartsModel(false);
    window->setQuitsOnClose(false);
    window->restorePlace();
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    return window;
}

// What a child on a 1024 by 700 screen prints of the window it opens with the user defaults in `settings`.
std::string openedOnASmallerScreen(const QString& settings)
{
    const auto child = test::startThisTest(QStringLiteral("WindowPlace.OpensInAChild"),
        {{QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen:configfile=" HUB_TEST_SOURCE_DIR "/app/shell/WindowPlaceSmallScreen.json")},
         {QString::fromLatin1(childFlag), settings}});
    child->waitForFinished(60'000);
    return child->readAllStandardOutput().toStdString();
}

TEST(WindowPlace, OpensInAChild)
{
    if (!qEnvironmentVariableIsSet(childFlag))
        GTEST_SKIP() << "runs only in a child of AWindowOpensWhereAndAsTheLastOneClosed";
    ModelHarness harness;
    harness.settings = std::make_shared<QSettings>(qEnvironmentVariable(childFlag), QSettings::IniFormat);
    const auto model = harness.makeModel();
    const auto window = open(*model);
    const QRect frame = window->frameGeometry();
    std::printf("opened %s %d,%d %dx%d\n", window->isMaximized() ? "maximized" : "restored", frame.x(), frame.y(), frame.width(), frame.height());
}

TEST(WindowPlace, AWindowOpensWhereAndAsTheLastOneClosed)
{
    ASSERT_EQ(QGuiApplication::primaryScreen()->availableGeometry(), QRect(0, 0, 1920, 1200));
    ModelHarness harness;
    const auto model = harness.makeModel();
    const auto open = [&] { return ::open(*model); };
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
    EXPECT_EQ(window->normalGeometry(), QRect(120, 90, 1400, 900));
    // Maximized on any screen; restored, as large as a smaller screen allows.
    closed(std::move(window));
    EXPECT_THAT(openedOnASmallerScreen(harness.settings->fileName()), testing::HasSubstr("opened maximized 0,0 1024x700\n"));
    window = open();
    window->showNormal();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isMaximized(); }));
    window->setGeometry(120, 90, 1400, 900); // the offscreen platform forgets it when first shown maximized
    closed(std::move(window));
    EXPECT_THAT(openedOnASmallerScreen(harness.settings->fileName()), testing::HasSubstr("opened restored 0,0 1024x700\n"));
    window = open();

    // Mostly off the screen, or smaller than the window can be: on the screen, at least the minimum.
    window->setGeometry(1700, 1100, 1000, 700);
    closed(std::move(window));
    window = open();
    EXPECT_TRUE(QRect(0, 0, 1920, 1200).contains(window->geometry()));
    EXPECT_EQ(window->size(), QSize(1000, 700));
    closed(std::move(window));
    // As an earlier version kept it.
    QWidget small;
    small.setGeometry(50, 50, 500, 300);
    harness.settings->remove(QLatin1String(MainWindow::placeKey));
    harness.settings->setValue(QLatin1String(MainWindow::geometryKey), small.saveGeometry());
    window = open();
    EXPECT_GE(window->centralWidget()->width(), MainWindow::minimumContentSize.width());
    EXPECT_GE(window->centralWidget()->height(), MainWindow::minimumContentSize.height());
}

// The frame (title bar and edges) inside the screen's available area, shrunk to fit, never below the minimum.
TEST(WindowPlace, AFrameIsFittedIntoTheScreen)
{
    const QRect screen(0, 0, 1024, 700), belowABar(0, 30, 1024, 670);
    const struct { QRect frame, available; QSize minimum; QRect fitted; } cases[] = {
        {{10, 20, 990, 650}, screen, {0, 0}, {10, 20, 990, 650}},
        {{600, 500, 990, 650}, screen, {0, 0}, {34, 50, 990, 650}},
        {{34, 10, 1400, 900}, screen, {0, 0}, screen},
        {{-50, -20, 990, 650}, belowABar, {0, 0}, {0, 30, 990, 650}},
        {{10, 20, 990, 650}, screen, {982, 717}, {10, 0, 990, 717}},
        {{1700, 1100, 1000, 700}, {1920, 0, 1024, 700}, {982, 717}, {1920, 0, 1000, 717}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MainWindow::fitted(c.frame, c.available, c.minimum), c.fitted) << c.frame.x() << "," << c.frame.y();
}

} // namespace
