#pragma once

class QWidget;

namespace hub {

class AppModel;
struct CheckoutSession;

// The one entry of the checkout module (lib/tavren-hub/tavren-hub-checkout.so), the
// only part of the hub on the web engine: the sheet's content for one session.
namespace CheckoutEntry {

inline constexpr const char* symbol = "tavren_hub_checkout_view";
using MakeView = QWidget* (*)(AppModel& model, const CheckoutSession& session);

} // namespace CheckoutEntry

} // namespace hub
