#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

using X509_STORE = struct x509_store_st;

namespace hub {

// The root certificates a server chain is evaluated against: the system's
// (Debian's ca-certificates) by default, or one a test or the demo injects.
class TrustStore {
public:
    // The system's roots; made once and shared.
    static std::shared_ptr<const TrustStore> system();
    // Roots from PEM text (one or more certificates). Throws std::invalid_argument
    // when the text holds no certificate.
    static std::shared_ptr<const TrustStore> fromPem(const QByteArray& pem);
    // The system's roots and those in the PEM text. Throws like fromPem.
    static std::shared_ptr<const TrustStore> systemWith(const QByteArray& pem);

    // The OpenSSL store; shared, thread-safe for verification.
    X509_STORE* store() const { return store_.get(); }

private:
    explicit TrustStore(X509_STORE* store);
    std::shared_ptr<X509_STORE> store_;
};

} // namespace hub
