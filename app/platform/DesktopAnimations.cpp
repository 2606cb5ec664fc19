#include "app/platform/DesktopAnimations.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace hub {

namespace {

// The portal's Read wraps the value in a variant of its own.
QVariant unwrapped(QVariant value)
{
    while (value.userType() == qMetaTypeId<QDBusVariant>())
        value = qvariant_cast<QDBusVariant>(value).variant();
    return value;
}

} // namespace

DesktopAnimations::DesktopAnimations(QDBusConnection bus, QObject* parent) : QObject(parent), bus_(std::move(bus))
{
    if (!bus_.isConnected()) {
        answered_ = true;
        return;
    }
    bus_.connect(QString::fromLatin1(service), QString::fromLatin1(path), QString::fromLatin1(interface),
                 QStringLiteral("SettingChanged"), this, SLOT(settingChanged(QDBusMessage)));
    QDBusMessage read = QDBusMessage::createMethodCall(QString::fromLatin1(service), QString::fromLatin1(path),
                                                       QString::fromLatin1(interface), QStringLiteral("Read"));
    read << QString::fromLatin1(settingsNamespace) << QString::fromLatin1(key);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(read), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusMessage reply = call->reply();
        answered_ = true;
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
            take(reply.arguments().constFirst());
        emit answered();
    });
}

void DesktopAnimations::settingChanged(const QDBusMessage& change)
{
    const QList<QVariant> arguments = change.arguments();
    if (arguments.size() == 3 && arguments.at(0).toString() == QLatin1String(settingsNamespace)
        && arguments.at(1).toString() == QLatin1String(key))
        take(arguments.at(2));
}

void DesktopAnimations::take(const QVariant& value)
{
    const QVariant setting = unwrapped(value);
    if (setting.typeId() != QMetaType::Bool || setting.toBool() == enabled_)
        return;
    enabled_ = setting.toBool();
    emit enabledChanged(enabled_);
}

} // namespace hub
