#pragma once

#include "kit/support/Hashing.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

namespace hub {

// One free tool or early-access item of the catalog-extras feed.
struct ExtrasItem {
    // The two extras shelves, which are also the sidebar sections Free Tools and Early Access.
    enum class Shelf { freeTools, earlyAccess };

    // How the item can be installed: through the hub as a store product, by
    // opening its release page, or not yet.
    struct InstallRoute {
        enum class Kind { hub, browser, unavailable };
        static InstallRoute hub(QString productId) { return {Kind::hub, std::move(productId), {}}; }
        static InstallRoute browser(QUrl url) { return {Kind::browser, {}, std::move(url)}; }
        static InstallRoute unavailable() { return {Kind::unavailable, {}, {}}; }
        bool operator==(const InstallRoute&) const = default;

        Kind kind;
        QString productId; // hub only
        QUrl url;          // browser only
    };

    QString id;   // unique within a feed
    QString name; // never empty in a decoded feed
    QString kind = QStringLiteral("tool");
    std::optional<QString> stage;
    std::optional<QString> summary;
    std::optional<QString> releaseUrl;
    std::optional<QString> iconUrl;
    bool signedByTavren = false;
    std::optional<QString> productId; // the store product that delivers it, when not `id`

    Shelf shelf() const;
    // The release page, when its address is plain HTTPS (any host).
    std::optional<QUrl> releaseURL() const;
    // `storeHasMacDownload` answers, from the storefront, whether a product id has a
    // macOS download; it is asked at most once, and only for signed items.
    InstallRoute installRoute(const std::function<bool(const QString&)>& storeHasMacDownload) const;

    // Any object reads: a member of the wrong type counts as absent, and the
    // alternates ("title"; "tagline", "description") and defaults fill in.
    // Nothing for a value that is not an object.
    static std::optional<ExtrasItem> read(const QJsonValue& value);
    QJsonObject toJson() const;
    bool operator==(const ExtrasItem&) const = default;
};

QString toString(ExtrasItem::Shelf shelf);
std::optional<ExtrasItem::Shelf> shelfFromString(QStringView text);

inline size_t qHash(const ExtrasItem& i, size_t seed = 0)
{
    return hashing::fields(seed, i.id, i.name, i.kind, i.stage, i.summary, i.releaseUrl, i.iconUrl,
        i.signedByTavren, i.productId);
}

} // namespace hub
