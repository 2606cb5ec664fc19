#pragma once

#include <QDBusConnection>
#include <QString>

namespace hub {

// Desktop notifications through org.freedesktop.Notifications on the session bus,
// sent under the application name "Tavren Hub", with the hub's desktop entry and icon,
// and a default action (a click) that NotificationClicks hears. Posting counts as authorised while
// the notification service is on the bus or the bus can start it; nothing ever asks
// for more. A server that lists "body-markup" reads bodies as markup (summaries never),
// so bodies are escaped for it alone.
// Thread-safe: calls block the calling thread until the server answers (or 5 s pass).
class Notifier {
public:
    explicit Notifier(QDBusConnection bus = QDBusConnection::sessionBus());

    static constexpr const char* service = "org.freedesktop.Notifications";
    static constexpr const char* path = "/org/freedesktop/Notifications";
    static constexpr const char* appName = "Tavren Hub";
    static constexpr const char* desktopEntry = "com.tavren.hub";

    // Whether the notification service is on the bus now, or the bus starts it on first use.
    bool isAuthorised() const;
    // Posts one notification at once, shown for `expireMs` (-1: the server's default).
    // Its id, or 0 when the service is missing or refused it; never throws.
    uint post(const QString& title, const QString& body, int expireMs = -1) const;

    // `text` with &, < and > written as entities.
    static QString escaped(const QString& text);

private:
    QDBusConnection bus_;
};

} // namespace hub
