#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace hub::StoreResponses {

// An unsigned access token whose "exp" claim is `expiry`.
QString accessToken(const QDateTime& expiry);
// The body of a sign-in, sign-up or refresh answer for the user "u1" (Ada).
QByteArray identity(const QString& accessToken, const QString& refreshToken);

} // namespace hub::StoreResponses
