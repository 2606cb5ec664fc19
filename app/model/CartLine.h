#pragma once

#include "kit/api/StorefrontProduct.h"

namespace hub {

// One product in the cart with the price variation chosen for it. Equal only when
// the whole product record and the whole variation are.
struct CartLine {
    StorefrontProduct product;
    PricingVariation variation;

    bool operator==(const CartLine&) const = default;
};

inline size_t qHash(const CartLine& line, size_t seed = 0)
{
    return hashing::fields(seed, line.product, line.variation);
}

} // namespace hub
