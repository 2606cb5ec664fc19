#pragma once

#include <QLoggingCategory>

namespace hub {

// "com.tavren.hub.checkout": what the checkout web view refused, blocked or cancelled,
// and a checkout module that would not load.
Q_DECLARE_LOGGING_CATEGORY(checkoutLog)

} // namespace hub
