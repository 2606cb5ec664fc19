#pragma once

#include "kit/support/Hashing.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QStringList>
#include <optional>

namespace hub {

// Media of one product in the catalog-extras feed.
struct ProductMedia {
    QStringList screenshots; // addresses as the feed gives them

    // An object whose "screenshots", when present, is an array; elements that
    // are not texts drop out. Nothing for anything else.
    static std::optional<ProductMedia> read(const QJsonValue& value);
    QJsonObject toJson() const;
    bool operator==(const ProductMedia&) const = default;
};

inline size_t qHash(const ProductMedia& m, size_t seed = 0) { return hashing::fields(seed, m.screenshots); }

} // namespace hub
