#include "kit/api/ProductMedia.h"

#include <QJsonArray>

namespace hub {

std::optional<ProductMedia> ProductMedia::read(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonValue screenshots = value.toObject().value(QStringLiteral("screenshots"));
    ProductMedia media;
    if (screenshots.isUndefined() || screenshots.isNull())
        return media;
    if (!screenshots.isArray())
        return std::nullopt;
    for (const QJsonValue& address : screenshots.toArray()) {
        if (address.isString())
            media.screenshots.append(address.toString());
    }
    return media;
}

QJsonObject ProductMedia::toJson() const
{
    return QJsonObject{{QStringLiteral("screenshots"), QJsonArray::fromStringList(screenshots)}};
}

} // namespace hub
