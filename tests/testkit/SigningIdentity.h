#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace hub::test {

// Who signs: a leaf key and certificate with the chain that goes into the CMS signature, or nobody
// (ad hoc). Every identity except untrustedRoot() chains to the one test root of anchors().
//
// The test chain mirrors the platform's Developer ID chain (made with CertificateFactory):
//   root "Tavren Test Root CA"                 (CA, self-signed, P-256; the anchor)
//   intermediate "Tavren Test Developer ID CA" (CA, P-256; critical extension
//                                               1.2.840.113635.100.6.2.6 = NULL, the Developer ID marker)
//   leaf "Developer ID Application: <maker> (<team>)", OU <team>, O <maker>
//        (RSA 2048, extendedKeyUsage codeSigning, critical extension
//         1.2.840.113635.100.6.1.13 = NULL, the Developer ID Application marker)
// Keys and certificates are made once per process and shared.
struct SigningIdentity {
    QByteArray privateKey;          // leaf key, PKCS#8 PEM; empty for ad hoc
    QByteArray certificate;         // leaf, DER; empty for ad hoc
    QList<QByteArray> chain;        // DER, intermediate first, then the root; all go into the CMS
    QString teamID;                 // the leaf's OU and the CodeDirectory's team; empty for ad hoc

    bool isAdHoc() const { return certificate.isEmpty(); }

    static const QString tavrenTeam; // "KD4N8RWT2C"
    static const QString otherTeam;  // "Z9Y8X7W6V5"

    // A Developer ID Application identity of the given team
    // (CN "Developer ID Application: <maker> (<team>)").
    static SigningIdentity developerId(const QString& team = tavrenTeam,
                                       const QString& maker = QStringLiteral("Tavren"));
    // Developer ID Application of otherTeam ("Other Maker").
    static SigningIdentity anotherTeam();
    // Our team, but the leaf is a Developer ID Installer certificate: it carries the installer marker
    // 1.2.840.113635.100.6.1.14 instead of the application marker.
    static SigningIdentity notApplicationLeaf();
    // Our team and an application leaf, issued by an intermediate without the Developer ID marker.
    static SigningIdentity intermediateWithoutMarker();
    // Our team with both markers, but chained to a root that anchors() does not list.
    static SigningIdentity untrustedRoot();
    // No certificate: CodeDirectory flag 0x2, no team, an empty CMS blob.
    static SigningIdentity adHoc();
};

// The test root(s) a verifier must trust, DER.
QList<QByteArray> anchors();

} // namespace hub::test
