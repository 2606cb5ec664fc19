#include "tests/testkit/TestNotary.h"

#include <memory>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <stdexcept>

namespace hub::test {

namespace {

QByteArray bioText(BIO* bio)
{
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    return QByteArray(data, int(length));
}

TestNotary make()
{
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"), EVP_PKEY_free);
    std::unique_ptr<BIO, decltype(&BIO_free)> privatePem(BIO_new(BIO_s_mem()), BIO_free);
    std::unique_ptr<BIO, decltype(&BIO_free)> publicPem(BIO_new(BIO_s_mem()), BIO_free);
    unsigned char* der = nullptr;
    const int derLength = key ? i2d_PUBKEY(key.get(), &der) : 0;
    if (!key || !privatePem || !publicPem || derLength <= 0
        || PEM_write_bio_PrivateKey(privatePem.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1
        || PEM_write_bio_PUBKEY(publicPem.get(), key.get()) != 1) {
        OPENSSL_free(der);
        throw std::runtime_error("cannot make a notary key");
    }
    TestNotary notary{bioText(privatePem.get()), QByteArray(reinterpret_cast<const char*>(der), derLength), bioText(publicPem.get())};
    OPENSSL_free(der);
    return notary;
}

} // namespace

const TestNotary& TestNotary::standard()
{
    static const TestNotary notary = make();
    return notary;
}

const TestNotary& TestNotary::other()
{
    static const TestNotary notary = make();
    return notary;
}

} // namespace hub::test
