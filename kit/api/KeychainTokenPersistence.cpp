#include "kit/api/KeychainTokenPersistence.h"

#include "kit/security/KeychainError.h"

namespace hub {

std::optional<SessionTokens> KeychainTokenPersistence::load()
{
    std::optional<QByteArray> data;
    try {
        data = item.read();
    } catch (const KeychainError&) {
        return std::nullopt;
    }
    if (!data)
        return std::nullopt;
    return SessionTokens::fromJson(*data);
}

void KeychainTokenPersistence::save(const SessionTokens& tokens) { item.write(tokens.toJson()); }

void KeychainTokenPersistence::clear() { item.remove(); }

} // namespace hub
