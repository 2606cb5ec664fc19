#include "app/views/store/DiscoverPresenter.h"

#include "app/platform/UserLocale.h"
#include "app/views/kit/Formats.h"

#include <QTimeZone>
#include <algorithm>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

namespace hub {

namespace {

QString fromIcu(const icu::UnicodeString& text)
{
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

icu::UnicodeString toIcu(const QString& text)
{
    return icu::UnicodeString(reinterpret_cast<const char16_t*>(text.utf16()), int32_t(text.size()));
}

} // namespace

const QStringList& DiscoverPresenter::featured()
{
    static const QStringList slugs{QStringLiteral("tv-reverb"), QStringLiteral("tv-compressor"), QStringLiteral("tv-synth"),
        QStringLiteral("tv-saturator"), QStringLiteral("tv-widener")};
    return slugs;
}

QList<StorefrontProduct> DiscoverPresenter::featuredProducts(const QList<StorefrontProduct>& storefront)
{
    QList<StorefrontProduct> found;
    for (const QString& slug : featured()) {
        const auto product = std::find_if(storefront.begin(), storefront.end(),
            [&](const StorefrontProduct& p) { return p.id == slug; });
        if (product != storefront.end() && product->defaultVariation)
            found.append(*product);
    }
    return found;
}

QList<StorefrontProduct> DiscoverPresenter::notYetOwned(const QList<StorefrontProduct>& products,
    const std::function<bool(const QString&)>& owns)
{
    QList<StorefrontProduct> list;
    for (const StorefrontProduct& product : products)
        if (!owns(product.id) && !product.isFree())
            list.append(product);
    return list;
}

DiscoverPresenter::Screen DiscoverPresenter::present(const Input& input)
{
    Screen screen;
    screen.featured = featuredProducts(input.storefront);
    const auto add = [&](Shelf shelf) {
        if (!shelf.products.isEmpty() || !shelf.items.isEmpty())
            screen.shelves.append(std::move(shelf));
    };
    add({QStringLiteral("Updates for you"), std::nullopt, input.updates, {}, HubSection::updates});
    add({QStringLiteral("Plug-ins"), QStringLiteral("Effects and instruments for your DAW"), input.plugIns, {}, HubSection::plugIns});
    add({QStringLiteral("Apps"), QStringLiteral("Small Mac tools that do one thing well"), input.apps, {}, HubSection::apps});
    add({QStringLiteral("Free"), std::nullopt, input.free, {}, HubSection::free});
    add({QStringLiteral("Free Tools"), QStringLiteral("Open source utilities from Tavren, released on GitHub"), {},
        input.freeTools, HubSection::freeTools, true});
    add({QStringLiteral("Early Access"), QStringLiteral("Games and tools still being built. Expect rough edges."), {},
        input.earlyAccess, HubSection::earlyAccess, true});
    if (input.signedIn && input.owns)
        add({QStringLiteral("Not in your library yet"), std::nullopt, notYetOwned(input.products, input.owns), {}, std::nullopt});
    return screen;
}

QString DiscoverPresenter::dateText(const QDateTime& when, const QString& locale)
{
    const icu::Locale icuLocale = locale.isEmpty() ? UserLocale::dates() : icu::Locale(locale.toUtf8().constData());
    const icu::UnicodeString pattern = Formats::datePattern(icuLocale, icu::UnicodeString(u"EEEEdMMMM"));
    UErrorCode status = U_ZERO_ERROR;
    icu::SimpleDateFormat format(pattern, icuLocale, status);
    if (pattern.isEmpty() || U_FAILURE(status))
        return {};
    format.adoptTimeZone(icu::TimeZone::createTimeZone(toIcu(QString::fromUtf8(when.timeZone().id()))));
    icu::UnicodeString text;
    format.format(UDate(when.toMSecsSinceEpoch()), text);
    return fromIcu(text);
}

} // namespace hub
