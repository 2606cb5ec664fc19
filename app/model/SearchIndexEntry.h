#pragma once

#include "kit/api/StorefrontProduct.h"

namespace hub {

// One storefront product with its searchable text, folded.
struct SearchIndexEntry {
    StorefrontProduct product;
    QString text;

    bool operator==(const SearchIndexEntry&) const = default;
};

} // namespace hub
