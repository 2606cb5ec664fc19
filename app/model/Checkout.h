#pragma once

#include "app/model/CartLine.h"
#include "app/model/CheckoutSession.h"
#include "app/model/ModelPools.h"
#include "app/model/Services.h"
#include "kit/api/Order.h"

#include <QCoroTask>
#include <QObject>
#include <optional>

namespace hub {

class Accounts;
class Banners;
class Cart;
class Preferences;
class RefreshCycle;

// Pushes an order to the store, opens its checkout page (only on the store API
// host) and settles it once the sheet reports it paid.
class Checkout : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<hub::CheckoutSession> checkout READ checkout NOTIFY checkoutChanged)

public:
    static inline const QString noCheckoutURL = QStringLiteral("(no checkout URL)");
    static inline const QString paidEmailReason =
        QStringLiteral("Sign in with the email you just paid with to download what you bought.");

    struct Parts {
        Preferences& preferences;
        Banners& banners;
        Accounts& accounts;
        Cart& cart;
        RefreshCycle& refresh;
    };

    Checkout(const Services& services, ModelPools& pools, Parts parts, QObject* parent = nullptr);

    const std::optional<CheckoutSession>& checkout() const { return checkout_; }

    // A later checkout replaces a running one; failures become one banner and store nothing.
    QCoro::Task<> beginCheckout(QList<CartLine> lines, bool clearsCart);
    // The order is settled: close the sheet (if it still shows this order), empty the
    // cart when asked, take the products off the wishlist, then refresh ownership.
    QCoro::Task<> checkoutFinished(CheckoutSession session, Order order);
    // The sheet's own cancel. The order is asked for once more: a payment settled
    // just as the sheet closed is still finished.
    void cancel();
    // Shows `session`; a running checkout it replaces gets the same last look.
    void setCheckout(std::optional<CheckoutSession> session);

signals:
    void checkoutChanged();

private:
    // Shows `session`; true when that changed what is shown.
    bool show(std::optional<CheckoutSession> session);
    // One more fetch of an order the sheet let go of; a settled answer finishes it.
    QCoro::Task<> lookOnceMore(CheckoutSession session);

    const Services& services_;
    ModelPools& pools_;
    Parts parts_;
    std::optional<CheckoutSession> checkout_;
};

} // namespace hub
