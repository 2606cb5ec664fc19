#pragma once

// The desktop portal's animation setting on a bus connection of the test's own.

#include "app/platform/DesktopAnimations.h"

#include <QDBusVariant>

namespace hub::test {

class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    ~FakePortal() override
    {
        bus_.unregisterService(DesktopAnimations::service);
        QDBusConnection::disconnectFromBus(QStringLiteral("portal"));
    }
    // False without a session bus.
    bool publish()
    {
        qRegisterMetaType<QDBusVariant>();
        bus_ = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("portal"));
        return bus_.registerObject(DesktopAnimations::path, this, QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals)
            && bus_.registerService(DesktopAnimations::service);
    }
    void change(bool on)
    {
        animations = on;
        emit SettingChanged(DesktopAnimations::settingsNamespace, DesktopAnimations::key, QDBusVariant(on));
    }
    bool animations = false;

public slots:
    QDBusVariant Read(const QString& group, const QString& key)
    {
        if (group != DesktopAnimations::settingsNamespace || key != DesktopAnimations::key)
            return {};
        return QDBusVariant(QVariant::fromValue(QDBusVariant(animations)));
    }
signals:
    void SettingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    QDBusConnection bus_{QString()};
};

} // namespace hub::test
