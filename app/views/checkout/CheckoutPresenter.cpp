#include "app/views/checkout/CheckoutPresenter.h"

#include "app/views/kit/SymbolName.h"

namespace hub {

CheckoutPresenter::Header CheckoutPresenter::present(const Input& input)
{
    return {input.secure ? "lock.fill"_symbol : "lock.open.fill"_symbol, input.secure,
            input.secure ? QStringLiteral("Secure") : QStringLiteral("Not secure"), input.host, input.loading,
            statusText(input.status, input.returned)};
}

QString CheckoutPresenter::statusText(OrderStatus status, bool returned)
{
    switch (status) {
    case OrderStatus::paid:
    case OrderStatus::completed: return QStringLiteral("Paid");
    case OrderStatus::failed: return QStringLiteral("Payment failed");
    case OrderStatus::paymentProcessing: return QStringLiteral("Processing payment");
    case OrderStatus::open:
    case OrderStatus::unknown: break;
    }
    return returned ? QStringLiteral("Confirming") : QStringLiteral("Payment by Moonbase");
}

} // namespace hub
