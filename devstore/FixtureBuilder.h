#pragma once

#include "devstore/BuiltArtifact.h"
#include "devstore/FixtureProduct.h"
#include "tests/testkit/SigningIdentity.h"
#include "tests/testkit/TestNotary.h"

#include <QString>

namespace hub::devstore {

// Builds the fixture downloads (zip, package, disk image) with bundles signed by the
// devstore's Developer ID (apps also carry its notary's ticket), into <state>/fixtures/<key>/. A folder finished by the same
// signer is reused as it is, so a second start builds nothing.
class FixtureBuilder {
public:
    FixtureBuilder(QString stateFolder, test::SigningIdentity signer, test::TestNotary notary, QString keysFingerprint);

    // The download of the product's artifact at a version, built when missing. Throws std::runtime_error.
    BuiltArtifact artifact(const FixtureProduct& product, const FixtureArtifact& artifact, const QString& version) const;

    // Raised whenever the fixtures change shape, so cached ones are rebuilt.
    static constexpr int recipe = 5;

    // A strong ETag from the file's content.
    static QString etag(const QString& path);

    static QString key(const FixtureProduct& product, const FixtureArtifact& artifact, const QString& version);

private:
    void build(const FixtureProduct& product, const FixtureArtifact& artifact, const QString& version,
               const QString& file, const QString& scratch) const;

    QString folder_;
    test::SigningIdentity signer_;
    test::TestNotary notary_;
    QString fingerprint_;
};

} // namespace hub::devstore
