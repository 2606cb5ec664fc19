#pragma once

#include "devstore/StoreAccount.h"
#include "devstore/TokenSigner.h"

#include <QHash>
#include <QJsonObject>
#include <QSet>
#include <chrono>
#include <map>

namespace hub::devstore {

// The store's accounts and their sessions: access tokens are short JWTs, refresh tokens
// are JWTs too, each good for one refresh (they rotate).
class StoreDirectory {
public:
    StoreDirectory(TokenSigner signer, std::chrono::seconds accessLifetime);

    StoreAccount* find(const QString& email);
    // The account an unexpired access token names.
    StoreAccount* holder(const QByteArray& accessToken);
    StoreAccount& create(const QString& name, const QString& email, const QString& password, bool confirmed);
    void grant(const QString& email, const QString& productId);

    // The flat identity response: the user's members and a fresh pair of tokens.
    QJsonObject identityResponse(const StoreAccount& account);
    // A new pair for an unused, unexpired refresh token; nothing otherwise.
    std::optional<QJsonObject> refresh(const QByteArray& refreshToken);
    static QJsonObject user(const StoreAccount& account);

private:
    TokenSigner signer_;
    std::chrono::seconds accessLifetime_;
    std::map<QString, StoreAccount> accounts_; // by email; stable addresses
    QSet<QString> spentRefreshIds_;
};

} // namespace hub::devstore
