#pragma once

#include "kit/api/TokenPersistence.h"
#include "kit/platform/SecretService.h"
#include "kit/security/KeychainError.h"

#include <QList>
#include <mutex>
#include <stdexcept>

namespace hub {

// A TokenPersistence that counts its calls; writes fail on request with a
// runtime_error, loads with a locked keychain's KeychainError.
struct FakeTokenPersistence : TokenPersistence {
    std::optional<SessionTokens> load() override
    {
        std::lock_guard lock(mutex);
        if (++loads; failLoads)
            throw KeychainError(SecretService::interactionNotAllowed);
        return stored;
    }
    void save(const SessionTokens& tokens) override
    {
        std::lock_guard lock(mutex);
        if (saves.append(tokens); failWrites)
            throw std::runtime_error("keychain locked");
        stored = tokens;
    }
    void clear() override
    {
        std::lock_guard lock(mutex);
        if (++clears; failWrites)
            throw std::runtime_error("keychain locked");
        stored.reset();
    }

    std::mutex mutex;
    std::optional<SessionTokens> stored;
    QList<SessionTokens> saves;
    int loads = 0, clears = 0;
    bool failWrites = false, failLoads = false;
};

} // namespace hub
