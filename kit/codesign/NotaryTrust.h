#pragma once

#include <QByteArray>
#include <QList>
#include <memory>
#include <openssl/types.h>

namespace hub {

// Checks notarization tickets offline against the deployment's notary public keys. A ticket is
// stapled in a bundle at <resource root>/_NotarizationTicket (Contents/ of an app) after signing;
// the sealed resources leave that one file out. Its format, all of it signed but the signature:
//   "TVNT"            magic
//   0x01              version
//   N (1 to 32)       how many cdhashes follow
//   N x 20 bytes      cdhashes of the bundle's main executable, one or more per architecture
//   signature         the rest: a notary key's signature over every byte before it, with SHA-256
//                     (DER ECDSA, or RSA PKCS #1 v1.5)
// Without keys nothing is notarized. Thread-safe.
class NotaryTrust {
public:
    // Keys as SubjectPublicKeyInfo DER; ones that do not decode are left out.
    explicit NotaryTrust(const QList<QByteArray>& publicKeysDer);

    bool hasKeys() const { return !keys_.isEmpty(); }

    // The "PUBLIC KEY" blocks of PEM text, as SubjectPublicKeyInfo DER.
    static QList<QByteArray> publicKeys(const char* pem);

    // True when the ticket is signed by one of the keys and names, for every architecture, one of
    // the cdhashes that were checked for it.
    bool vouchesFor(const QByteArray& ticket, const QList<QList<QByteArray>>& cdhashesPerArchitecture) const;

private:
    QList<std::shared_ptr<EVP_PKEY>> keys_;
};

} // namespace hub
