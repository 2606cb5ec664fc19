#pragma once

#include "kit/support/Error.h"

#include <cstdint>

namespace hub {

// A keychain status other than success (and other than not-found where that is accepted).
class KeychainError : public Error {
public:
    explicit KeychainError(std::int32_t status) : status(status) {}

    // "Keyring error <status>: <the keyring's text for it, or unknown>"
    QString message() const override;
    bool operator==(const KeychainError&) const = default;

    std::int32_t status;
};

} // namespace hub
