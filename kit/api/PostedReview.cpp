#include "kit/api/PostedReview.h"

namespace hub {

PostedReview PostedReview::fromJson(const JsonReader& json)
{
    return PostedReview{Review::fromJson(json.child(u"review")), json.boolean(u"created")};
}

QJsonObject PostedReview::toJson() const
{
    return QJsonObject{{QStringLiteral("review"), review.toJson()}, {QStringLiteral("created"), created}};
}

} // namespace hub
