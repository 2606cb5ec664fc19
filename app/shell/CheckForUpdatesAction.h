#pragma once

#include <QAction>

namespace hub {

class HubUpdater;

// The menu item "Check for Updates...": enabled exactly while the updater can check,
// and a check by hand when chosen.
class CheckForUpdatesAction : public QAction {
    Q_OBJECT
public:
    CheckForUpdatesAction(HubUpdater& updater, QObject* parent = nullptr);
};

} // namespace hub
