#pragma once

#include "kit/support/BundleKind.h"

#include <QString>

namespace hub {

// One installable bundle found in an unpacked download.
struct StagedBundle {
    QString path; // the bundle folder inside the work folder's unpacked tree
    BundleKind kind;

    // The folder's name with its extension (a trailing "/" is ignored).
    QString name() const;

    bool operator==(const StagedBundle&) const = default;
};

} // namespace hub
