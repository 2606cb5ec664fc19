#pragma once

#include <QSettings>
#include <memory>

namespace hub {

// The user defaults: one settings file shared by the app and the background
// updater, $XDG_CONFIG_HOME/com.tavren.hub/defaults.ini.
namespace UserDefaults {

QString path();
std::shared_ptr<QSettings> open();

} // namespace UserDefaults

} // namespace hub
