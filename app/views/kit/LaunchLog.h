#pragma once

#include <QLoggingCategory>

namespace hub {

// "com.tavren.hub.launch": the launch's timing and what the start could not set up.
Q_DECLARE_LOGGING_CATEGORY(launchLog)

} // namespace hub
