#pragma once

#include "kit/security/TrustStore.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>
#include <optional>

struct stack_st_X509;

namespace hub {

// A server's certificate chain (DER, leaf first, as presented or as verified)
// and the trust store it is to be evaluated against.
class ServerTrust {
public:
    explicit ServerTrust(QList<QByteArray> certificates,
                         std::shared_ptr<const TrustStore> store = TrustStore::system());

    // The chain of an OpenSSL verification (X509_STORE_CTX_get1_chain), leaf first.
    static ServerTrust fromChain(const stack_st_X509* chain, std::shared_ptr<const TrustStore> store);

    const QList<QByteArray>& certificates() const { return certificates_; }
    const std::shared_ptr<const TrustStore>& store() const { return store_; }

    // OpenSSL's evaluation for a TLS server named `host`: chain to a root of the
    // store, validity now, host name, server purpose. On success the verified
    // chain, leaf to root, the root taken from the store; nothing otherwise.
    std::optional<QList<QByteArray>> evaluate(const QString& host) const;

private:
    QList<QByteArray> certificates_;
    std::shared_ptr<const TrustStore> store_;
};

} // namespace hub
