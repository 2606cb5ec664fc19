#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>

namespace hub {

// Whether the desktop wants animations: its own setting (org.gnome.desktop.interface,
// enable-animations) read through the XDG desktop portal and followed as it changes.
// Until the portal answers, and without a portal, animations count as wanted.
// The portal has answered once its reply, or the failure to get one, came.
class DesktopAnimations : public QObject {
    Q_OBJECT

public:
    explicit DesktopAnimations(QDBusConnection bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);

    static constexpr const char* service = "org.freedesktop.portal.Desktop";
    static constexpr const char* path = "/org/freedesktop/portal/desktop";
    static constexpr const char* interface = "org.freedesktop.portal.Settings";
    static constexpr const char* settingsNamespace = "org.gnome.desktop.interface";
    static constexpr const char* key = "enable-animations";

    bool enabled() const { return enabled_; }
    bool hasAnswered() const { return answered_; }

signals:
    void enabledChanged(bool enabled);
    void answered();

public slots:
    // The portal's SettingChanged signal (the bus calls only public slots).
    void settingChanged(const QDBusMessage& change);

private:
    void take(const QVariant& value);

    QDBusConnection bus_;
    bool enabled_ = true;
    bool answered_ = false;
};

} // namespace hub
