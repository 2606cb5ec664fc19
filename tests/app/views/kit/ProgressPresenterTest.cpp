#include "app/views/kit/ProgressPresenter.h"

#include <QList>
#include <gtest/gtest.h>

namespace hub {
namespace {

using Look = ProgressPresenter::Look;
using Tone = ProgressPresenter::Tone;

TEST(ProgressPresenter, CaptionsAndFractionOfThePill)
{
    struct Row {
        InstallStage stage;
        QString caption;
        std::optional<double> fraction;
    };
    const QList<Row> rows{
        {InstallStage::resolving(), "Starting", std::nullopt},
        {InstallStage::downloading(250, 1000), "Downloading", 0.25},
        {InstallStage::downloading(1500, 1000), "Downloading", 1.0}, // capped
        {InstallStage::downloading(10, 0), "Downloading", std::nullopt}, // unknown size spins
        {InstallStage::downloading(10, -1), "Downloading", std::nullopt},
        {InstallStage::verifying(), "Checking signatures", std::nullopt},
        {InstallStage::installing(), "Installing", std::nullopt},
        {InstallStage::queued(), "", std::nullopt},
        {InstallStage::paused(), "", std::nullopt},
        {InstallStage::installed(), "", std::nullopt},
        {InstallStage::failed("no"), "", std::nullopt},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ProgressPresenter::caption(row.stage), row.caption) << row.caption.toStdString();
        EXPECT_EQ(ProgressPresenter::fraction(row.stage), row.fraction) << row.caption.toStdString();
    }
    EXPECT_EQ(ProgressPresenter::ringSize(false), 22);
    EXPECT_EQ(ProgressPresenter::ringSize(true), 26);
}

TEST(ProgressPresenter, TheStageViewsEightRenderings)
{
    using Line = ProgressPresenter::Line;
    const QString longMessage(300, QLatin1Char('x'));
    struct Row {
        InstallStage stage;
        std::optional<double> fraction;
        Line line;
    };
    const QList<Row> rows{
        {InstallStage::queued(), {}, {Look::label, "Waiting", "clock", Tone::secondary, 0, "", 1, false}},
        {InstallStage::resolving(), {}, {Look::spinner, "Requesting a download link", "", Tone::primary, 0, "", 1, false}},
        {InstallStage::downloading(1'500'000, 12'000'000), 0.125,
            {Look::bar, "", "", Tone::secondary, 0.125, "1.5 MB of 12 MB", 1, false}},
        {InstallStage::downloading(0, 0), {}, {Look::bar, "", "", Tone::secondary, 0, "Zero KB of Zero KB", 1, false}},
        {InstallStage::paused(), {}, {Look::label, "Paused", "pause.circle", Tone::secondary, 0, "", 1, false}},
        {InstallStage::verifying(), {}, {Look::spinner, "Checking signatures", "", Tone::primary, 0, "", 1, false}},
        {InstallStage::installing(), {}, {Look::spinner, "Installing", "", Tone::primary, 0, "", 1, false}},
        {InstallStage::installed(), {}, {Look::label, "Done", "checkmark.seal.fill", Tone::green, 0, "", 1, false}},
        {InstallStage::failed(longMessage), {}, {Look::label, longMessage, "xmark.octagon.fill", Tone::red, 0, "", 4, true}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ProgressPresenter::line(row.stage, row.fraction), row.line) << row.line.text.left(30).toStdString();
}

} // namespace
} // namespace hub
