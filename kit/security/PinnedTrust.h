#pragma once

#include "kit/security/ServerTrust.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <optional>

namespace hub {

struct Deployment;

// Per-host sets of pinned key hashes: base64 SHA-256 of a certificate's DER
// SubjectPublicKeyInfo. A server is trusted only when its chain evaluates for
// the host and one certificate of the verified chain carries a pinned key.
struct PinnedTrust {
    QHash<QString, QSet<QString>> pins;       // exact host, lower case
    QHash<QString, QSet<QString>> suffixPins; // domain, lower case: every host below it

    // Key types as spkiHeader knows them.
    static constexpr const char* keyTypeRSA = "RSA";
    static constexpr const char* keyTypeEC = "EC"; // NIST prime curves only

    static const PinnedTrust& tavren();
    // The pins of a deployment's hosts (tavren() is that of Deployment::current()).
    static PinnedTrust from(const Deployment& deployment);
    static const QSet<QString>& amazonRoots();
    static const QSet<QString>& letsEncryptRoots();
    static const QSet<QString>& cloudflareRoots(); // its own roots and Let's Encrypt's

    // The exact host's set, else that of the first suffix domain the host lies below.
    std::optional<QSet<QString>> pinned(const QString& host) const;
    // True when the host has pins, the chain evaluates for it and a certificate
    // of the verified chain has a pinned key.
    bool accepts(const ServerTrust& trust, const QString& host) const;

    // The pin of a DER certificate: header + exported key (PKCS #1 for RSA, the
    // uncompressed point for EC), hashed. Only keys spkiHeader knows have one.
    static std::optional<QString> spkiHash(const QByteArray& certificateDer);
    // The DER prefix that makes an exported key a SubjectPublicKeyInfo:
    // RSA 2048 and 4096, EC 256 and 384; nothing for any other key.
    static std::optional<QByteArray> spkiHeader(const QString& type, int bits);

    bool operator==(const PinnedTrust&) const = default;
};

} // namespace hub
