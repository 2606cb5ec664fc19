#pragma once

// Certificates for tests, made at run time with OpenSSL.
//
//   auto chain = CertificateFactory::chain("api.store.test");       // root → intermediate → leaf
//   LoopbackTlsServer server(chain);                               // serves leaf + intermediate
//   auto roots = TrustStore::fromPem(chain.root.pem());            // what the client trusts
//   PinnedTrust pins{{{"api.store.test", {chain.root.spkiPin()}}}, {}};
//
// Single certificates:
//   auto root = CertificateFactory::root("Test Root", {.key = CertificateFactory::Key::rsa4096});
//   auto ca = CertificateFactory::intermediate(root, "Test CA");
//   auto leaf = CertificateFactory::leaf(ca, "leaf", {.hosts = {"a.test"}, .validity = CertificateFactory::expired});
//   auto signer = CertificateFactory::leaf(ca, "Developer ID Application: Maker (TEAM)", {
//       .organizationalUnit = "TEAM", .extendedKeyUsage = {{"1.3.6.1.5.5.7.3.3"}},
//       .extensions = {{"1.2.840.113635.100.6.1.13", QByteArray::fromHex("0500")}}});
//
// Keys are made fresh for every certificate: RSA 2048, 3072 and 4096 bits,
// EC P-256 and P-384 (the default, P-256, is the quickest). Everything is signed
// with SHA-256. Roots and intermediates are CAs (keyCertSign, cRLSign); leaves
// are not and carry serverAuth unless told otherwise.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <chrono>
#include <memory>
#include <optional>

using X509 = struct x509_st;
using EVP_PKEY = struct evp_pkey_st;

namespace hub {

// One certificate with its private key. Cheap to copy (shared).
class IssuedCertificate {
public:
    IssuedCertificate(std::shared_ptr<X509> certificate, std::shared_ptr<EVP_PKEY> key);

    X509* x509() const { return certificate_.get(); }
    EVP_PKEY* key() const { return key_.get(); }

    QByteArray der() const;
    QByteArray pem() const;
    QByteArray privateKeyPem() const;  // PKCS #8, unencrypted
    QByteArray publicKeyDer() const;   // the DER SubjectPublicKeyInfo
    QString spkiPin() const;           // base64 SHA-256 of publicKeyDer(), the usual key pin

private:
    std::shared_ptr<X509> certificate_;
    std::shared_ptr<EVP_PKEY> key_;
};

enum class CertificateKey { rsa2048, rsa3072, rsa4096, p256, p384 };

// Validity relative to now.
struct CertificateValidity {
    std::chrono::seconds notBefore{-std::chrono::hours(1)};
    std::chrono::seconds notAfter{std::chrono::days(30)};
};

// Any further extension: dotted OID and the DER of its value.
struct CertificateExtension {
    QByteArray oid;
    QByteArray der;
    bool critical = false;
};

struct CertificateOptions {
    CertificateKey key = CertificateKey::p256;
    QStringList hosts;               // DNS subject alternative names
    QString organizationalUnit;      // subject OU, when not empty
    QString organization;            // subject O, when not empty
    CertificateValidity validity;
    // Extended key usage OIDs; unset: serverAuth on leaves, none on CAs; empty: none.
    std::optional<QList<QByteArray>> extendedKeyUsage;
    QList<CertificateExtension> extensions;
};

class CertificateFactory {
public:
    using Key = CertificateKey;
    using Validity = CertificateValidity;
    using Extension = CertificateExtension;
    using Options = CertificateOptions;

    static constexpr Validity current{};
    static constexpr Validity expired{-std::chrono::days(30), -std::chrono::days(1)};
    static constexpr Validity notYetValid{std::chrono::days(1), std::chrono::days(30)};

    static IssuedCertificate root(const QString& commonName, const Options& options = {});
    static IssuedCertificate intermediate(const IssuedCertificate& issuer, const QString& commonName,
                                          const Options& options = {});
    static IssuedCertificate leaf(const IssuedCertificate& issuer, const QString& commonName,
                                  const Options& options = {});

    // Root, intermediate and a leaf for the hosts (its common name is the first).
    struct Chain {
        IssuedCertificate root;
        IssuedCertificate intermediate;
        IssuedCertificate leaf;
        // What a server sends: leaf and intermediate, no root.
        QList<IssuedCertificate> served() const { return {leaf, intermediate}; }
    };
    // leafOptions.hosts defaults to {host}.
    static Chain chain(const QString& host, Options leafOptions = {}, Key caKey = Key::p256);

    // Writes certificates as PEM to a file (a CA file for curl's --cacert).
    static void writePem(const QString& path, const QList<IssuedCertificate>& certificates);
};

} // namespace hub
