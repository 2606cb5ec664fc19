#include "kit/api/ReviewSummary.h"

namespace hub {

double ReviewSummary::share(int stars) const
{
    if (count < 1 || !distribution)
        return 0;
    return static_cast<double>(distribution->value(QString::number(stars), 0)) / static_cast<double>(count);
}

ReviewSummary ReviewSummary::fromJson(const JsonReader& json)
{
    ReviewSummary summary{json.integer(u"count"), json.optionalNumber(u"average"), std::nullopt};
    if (const std::optional<JsonReader> levels = json.optionalChild(u"distribution")) {
        QMap<QString, qint64> distribution;
        for (auto it = levels->object().constBegin(); it != levels->object().constEnd(); ++it)
            distribution.insert(it.key(), levels->integer(it.key()));
        summary.distribution = std::move(distribution);
    }
    return summary;
}

QJsonObject ReviewSummary::toJson() const
{
    QJsonObject object{{QStringLiteral("count"), count}};
    json::putOptional(object, QStringLiteral("average"), average);
    if (distribution) {
        QJsonObject levels;
        for (auto it = distribution->constBegin(); it != distribution->constEnd(); ++it)
            levels.insert(it.key(), it.value());
        object.insert(QStringLiteral("distribution"), levels);
    }
    return object;
}

} // namespace hub
