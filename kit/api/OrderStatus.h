#pragma once

#include <QString>
#include <optional>

namespace hub {

// The state of an order. Reading an order maps any text it does not know to `unknown`.
enum class OrderStatus { open, paymentProcessing, paid, completed, failed, unknown };

QString toString(OrderStatus status);
// The case whose raw value is exactly `text`; nothing otherwise ("unknown" included as itself).
std::optional<OrderStatus> orderStatusFromString(QStringView text);
// Paid or completed.
bool isSettled(OrderStatus status);

} // namespace hub
