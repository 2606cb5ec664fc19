#include "app/views/library/DownloadsPresenter.h"

#include "app/views/kit/ProgressPresenter.h"

#include <algorithm>

namespace hub {

using Kind = InstallStage::Kind;

QList<DownloadsPresenter::Button> DownloadsPresenter::controls(const InstallStage& stage)
{
    const Button cancel{Control::cancel, QStringLiteral("Cancel"), true};
    if (stage.isActive()) {
        if (stage.kind == Kind::downloading)
            return {{Control::pause, QStringLiteral("Pause")}, cancel};
        return {cancel};
    }
    if (stage.kind == Kind::paused)
        return {{Control::resume, QStringLiteral("Resume"), false, true}, cancel};
    if (stage.kind == Kind::failed)
        return {{Control::retry, QStringLiteral("Retry")}};
    return {};
}

bool DownloadsPresenter::canClearFinished(const QList<InstallStage>& stages)
{
    return std::any_of(stages.begin(), stages.end(),
        [](const InstallStage& stage) { return stage.kind == Kind::failed || stage.kind == Kind::installed; });
}

DownloadsPresenter::Row DownloadsPresenter::row(
    const InstallRequest& request, const InstallStage& stage, bool verifyOnly, const QStringList& notes)
{
    return {request.productName, request.version, request.download.name, verifyOnly, stage,
        ProgressPresenter::fraction(stage), controls(stage), notes.join(QLatin1Char('\n'))};
}

} // namespace hub
