#include "app/model/Startup.h"

#include "app/model/Accounts.h"
#include "app/model/Banners.h"
#include "app/model/Navigation.h"
#include "app/model/Preferences.h"
#include "app/model/RefreshCycle.h"
#include "app/model/StoreCatalog.h"
#include "kit/api/StorefrontSnapshot.h"

#include <QDir>
#include <QFile>
#include <QPointer>

namespace hub {

Startup::Startup(const Services& services, Parts parts, AppModel& model, QObject* parent)
    : QObject(parent), services_(services), parts_(parts), model_(model)
{
}

void Startup::restoreFromDisk()
{
    if (services_.arguments.cold())
        return;
    // A snapshot run shows its fixture feed from the start.
    if (services_.arguments.fixtureDirectory())
        restoreExtras();
    if (!services_.snapshots)
        return;
    std::optional<Storefront> storefront = StorefrontSnapshot::load(*services_.snapshots);
    if (!storefront)
        return;
    parts_.catalog.deferSearchIndex();
    parts_.catalog.setStorefront(storefront);
    parts_.catalog.setStorefrontIsCached(true);
}

void Startup::afterFirstContent()
{
    if (restDone_)
        return;
    restDone_ = true;
    // The store's feed may have come first; the snapshot's is older.
    if (!services_.arguments.cold() && !services_.arguments.fixtureDirectory() && !parts_.catalog.extras())
        restoreExtras();
    parts_.catalog.buildSearchIndex();
}

void Startup::restoreExtras()
{
    // A snapshot run shows the fixture feed when it can be read, even one that does not decode.
    if (const std::optional<QString> fixtures = services_.arguments.fixtureDirectory()) {
        QFile file(QDir(*fixtures).filePath(QStringLiteral("extras.json")));
        if (file.open(QIODevice::ReadOnly)) {
            parts_.catalog.setExtras(CatalogExtras::decode(file.readAll()));
            return;
        }
    }
    if (!services_.snapshots)
        return;
    parts_.catalog.setExtras(services_.snapshots->load(
        QStringLiteral("extras"), [](const QJsonDocument& document) { return CatalogExtras::fromJson(JsonReader(document.object())); }));
}

QCoro::Task<> Startup::start()
{
    QPointer<Startup> self(this);
    const bool first = !started_;
    started_ = true;
    if (first && !parts_.preferences.betaWelcomeShown()) {
        // Written before the banner, so it shows once even when the app quits at once.
        parts_.preferences.setBetaWelcomeShown();
        parts_.banners.flash(Banner::Tone::info, welcome);
    }
    QCoro::Task<> refresh = parts_.refresh.refreshAll();
    co_await refresh;
    if (!self || !first)
        co_return;
    afterFirstContent();
    openFromLaunchArguments();
    QCoro::Task<> snapshot = snapshotFromLaunchArguments();
    co_await snapshot;
    if (self)
        parts_.refresh.updateLoop();
}

void Startup::openFromLaunchArguments()
{
    const std::optional<QString> open = services_.arguments.open();
    if (!open)
        return;
    const qsizetype colon = open->indexOf(QLatin1Char(':'));
    if (colon <= 0 || colon == open->size() - 1)
        return;
    const QString kind = open->left(colon);
    const QString value = open->mid(colon + 1);

    if (kind == QLatin1String("section")) {
        parts_.navigation.setSelection(hubSectionFromString(value));
    } else if (kind == QLatin1String("product")) {
        parts_.navigation.show(value);
    } else if (kind == QLatin1String("checkout")) {
        const std::optional<StorefrontProduct> product = parts_.catalog.storeProduct(value);
        if (product && product->defaultVariation)
            emit checkoutRequested({CartLine{*product, *product->defaultVariation}}, false);
    } else if (kind == QLatin1String("signin")) {
        parts_.accounts.openSignIn(SignInPurpose::general());
    } else if (kind == QLatin1String("search")) {
        parts_.navigation.setSearch(value);
    }
}

QCoro::Task<> Startup::snapshotFromLaunchArguments()
{
    const std::optional<QString> folder = services_.arguments.snapshotFolder();
    if (folder && services_.snapshotter) {
        QCoro::Task<> render = services_.snapshotter(*folder, model_);
        co_await render;
    }
}

} // namespace hub
