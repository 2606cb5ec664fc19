#include "app/shell/CheckForUpdatesAction.h"

#include "app/platform/HubUpdater.h"

namespace hub {

CheckForUpdatesAction::CheckForUpdatesAction(HubUpdater& updater, QObject* parent)
    : QAction(QStringLiteral("Check for Updates..."), parent)
{
    setMenuRole(QAction::ApplicationSpecificRole);
    setEnabled(updater.canCheck());
    connect(&updater, &HubUpdater::canCheckChanged, this, [this, &updater] { setEnabled(updater.canCheck()); });
    connect(this, &QAction::triggered, &updater, &HubUpdater::checkForUpdates);
}

} // namespace hub
