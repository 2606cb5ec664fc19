#pragma once

#include "kit/install/StagedBundle.h"

#include <QList>
#include <QStringList>

namespace hub {

// What one unpacked download holds: the staged bundles and remarks for the user
// (only packages make them: one per component that carries installer scripts).
struct Extraction {
    QList<StagedBundle> bundles;
    QStringList notes;

    bool operator==(const Extraction&) const = default;
};

} // namespace hub
