// The windowed hub, entered from main() through the module it is built into. Until the main
// window lands: one instance, the launch agent, an empty window.

#include "app/platform/InstallLocation.h"
#include "app/platform/LaunchAgent.h"
#include "app/platform/SingleInstance.h"
#include "app/platform/UserDefaults.h"
#include "app/updater/BackgroundUpdater.h"

#include <QApplication>
#include <QWidget>

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
    hub::BackgroundUpdater::registerByDefault(*hub::UserDefaults::open(), QApplication::arguments(), location.isInstalled(),
                                              hub::LaunchAgent(location.executable));
    QWidget window;
    window.setWindowTitle(QStringLiteral("Tavren Hub"));
    window.resize(980, 640);
    window.show();
    return app.exec();
}
