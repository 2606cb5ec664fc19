#pragma once

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

namespace hub::test {

// org.freedesktop.Notifications on a bus (the session bus unless given), recording what
// is posted. Calls are answered on this thread's event loop, so a test waiting for
// another process spins it.
class FakeNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Posted {
        QString app, title, body;
        QString icon, desktopEntry;
        QStringList actions;
        bool operator==(const Posted&) const = default;
    };

    explicit FakeNotificationServer(QDBusConnection bus = QDBusConnection::sessionBus(),
                                    QStringList capabilities = {QStringLiteral("body")});
    ~FakeNotificationServer() override;

    // Whether this process owns the service name.
    bool isServing() const { return serving_; }
    QList<Posted> posted;
    // Each notification is clicked before the answer to its Notify leaves.
    bool clickAtOnce = false;
    // What the server says when notification `id` is clicked, or when it closes (2: dismissed).
    void invoke(uint id, const QString& action) const;
    void close(uint id) const;

signals:
    void notified();

public slots:
    QStringList GetCapabilities() const { return capabilities_; }
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap& hints, int timeout);

private:
    QDBusConnection bus_;
    QStringList capabilities_;
    bool serving_ = false;
};

} // namespace hub::test
