#include "kit/api/InMemoryTokenPersistence.h"

namespace hub {

std::optional<SessionTokens> InMemoryTokenPersistence::load()
{
    const std::lock_guard lock(mutex_);
    return tokens_;
}

void InMemoryTokenPersistence::save(const SessionTokens& tokens)
{
    const std::lock_guard lock(mutex_);
    tokens_ = tokens;
}

void InMemoryTokenPersistence::clear()
{
    const std::lock_guard lock(mutex_);
    tokens_.reset();
}

} // namespace hub
