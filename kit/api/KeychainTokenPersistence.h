#pragma once

#include "kit/api/TokenPersistence.h"
#include "kit/security/KeychainItem.h"

namespace hub {

// A session kept in one keychain item as the JSON of SessionTokens.
class KeychainTokenPersistence : public TokenPersistence {
public:
    KeychainTokenPersistence(QString service, QString account) : item{std::move(service), std::move(account)} {}

    // Any keychain or format problem reads as no session; a damaged item is left as it is.
    std::optional<SessionTokens> load() override;
    void save(const SessionTokens& tokens) override; // throws KeychainError
    void clear() override;                           // throws KeychainError; a missing item is fine

    KeychainItem item;
};

} // namespace hub
