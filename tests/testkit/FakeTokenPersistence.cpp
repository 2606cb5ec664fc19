#include "tests/testkit/FakeTokenPersistence.h"

#include "kit/platform/SecretService.h"
#include "kit/security/KeychainError.h"

#include <stdexcept>

namespace hub {

std::optional<SessionTokens> FakeTokenPersistence::load()
{
    std::lock_guard lock(mutex);
    ++loads;
    if (failLoads)
        throw KeychainError(SecretService::interactionNotAllowed);
    return stored;
}

void FakeTokenPersistence::save(const SessionTokens& tokens)
{
    std::lock_guard lock(mutex);
    saves.append(tokens);
    if (failWrites)
        throw std::runtime_error("keychain locked");
    stored = tokens;
}

void FakeTokenPersistence::clear()
{
    std::lock_guard lock(mutex);
    ++clears;
    if (failWrites)
        throw std::runtime_error("keychain locked");
    stored.reset();
}

} // namespace hub
