#include "app/updater/BackgroundEnvironment.h"

#include "app/platform/NotificationClicks.h"
#include "app/platform/Notifier.h"
#include "app/platform/OwnScope.h"
#include "app/platform/SingleInstance.h"
#include "app/platform/UserDefaults.h"
#include "app/updater/PrereadTokenPersistence.h"
#include "kit/api/KeychainTokenPersistence.h"
#include "kit/api/PinnedExchange.h"
#include "kit/api/URLSessionTransport.h"
#include "kit/platform/SecretService.h"
#include "kit/security/HostPolicy.h"
#include "kit/security/PinnedTrust.h"
#include "kit/support/AppDirectories.h"

#include <chrono>
#include <mutex>
#include <thread>
#include <utility>

namespace hub {

BackgroundEnvironment BackgroundEnvironment::standard(const QString& hub)
{
    BackgroundEnvironment environment;
    environment.storedAutoUpdate = [] {
        const auto defaults = UserDefaults::open();
        return defaults->value(QStringLiteral("autoUpdate"));
    };
    environment.appIsRunning = [] { return SingleInstance::isPrimaryRunning(); };
    environment.makeLock = [] { return InstallLock::standard(); };
    const QString service = QStringLiteral("com.tavren.hub"), account = QStringLiteral("moonbase-session");
    // The check reads the session item, and the client starts from what it read: every read
    // of the keychain costs several round trips to the secret service.
    struct Read {
        std::mutex mutex;
        std::optional<std::optional<SessionTokens>> session;
    };
    const auto read = std::make_shared<Read>();
    environment.keychainLocked = [service, account, read] {
        // The first request's set-up (curl, OpenSSL, the deployed trust) runs meanwhile.
        const std::jthread preparing([] {
            try {
                PinnedExchange::prepare();
            } catch (...) {
                // The first request meets the same failure and reports it.
            }
        });
        QByteArray data;
        const std::int32_t status = SecretService::copy(service, account, data);
        std::lock_guard lock(read->mutex);
        if (status == SecretService::success)
            read->session = SessionTokens::fromJson(data);
        else if (status == SecretService::itemNotFound)
            read->session.emplace();
        return status == SecretService::interactionNotAllowed;
    };
    environment.makeClient = [service, account, read] {
        std::shared_ptr<TokenPersistence> store = std::make_shared<KeychainTokenPersistence>(service, account);
        std::lock_guard lock(read->mutex);
        if (read->session)
            store = std::make_shared<PrereadTokenPersistence>(std::move(store), *std::exchange(read->session, std::nullopt));
        return std::make_shared<MoonbaseClient>(HostPolicy::tavren(), std::make_shared<URLSessionTransport>(PinnedTrust::tavren()),
                                                std::move(store));
    };
    environment.supportFolder = [] { return AppDirectories::support(); };
    environment.workFolder = [] { return AppDirectories::work(); };
    environment.runUpdates = [](std::shared_ptr<MoonbaseClient> client, std::shared_ptr<InstallLedger> ledger) {
        return UpdateRunner::standard(std::move(client), std::move(ledger)).run();
    };
    environment.notificationsAuthorised = [] { return Notifier().isAuthorised(); };
    // The run waits for a click as long as the notification shows, which it asks to be no
    // longer than a server's usual time, and then ends whatever the server does.
    constexpr std::chrono::milliseconds shown{10'000};
    // Clicks are listened for before the post: one can come before the server's answer.
    const auto clicks = std::make_shared<std::unique_ptr<NotificationClicks>>();
    environment.post = [shown, clicks](const QString& title, const QString& body) {
        *clicks = std::make_unique<NotificationClicks>();
        return Notifier().post(title, body, int(shown.count()));
    };
    // The hub a click starts outlives the run, whose unit ends everything it started.
    environment.awaitClick = [shown, clicks, hub](uint id, const QString& link) {
        if (!*clicks)
            return;
        (*clicks)->watch(id, link);
        if ((*clicks)->waitForClick(id, shown + std::chrono::seconds(1)))
            OwnScope::startDetached(hub, {link});
    };
    return environment;
}

} // namespace hub
