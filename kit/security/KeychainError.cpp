#include "kit/security/KeychainError.h"

#include "kit/platform/SecretService.h"

namespace hub {

QString KeychainError::message() const
{
    return QStringLiteral("Keyring error ") + QString::number(status) + QStringLiteral(": ")
        + SecretService::message(status).value_or(QStringLiteral("unknown"));
}

} // namespace hub
