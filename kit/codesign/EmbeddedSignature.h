#pragma once

#include "kit/codesign/CodeDirectory.h"

#include <QByteArray>
#include <QList>
#include <cstddef>
#include <cstdint>
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

    // The largest signature read. A signature holds a hash per 4 KiB page of its code, so a few MiB
    // cover the largest real executable (a disk image's hashes its image as one page); a header
    // claiming more is refused as malformed before anything is allocated.
    static constexpr uint64_t maxSize = 32 * 1024 * 1024;

    // Parses the superblob; raises CodeSignatureFault for a malformed one.
    static EmbeddedSignature parse(const unsigned char* data, size_t size);
};

} // namespace hub
