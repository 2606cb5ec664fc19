#pragma once

#include "kit/api/TokenPersistence.h"
#include "kit/security/KeychainItem.h"

namespace hub {

// A session kept in one keychain item as the JSON of SessionTokens.
class KeychainTokenPersistence : public TokenPersistence {
public:
    KeychainTokenPersistence(QString service, QString account) : item{std::move(service), std::move(account)} {}

    // A missing or damaged item reads as no session (and is left as it is); a
    // keychain that cannot be read (locked, no secret service) throws KeychainError.
    std::optional<SessionTokens> load() override;
    void save(const SessionTokens& tokens) override; // throws KeychainError
    void clear() override;                           // throws KeychainError; a missing item is fine

    KeychainItem item;
};

} // namespace hub
