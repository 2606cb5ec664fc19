#pragma once

#include <QLoggingCategory>

namespace hub {

// "com.tavren.hub.keychain": the secret service's failures and the loading of libsecret.
Q_DECLARE_LOGGING_CATEGORY(logKeychain)

} // namespace hub
