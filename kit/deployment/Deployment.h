#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>
#include <array>

namespace hub::deployment {

// Hosts of this deployment. All lower case; every one is reached on port 443.
inline constexpr const char* storeApiHost = "tavren.store.example";          // the store tenant's customer API
inline constexpr const char* identityApiHost = "id.tavren.example";          // the identity service
inline constexpr const char* webDomain = "tavren.example";                   // the maker's web domain
inline constexpr const char* storeAssetHost = "assets.store.example";        // the commerce platform's asset host
inline constexpr const char* objectStorageDomain = "objects.storage.example"; // signed download links live below it


// Key pins: base64 SHA-256 of each root's SubjectPublicKeyInfo, computed from
// Debian's ca-certificates (/usr/share/ca-certificates/mozilla) with
//   openssl x509 -in F -pubkey -noout | openssl pkey -pubin -outform der
//     | openssl dgst -sha256 -binary | base64

// The store's customer API: Amazon's roots.
inline constexpr std::array amazonRootPins{
    "++MBgDH5WGvL9Bcn5Be30cRcL0f5O+NyoXuWtQdX1aI=", // Amazon Root CA 1 (RSA 2048)
    "f0KW/FtqTjs108NpYj42SrGvOB2PpxIVM8nWxjPqJGE=", // Amazon Root CA 2 (RSA 4096)
    "NqvDJlas/GRcYbcWE8S/IceH9cq77kg0jVhZeAPXq8k=", // Amazon Root CA 3 (P-256)
    "9+ze1cZgR9KO1kZrVDxA4HQ6voHRCSVNz4RdTCx4U8U=", // Amazon Root CA 4 (P-384)
    "KwccWaCgrnaw6tsrrSO61FgLacNgG2MMLq8GE6+oP5I=", // Starfield Services Root Certificate Authority - G2 (RSA 2048)
};

// The identity service and the web domain: Let's Encrypt's roots. Debian 12
// carries ISRG Root X1 and X2 only; the newer ISRG Root YE and YR are not in it.
inline constexpr std::array letsEncryptRootPins{
    "C5+lpZ7tcVwmwQIMcRtPbsQtWLABXhQzejna0wHFr8M=", // ISRG Root X1 (RSA 4096)
    "diGVwiVYbubAI3RW4hB9xU8e/CH2GnkuvVFZE8zmgzI=", // ISRG Root X2 (P-384)
};

// The object storage behind the download links: the other authorities its edge
// certificates chain to (Let's Encrypt's are added to these).
inline constexpr std::array cloudflareOwnRootPins{
    "hxqRlPTu1bMS/0DITB1SSu0vd4u/8l8TjPgfaAp63Gc=", // GTS Root R1 (RSA 4096)
    "Vfd95BwDeSQo+NUYxVEEIlvkOlWY2SalKK1lPhzOx78=", // GTS Root R2 (RSA 4096)
    "QXnt2YHvdHR3tJYmQIr0Paosp6t/nggsEGD4QJZ3Q0g=", // GTS Root R3 (P-384)
    "mEflZT5enoR1FuXLgYYGqnVEoZvmf9c2bVBpiOjYQ0c=", // GTS Root R4 (P-384)
    "K87oWBWM9UZfyddvDfoxL+8lpNyoUB2ptGtn0fv6G2Q=", // GlobalSign Root CA (RSA 2048), cross-signer of GTS Root R1
    "0cRTd+vc1hjNFlHcLgLCHXUeWqn80bNDH/bs9qMTSPo=", // SSL.com Root Certification Authority RSA (RSA 4096)
    "oyD01TTXvpfBro3QSZc1vIlcMjrdLTiL/M9mLCPX+Zo=", // SSL.com Root Certification Authority ECC (P-384)
};

} // namespace hub::deployment

namespace hub::deployment {

// Code-signing trust anchors (PEM, concatenated): the roots that signatures of installable code
// must chain to. A deployment fills in the platform's code-signing root certificate here. This
// build carries none (the real root is not part of this source tree), so every signed bundle is
// refused as untrusted until it is filled in; tests bring their own anchors.
inline constexpr const char* codeSigningAnchorsPEM = "";

// Notary public keys (PEM "PUBLIC KEY" blocks, concatenated): a bundle counts as notarized when the
// ticket stapled in it (Contents/_NotarizationTicket) is signed by one of them over its cdhashes.
// Empty: nothing counts as notarized, so apps that must be notarized are refused.
inline constexpr const char* notaryKeysPEM = "";

// The hub's own releases: a signed feed on the maker's web host, and the Ed25519 public key
// (base64 of the raw 32 bytes) that signs the feed and every release archive. A deployment
// fills in the maker's key; without one no release counts as signed and none is offered.
inline constexpr const char* hubReleasesFeed = "https://tavren.example/hub/releases.json";
inline constexpr const char* hubReleasesKey = "";

} // namespace hub::deployment

namespace hub {

// The values one deployment of the hub is built around: its hosts, the key pins of each, the
// code-signing and installer anchors and the notary keys. A release build has exactly the
// compiled-in values above. The demo flavour (built with HUB_DEMO) takes them from the JSON
// file named by TAVREN_HUB_DEPLOYMENT when that is set, and then also reaches every host's
// port 443 at a loopback port and trusts one more root beside the system's.
struct Deployment {
    QString apiHost;        // the store tenant's customer API, exact
    QString identityHost;   // the identity service, exact
    QString webHost;        // the maker's web host, exact
    QString assetHost;      // the commerce platform's asset host, exact
    QString downloadDomain; // download links live on hosts below it

    QSet<QString> apiPins;
    QSet<QString> identityPins;
    QSet<QString> webPins;
    QSet<QString> downloadPins; // for every host below downloadDomain

    QByteArray codeSigningAnchorsPEM;
    QByteArray installerAnchorsPEM;
    QByteArray notaryKeysPEM;

    QString hubReleasesFeed;    // the signed feed of the hub's own releases, on the web host
    QByteArray hubReleasesKey;  // its Ed25519 public key, raw; empty: nothing is signed

    quint16 loopbackPort = 0; // 0: hosts are reached where they are
    QByteArray extraRootsPEM; // roots trusted beside the system's

    bool operator==(const Deployment&) const = default;

    // The values this process runs with, fixed on first use.
    static const Deployment& current();
    // Whether this build reads TAVREN_HUB_DEPLOYMENT (the demo flavour).
    static bool readsDeploymentFile();
    // The compiled-in values.
    static Deployment builtIn();
    // A deployment file: hosts, "port", "caFile" (a PEM path, relative to `folder` unless
    // absolute), "pins" per host role, the PEM texts, and optionally "hubReleasesFeed" (by
    // default /hub/releases.json on the web host) and "hubReleasesKey" (base64). Throws
    // std::runtime_error naming what is missing or malformed.
    static Deployment fromJson(const QByteArray& json, const QString& folder);
};

} // namespace hub
