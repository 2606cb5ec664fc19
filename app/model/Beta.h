#pragma once

#include <QJsonObject>
#include <QString>
#include <QUrl>
#include <QSysInfo>

namespace hub {

// The public-beta notices: the version text and the feedback mail link, shared by the
// menus, the About panel and the settings screen. Worked out anew on every call.
namespace Beta {

inline constexpr const char* feedbackAddress = "hub-beta@tavren.example";

// short + " beta (" + build + ")", from the hub's information file ("shortVersion",
// "build"); "?" stands for a value that is missing or not text.
inline QString version(const QJsonObject& info)
{
    const auto text = [&info](const char* key) {
        const QJsonValue value = info.value(QLatin1String(key));
        return value.isString() ? value.toString() : QStringLiteral("?");
    };
    return text("shortVersion") + QStringLiteral(" beta (") + text("build") + u')';
}

// A mailto link to the feedback address with a subject naming the version and a body of
// three empty lines for the user, then the version and the system's name and version.
// Every query value is percent-encoded as a query component (spaces, line feeds, "&").
inline QUrl feedbackURL(const QString& version, const QString& system)
{
    const auto encoded = [](const QString& text) { return QString::fromLatin1(QUrl::toPercentEncoding(text)); };
    const QString subject = QStringLiteral("Tavren Hub ") + version + QStringLiteral(" feedback");
    const QString body = QStringLiteral("\n\n\nTavren Hub ") + version + u'\n' + system;
    return QUrl(QStringLiteral("mailto:") + QLatin1String(feedbackAddress) + QStringLiteral("?subject=") + encoded(subject)
                    + QStringLiteral("&body=") + encoded(body),
                QUrl::StrictMode);
}

// This system's name and version, for the feedback body.
inline QString systemDescription()
{
    return QSysInfo::prettyProductName() + QStringLiteral(" (") + QSysInfo::kernelType() + u' ' + QSysInfo::kernelVersion() + u')';
}

// The About panel's credits.
inline QString aboutCredits()
{
    return QStringLiteral("This is a public beta. Installs are checked as strictly as they will be at release, "
                          "but screens and features may still change. Tell us what breaks: ")
           + QLatin1String(feedbackAddress);
}

} // namespace Beta

} // namespace hub
