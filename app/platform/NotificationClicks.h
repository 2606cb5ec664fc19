#pragma once

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QString>
#include <chrono>

namespace hub {

// Clicks on the notifications this process posted (Notifier): the server's ActionInvoked
// with the default action, for a notification that is watched and still open.
// Lives on the thread that made it, whose event loop receives the server's signals.
class NotificationClicks : public QObject {
    Q_OBJECT

public:
    explicit NotificationClicks(QDBusConnection bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);

    // A click on notification `id` is reported as clicked(link), once; forgotten when it closes.
    // A click heard before the watch (the server's answer to Notify can come after it) counts.
    void watch(uint id, const QString& link);
    // Spins a local event loop until the watched `id` is clicked (true) or closed, or
    // `bound` has passed.
    bool waitForClick(uint id, std::chrono::milliseconds bound);

signals:
    void clicked(const QString& link);
    void settled(uint id, bool clicked);

private slots:
    void invoked(uint id, const QString& action);
    void closed(uint id, uint reason);

private:
    QDBusConnection bus_;
    QHash<uint, QString> links_;
    QList<uint> early_; // the latest clicks on ids not watched (yet)
};

} // namespace hub
