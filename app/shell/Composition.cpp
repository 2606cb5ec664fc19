#include "app/shell/Composition.h"

#include "app/model/PipelineEngine.h"
#include "app/platform/ContinuousSleep.h"
#include "app/platform/DockBadge.h"
#include "app/platform/UserDefaults.h"
#include "app/platform/Workspace.h"
#include "app/views/kit/LaunchLog.h"
#include "kit/api/InMemoryTokenPersistence.h"
#include "kit/deployment/Deployment.h"
#include "kit/api/KeychainTokenPersistence.h"
#include "kit/api/URLSessionTransport.h"
#include "kit/install/ScratchFolder.h"
#include "kit/security/PinnedTrust.h"
#include "kit/support/AppDirectories.h"

#include <QDir>
#include <cstdlib>
#include <system_error>

namespace hub::Composition {

namespace {

constexpr const char* keychainService = "com.tavren.hub";

std::shared_ptr<TokenPersistence> tokens(const LaunchArguments& arguments, const char* account)
{
    if (arguments.memoryOnly())
        return std::make_shared<InMemoryTokenPersistence>();
    return std::make_shared<KeychainTokenPersistence>(QString::fromLatin1(keychainService), QString::fromLatin1(account));
}

// Where the ledger or the installs go when the hub's own folder cannot be had: a private
// folder of this process (0700, made with mkdtemp), never a shared temporary one.
std::shared_ptr<const ScratchFolder> privateFallbackFolder()
{
    try {
        return std::make_shared<const ScratchFolder>(QDir::tempPath(), QStringLiteral("tavren-hub-"));
    } catch (const std::system_error&) {
        return nullptr;
    }
}

// `object`, which lives in the private folder `folder`; the folder goes with its last holder.
template <typename T>
std::shared_ptr<T> removingFolder(std::shared_ptr<T> object, std::shared_ptr<const ScratchFolder> folder)
{
    T* const held = object.get();
    return std::shared_ptr<T>(held, [object = std::move(object), folder = std::move(folder)](T*) mutable {
        object.reset();
        folder.reset();
    });
}

} // namespace

Services standard(const QStringList& argumentList)
{
    Services services;
    services.arguments = LaunchArguments(argumentList);
    const PinnedTrust& trust = PinnedTrust::tavren();
    // Each client has a transport and a token store of its own; a quit ends their requests.
    const auto transport = [&trust, stop = services.quitting.get_token()] {
        return std::make_shared<URLSessionTransport>(trust, ConnectionOptions{}, stop);
    };
    services.client = std::make_shared<MoonbaseClient>(HostPolicy::tavren(), transport(), tokens(services.arguments, "moonbase-session"));
    const QString identity = QStringLiteral("https://") + Deployment::current().identityHost;
    services.tavrenID = std::make_shared<TavrenIDClient>(QUrl(identity + QStringLiteral("/id")), QUrl(identity + QStringLiteral("/auth")),
        transport(), tokens(services.arguments, "tavren-id-session"));
    services.extrasClient = std::make_shared<const CatalogExtrasClient>(CatalogExtras::feedURL(), HostPolicy::tavren(), transport());

    // Only a folder that cannot be had sends the ledger elsewhere, never what a file in it
    // holds: the install lock and the version floors live there too.
    try {
        const QString support = AppDirectories::support();
        services.ledger = std::make_shared<InstallLedger>(support);
        services.installLock = std::make_shared<InstallLock>(support);
    } catch (const std::system_error& error) {
        // No install lock then: installs run without one, so nothing keeps the background
        // updater out meanwhile.
        auto fallback = privateFallbackFolder();
        qCWarning(launchLog, "no application-support folder (%s); the ledger lives in %s", error.what(),
            qUtf8Printable(fallback ? fallback->path() : QStringLiteral("memory only")));
        if (fallback)
            services.ledger = removingFolder(std::make_shared<InstallLedger>(fallback->path()), fallback);
    }
    if (services.ledger) {
        try {
            services.pipeline = std::make_shared<const PipelineEngine>(InstallPipeline::standard(services.client, services.ledger));
        } catch (const std::exception& error) {
            // Installs go on in a private folder of this process, as the ledger does.
            auto fallback = privateFallbackFolder();
            qCWarning(launchLog, "no work folder (%s); installs work in %s", error.what(),
                qUtf8Printable(fallback ? fallback->path() : QStringLiteral("no folder: installs are not possible")));
            try {
                if (fallback)
                    services.pipeline = removingFolder(std::make_shared<const PipelineEngine>(InstallPipeline::standard(
                        services.client, services.ledger, PinnedTrust::tavren(), {}, fallback->path())), fallback);
            } catch (const std::exception& again) {
                qCWarning(launchLog, "no install engine either (%s)", again.what()); // the folder goes with `fallback`
            }
        }
    }
    if (const std::optional<SnapshotCache> snapshots = SnapshotCache::standard())
        services.snapshots.emplace(*snapshots);
    services.settings = UserDefaults::open();
    services.sleep = [](std::chrono::milliseconds duration) { return sleepContinuously(duration); };
    services.now = [] { return QDateTime::currentDateTimeUtc(); };
    services.setDockBadge = [badge = std::make_shared<DockBadge>()](int count) { badge->show(count); };
    services.reveal = [](const QStringList& paths, std::function<void()> failed) { Workspace().reveal(paths, std::move(failed)); };
    services.openApp = [](const QString& bundle) { return Workspace().openApplication(bundle); };
    return services;
}

} // namespace hub::Composition
