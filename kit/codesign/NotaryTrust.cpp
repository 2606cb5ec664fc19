#include "kit/codesign/NotaryTrust.h"

#include <QSet>
#include <algorithm>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

namespace hub {

namespace {

constexpr char magic[] = "TVNT";
constexpr char version = 0x01;
constexpr int headerSize = 6;
constexpr int cdhashSize = 20;
constexpr int maxCdhashes = 32;

bool verifies(EVP_PKEY* key, const QByteArray& signedBytes, const QByteArray& signature)
{
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    const bool valid = context && EVP_DigestVerifyInit(context.get(), nullptr, EVP_sha256(), nullptr, key) == 1
        && EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(signature.constData()), size_t(signature.size()),
                            reinterpret_cast<const unsigned char*>(signedBytes.constData()), size_t(signedBytes.size()))
            == 1;
    ERR_clear_error();
    return valid;
}

} // namespace

NotaryTrust::NotaryTrust(const QList<QByteArray>& publicKeysDer)
{
    for (const QByteArray& der : publicKeysDer) {
        const auto* p = reinterpret_cast<const unsigned char*>(der.constData());
        if (EVP_PKEY* key = d2i_PUBKEY(nullptr, &p, long(der.size())))
            keys_.append(std::shared_ptr<EVP_PKEY>(key, EVP_PKEY_free));
    }
    ERR_clear_error();
}

QList<QByteArray> NotaryTrust::publicKeys(const char* pem)
{
    QList<QByteArray> keys;
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new_mem_buf(pem, -1), BIO_free);
    while (EVP_PKEY* key = PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr)) {
        unsigned char* der = nullptr;
        const int length = i2d_PUBKEY(key, &der);
        if (length > 0)
            keys.append(QByteArray(reinterpret_cast<const char*>(der), length));
        OPENSSL_free(der);
        EVP_PKEY_free(key);
    }
    ERR_clear_error();
    return keys;
}

bool NotaryTrust::vouchesFor(const QByteArray& ticket, const QList<QList<QByteArray>>& cdhashesPerArchitecture) const
{
    if (keys_.isEmpty() || cdhashesPerArchitecture.isEmpty() || ticket.size() < headerSize || !ticket.startsWith(magic)
        || ticket.at(4) != version)
        return false;
    const int count = static_cast<unsigned char>(ticket.at(5));
    const qsizetype signedSize = headerSize + qsizetype(count) * cdhashSize;
    if (count < 1 || count > maxCdhashes || ticket.size() <= signedSize)
        return false;
    const QByteArray signedBytes = ticket.left(signedSize);
    const QByteArray signature = ticket.mid(signedSize);
    if (std::none_of(keys_.begin(), keys_.end(), [&](const auto& key) { return verifies(key.get(), signedBytes, signature); }))
        return false;
    QSet<QByteArray> named;
    for (int i = 0; i < count; ++i)
        named.insert(ticket.mid(headerSize + qsizetype(i) * cdhashSize, cdhashSize));
    return std::all_of(cdhashesPerArchitecture.begin(), cdhashesPerArchitecture.end(), [&](const QList<QByteArray>& cdhashes) {
        return std::any_of(cdhashes.begin(), cdhashes.end(), [&](const QByteArray& cdhash) { return named.contains(cdhash.left(cdhashSize)); });
    });
}

} // namespace hub
