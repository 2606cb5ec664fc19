#include "app/model/InstallJob.h"

#include "app/model/Assign.h"

#include <algorithm>
#include <cmath>

namespace hub {

namespace {

// The per cent that fractionChanged follows, so a download emits at most 101 times.
int percent(double fraction)
{
    return int(std::floor(fraction * 100));
}

} // namespace

InstallJob::InstallJob(InstallRequest request, bool verifyOnly, QObject* parent)
    : QObject(parent), request_(std::move(request)), verifyOnly_(verifyOnly)
{
}

void InstallJob::setStage(const InstallStage& stage)
{
    const bool transition = stage.kind != stage_.kind || stage.message != stage_.message;
    stage_ = stage;
    double fraction = fraction_;
    if (stage.kind == InstallStage::Kind::downloading)
        fraction = stage.expected > 0 ? std::clamp(double(stage.received) / double(stage.expected), 0.0, 1.0) : 0.0;
    else if (stage.kind == InstallStage::Kind::queued || stage.kind == InstallStage::Kind::resolving)
        fraction = 0;
    const bool moved = percent(fraction) != percent(fraction_);
    fraction_ = fraction;
    if (transition)
        emit stageChanged();
    if (moved)
        emit fractionChanged();
}

void InstallJob::setResumeData(const std::optional<DownloadResumeData>& data)
{
    if (assign(resumeData_, data))
        emit resumeDataChanged();
}

void InstallJob::setTask(std::optional<JobRun> run)
{
    if (assign(task_, std::move(run)))
        emit taskChanged();
}

void InstallJob::setNotes(const QStringList& notes)
{
    if (assign(notes_, notes))
        emit notesChanged();
}

void InstallJob::pause()
{
    if (task_)
        task_->stop.request_stop();
}

} // namespace hub
