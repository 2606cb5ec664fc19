#pragma once

#include "tests/testkit/BundleSpec.h"

#include <QList>
#include <QString>

namespace hub::devstore {

// One download of a fixture product: its platform text as the store sends it, the
// container and the bundles inside (named after the product).
struct FixtureArtifact {
    enum class Container { zip, pkg, dmg };

    QString platform = QStringLiteral("Mac");
    Container container = Container::zip;
    QList<test::BundleSpec::Kind> bundles;
    bool unsignedBundle = false; // the first bundle carries no signature
    bool scripts = false;        // the package has a component with installer scripts

    // "mac-zip": names the download key and the fixture's cache folder.
    QString keyPart() const;
    QString extension() const;
};

} // namespace hub::devstore
