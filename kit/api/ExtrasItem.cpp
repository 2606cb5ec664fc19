#include "kit/api/ExtrasItem.h"

#include "kit/security/HostPolicy.h"
#include "kit/support/JsonReader.h"

namespace hub {

namespace {

// The first of `keys` that holds a text; a present empty text counts.
std::optional<QString> text(const QJsonObject& object, std::initializer_list<const char*> keys)
{
    for (const char* key : keys) {
        const QJsonValue value = object.value(QLatin1String(key));
        if (value.isString())
            return value.toString();
    }
    return std::nullopt;
}

} // namespace

QString toString(ExtrasItem::Shelf shelf)
{
    return shelf == ExtrasItem::Shelf::earlyAccess ? QStringLiteral("earlyAccess") : QStringLiteral("freeTools");
}

std::optional<ExtrasItem::Shelf> shelfFromString(QStringView text)
{
    if (text == u"freeTools")
        return ExtrasItem::Shelf::freeTools;
    if (text == u"earlyAccess")
        return ExtrasItem::Shelf::earlyAccess;
    return std::nullopt;
}

ExtrasItem::Shelf ExtrasItem::shelf() const
{
    const QString k = kind.toLower();
    const QString s = stage.value_or(QString()).toLower();
    const bool early = k.contains(u"game") || k.contains(u"early") || s.contains(u"early") || s.contains(u"alpha")
        || s.contains(u"preview");
    return early ? Shelf::earlyAccess : Shelf::freeTools;
}

std::optional<QUrl> ExtrasItem::releaseURL() const
{
    if (!releaseUrl)
        return std::nullopt;
    const QUrl url(*releaseUrl, QUrl::StrictMode);
    if (!HostPolicy::isPlainHTTPS(url))
        return std::nullopt;
    return url;
}

ExtrasItem::InstallRoute ExtrasItem::installRoute(const std::function<bool(const QString&)>& storeHasMacDownload) const
{
    if (signedByTavren) {
        const QString key = productId.value_or(id);
        if (storeHasMacDownload(key))
            return InstallRoute::hub(key);
    }
    if (const std::optional<QUrl> page = releaseURL())
        return InstallRoute::browser(*page);
    return InstallRoute::unavailable();
}

std::optional<ExtrasItem> ExtrasItem::read(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    ExtrasItem item;
    item.name = text(object, {"name", "title"}).value_or(QString());
    item.id = text(object, {"id"}).value_or(item.name.toLower().replace(u' ', u'-'));
    item.kind = text(object, {"kind"}).value_or(QStringLiteral("tool"));
    item.stage = text(object, {"stage"});
    item.summary = text(object, {"summary", "tagline", "description"});
    item.releaseUrl = text(object, {"releaseUrl"});
    item.iconUrl = text(object, {"iconUrl"});
    const QJsonValue signedValue = object.value(QStringLiteral("signedByTavren"));
    item.signedByTavren = signedValue.isBool() && signedValue.toBool();
    item.productId = text(object, {"productId"});
    return item;
}

QJsonObject ExtrasItem::toJson() const
{
    QJsonObject object{
        {QStringLiteral("id"), id},
        {QStringLiteral("name"), name},
        {QStringLiteral("kind"), kind},
        {QStringLiteral("signedByTavren"), signedByTavren},
    };
    json::putOptional(object, QStringLiteral("stage"), stage);
    json::putOptional(object, QStringLiteral("summary"), summary);
    json::putOptional(object, QStringLiteral("releaseUrl"), releaseUrl);
    json::putOptional(object, QStringLiteral("iconUrl"), iconUrl);
    json::putOptional(object, QStringLiteral("productId"), productId);
    return object;
}

} // namespace hub
