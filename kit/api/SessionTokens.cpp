#include "kit/api/SessionTokens.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace hub {

namespace {

// The stored form counts seconds from this instant, not from the Unix epoch.
const QDateTime& referenceDate()
{
    static const QDateTime date(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    return date;
}

QDateTime fromSeconds(const QDateTime& origin, double seconds)
{
    return origin.addMSecs(static_cast<qint64>(std::llround(seconds * 1000.0)));
}

} // namespace

bool SessionTokens::needsRefresh(const QDateTime& now) const
{
    return now.msecsTo(expiresAt) < 60'000;
}

QByteArray SessionTokens::toJson() const
{
    const QJsonObject object{
        {QStringLiteral("accessToken"), accessToken},
        {QStringLiteral("refreshToken"), refreshToken},
        {QStringLiteral("expiresAt"), referenceDate().msecsTo(expiresAt) / 1000.0},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<SessionTokens> SessionTokens::fromJson(const QByteArray& bytes)
{
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QJsonValue access = object.value(u"accessToken");
    const QJsonValue refresh = object.value(u"refreshToken");
    const QJsonValue expires = object.value(u"expiresAt");
    if (!access.isString() || !refresh.isString() || !expires.isDouble() || !std::isfinite(expires.toDouble()))
        return std::nullopt;
    return SessionTokens{access.toString(), refresh.toString(), fromSeconds(referenceDate(), expires.toDouble())};
}

std::optional<QDateTime> JWT::expiry(const QString& token)
{
    const QStringList pieces = token.split(u'.', Qt::SkipEmptyParts);
    if (pieces.size() != 3)
        return std::nullopt;
    QString payload = pieces[1];
    payload.replace(u'-', u'+').replace(u'_', u'/');
    while (payload.size() % 4 != 0)
        payload.append(u'=');
    const auto decoded = QByteArray::fromBase64Encoding(payload.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || payload.size() % 4 != 0)
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(*decoded);
    if (!document.isObject())
        return std::nullopt;
    const QJsonValue exp = document.object().value(u"exp");
    if (!exp.isDouble())
        return std::nullopt;
    static const QDateTime epoch(QDate(1970, 1, 1), QTime(0, 0), Qt::UTC);
    return fromSeconds(epoch, exp.toDouble());
}

} // namespace hub
