#pragma once

#include <QByteArray>

namespace hub::test {

// A notary's key pair (P-256), made once per process: what a deployment's notary key is to the
// verifier. TestSigner::stapleTicket signs tickets with the private half; a verifier under test
// takes publicKeyDer among its notary keys.
struct TestNotary {
    QByteArray privateKeyPem; // PKCS #8
    QByteArray publicKeyDer;  // SubjectPublicKeyInfo
    QByteArray publicKeyPem;  // "PUBLIC KEY"

    // The notary the tests trust.
    static const TestNotary& standard();
    // A notary nobody trusts.
    static const TestNotary& other();
};

} // namespace hub::test
