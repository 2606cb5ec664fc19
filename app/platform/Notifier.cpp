#include "app/platform/Notifier.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace hub {

namespace {

constexpr int callTimeoutMs = 5000;

} // namespace

Notifier::Notifier(QDBusConnection bus) : bus_(std::move(bus)) {}

bool Notifier::isAuthorised() const
{
    if (!bus_.isConnected())
        return false;
    const QDBusConnectionInterface* names = bus_.interface();
    if (!names)
        return false;
    const QString name = QString::fromLatin1(service);
    return names->isServiceRegistered(name).value() || names->activatableServiceNames().value().contains(name);
}

uint Notifier::post(const QString& title, const QString& body, int expireMs) const
{
    if (!isAuthorised())
        return 0;
    QDBusMessage ask = QDBusMessage::createMethodCall(QString::fromLatin1(service), QString::fromLatin1(path),
                                                      QString::fromLatin1(service), QStringLiteral("GetCapabilities"));
    const QDBusMessage capabilities = bus_.call(ask, QDBus::Block, callTimeoutMs);
    const bool markup = capabilities.type() == QDBusMessage::ReplyMessage && !capabilities.arguments().isEmpty()
        && capabilities.arguments().constFirst().toStringList().contains(QStringLiteral("body-markup"));
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(service), QString::fromLatin1(path),
                                                       QString::fromLatin1(service), QStringLiteral("Notify"));
    call << QString::fromLatin1(appName) // app_name
         << uint(0)                      // replaces_id: a new notification
         << QString::fromLatin1(desktopEntry) // app_icon: the icon the desktop entry names
         << title << (markup ? escaped(body) : body)
         << QStringList{QStringLiteral("default"), QStringLiteral("Open Tavren Hub")}
         << QVariantMap{{QStringLiteral("desktop-entry"), QString::fromLatin1(desktopEntry)}}
         << expireMs;
    const QDBusMessage reply = bus_.call(call, QDBus::Block, callTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return 0;
    return reply.arguments().constFirst().toUInt();
}

QString Notifier::escaped(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'&')
            out += QStringLiteral("&amp;");
        else if (c == u'<')
            out += QStringLiteral("&lt;");
        else if (c == u'>')
            out += QStringLiteral("&gt;");
        else
            out += c;
    }
    return out;
}

} // namespace hub
