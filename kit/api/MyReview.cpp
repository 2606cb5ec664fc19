#include "kit/api/MyReview.h"

namespace hub {

MyReview MyReview::fromJson(const JsonReader& json)
{
    return MyReview{
        json.boolean(u"eligible"),
        json.optionalString(u"basis"),
        json.optionalChild(u"review", Review::fromJson),
    };
}

QJsonObject MyReview::toJson() const
{
    QJsonObject object{{QStringLiteral("eligible"), eligible}};
    json::putOptional(object, QStringLiteral("basis"), basis);
    json::putOptional(object, QStringLiteral("review"), review);
    return object;
}

} // namespace hub
