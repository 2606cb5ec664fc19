#include "devstore/TokenSigner.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QMessageAuthenticationCode>

namespace hub::devstore {

namespace {

constexpr auto base64url = QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals;

} // namespace

QByteArray TokenSigner::sign(const QJsonObject& payload) const
{
    const QByteArray head = QByteArray(R"({"alg":"HS256","typ":"JWT"})").toBase64(base64url);
    const QByteArray body = QJsonDocument(payload).toJson(QJsonDocument::Compact).toBase64(base64url);
    const QByteArray signingInput = head + '.' + body;
    const QByteArray mac = QMessageAuthenticationCode::hash(signingInput, secret_, QCryptographicHash::Sha256);
    return signingInput + '.' + mac.toBase64(base64url);
}

std::optional<QJsonObject> TokenSigner::verify(const QByteArray& token) const
{
    const QList<QByteArray> parts = token.split('.');
    if (parts.size() != 3)
        return std::nullopt;
    const QByteArray mac = QMessageAuthenticationCode::hash(parts[0] + '.' + parts[1], secret_, QCryptographicHash::Sha256);
    if (mac.toBase64(base64url) != parts[2])
        return std::nullopt;
    const QJsonObject payload = QJsonDocument::fromJson(QByteArray::fromBase64(parts[1], base64url)).object();
    if (payload.value("exp").toDouble() <= double(QDateTime::currentSecsSinceEpoch()))
        return std::nullopt;
    return payload;
}

} // namespace hub::devstore
