#pragma once

// The desktop portal's settings, as far as the animation setting goes: registered on a
// bus connection of the test's own, it answers Read and sends SettingChanged. Its replies
// can be held back, as a portal that is slow to answer.

#include "app/platform/DesktopAnimations.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusVariant>
#include <utility>
#include <vector>

namespace hub::test {

class FakePortal : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    ~FakePortal() override
    {
        if (bus_.isConnected())
            bus_.unregisterService(DesktopAnimations::service);
        QDBusConnection::disconnectFromBus(QStringLiteral("portal"));
    }

    // Serves on a session bus connection of its own, under the portal's name; false
    // without a session bus.
    bool publish()
    {
        qRegisterMetaType<QDBusVariant>();
        bus_ = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("portal"));
        return bus_.isConnected()
            && bus_.registerObject(DesktopAnimations::path, this, QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals)
            && bus_.registerService(DesktopAnimations::service);
    }

    bool animations = false;
    // While set, a Read is answered only by answer().
    bool holdsReplies = false;

    void change(bool on)
    {
        animations = on;
        emit SettingChanged(DesktopAnimations::settingsNamespace, DesktopAnimations::key, QDBusVariant(on));
    }

    void answer()
    {
        for (auto& [bus, read] : held_)
            bus.send(read.createReply(QVariant::fromValue(setting())));
        held_.clear();
    }

public slots:
    QDBusVariant Read(const QString& group, const QString& key)
    {
        if (group != DesktopAnimations::settingsNamespace || key != DesktopAnimations::key)
            return {};
        if (holdsReplies) {
            setDelayedReply(true);
            held_.emplace_back(connection(), message());
            return {};
        }
        return setting();
    }

signals:
    void SettingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    QDBusVariant setting() const { return QDBusVariant(QVariant::fromValue(QDBusVariant(animations))); }

    QDBusConnection bus_{QString()};
    std::vector<std::pair<QDBusConnection, QDBusMessage>> held_;
};

} // namespace hub::test
