#pragma once

#include "app/model/InstallEngine.h"
#include "app/model/LaunchArguments.h"
#include "app/model/Sleeper.h"
#include "kit/api/CatalogExtrasClient.h"
#include "kit/api/MoonbaseClient.h"
#include "kit/api/TavrenIDClient.h"
#include "kit/install/InstallLedger.h"
#include "kit/install/InstallLock.h"
#include "kit/support/SnapshotCache.h"

#include <QCoroTask>
#include <QDateTime>
#include <QSettings>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>

namespace hub {

class AppModel;

// Everything the model is built from: the kit objects (made once, by the shell's
// Composition or by a test), and what needs the GUI or the desktop as plain
// functions. An empty function is a no-op (or "false").
struct Services {
    std::shared_ptr<MoonbaseClient> client;
    std::shared_ptr<TavrenIDClient> tavrenID;
    std::shared_ptr<const CatalogExtrasClient> extrasClient;
    std::shared_ptr<const InstallEngine> pipeline; // null when its folders could not be made
    std::shared_ptr<InstallLedger> ledger;    // null only when no folder at all could be made
    std::shared_ptr<InstallLock> installLock; // null when it could not be made
    std::optional<SnapshotCache> snapshots;   // none when its folder could not be made
    std::shared_ptr<QSettings> settings;      // the user defaults, shared with the background updater
    LaunchArguments arguments;
    // Stopped when the model goes: the clients' requests under way end at once.
    std::stop_source quitting;

    Sleeper sleep;                   // on a clock that counts the machine's sleep
    std::function<QDateTime()> now;  // wall clock, for lastChecked

    std::function<void(const QUrl&)> openURL;  // in the user's browser
    std::function<bool()> isFrontmost;         // the app is the active application
    std::function<void()> activate;            // bring the app to the front
    std::function<void(int)> setDockBadge;     // 0 removes the badge
    // A desktop notification; a click on it opens the "tavren-hub:" link.
    std::function<void(const QString& title, const QString& body, const QString& link)> notify;
    // Selects these files in the file manager; `failed` runs when nothing could show them.
    std::function<void(const QStringList& paths, std::function<void()> failed)> reveal;
    std::function<bool(const QString& bundle)> openApp;     // start the application bundle; false: it did not
    // Renders the screens into the folder, then quits the app (snapshot runs).
    std::function<QCoro::Task<>(const QString& folder, AppModel& model)> snapshotter;
};

} // namespace hub
