#include "kit/security/TrustStore.h"

#include <QFile>
#include <cstdlib>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <stdexcept>

namespace hub {

TrustStore::TrustStore(X509_STORE* store) : store_(store, X509_STORE_free) {}

namespace {

// The system's roots, looked up by subject in the hashed certificate folder (SSL_CERT_DIR when
// set, as OpenSSL's defaults do) when a chain is built, so that no process pays for reading
// every root at start.
bool addSystemRoots(X509_STORE* store)
{
    const char* folder = std::getenv(X509_get_default_cert_dir_env());
    X509_LOOKUP* lookup = X509_STORE_add_lookup(store, X509_LOOKUP_hash_dir());
    return lookup && X509_LOOKUP_add_dir(lookup, folder ? folder : X509_get_default_cert_dir(), X509_FILETYPE_PEM) == 1;
}

// Adds every certificate of the PEM text; throws when there is none.
void addPem(X509_STORE* store, const QByteArray& pem)
{
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new_mem_buf(pem.constData(), int(pem.size())), BIO_free);
    int count = 0;
    while (X509* certificate = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr)) {
        X509_STORE_add_cert(store, certificate);
        X509_free(certificate);
        ++count;
    }
    ERR_clear_error(); // the end of the text leaves a "no start line" behind
    if (count == 0)
        throw std::invalid_argument("no certificate in the trust store's PEM text");
}

} // namespace

std::shared_ptr<const TrustStore> TrustStore::system()
{
    static const auto& systemStore = *new std::shared_ptr<const TrustStore>([] {
        X509_STORE* store = X509_STORE_new();
        if (!store || !addSystemRoots(store))
            throw std::runtime_error("the system's trust store could not be opened");
        return std::shared_ptr<const TrustStore>(new TrustStore(store));
    }());
    return systemStore;
}

std::shared_ptr<const TrustStore> TrustStore::fromPem(const QByteArray& pem)
{
    X509_STORE* store = X509_STORE_new();
    std::shared_ptr<const TrustStore> result(new TrustStore(store));
    addPem(store, pem);
    return result;
}

std::shared_ptr<const TrustStore> TrustStore::systemWith(const QByteArray& pem)
{
    X509_STORE* store = X509_STORE_new();
    std::shared_ptr<const TrustStore> result(new TrustStore(store));
    if (!addSystemRoots(store))
        throw std::runtime_error("the system's trust store could not be opened");
    addPem(store, pem);
    return result;
}

} // namespace hub
