#pragma once

#include <QString>
#include <optional>

namespace hub {

// Where one install put a bundle and where the copy it replaced went, so that a
// later failure in the same install can undo it.
struct PlacementRecord {
    QString destination;
    std::optional<QString> previous; // none when nothing was replaced or the Trash did not say where

    bool operator==(const PlacementRecord&) const = default;
};

} // namespace hub
