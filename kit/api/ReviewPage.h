#pragma once

#include "kit/api/Review.h"
#include "kit/api/ReviewSummary.h"

#include <QList>

namespace hub {

// One page of a product's reviews; `nextCursor` asks for the page after it.
struct ReviewPage {
    QString productId;
    ReviewSummary summary;
    QList<Review> reviews; // in the service's order; may be empty
    std::optional<QString> nextCursor;

    static ReviewPage fromJson(const JsonReader& json);
    QJsonObject toJson() const;
    bool operator==(const ReviewPage&) const = default;
};

inline size_t qHash(const ReviewPage& p, size_t seed = 0)
{
    return hashing::fields(seed, p.productId, p.summary, p.reviews, p.nextCursor);
}

} // namespace hub
