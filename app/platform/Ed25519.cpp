#include "app/platform/Ed25519.h"

#include <memory>
#include <openssl/evp.h>

namespace hub::Ed25519 {

bool verify(const QByteArray& publicKey, const QByteArray& message, const QByteArray& signature)
{
    if (publicKey.size() != 32 || signature.size() != 64)
        return false;
    const std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, reinterpret_cast<const unsigned char*>(publicKey.constData()),
                                    size_t(publicKey.size())),
        &EVP_PKEY_free);
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!key || !context || EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1)
        return false;
    return EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(signature.constData()), size_t(signature.size()),
                            reinterpret_cast<const unsigned char*>(message.constData()), size_t(message.size()))
           == 1;
}

} // namespace hub::Ed25519
