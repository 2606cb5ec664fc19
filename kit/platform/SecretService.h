#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace hub {

// The desktop's keychain: generic-password items of the Secret Service (through
// libsecret), addressed by the attributes "service" and "account". Every call
// answers with a keychain status number; items live in the default collection.
namespace SecretService {

inline constexpr std::int32_t success = 0;
inline constexpr std::int32_t userCanceled = -128;            // an unlock prompt was dismissed
inline constexpr std::int32_t internalComponent = -2070;      // the service answered something unexpected
inline constexpr std::int32_t notAvailable = -25291;          // no secret service on the session bus
inline constexpr std::int32_t itemNotFound = -25300;
inline constexpr std::int32_t noDefaultKeychain = -25307;     // the service has no default collection
inline constexpr std::int32_t interactionNotAllowed = -25308; // the collection is locked

// The item's bytes in `data` (success) or a failing status; itemNotFound when there is none.
std::int32_t copy(const QString& service, const QString& account, QByteArray& data);
// Creates the item or replaces its bytes.
std::int32_t store(const QString& service, const QString& account, const QByteArray& data);
// itemNotFound when there was nothing to delete.
std::int32_t remove(const QString& service, const QString& account);

// The text of a status, or nothing for a status this layer does not know.
std::optional<QString> message(std::int32_t status);

} // namespace SecretService

} // namespace hub
