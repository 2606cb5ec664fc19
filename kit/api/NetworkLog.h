#pragma once

#include <QLoggingCategory>

namespace hub {

// "com.tavren.hub.network": failed requests and the loading of libcurl.
Q_DECLARE_LOGGING_CATEGORY(logNetwork)

} // namespace hub
