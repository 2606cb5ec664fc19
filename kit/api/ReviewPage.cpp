#include "kit/api/ReviewPage.h"

namespace hub {

ReviewPage ReviewPage::fromJson(const JsonReader& json)
{
    return ReviewPage{
        json.string(u"productId"),
        ReviewSummary::fromJson(json.child(u"summary")),
        json.list(u"reviews", Review::fromJson),
        json.optionalString(u"nextCursor"),
    };
}

QJsonObject ReviewPage::toJson() const
{
    QJsonObject object{
        {QStringLiteral("productId"), productId},
        {QStringLiteral("summary"), summary.toJson()},
        {QStringLiteral("reviews"), json::toArray(reviews)},
    };
    json::putOptional(object, QStringLiteral("nextCursor"), nextCursor);
    return object;
}

} // namespace hub
