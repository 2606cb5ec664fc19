#include "app/views/kit/ActionButtonPresenter.h"

#include "app/views/kit/SymbolName.h"
#include "kit/support/ByteCountFormatter.h"

namespace hub {

namespace {

using State = ActionButtonPresenter::State;
using Kind = ActionButtonPresenter::Kind;

State pill(Kind kind, const QString& title, bool enabled, const QString& symbol = {})
{
    return {kind, title, symbol, enabled, {}};
}

State download(Kind kind, const QString& title, const QString& symbol, const QList<Download>& downloads)
{
    State state = pill(kind, title, true, symbol);
    if (downloads.size() >= 2) {
        for (const Download& each : downloads)
            state.menu.append({each.key, ActionButtonPresenter::choiceTitle(each)});
    }
    return state;
}

} // namespace

State ActionButtonPresenter::decide(const Input& in)
{
    if (in.jobStage && in.jobStage->isActive())
        return pill(Kind::progress, {}, true);
    if (in.jobStage && in.jobStage->kind == InstallStage::Kind::paused)
        return pill(Kind::resume, QStringLiteral("Resume"), true);
    if (in.owns) {
        if (in.macDownloads.isEmpty())
            return pill(Kind::owned, QStringLiteral("Owned"), false);
        if (!in.installed)
            return download(Kind::install, QStringLiteral("Install"), "icloud.and.arrow.down"_symbol, in.macDownloads);
        if (in.hasUpdate)
            return download(Kind::update, QStringLiteral("Update"), {}, in.macDownloads);
        if (in.installedApp)
            return pill(Kind::open, QStringLiteral("Open"), true);
        return pill(Kind::installed, QStringLiteral("Installed"), false);
    }
    if (!in.hasDefaultVariation)
        return {};
    if (in.isFree)
        return pill(Kind::get, QStringLiteral("Get"), true);
    return pill(Kind::price, in.price, true);
}

ActionButtonPresenter::Metrics ActionButtonPresenter::metrics(bool large)
{
    if (large)
        return {14, 20, 7, 96};
    return {12, 14, 4, 68};
}

QString ActionButtonPresenter::choiceTitle(const Download& download)
{
    return download.name + QStringLiteral(" (") + ByteCountFormatter::fileString(download.size) + QStringLiteral(")");
}

} // namespace hub
