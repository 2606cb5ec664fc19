#include "tests/testkit/StoreResponses.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace hub::StoreResponses {

QString accessToken(const QDateTime& expiry)
{
    const auto base64url = [](const QByteArray& bytes) {
        return bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
    };
    const QByteArray payload =
        QJsonDocument(QJsonObject{{"sub", "u1"}, {"exp", expiry.toSecsSinceEpoch()}}).toJson(QJsonDocument::Compact);
    return QString::fromLatin1(base64url(R"({"alg":"RS256"})") + '.' + base64url(payload) + ".c2ln");
}

QByteArray identity(const QString& accessToken, const QString& refreshToken)
{
    return QJsonDocument(QJsonObject{{"id", "u1"}, {"email", "ada@example.test"}, {"name", "Ada"},
                             {"accessToken", accessToken}, {"refreshToken", refreshToken}})
        .toJson(QJsonDocument::Compact);
}

} // namespace hub::StoreResponses
