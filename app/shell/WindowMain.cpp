// The windowed hub, entered from main() through the module it is built into: one
// instance per user, the self-updater, the launch agent, the model and its main window.
// "--snapshot DIR" renders the screens into DIR instead and quits.

#include "app/model/AppModel.h"
#include "app/platform/HubUpdater.h"
#include "app/platform/InstallLocation.h"
#include "app/platform/LaunchAgent.h"
#include "app/platform/NotificationClicks.h"
#include "app/platform/Notifier.h"
#include "app/platform/QueuedQuit.h"
#include "app/platform/QuitSignals.h"
#include "app/platform/SingleInstance.h"
#include "app/platform/UserDefaults.h"
#include "app/platform/UserLocale.h"
#include "app/shell/AboutPanel.h"
#include "app/shell/BringForward.h"
#include "app/shell/CheckoutModule.h"
#include "app/shell/Composition.h"
#include "app/shell/MainMenus.h"
#include "app/shell/MainWindow.h"
#include "app/shell/RootPresenter.h"
#include "app/shell/RootView.h"
#include "app/shell/Screens.h"
#include "app/shell/Snapshotter.h"
#include "app/shell/WarmUp.h"
#include "app/updater/BackgroundUpdater.h"
#include "app/views/kit/WebEngineArguments.h"
#include "app/views/kit/ImageMemory.h"
#include "app/views/kit/LaunchClock.h"
#include "app/views/kit/Motion.h"
#include "app/views/kit/Theme.h"

#include <QApplication>
#include <QDesktopServices>
#include <QThreadPool>
#include <cstdio>
#include <malloc.h>

namespace {

void fillDesktop(hub::Services& services, QWidget*& window, hub::NotificationClicks* clicks, hub::HubUpdater& updater,
                 const QJsonObject& info)
{
    services.openURL = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    services.isFrontmost = [] { return QApplication::activeWindow() != nullptr; };
    services.activate = [&window] {
        if (window)
            hub::bringForward(*window);
    };
    // Posting waits for the notification server's answer, so it happens off the main thread;
    // the clicks are heard on it.
    services.notify = [clicks](const QString& title, const QString& body, const QString& link) {
        QThreadPool::globalInstance()->start([clicks, title, body, link] {
            const uint id = hub::Notifier().post(title, body);
            QMetaObject::invokeMethod(clicks, [clicks, id, link] { clicks->watch(id, link); });
        });
    };
    services.snapshotter = [sleep = services.sleep, &updater, info](const QString& folder, hub::AppModel& model) -> QCoro::Task<> {
        hub::Snapshotter::Panels panels{[&model, &updater, info] { return hub::Screens::settings(model, updater, info); },
                                        [info] { return new hub::AboutPanel(info, nullptr); }};
        co_await hub::Snapshotter::run(folder, model, sleep, std::move(panels));
        hub::queuedQuit();
    };
}

} // namespace

extern "C" __attribute__((visibility("default"))) int tavren_hub_window_main(int argc, char** argv)
{
    // A fixed threshold: pictures and other large blocks go back to the system when freed.
    // Left to adapt, it rises with the first large block freed, after which they stay in
    // the heap, held long after the window needs them.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    hub::ImageMemory::limitAllocation();
    // The checkout's web engine takes flags from the hub alone: not from the inherited
    // environment, nor from an engine part of this command line.
    hub::WebEngineArguments::clearInherited();
    hub::WebEngineArguments::enableAccessibility();
    int applicationArgc = hub::WebEngineArguments::applicationCount(argc, argv);
    QApplication app(applicationArgc, argv);
    hub::UserLocale::adopt();
    hub::WarmUp warmUp;
    QApplication::setApplicationName(QStringLiteral("Tavren Hub"));
    const QStringList arguments = QApplication::arguments();
    const bool snapshot = hub::LaunchArguments(arguments).snapshotFolder().has_value();
    if (snapshot)
        hub::Motion::setEnabled(false); // every picture shows where its motion ends
    // The app is dark, on every desktop.
    hub::Theme::apply(app);
    // A signal to end is a quit like any other.
    hub::QuitSignals quitSignals(&hub::queuedQuit);
    hub::SingleInstance instance;
    try {
        // A second start hands its link (or nothing) to the running hub, which comes forward.
        using Start = hub::SingleInstance::Start;
        const Start start = snapshot ? Start::primary : instance.claimOrSend(hub::LaunchArguments(arguments).link().value_or(QString()));
        if (start == Start::messageDropped)
            std::fprintf(stderr, "tavren-hub: brought the Tavren Hub already running forward without the link: "
                                 "it is longer than 64 KiB or holds a line break.\n");
        if (start != Start::primary)
            return 0;
    } catch (const hub::SingleInstanceError& error) {
        std::fprintf(stderr, "tavren-hub: %s\n", qUtf8Printable(error.message()));
        return 1;
    }
    const hub::InstallLocation location = hub::InstallLocation::current();
    hub::HubUpdater updater(hub::HubUpdateService::standard(), hub::UserDefaults::open(), {});
    hub::BackgroundUpdater::registerByDefault(*hub::UserDefaults::open(), arguments, location.isInstalled(),
                                              hub::LaunchAgent(location.executable));

    QWidget* shown = nullptr;
    hub::Services services = hub::Composition::standard(arguments);
    // Never deleted: a post still under way at the end reaches it.
    auto* clicks = new hub::NotificationClicks;
    fillDesktop(services, shown, clicks, updater, location.info());
    hub::AppModel model(std::move(services));
    // A click on one of the hub's notifications brings it forward on what the notification is about.
    QObject::connect(clicks, &hub::NotificationClicks::clicked, &model.links(), &hub::DeepLinks::open);
    // With no snapshot to show, the first screen waits for the store: its first refresh
    // starts now, while the window is put together (the window's own start, when it is
    // shown, joins it).
    if (!model.catalog().storefrontIsCached()) {
        warmUp.prepareNetwork();
        if (!snapshot)
            model.start();
    }
    // A snapshot or a measured launch has neither the splash nor the last window's place.
    const bool ordinary = hub::RootPresenter::showsSplash(arguments);
    hub::MainWindow window(model, ordinary);
    shown = &window;
    // The web engine comes with the first checkout, not with the window.
    hub::CheckoutModule checkout;
    window.root()->setCheckoutSheet([&model, &checkout](const hub::CheckoutSession& session) { return checkout.makeView(model, session); });
    new hub::MainMenus(window, model, updater, location.info());
    // With the menu bar, whose height the window's least size counts.
    if (ordinary)
        window.restorePlace();
    // What the first screen does without waits until it is drawn.
    hub::LaunchClock::process().afterFirstContent(&model, [&model] {
        model.startup().afterFirstContent();
        hub::ImageMemory::pruneDisk();
    });
    model.links().follow(instance);
    if (snapshot)
        window.setAttribute(Qt::WA_DontShowOnScreen);
    // The desktop's animation setting comes over the session bus, from the first turn of
    // the event loop on; the splash waits for it before it moves.
    hub::Motion::followDesktop();
    window.show();
    model.links().openLaunchLink();
    const int status = app.exec();
    // Nothing the pools run may outlive what it reaches: the image pools stop here (a
    // thread still stuck after a short wait reaches only what is never destroyed), the
    // model stops its jobs and drains its own pools as it goes.
    hub::ImageMemory::stop();
    return status;
}
