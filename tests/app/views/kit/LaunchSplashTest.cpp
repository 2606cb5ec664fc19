#include "app/views/kit/LaunchClock.h"
#include "app/views/kit/SplashTimeline.h"

#include <QList>
#include <gtest/gtest.h>

namespace hub {
namespace {

TEST(SplashTimeline, ProgressAndTheFrameDrawnForIt)
{
    EXPECT_DOUBLE_EQ(SplashTimeline::progress(0.25, false, 5), 0.25);
    EXPECT_DOUBLE_EQ(SplashTimeline::progress(0.25, true, 5), 0.25);
    EXPECT_DOUBLE_EQ(SplashTimeline::progress(std::nullopt, true, 0), 0.6);
    EXPECT_DOUBLE_EQ(SplashTimeline::progress(std::nullopt, false, 0.425), 0.5);
    EXPECT_DOUBLE_EQ(SplashTimeline::progress(std::nullopt, false, 3), 1.0);

    struct Row {
        double t;
        double e;
        double markOpacity;
        double markScale;
    };
    const QList<Row> rows{
        {0, 0, 0, 0.86},
        {0.25, 0.578125, 0.55, 0.9409375},
        {0.6, 0.936, 1, 0.99104},
        {1, 1, 1, 1},
    };
    for (const Row& row : rows) {
        const SplashTimeline::Frame frame = SplashTimeline::frame(row.t, {800, 600});
        EXPECT_NEAR(frame.e, row.e, 1e-9) << row.t;
        EXPECT_NEAR(frame.markOpacity, row.markOpacity, 1e-9) << row.t;
        EXPECT_NEAR(frame.markScale, row.markScale, 1e-9) << row.t;
    }

    const SplashTimeline::Frame start = SplashTimeline::frame(0, {800, 600});
    EXPECT_EQ(start.glows[0].centre, QPointF(120, 510));
    EXPECT_EQ(start.glows[2].centre, QPointF(600, 600));
    EXPECT_DOUBLE_EQ(start.glows[0].diameter, 760);
    EXPECT_DOUBLE_EQ(start.sweepStart, -90);
    const SplashTimeline::Frame end = SplashTimeline::frame(1, {800, 600});
    EXPECT_NEAR(end.glows[2].centre.x(), 200, 1e-9);
    EXPECT_DOUBLE_EQ(end.glows[1].rotation, -30);
    EXPECT_DOUBLE_EQ(end.sweepStart, 30);
}

TEST(LaunchClock, TheFirstReportOnlyAndItsLineUnderMeasureLaunch)
{
    int quits = 0;
    LaunchClock measuring({{"tavren-hub", "--measure-launch"}, [] { return std::optional<qint64>(1234); },
        [](const QByteArray& line) { fwrite(line.constData(), 1, size_t(line.size()), stdout); fflush(stdout); },
        [&] { ++quits; }});
    testing::internal::CaptureStdout();
    EXPECT_EQ(measuring.firstContent("cache"), 1234);
    EXPECT_EQ(measuring.firstContent("network"), std::nullopt);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "launch-to-first-content-ms 1234 cache\n");
    EXPECT_EQ(quits, 1);

    QByteArrayList written;
    LaunchClock plain({{"tavren-hub"}, [] { return std::optional<qint64>(); }, [&](const QByteArray& l) { written << l; },
        [&] { ++quits; }});
    EXPECT_EQ(plain.firstContent("network"), 0); // unreadable record: measured from the report
    EXPECT_TRUE(written.isEmpty());
    EXPECT_EQ(quits, 1);
}

TEST(LaunchClock, ReadsTheStartFromTheProcessRecord)
{
    // Field 22 is 500 ticks at 100 per second: started 5 s after boot.
    const QByteArray stat = "4242 (tavren hub (x)) S 1 4242 4242 0 -1 4194560 100 0 0 0 1 2 0 0 20 0 3 0 500 1000 50";
    EXPECT_EQ(LaunchClock::age(stat, 6.25, 100), 1250);
    EXPECT_EQ(LaunchClock::age("garbage", 6.25, 100), std::nullopt);
    EXPECT_EQ(LaunchClock::age("1 (x) S 1 2", 6.25, 100), std::nullopt);
    const std::optional<qint64> own = LaunchClock::ageFromProc();
    ASSERT_TRUE(own);
    EXPECT_GE(*own, 0);
}

} // namespace
} // namespace hub
