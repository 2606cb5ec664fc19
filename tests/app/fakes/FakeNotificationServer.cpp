#include "tests/app/fakes/FakeNotificationServer.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>

namespace hub::test {

namespace {
const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
} // namespace

FakeNotificationServer::FakeNotificationServer()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    serving_ = bus.registerObject(path, this, QDBusConnection::ExportAllSlots) && bus.registerService(service);
}

FakeNotificationServer::~FakeNotificationServer()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (serving_)
        bus.unregisterService(service);
    bus.unregisterObject(path);
}

uint FakeNotificationServer::Notify(const QString& app, uint, const QString&, const QString& summary, const QString& body,
                                    const QStringList&, const QVariantMap&, int)
{
    posted.append({app, summary, body});
    return uint(posted.size());
}

} // namespace hub::test
