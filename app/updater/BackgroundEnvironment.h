#pragma once

#include "kit/api/MoonbaseClient.h"
#include "kit/install/InstallLedger.h"
#include "kit/install/InstallLock.h"
#include "kit/install/UpdateRunner.h"

#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

namespace hub {

// What one background update run is made of, each piece a function so that tests can
// stand in for the desktop, the keychain and the store.
struct BackgroundEnvironment {
    // The stored object under "autoUpdate" in the user defaults; invalid when none.
    std::function<QVariant()> storedAutoUpdate;
    // Whether the windowed app is running (another process than this one).
    std::function<bool()> appIsRunning;
    // The standard install lock, not yet held; throws when it cannot be made.
    std::function<std::unique_ptr<InstallLock>()> makeLock;
    // Whether the keychain item of the app's session is locked (read without unlocking).
    std::function<bool()> keychainLocked;
    // The store client over the app's keychain session.
    std::function<std::shared_ptr<MoonbaseClient>()> makeClient;
    // The application-support and work folders; throw when they cannot be made.
    std::function<QString()> supportFolder;
    std::function<QString()> workFolder;
    // One update pass over the ledger with this deployment's install engine on the client.
    std::function<UpdateRunner::Outcome(std::shared_ptr<MoonbaseClient>, std::shared_ptr<InstallLedger>)> runUpdates;
    // Desktop notifications: whether posting is allowed now, and one post, which gives its
    // id (0: none). Then, with the lock free again, a bounded wait for a click on it, which
    // starts the windowed hub with the "tavren-hub:" link, outside the run's unit.
    std::function<bool()> notificationsAuthorised;
    std::function<uint(const QString& title, const QString& body)> post;
    std::function<void(uint id, const QString& link)> awaitClick;

    // The real thing; `hub` is the program a click on the notification starts.
    static BackgroundEnvironment standard(const QString& hub);
};

} // namespace hub
