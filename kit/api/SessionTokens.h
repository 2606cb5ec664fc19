#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

namespace hub {

// One store or identity session.
struct SessionTokens {
    QString accessToken;
    QString refreshToken;
    QDateTime expiresAt; // UTC

    // Less than 60 seconds left (an expiry in the past included).
    bool needsRefresh(const QDateTime& now) const;

    // Stored form: {"accessToken","refreshToken","expiresAt"} with expiresAt in
    // seconds since 2001-01-01 00:00:00 UTC. fromJson gives nothing for anything else.
    QByteArray toJson() const;
    static std::optional<SessionTokens> fromJson(const QByteArray& bytes);

    bool operator==(const SessionTokens&) const = default;
};

// Reads the "exp" claim of a JSON Web Token without checking its signature.
namespace JWT {
std::optional<QDateTime> expiry(const QString& token);
}

} // namespace hub
