#pragma once

#include <QDBusConnection>
#include <optional>

namespace hub {

// The count on the hub's launcher in the desktop's task manager or dock, through the
// launcher-entry signal (com.canonical.Unity.LauncherEntry, Update) that those listen
// for on the session bus. Best effort: nothing answers, and without a listener nothing shows.
class DockBadge {
public:
    explicit DockBadge(QDBusConnection bus = QDBusConnection::sessionBus());

    static constexpr const char* interface = "com.canonical.Unity.LauncherEntry";
    static constexpr const char* path = "/com/tavren/hub/LauncherEntry";
    // The launcher the signal is about: the hub's desktop entry.
    static constexpr const char* appUri = "application://com.tavren.hub.desktop";

    // Shows `count` on the launcher, or no count at 0. Sends only when the count differs
    // from the one sent last (the first call always sends, clearing what a previous run left).
    void show(int count);

private:
    QDBusConnection bus_;
    std::optional<int> shown_;
};

} // namespace hub
