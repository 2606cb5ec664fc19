#include "app/views/kit/CheckoutLog.h"

namespace hub {

Q_LOGGING_CATEGORY(checkoutLog, "com.tavren.hub.checkout")

} // namespace hub
