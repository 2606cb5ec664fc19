#include "app/updater/BackgroundEnvironment.h"

#include "app/platform/Notifier.h"
#include "app/platform/SingleInstance.h"
#include "app/platform/UserDefaults.h"
#include "kit/api/KeychainTokenPersistence.h"
#include "kit/api/URLSessionTransport.h"
#include "kit/security/HostPolicy.h"
#include "kit/security/PinnedTrust.h"
#include "kit/support/AppDirectories.h"

namespace hub {

BackgroundEnvironment BackgroundEnvironment::standard()
{
    BackgroundEnvironment environment;
    environment.storedAutoUpdate = [] {
        const auto defaults = UserDefaults::open();
        return defaults->value(QStringLiteral("autoUpdate"));
    };
    environment.appIsRunning = [] { return SingleInstance::isPrimaryRunning(); };
    environment.makeLock = [] { return InstallLock::standard(); };
    environment.makeClient = [] {
        return std::make_shared<MoonbaseClient>(
            HostPolicy::tavren(), std::make_shared<URLSessionTransport>(PinnedTrust::tavren()),
            std::make_shared<KeychainTokenPersistence>(QStringLiteral("com.tavren.hub"), QStringLiteral("moonbase-session")));
    };
    environment.supportFolder = [] { return AppDirectories::support(); };
    environment.workFolder = [] { return AppDirectories::work(); };
    environment.runUpdates = [](std::shared_ptr<MoonbaseClient> client, std::shared_ptr<InstallLedger> ledger) {
        return UpdateRunner::standard(std::move(client), std::move(ledger)).run();
    };
    environment.notificationsAuthorised = [] { return Notifier().isAuthorised(); };
    environment.post = [](const QString& title, const QString& body) { Notifier().post(title, body); };
    return environment;
}

} // namespace hub
