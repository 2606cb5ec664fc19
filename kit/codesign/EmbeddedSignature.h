#pragma once

#include "kit/codesign/CodeDirectory.h"

#include <QByteArray>
#include <QList>
#include <cstddef>
#include <optional>

namespace hub {

// The embedded signature superblob: code directories, internal requirements, entitlements and
// the CMS signature.
struct EmbeddedSignature {
    QList<CodeDirectory> codeDirectories; // slot 0 first, then the alternates in slot order
    std::optional<QByteArray> requirements;    // whole blobs, as the special slots hash them
    std::optional<QByteArray> entitlements;
    std::optional<QByteArray> derEntitlements;
    QByteArray cms; // the DER signature; empty for ad-hoc code

    // Parses the superblob; raises CodeSignatureFault for a malformed one.
    static EmbeddedSignature parse(const unsigned char* data, size_t size);
};

} // namespace hub
