#pragma once

#include "kit/api/Storefront.h"
#include "kit/support/SnapshotCache.h"

#include <QByteArray>
#include <optional>

namespace hub {

// The storefront as the launch snapshot keeps it: a compact binary form, read back
// many times faster than its JSON, in "storefront.bin". The first binary form is still
// read, and the JSON form earlier versions wrote ("storefront.json") while no usable
// binary one exists. Not an exchange format: its version changes whenever a record's
// fields do.
class StorefrontSnapshot {
public:
    static constexpr const char* key = "storefront";

    static QByteArray encode(const Storefront& storefront);
    // None for bytes of another form or version, cut short or with bytes left over.
    static std::optional<Storefront> decode(const QByteArray& bytes);

    // Writes the binary form (0600, atomically) and drops a JSON one. Throws std::system_error.
    static void save(const SnapshotCache& cache, const Storefront& storefront);
    // The binary form, else the JSON one; none when neither can be read.
    static std::optional<Storefront> load(const SnapshotCache& cache);
};

} // namespace hub
