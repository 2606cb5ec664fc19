#pragma once

#include "devstore/DevstoreHosts.h"
#include "devstore/DevstoreReply.h"
#include "devstore/DevstoreRequest.h"
#include "devstore/DownloadHost.h"
#include "devstore/LiveCatalog.h"
#include "devstore/StoreDirectory.h"

#include <QHash>
#include <QJsonObject>
#include <QObject>

namespace hub::devstore {

// The store's customer API on the API host, the checkout page that settles orders and the
// store's plain web pages.
class StoreApi : public QObject {
    Q_OBJECT
public:
    StoreApi(StoreDirectory& directory, LiveCatalog& catalog, const DownloadHost& downloads, DevstoreHosts hosts);

    DevstoreReply handle(const DevstoreRequest& request);

    static constexpr int pageSize = 4;

    // Sets an order's status (settling it grants its products); false for an unknown order.
    bool setOrderStatus(const QString& orderId, const QString& status);
    std::optional<QJsonObject> order(const QString& orderId) const;

private:
    struct Order {
        QJsonObject record;  // what S11 and S12 answer
        QString returnUrl;
        QString ownerEmail;  // empty for a guest order
    };

    DevstoreReply api(const DevstoreRequest& request, const QStringList& path);
    DevstoreReply signIn(const DevstoreRequest& request);
    DevstoreReply signUp(const DevstoreRequest& request);
    DevstoreReply confirm(const DevstoreRequest& request);
    DevstoreReply refresh(const DevstoreRequest& request);
    DevstoreReply storefront(const StoreAccount* caller) const;
    DevstoreReply ownedProducts(const DevstoreRequest& request, const StoreAccount& caller) const;
    DevstoreReply resolveDownload(const DevstoreRequest& request, const StoreAccount& caller) const;
    DevstoreReply pushOrder(const DevstoreRequest& request, const QString& orderId, const StoreAccount* caller);
    DevstoreReply checkoutPage(const DevstoreRequest& request);
    DevstoreReply webPage(const DevstoreRequest& request) const;
    void settle(Order& order, const QString& email);

    StoreDirectory& directory_;
    LiveCatalog& catalog_;
    const DownloadHost& downloads_;
    DevstoreHosts hosts_;
    QHash<QString, Order> orders_;
};

} // namespace hub::devstore
