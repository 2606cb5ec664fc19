#include "app/updater/BackgroundEnvironment.h"

#include "app/platform/Notifier.h"
#include "app/platform/SingleInstance.h"
#include "app/platform/UserDefaults.h"
#include "kit/api/KeychainTokenPersistence.h"
#include "kit/api/URLSessionTransport.h"
#include "kit/platform/SecretService.h"
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
    const QString service = QStringLiteral("com.tavren.hub"), account = QStringLiteral("moonbase-session");
    environment.keychainLocked = [service, account] {
        QByteArray unread;
        return SecretService::copy(service, account, unread) == SecretService::interactionNotAllowed;
    };
    environment.makeClient = [service, account] {
        return std::make_shared<MoonbaseClient>(HostPolicy::tavren(), std::make_shared<URLSessionTransport>(PinnedTrust::tavren()),
                                                std::make_shared<KeychainTokenPersistence>(service, account));
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
