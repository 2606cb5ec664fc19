#pragma once

#include "app/model/ProductKind.h"

namespace hub {

// What the app knows about a product that the store does not say.
struct CatalogEntry {
    ProductKind kind = ProductKind::plugIn;
    QString category;
    QString formats;

    bool operator==(const CatalogEntry&) const = default;
};

} // namespace hub
