#pragma once

#include "devstore/DevstoreHosts.h"
#include "tests/testkit/SigningIdentity.h"
#include "tests/testkit/TestNotary.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace hub::devstore {

// The devstore's key material, made on the first start and kept in <state>/keys.json:
// a TLS root and intermediate with one server certificate for every host, a Developer ID
// chain for the maker's team, a notary key and the secret its tokens are signed with.
struct DevstoreKeys {
    QByteArray tlsRootPem;
    QByteArray tlsIntermediatePem;
    QByteArray tlsLeafPem;
    QByteArray tlsLeafKeyPem;
    QList<QString> tlsPins; // root and intermediate

    QByteArray codeRootPem;       // the code-signing anchor, also the installer anchor
    test::SigningIdentity signer; // Developer ID Application, team KD4N8RWT2C
    QByteArray notaryKeyPem;      // private
    QByteArray notaryPublicPem;
    QByteArray tokenSecret;

    // The notary key as the test signer staples tickets with it.
    test::TestNotary notary() const;

    // A short digest of the signing material: fixtures signed with other keys are rebuilt.
    QString fingerprint() const;

    // Reads <state>/keys.json, or makes everything and writes it (0600).
    static DevstoreKeys loadOrCreate(const QString& stateFolder, const DevstoreHosts& hosts);
};

} // namespace hub::devstore
