#pragma once

#include "kit/api/SessionTokens.h"

#include <optional>

namespace hub {

// Where a client loads, saves and clears its session. Implementations are
// thread-safe. load() never throws: any problem reads as no session.
class TokenPersistence {
public:
    virtual ~TokenPersistence() = default;
    virtual std::optional<SessionTokens> load() = 0;
    virtual void save(const SessionTokens& tokens) = 0;
    virtual void clear() = 0;
};

} // namespace hub
