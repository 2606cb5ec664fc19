#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <openssl/types.h>

namespace hub {

// Certificates from the signing leaf (first) up to the anchor (last).
using CertificateChain = QList<std::shared_ptr<X509>>;

// Checks a detached CMS signature over a code directory and the signer's chain up to one of the
// code-signing anchors, at the time of a valid signed timestamp when there is one, else now.
// Revocation is not checked. Thread-safe.
class SignatureTrust {
public:
    struct Signer {
        CertificateChain chain;
        // The signed list of code-directory hashes (cdhashes), when the signature carries one.
        std::optional<QList<QByteArray>> cdhashes;
    };

    SignatureTrust(const QList<QByteArray>& anchorsDer, std::function<QDateTime()> clock);
    ~SignatureTrust();
    SignatureTrust(const SignatureTrust&) = delete;
    SignatureTrust& operator=(const SignatureTrust&) = delete;

    // Raises CodeSignatureFault: errSignatureFailed when the signature does not verify over the
    // content, errNotTrusted when the chain does not reach an anchor.
    Signer verify(const QByteArray& cms, const QByteArray& content) const;

    // The organisational units (OU) of a certificate's subject.
    static QStringList organisationalUnits(X509* certificate);

private:
    std::optional<QDateTime> timestamp(void* signerInfo) const;

    X509_STORE* store_;
    std::function<QDateTime()> clock_;
};

} // namespace hub
