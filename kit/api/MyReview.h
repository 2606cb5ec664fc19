#pragma once

#include "kit/api/Review.h"

namespace hub {

// The signed-in user's standing for one product: may they review it, and their review if any.
struct MyReview {
    bool eligible = false;
    std::optional<QString> basis; // carried as received
    std::optional<Review> review;

    static MyReview fromJson(const JsonReader& json);
    QJsonObject toJson() const;
    bool operator==(const MyReview&) const = default;
};

inline size_t qHash(const MyReview& m, size_t seed = 0)
{
    return hashing::fields(seed, m.eligible, m.basis, m.review);
}

} // namespace hub
