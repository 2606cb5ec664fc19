#include "kit/api/OrderLineItem.h"

#include <QUuid>

namespace hub {

OrderLineItem OrderLineItem::product(const QString& productId, const QString& variationId, qint64 quantity)
{
    return OrderLineItem{
        QUuid::createUuid().toString(QUuid::WithoutBraces).toLower(),
        QStringLiteral("Product"),
        productId,
        std::nullopt,
        quantity,
        variationId,
    };
}

OrderLineItem OrderLineItem::fromJson(const JsonReader& json)
{
    return OrderLineItem{
        json.string(u"id"),
        json.string(u"type"),
        json.optionalString(u"productId"),
        json.optionalString(u"bundleId"),
        json.integer(u"quantity"),
        json.string(u"variationId"),
    };
}

QJsonObject OrderLineItem::toJson() const
{
    QJsonObject object{
        {QStringLiteral("id"), id},
        {QStringLiteral("type"), type},
        {QStringLiteral("quantity"), quantity},
        {QStringLiteral("variationId"), variationId},
    };
    json::putOptional(object, QStringLiteral("productId"), productId);
    json::putOptional(object, QStringLiteral("bundleId"), bundleId);
    return object;
}

} // namespace hub
