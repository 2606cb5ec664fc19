#include "kit/api/OrderStatus.h"

#include <array>

namespace hub {

namespace {

constexpr std::array<std::pair<OrderStatus, const char*>, 6> rawValues{{
    {OrderStatus::open, "Open"},
    {OrderStatus::paymentProcessing, "PaymentProcessing"},
    {OrderStatus::paid, "Paid"},
    {OrderStatus::completed, "Completed"},
    {OrderStatus::failed, "Failed"},
    {OrderStatus::unknown, "unknown"},
}};

} // namespace

QString toString(OrderStatus status)
{
    for (const auto& [value, raw] : rawValues) {
        if (value == status)
            return QString::fromLatin1(raw);
    }
    return QStringLiteral("unknown");
}

std::optional<OrderStatus> orderStatusFromString(QStringView text)
{
    for (const auto& [value, raw] : rawValues) {
        if (text == QLatin1String(raw))
            return value;
    }
    return std::nullopt;
}

bool isSettled(OrderStatus status) { return status == OrderStatus::paid || status == OrderStatus::completed; }

} // namespace hub
