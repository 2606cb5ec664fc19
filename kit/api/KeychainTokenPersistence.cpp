#include "kit/api/KeychainTokenPersistence.h"

namespace hub {

std::optional<SessionTokens> KeychainTokenPersistence::load()
{
    const std::optional<QByteArray> data = item.read();
    if (!data)
        return std::nullopt;
    return SessionTokens::fromJson(*data);
}

void KeychainTokenPersistence::save(const SessionTokens& tokens) { item.write(tokens.toJson()); }

void KeychainTokenPersistence::clear() { item.remove(); }

} // namespace hub
