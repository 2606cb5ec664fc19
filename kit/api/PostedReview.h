#pragma once

#include "kit/api/Review.h"

namespace hub {

// The service's answer to a post: the review as stored, and whether it is new
// (false: it replaced the user's earlier review of the product).
struct PostedReview {
    Review review;
    bool created = false;

    static PostedReview fromJson(const JsonReader& json);
    QJsonObject toJson() const;
    bool operator==(const PostedReview&) const = default;
};

inline size_t qHash(const PostedReview& p, size_t seed = 0)
{
    return hashing::fields(seed, p.review, p.created);
}

} // namespace hub
