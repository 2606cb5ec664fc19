#include "kit/security/KeychainItem.h"

#include "kit/platform/SecretService.h"
#include "kit/security/KeychainError.h"

namespace hub {

std::optional<QByteArray> KeychainItem::read() const
{
    QByteArray data;
    const std::int32_t status = SecretService::copy(service, account, data);
    if (status == SecretService::itemNotFound)
        return std::nullopt;
    if (status != SecretService::success)
        throw KeychainError(status);
    return data;
}

void KeychainItem::write(const QByteArray& data) const
{
    const std::int32_t status = SecretService::store(service, account, data);
    if (status != SecretService::success)
        throw KeychainError(status);
}

void KeychainItem::remove() const
{
    const std::int32_t status = SecretService::remove(service, account);
    if (status != SecretService::success && status != SecretService::itemNotFound)
        throw KeychainError(status);
}

} // namespace hub
