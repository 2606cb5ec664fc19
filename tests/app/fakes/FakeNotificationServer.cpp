#include "tests/app/fakes/FakeNotificationServer.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>

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

uint FakeNotificationServer::Notify(const QString& app, uint, const QString&, const QString& summary, const QString& body,
                                    const QStringList&, const QVariantMap&, int)
{
    posted.append({app, summary, body});
    emit notified();
    return uint(posted.size());
}

} // namespace hub::test
