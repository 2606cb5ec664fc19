#include "tests/app/fakes/FakeNotificationServer.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace hub::test {

namespace {
const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
} // namespace

FakeNotificationServer::FakeNotificationServer(QDBusConnection bus, QStringList capabilities)
    : bus_(std::move(bus)), capabilities_(std::move(capabilities))
{
    serving_ = bus_.registerObject(path, this, QDBusConnection::ExportAllSlots) && bus_.registerService(service);
}

FakeNotificationServer::~FakeNotificationServer()
{
    if (serving_)
        bus_.unregisterService(service);
    bus_.unregisterObject(path);
}

uint FakeNotificationServer::Notify(const QString& app, uint, const QString& icon, const QString& summary, const QString& body,
                                    const QStringList& actions, const QVariantMap& hints, int)
{
    posted.append({app, summary, body, icon, hints.value(QStringLiteral("desktop-entry")).toString(), actions});
    emit notified();
    if (clickAtOnce)
        invoke(uint(posted.size()), QStringLiteral("default"));
    return uint(posted.size());
}

void FakeNotificationServer::invoke(uint id, const QString& action) const
{
    bus_.send(QDBusMessage::createSignal(path, service, QStringLiteral("ActionInvoked")) << id << action);
}

void FakeNotificationServer::close(uint id) const
{
    bus_.send(QDBusMessage::createSignal(path, service, QStringLiteral("NotificationClosed")) << id << uint(2));
}

} // namespace hub::test
