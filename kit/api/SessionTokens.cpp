#include "kit/api/SessionTokens.h"

#include "kit/support/JsonReader.h"

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

// Nothing for a count that is not finite or lies beyond what a date can hold.
std::optional<QDateTime> fromSeconds(const QDateTime& origin, double seconds)
{
    const double msecs = seconds * 1000.0;
    if (!std::isfinite(msecs) || std::fabs(msecs) > 8.64e15)
        return std::nullopt;
    const QDateTime date = origin.addMSecs(std::llround(msecs));
    if (!date.isValid())
        return std::nullopt;
    return date;
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
    try {
        const JsonReader reader = JsonReader::parse(bytes);
        const std::optional<QDateTime> expiry = fromSeconds(referenceDate(), reader.number(u"expiresAt"));
        if (!expiry)
            return std::nullopt;
        return SessionTokens{reader.string(u"accessToken"), reader.string(u"refreshToken"), *expiry};
    } catch (const JsonError&) {
        return std::nullopt;
    }
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
    if (!decoded)
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
