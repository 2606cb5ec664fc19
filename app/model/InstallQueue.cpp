#include "app/model/InstallQueue.h"

#include "app/model/Accounts.h"
#include "app/model/Assign.h"
#include "app/model/Banners.h"

namespace hub {

InstallQueue::InstallQueue(Accounts& accounts, Banners& banners, QObject* parent)
    : QObject(parent), accounts_(accounts), banners_(banners)
{
}

void InstallQueue::setPendingInstall(const std::optional<PendingInstall>& pending)
{
    if (assign(pendingInstall_, pending))
        emit pendingInstallChanged();
}

void InstallQueue::install(const StorefrontProduct& product, const std::optional<Download>& download, bool verifyOnly)
{
    if (!accounts_.storeUser()) {
        setPendingInstall(PendingInstall{product, download});
        accounts_.openSignIn(SignInPurpose::connectStore(
            QStringLiteral("Downloads come from the Tavren store. Connect your store account once and ") + product.name
            + QStringLiteral(" will start installing.")));
        return;
    }
    std::optional<Download> chosen = download;
    if (!chosen) {
        const QList<Download> mac = product.macDownloads();
        if (mac.isEmpty()) {
            banners_.flash(Banner::Tone::failure, product.name + QStringLiteral(" has no macOS download yet."));
            return;
        }
        chosen = mac.first();
    }
    emit installRequested(product, *chosen, verifyOnly);
}

} // namespace hub
