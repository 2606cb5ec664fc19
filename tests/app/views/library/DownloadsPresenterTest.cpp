#include "app/views/library/DownloadsPresenter.h"

#include <gtest/gtest.h>

namespace hub {
namespace {

using Control = DownloadsPresenter::Control;

QList<Control> controls(const InstallStage& stage)
{
    QList<Control> list;
    for (const DownloadsPresenter::Button& button : DownloadsPresenter::controls(stage))
        list.append(button.control);
    return list;
}

TEST(DownloadsPresenter, EachStageHasItsButtons)
{
    struct Row {
        const char* name;
        InstallStage stage;
        QList<Control> controls;
    };
    const QList<Row> rows{
        {"downloading", InstallStage::downloading(5, 10), {Control::pause, Control::cancel}},
        {"resolving", InstallStage::resolving(), {Control::cancel}},
        {"verifying", InstallStage::verifying(), {Control::cancel}},
        {"installing", InstallStage::installing(), {Control::cancel}},
        {"paused", InstallStage::paused(), {Control::resume, Control::cancel}},
        {"failed", InstallStage::failed("The download server returned 403."), {Control::retry}},
        {"queued", InstallStage::queued(), {}},
        {"installed", InstallStage::installed(), {}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(controls(row.stage), row.controls) << row.name;

    const QList<DownloadsPresenter::Button> paused = DownloadsPresenter::controls(InstallStage::paused());
    EXPECT_EQ(paused, (QList<DownloadsPresenter::Button>{{Control::resume, "Resume", false, true}, {Control::cancel, "Cancel", true, false}}));
}

TEST(DownloadsPresenter, ClearFinishedNeedsAFailedOrInstalledJob)
{
    struct Row {
        const char* name;
        QList<InstallStage> stages;
        bool enabled;
    };
    const QList<Row> rows{
        {"no jobs", {}, false},
        {"waiting and running", {InstallStage::queued(), InstallStage::paused(), InstallStage::downloading(1, 2),
                                    InstallStage::verifying()}, false},
        {"one failed at the end", {InstallStage::queued(), InstallStage::resolving(), InstallStage::failed("x")}, true},
        {"one installed first", {InstallStage::installed(), InstallStage::installing()}, true},
    };
    for (const Row& row : rows)
        EXPECT_EQ(DownloadsPresenter::canClearFinished(row.stages), row.enabled) << row.name;
}

} // namespace
} // namespace hub
