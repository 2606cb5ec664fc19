#include "app/views/product/ProductPagePresenter.h"

#include "app/model/Prices.h"
#include "app/views/kit/Formats.h"
#include "kit/api/MoonbaseClient.h"
#include "kit/support/BundleKind.h"

#include <QFileInfo>
#include <algorithm>

namespace hub {

ProductPagePresenter::Screen ProductPagePresenter::screen(const Input& input)
{
    const StorefrontProduct& product = input.product;
    Screen screen;
    screen.category = input.entry.category;
    screen.showsAddToCart = !input.owns && product.defaultVariation && !product.isFree();
    screen.addToCartEnabled = screen.showsAddToCart && !input.inCart;
    screen.failure = input.failure;
    screen.wishlistSymbol = input.wishlisted ? QStringLiteral("heart.fill") : QStringLiteral("heart");
    screen.wishlistHelp = input.wishlisted ? QStringLiteral("Remove from wishlist") : QStringLiteral("Add to wishlist");
    screen.shareLink = shareLink(input.storeHost, product.id);

    const QList<Download> mac = product.macDownloads();
    const QString none = QStringLiteral("None");
    screen.facts = {
        {QStringLiteral("VERSION"), input.latestVersion.value_or(none)},
        {QStringLiteral("SIZE"), mac.isEmpty() ? none : Formats::byteCount(mac.first().size)},
        {QStringLiteral("CATEGORY"), input.entry.category},
        {QStringLiteral("FORMATS"), input.entry.formats.isEmpty() ? QStringLiteral("macOS") : input.entry.formats},
        {QStringLiteral("PRICE"), price(product.defaultVariation, input.currency)},
    };
    if (product.description && !product.description->isEmpty())
        screen.description = product.description;

    if (input.latestVersion) {
        WhatsNew news;
        news.version = QStringLiteral("Version ") + *input.latestVersion;
        if (input.releaseNotes && !input.releaseNotes->isEmpty())
            news.notes = input.releaseNotes;
        if (input.installed)
            news.installed = QStringLiteral("You have %1, installed %2.").arg(input.installed->version, Formats::mediumDate(input.installed->on));
        screen.whatsNew = news;
    }

    const bool subscription = product.defaultVariation && product.defaultVariation->recurrence.isRecurring();
    screen.information = {
        {QStringLiteral("Provider"), QStringLiteral("Tavren"), {}},
        {QStringLiteral("Category"), input.entry.category, {}},
        {QStringLiteral("Compatibility"), compatibility(product.downloads), {}},
        {QStringLiteral("Installs to"), installsTo(input.entry.kind), {}},
        {QStringLiteral("Licence"), subscription ? QStringLiteral("Subscription") : QStringLiteral("Perpetual"), {}},
    };
    if (const std::optional<Row> site = website(product.website))
        screen.information.append(*site);
    screen.information.append({QStringLiteral("Signed by"), QStringLiteral("Tavren. Checked before install."), {}});

    screen.more = more(input.products, product.id, input.entry.kind, input.kindOf);
    return screen;
}

QString ProductPagePresenter::price(const std::optional<PricingVariation>& variation, const QString& currency)
{
    if (!variation)
        return QStringLiteral("Not for sale");
    QStringList parts{Prices::price(*variation, currency)};
    if (variation->hasDiscount && !variation->price.isEmpty()) {
        // The list price only in the currency the price itself is shown in.
        const QString code = variation->price.contains(currency) ? currency : variation->price.firstKey();
        const auto old = variation->originalPrice.constFind(code);
        if (old != variation->originalPrice.cend())
            parts.append(QStringLiteral("was ") + Prices::format(*old, *variation, variation->originalPrice, code));
    }
    return parts.join(QStringLiteral(", "));
}

QString ProductPagePresenter::compatibility(const std::optional<QList<Download>>& downloads)
{
    if (!downloads || downloads->isEmpty())
        return QStringLiteral("Not yet released");
    QStringList names;
    for (const Download& download : *downloads) {
        const QString name = toString(download.platform);
        if (!names.contains(name))
            names.append(name);
    }
    std::sort(names.begin(), names.end());
    return names.join(QStringLiteral(", "));
}

QString ProductPagePresenter::installsTo(ProductKind kind)
{
    const QString home = QStringLiteral("~");
    const QString applications = BundleKind::applicationsDirectory(home);
    // Games come as application bundles, which the engine places with the apps; the
    // plug-in formats each have their folder under one parent.
    if (kind != ProductKind::plugIn)
        return BundleKind(BundleKind::app).destinationDirectory(home, applications);
    return QFileInfo(BundleKind(BundleKind::vst3).destinationDirectory(home, applications)).path();
}

std::optional<ProductPagePresenter::Row> ProductPagePresenter::website(const std::optional<QString>& text)
{
    if (!text)
        return std::nullopt;
    const QUrl url(*text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) || url.host().isEmpty())
        return std::nullopt;
    return Row{QStringLiteral("Website"), url.host(), url};
}

std::optional<QUrl> ProductPagePresenter::shareLink(const QString& storeHost, const QString& productId)
{
    if (storeHost.isEmpty() || productId.isEmpty())
        return std::nullopt;
    const QUrl url(QStringLiteral("https://") + storeHost + QStringLiteral("/buy/") + MoonbaseClient::encodePathSegment(productId),
        QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return std::nullopt;
    return url;
}

QList<StorefrontProduct> ProductPagePresenter::more(const QList<StorefrontProduct>& products, const QString& productId,
    ProductKind kind, const std::function<ProductKind(const QString&)>& kindOf)
{
    QList<StorefrontProduct> kept;
    for (const StorefrontProduct& other : products) {
        if (kept.size() == moreLimit)
            break;
        if (other.id != productId && kindOf(other.id) == kind)
            kept.append(other);
    }
    return kept;
}

} // namespace hub
