#pragma once

#include "kit/api/StorefrontProduct.h"

namespace hub {

// An install that waits for a store sign-in: the product and the chosen download,
// none to let the queue pick the product's macOS download.
struct PendingInstall {
    StorefrontProduct product;
    std::optional<Download> download;

    bool operator==(const PendingInstall&) const = default;
};

} // namespace hub
