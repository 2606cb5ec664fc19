#include "app/platform/NotificationClicks.h"

#include "app/platform/Notifier.h"

#include <QEventLoop>
#include <QTimer>

namespace hub {

NotificationClicks::NotificationClicks(QDBusConnection bus, QObject* parent) : QObject(parent), bus_(std::move(bus))
{
    const QString service = QString::fromLatin1(Notifier::service), path = QString::fromLatin1(Notifier::path);
    bus_.connect(service, path, service, QStringLiteral("ActionInvoked"), this, SLOT(invoked(uint,QString)));
    bus_.connect(service, path, service, QStringLiteral("NotificationClosed"), this, SLOT(closed(uint,uint)));
}

void NotificationClicks::watch(uint id, const QString& link)
{
    if (id == 0)
        return;
    links_.insert(id, link);
    if (early_.removeOne(id))
        QMetaObject::invokeMethod(this, [this, id] { invoked(id, QStringLiteral("default")); }, Qt::QueuedConnection);
}

bool NotificationClicks::waitForClick(uint id, std::chrono::milliseconds bound)
{
    if (!links_.contains(id))
        return false;
    QEventLoop loop;
    bool clicked = false;
    connect(this, &NotificationClicks::settled, &loop, [&](uint settledId, bool byClick) {
        if (settledId != id)
            return;
        clicked = byClick;
        loop.quit();
    });
    QTimer::singleShot(bound, &loop, &QEventLoop::quit);
    loop.exec();
    return clicked;
}

void NotificationClicks::invoked(uint id, const QString& action)
{
    if (action != u"default")
        return;
    if (!links_.contains(id)) {
        // Most are other applications' notifications.
        early_.append(id);
        if (early_.size() > 16)
            early_.removeFirst();
        return;
    }
    const QString link = links_.take(id);
    emit clicked(link);
    emit settled(id, true);
}

void NotificationClicks::closed(uint id, uint)
{
    if (links_.remove(id))
        emit settled(id, false);
}

} // namespace hub
