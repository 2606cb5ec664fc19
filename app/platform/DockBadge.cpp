#include "app/platform/DockBadge.h"

#include <QDBusMessage>
#include <QVariantMap>

namespace hub {

DockBadge::DockBadge(QDBusConnection bus) : bus_(std::move(bus)) {}

void DockBadge::show(int count)
{
    count = std::max(count, 0);
    if (shown_ == count || !bus_.isConnected())
        return;
    QDBusMessage update = QDBusMessage::createSignal(QString::fromLatin1(path), QString::fromLatin1(interface), QStringLiteral("Update"));
    update << QString::fromLatin1(appUri)
           << QVariantMap{{QStringLiteral("count"), qint64(count)}, {QStringLiteral("count-visible"), count > 0}};
    if (bus_.send(update))
        shown_ = count;
}

} // namespace hub
