#pragma once

#include "kit/support/Hashing.h"
#include "kit/support/JsonReader.h"

#include <QJsonObject>
#include <QMap>
#include <QString>
#include <optional>

namespace hub {

// The ratings of one product taken together.
struct ReviewSummary {
    qint64 count = 0;
    std::optional<double> average;
    // Ratings per star level, keyed by the star count in decimal digits ("1" to "5").
    std::optional<QMap<QString, qint64>> distribution;

    // The fraction of ratings with exactly `stars` stars; 0 without ratings. Not clamped.
    double share(int stars) const;

    static ReviewSummary fromJson(const JsonReader& json);
    QJsonObject toJson() const;
    bool operator==(const ReviewSummary&) const = default;
};

inline size_t qHash(const ReviewSummary& s, size_t seed = 0)
{
    return hashing::fields(seed, s.count, s.average, s.distribution);
}

} // namespace hub
