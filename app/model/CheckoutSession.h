#pragma once

#include <QStringList>
#include <QUrl>

namespace hub {

// One running checkout; the checkout sheet shows while the model holds one. Its
// identity is the order id.
struct CheckoutSession {
    QString orderId;
    QUrl url;       // the store's checkout page, on the store API host
    QUrl returnURL; // where the payment flow comes back to
    QStringList productNames;
    QStringList productIds;
    bool clearsCart = false;

    const QString& id() const { return orderId; }
    bool operator==(const CheckoutSession&) const = default;

    // https://<web host>/hub/checkout-complete?order=<id>, the id appended unchanged.
    static QUrl returnURLFor(const QString& orderId);
};

} // namespace hub
