#include "app/shell/CheckForUpdatesAction.h"

#include "app/platform/HubUpdater.h"
#include "kit/deployment/Deployment.h"

#include <QMessageBox>
#include <QPushButton>

namespace hub {

CheckForUpdatesAction::Report CheckForUpdatesAction::report(const Outcome& outcome)
{
    if (!outcome.problem.isEmpty())
        return {QStringLiteral("Update Error!"), outcome.problem};
    if (outcome.available.isEmpty())
        return {QStringLiteral("You're up to date!"),
                QStringLiteral("Tavren Hub %1 is currently the newest version available.").arg(outcome.current)};
    const QString found = QStringLiteral("Tavren Hub %1 is now available (you have %2).").arg(outcome.available, outcome.current);
    if (outcome.readyToRelaunch)
        return {QStringLiteral("A new version of Tavren Hub is ready!"),
                found + QStringLiteral(" It is in place and starts when Tavren Hub relaunches."), true};
    if (!outcome.canReplace)
        return {QStringLiteral("A new version of Tavren Hub is available!"),
                found + QStringLiteral(" This copy cannot update itself: get the new version from %1.").arg(outcome.website)};
    return {QStringLiteral("A new version of Tavren Hub is available!"), found};
}

CheckForUpdatesAction::CheckForUpdatesAction(HubUpdater& updater, QWidget* window, QObject* parent)
    : QAction(QStringLiteral("Check for Updates..."), parent), updater_(updater), window_(window)
{
    setMenuRole(QAction::ApplicationSpecificRole);
    setEnabled(updater.canCheck());
    connect(&updater, &HubUpdater::canCheckChanged, this, [this, &updater] { setEnabled(updater.canCheck()); });
    connect(this, &QAction::triggered, &updater, &HubUpdater::checkForUpdates);
    connect(&updater, &HubUpdater::checkedByHand, this, &CheckForUpdatesAction::showOutcome);
}

void CheckForUpdatesAction::showOutcome()
{
    Outcome outcome;
    outcome.problem = updater_.problem();
    outcome.available = updater_.availableVersion();
    outcome.current = updater_.currentVersion();
    outcome.readyToRelaunch = updater_.readyToRelaunch();
    outcome.canReplace = updater_.canReplace();
    outcome.website = QStringLiteral("https://") + Deployment::current().webHost + QStringLiteral("/tavren-hub");
    const Report shown = report(outcome);

    delete dialog_;
    auto* box = new QMessageBox(outcome.problem.isEmpty() ? QMessageBox::Information : QMessageBox::Warning, shown.title,
                                shown.message, QMessageBox::NoButton, window_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextFormat(Qt::PlainText);
    box->setWindowModality(Qt::WindowModal);
    if (shown.offersRelaunch) {
        QPushButton* relaunch = box->addButton(QStringLiteral("Install and Relaunch"), QMessageBox::AcceptRole);
        box->addButton(QStringLiteral("Later"), QMessageBox::RejectRole);
        box->setDefaultButton(relaunch);
        connect(relaunch, &QPushButton::clicked, &updater_, &HubUpdater::relaunch);
    } else {
        box->addButton(QMessageBox::Ok);
    }
    dialog_ = box;
    box->open();
}

} // namespace hub
