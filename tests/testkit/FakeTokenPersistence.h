#pragma once

#include "kit/api/TokenPersistence.h"

#include <QList>
#include <mutex>

namespace hub {

// A TokenPersistence that counts its calls and fails on request: writes with a
// runtime_error, loads with a locked keychain's KeychainError. Fields are public
// for the test; the calls lock `mutex`.
class FakeTokenPersistence : public TokenPersistence {
public:
    std::optional<SessionTokens> load() override;
    void save(const SessionTokens& tokens) override;
    void clear() override;

    std::mutex mutex;
    std::optional<SessionTokens> stored;
    QList<SessionTokens> saves;
    int loads = 0;
    int clears = 0;
    bool failWrites = false;
    bool failLoads = false;
};

} // namespace hub
