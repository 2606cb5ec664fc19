#pragma once

#include "kit/api/SessionTokens.h"

#include <optional>

namespace hub {

// Where a client loads, saves and clears its session. Implementations are
// thread-safe. load() gives nothing for no session (a damaged one included) and
// throws only when the store cannot be read at all (a locked or missing
// keychain): the session is then unknown, and the caller asks again later.
class TokenPersistence {
public:
    virtual ~TokenPersistence() = default;
    virtual std::optional<SessionTokens> load() = 0;
    virtual void save(const SessionTokens& tokens) = 0;
    virtual void clear() = 0;
};

} // namespace hub
