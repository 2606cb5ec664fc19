#include "kit/api/CatalogExtras.h"

#include "kit/deployment/Deployment.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

namespace hub {

namespace {

bool present(const QJsonValue& value) { return !value.isUndefined() && !value.isNull(); }

bool beginsWithObject(const QByteArray& bytes)
{
    for (const char c : bytes) {
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
            return c == '{';
    }
    return false;
}

QList<ExtrasItem> onShelf(const QList<ExtrasItem>& items, ExtrasItem::Shelf shelf)
{
    QList<ExtrasItem> out;
    for (const ExtrasItem& item : items) {
        if (item.shelf() == shelf)
            out.append(item);
    }
    return out;
}

} // namespace

const QUrl& CatalogExtras::feedURL()
{
    static const QUrl& url = *new QUrl(
        QStringLiteral("https://") + Deployment::current().webHost + QStringLiteral("/downloads/tavren-catalog-extras.json"));
    return url;
}

std::optional<CatalogExtras> CatalogExtras::decode(const QByteArray& bytes)
{
    if (!beginsWithObject(bytes))
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject root = document.object();
    const QJsonValue version = root.value(QStringLiteral("version"));
    const QJsonValue items = root.value(QStringLiteral("items"));
    const QJsonValue media = root.value(QStringLiteral("media"));
    // A member of the wrong type makes the whole document unreadable.
    if ((present(version) && !JsonReader::exactInteger(version)) || (present(items) && !items.isArray())
        || (present(media) && !media.isObject()))
        return std::nullopt;
    if (!present(version) || JsonReader::exactInteger(version) != 1)
        return std::nullopt;

    CatalogExtras extras;
    QSet<QString> seen;
    for (const QJsonValue& element : items.toArray()) {
        std::optional<ExtrasItem> item = ExtrasItem::read(element);
        if (!item || item->id.isEmpty() || item->name.isEmpty() || seen.contains(item->id))
            continue;
        seen.insert(item->id);
        extras.items.append(std::move(*item));
    }
    const QJsonObject entries = media.toObject();
    for (auto it = entries.constBegin(); it != entries.constEnd(); ++it) {
        if (std::optional<ProductMedia> entry = ProductMedia::read(it.value()))
            extras.media.insert(it.key(), std::move(*entry));
    }
    return extras;
}

CatalogExtras CatalogExtras::fromJson(const JsonReader& json)
{
    CatalogExtras extras;
    extras.version = json.integer(u"version");
    const QJsonArray items = json.array(u"items");
    for (qsizetype i = 0; i < items.size(); ++i) {
        std::optional<ExtrasItem> item = ExtrasItem::read(items[i]);
        if (!item)
            throw JsonError(json.memberPath(u"items") + u'[' + QString::number(i) + QStringLiteral("]: expected an object"));
        extras.items.append(std::move(*item));
    }
    const JsonReader media = json.child(u"media");
    for (auto it = media.object().constBegin(); it != media.object().constEnd(); ++it) {
        std::optional<ProductMedia> entry = ProductMedia::read(it.value());
        if (!entry)
            media.fail(it.key(), QStringLiteral("expected an object whose screenshots are an array"));
        extras.media.insert(it.key(), std::move(*entry));
    }
    return extras;
}

QJsonObject CatalogExtras::toJson() const
{
    QJsonObject entries;
    for (auto it = media.constBegin(); it != media.constEnd(); ++it)
        entries.insert(it.key(), it.value().toJson());
    return QJsonObject{
        {QStringLiteral("version"), version},
        {QStringLiteral("items"), json::toArray(items)},
        {QStringLiteral("media"), entries},
    };
}

QList<ExtrasItem> CatalogExtras::freeTools() const { return onShelf(items, ExtrasItem::Shelf::freeTools); }

QList<ExtrasItem> CatalogExtras::earlyAccess() const { return onShelf(items, ExtrasItem::Shelf::earlyAccess); }

QList<QUrl> CatalogExtras::screenshots(const QString& productId, const HostPolicy& policy) const
{
    QList<QUrl> out;
    for (const QString& address : media.value(productId).screenshots) {
        const QUrl url(address, QUrl::StrictMode);
        if (url.isValid() && policy.allowsImage(url))
            out.append(url);
    }
    return out;
}

} // namespace hub
