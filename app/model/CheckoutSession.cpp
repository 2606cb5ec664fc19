#include "app/model/CheckoutSession.h"

#include "kit/deployment/Deployment.h"

namespace hub {

QUrl CheckoutSession::returnURLFor(const QString& orderId)
{
    return QUrl(QStringLiteral("https://") + Deployment::current().webHost + QStringLiteral("/hub/checkout-complete?order=") + orderId);
}

} // namespace hub
