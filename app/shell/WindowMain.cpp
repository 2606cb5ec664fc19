// The windowed hub, entered from main() through the module it is built into. Until the main
// window lands: one instance, the self-updater, the launch agent, an empty window with the
// application menu's About and Check for Updates items.

#include "app/platform/HubUpdater.h"
#include "app/platform/InstallLocation.h"
#include "app/platform/LaunchAgent.h"
#include "app/platform/SingleInstance.h"
#include "app/platform/UserDefaults.h"
#include "app/shell/AboutPanel.h"
#include "app/shell/CheckForUpdatesAction.h"
#include "app/updater/BackgroundUpdater.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>

extern "C" __attribute__((visibility("default"))) int tavren_hub_window_main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavren Hub"));
    hub::SingleInstance instance;
    if (!instance.claim()) {
        // A second start (a tavren-hub: link) hands its argument to the running hub.
        hub::SingleInstance::send(QApplication::arguments().value(1));
        return 0;
    }
    const hub::InstallLocation location = hub::InstallLocation::current();
    hub::HubUpdater updater(hub::HubUpdateService::standard(), hub::UserDefaults::open(), {});
    hub::BackgroundUpdater::registerByDefault(*hub::UserDefaults::open(), QApplication::arguments(), location.isInstalled(),
                                              hub::LaunchAgent(location.executable));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Tavren Hub"));
    window.resize(980, 640);
    QMenu* menu = window.menuBar()->addMenu(QStringLiteral("Tavren Hub"));
    menu->addAction(QStringLiteral("About Tavren Hub"), &window, [&] { hub::AboutPanel::present(&window, location.info()); });
    menu->addAction(new hub::CheckForUpdatesAction(updater, menu));
    QAction* relaunch = menu->addAction(QStringLiteral("Relaunch"), &updater, &hub::HubUpdater::relaunch);
    relaunch->setVisible(false);
    QObject::connect(&updater, &hub::HubUpdater::readyToRelaunchChanged, relaunch, [&] { relaunch->setVisible(updater.readyToRelaunch()); });
    window.show();
    return app.exec();
}
