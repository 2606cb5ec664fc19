#include "tests/app/fakes/ModelHarness.h"

#include "app/model/PipelineEngine.h"
#include "kit/codesign/NativeCodeSigning.h"
#include "kit/security/HostPolicy.h"
#include "kit/security/PinnedTrust.h"
#include "kit/security/SignaturePolicy.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/testkit/StoreResponses.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <stdexcept>

namespace hub {

ModelHarness::ModelHarness()
{
    QDir().mkpath(supportFolder());
    QDir().mkpath(snapshotsFolder());
    settings = std::make_shared<QSettings>(root_.filePath(QStringLiteral("defaults.ini")), QSettings::IniFormat);
}

void ModelHarness::holdStoreSession()
{
    const QDateTime expiry = QDateTime::currentDateTimeUtc().addDays(1);
    storeTokens->save({StoreResponses::accessToken(expiry), QStringLiteral("refresh"), expiry});
}

void ModelHarness::holdIdentitySession()
{
    const QDateTime expiry = QDateTime::currentDateTimeUtc().addDays(1);
    identityTokens->save({StoreResponses::accessToken(expiry), QString(), expiry});
}

void ModelHarness::serveIdentityAccount(const TavrenIDProfile& profile)
{
    const auto compact = [](const QJsonObject& object) { return QJsonDocument(object).toJson(QJsonDocument::Compact); };
    identity->route("GET", "/id/auth/me", 200, compact(profile.toJson()));
    identity->route("GET", "/id/auth/sessions", 200,
        compact({{"sessions", QJsonArray{Fixtures::session("s1", "Laptop").toJson(), Fixtures::session("s2", "Phone").toJson()}}}));
    identity->route("GET", "/id/auth/purchases", 200, compact({{"purchases", QJsonArray{Fixtures::purchase("p1", "b").toJson()}}}));
}

void ModelHarness::serveExtras(const QByteArray& body)
{
    feed->route("GET", "/downloads/", 200, body);
}

void ModelHarness::useRealPipeline(
    Services& services, const std::shared_ptr<MoonbaseClient>& client, PinnedExchange::Timeouts downloadTimeouts)
{
    services.client = client;
    services.ledger = std::make_shared<InstallLedger>(supportFolder());
    const CodeVerifier verifier(SignaturePolicy::tavren(), NativeCodeSigning::standard());
    const BundleInstaller installer(verifier, path("home"), path("Applications"),
        [this](const QString& item) -> QString {
            const QString target = path("Trash/" + QFileInfo(item).fileName());
            QDir().mkpath(path("Trash"));
            if (!QDir().rename(item, target))
                throw std::runtime_error("cannot trash " + item.toStdString());
            return target;
        });
    const QString work = path("work");
    QDir().mkpath(work);
    services.pipeline = std::make_shared<const PipelineEngine>(InstallPipeline(client,
        std::make_shared<Downloader>(HostPolicy::tavren(), PinnedTrust::tavren(), work, ConnectionOptions{}, downloadTimeouts),
        Extractor(), installer,
        services.ledger, work));
}

Services ModelHarness::services()
{
    Services services;
    services.client = std::make_shared<MoonbaseClient>(HostPolicy::tavren(), store.transport(), storeTokens);
    services.tavrenID = std::make_shared<TavrenIDClient>(
        QUrl("https://id.tavren.example/id"), QUrl("https://id.tavren.example/auth"), identity, identityTokens);
    services.extrasClient = std::make_shared<const CatalogExtrasClient>(CatalogExtras::feedURL(), HostPolicy::tavren(), feed);
    services.ledger = std::make_shared<InstallLedger>(supportFolder());
    services.pipeline = engine;
    if (withLock)
        services.installLock = std::make_shared<InstallLock>(supportFolder());
    if (withSnapshots)
        services.snapshots.emplace(snapshotsFolder());
    services.settings = settings;
    services.arguments = LaunchArguments(arguments);
    services.sleep = sleeper.sleeper();
    services.now = [this] { return now; };
    desktop.attach(services);
    return services;
}

std::unique_ptr<AppModel> ModelHarness::makeModel()
{
    return std::make_unique<AppModel>(services());
}

QStringList ModelHarness::bannerTexts(const AppModel& model)
{
    QStringList texts;
    for (const Banner& banner : model.banners().banners())
        texts.append(banner.text);
    return texts;
}

} // namespace hub
