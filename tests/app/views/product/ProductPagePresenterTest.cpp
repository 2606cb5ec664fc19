#include "app/model/Catalog.h"
#include "app/views/product/ProductPagePresenter.h"
#include "tests/app/fakes/Fixtures.h"

#include <gtest/gtest.h>
#include <unicode/locid.h>

using namespace hub;

namespace {

PricingVariation variation(PriceMap price, PriceMap original = {}, bool discount = false, Recurrence recurrence = {})
{
    PricingVariation v;
    v.price = std::move(price);
    v.originalPrice = std::move(original);
    v.hasDiscount = discount;
    v.recurrence = std::move(recurrence);
    return v;
}

Download download(Platform platform, qint64 size = 1000)
{
    Download d;
    d.name = toString(platform);
    d.key = d.name;
    d.platform = platform;
    d.size = size;
    return d;
}

ProductPagePresenter::Input input(const StorefrontProduct& product)
{
    ProductPagePresenter::Input in;
    in.product = product;
    in.entry = Catalog::entry(product.id);
    in.currency = QStringLiteral("EUR");
    in.storeHost = QStringLiteral("store.example.com");
    in.kindOf = [](const QString& id) { return Catalog::entry(id).kind; };
    return in;
}

QString fact(const ProductPagePresenter::Screen& screen, const QString& label)
{
    for (const ProductPagePresenter::Fact& f : screen.facts)
        if (f.label == label)
            return f.value;
    return QStringLiteral("<none>");
}

QString row(const ProductPagePresenter::Screen& screen, const QString& label)
{
    for (const ProductPagePresenter::Row& r : screen.information)
        if (r.label == label)
            return r.value;
    return QStringLiteral("<none>");
}

QStringList ids(const QList<StorefrontProduct>& products)
{
    QStringList out;
    for (const StorefrontProduct& p : products)
        out.append(p.id);
    return out;
}

} // namespace

TEST(ProductPagePresenter, PriceFact)
{
    // Prices are formatted for the default locale; read them in en_US.
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale("en_US"), status);
    const Recurrence monthly{QStringLiteral("Recurring"), QStringLiteral("Month")};
    struct Case {
        const char* what;
        std::optional<PricingVariation> variation;
        QString currency;
        QString expected;
    } cases[] = {
        {"not for sale", std::nullopt, "EUR", "Not for sale"},
        {"plain price", variation({{"EUR", 49}}), "EUR", QStringLiteral("€49.00")},
        {"undiscounted zero", variation({{"EUR", 0}}), "EUR", "Free"},
        {"discounted zero keeps its amount", variation({{"EUR", 0}}, {{"EUR", 49}}, true), "EUR", QStringLiteral("€0.00, was €49.00")},
        {"discount", variation({{"EUR", 39}}, {{"EUR", 59}}, true), "EUR", QStringLiteral("€39.00, was €59.00")},
        {"old price ignored without a discount", variation({{"EUR", 39}}, {{"EUR", 59}}), "EUR", QStringLiteral("€39.00")},
        {"chosen currency missing: first entry", variation({{"USD", 29}}), "EUR", "$29.00"},
        {"old price follows the shown currency", variation({{"USD", 29}}, {{"USD", 49}}, true), "EUR", "$29.00, was $49.00"},
        {"old price only in another currency", variation({{"USD", 29}}, {{"EUR", 49}}, true), "EUR", "$29.00"},
        {"old price only in the chosen currency", variation({{"USD", 29}}, {{"EUR", 49}}, true), "GBP", "$29.00"},
        {"no old price", variation({{"EUR", 39}}, {}, true), "EUR", QStringLiteral("€39.00")},
        {"empty table", variation({}, {{"EUR", 49}}, true), "EUR", ""},
        {"subscription", variation({{"EUR", 9}}, {{"EUR", 12}}, true, monthly), "EUR", QStringLiteral("€9.00 / month, was €12.00 / month")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ProductPagePresenter::price(c.variation, c.currency), c.expected) << c.what;
}

TEST(ProductPagePresenter, FactsAndRowsOfSparseProducts)
{
    // Unknown to the catalog, nothing to download, not for sale, no version.
    StorefrontProduct bare = Fixtures::product("mystery", "Mystery", std::nullopt);
    bare.downloads = std::nullopt;
    bare.currentVersion = std::nullopt;
    const ProductPagePresenter::Screen screen = ProductPagePresenter::screen(input(bare));
    EXPECT_EQ(screen.category, "Plug-ins");
    EXPECT_EQ(fact(screen, "VERSION"), "None");
    EXPECT_EQ(fact(screen, "SIZE"), "None");
    EXPECT_EQ(fact(screen, "CATEGORY"), "Plug-ins");
    EXPECT_EQ(fact(screen, "FORMATS"), "macOS");
    EXPECT_EQ(fact(screen, "PRICE"), "Not for sale");
    EXPECT_EQ(row(screen, "Compatibility"), "Not yet released");
    EXPECT_EQ(row(screen, "Installs to"), "~/Library/Audio/Plug-Ins");
    EXPECT_EQ(row(screen, "Licence"), "Perpetual");
    EXPECT_EQ(row(screen, "Website"), "<none>");
    EXPECT_FALSE(screen.showsAddToCart);
    EXPECT_FALSE(screen.whatsNew);
    EXPECT_FALSE(screen.description);

    QStringList labels;
    for (const ProductPagePresenter::Row& r : screen.information)
        labels.append(r.label);
    EXPECT_EQ(labels, QStringList({"Provider", "Category", "Compatibility", "Installs to", "Licence", "Signed by"}));
}

TEST(ProductPagePresenter, CompatibilitySizeAndInstallPlaces)
{
    EXPECT_EQ(ProductPagePresenter::compatibility(QList<Download>{download(Platform::windows), download(Platform::mac),
                  download(Platform::iOS), download(Platform::mac)}),
        "Mac, Windows, iOS");
    EXPECT_EQ(ProductPagePresenter::compatibility(QList<Download>{}), "Not yet released");

    StorefrontProduct windowsFirst = Fixtures::product("tv-delay", "Delay");
    windowsFirst.downloads = QList<Download>{download(Platform::windows, 5), download(Platform::universal, 12'345'678)};
    EXPECT_EQ(fact(ProductPagePresenter::screen(input(windowsFirst)), "SIZE"), "12.3 MB") << "the first macOS download";

    EXPECT_EQ(ProductPagePresenter::installsTo(ProductKind::plugIn), "~/Library/Audio/Plug-Ins");
    EXPECT_EQ(ProductPagePresenter::installsTo(ProductKind::app), "~/Applications");
    EXPECT_EQ(ProductPagePresenter::installsTo(ProductKind::game), "~/Applications") << "games come as application bundles";
}

TEST(ProductPagePresenter, WebsiteRowOnlyForWebAddresses)
{
    struct Case {
        std::optional<QString> text;
        QString shown; // empty: no row
    } cases[] = {
        {"https://tavren.example/reverb", "tavren.example"},
        {"HTTP://Tavren.Example", "tavren.example"},
        {"file:///etc/passwd", ""},
        {"javascript:alert(1)", ""},
        {"tavren.example/reverb", ""},
        {"https://", ""},
        {"mailto:hi@tavren.example", ""},
        {"", ""},
        {std::nullopt, ""},
    };
    for (const Case& c : cases) {
        const std::optional<ProductPagePresenter::Row> site = ProductPagePresenter::website(c.text);
        EXPECT_EQ(site ? site->value : QString(), c.shown) << c.text.value_or("(none)").toStdString();
        if (site) {
            EXPECT_EQ(site->link, QUrl(*c.text));
        }
    }
}

TEST(ProductPagePresenter, ShareLinkIsOnePathSegment)
{
    struct Case {
        QString id;
        QString link; // empty: none
    } cases[] = {
        {"tv-reverb", "https://store.example.com/buy/tv-reverb"},
        {"../account", "https://store.example.com/buy/..%2Faccount"},
        {"a b?c#d", "https://store.example.com/buy/a%20b%3Fc%23d"},
        {"", ""},
    };
    for (const Case& c : cases) {
        const std::optional<QUrl> link = ProductPagePresenter::shareLink("store.example.com", c.id);
        EXPECT_EQ(link ? link->toString(QUrl::FullyEncoded) : QString(), c.link) << c.id.toStdString();
    }
    EXPECT_EQ(ProductPagePresenter::shareLink("", "tv-reverb"), std::nullopt);
}

TEST(ProductPagePresenter, HeaderActions)
{
    struct Case {
        const char* what;
        std::optional<double> euros;
        bool owns;
        bool inCart;
        bool wishlisted;
        bool shows;
        bool enabled;
    } cases[] = {
        {"for sale", 49.0, false, false, false, true, true},
        {"in the cart", 49.0, false, true, true, true, false},
        {"owned", 49.0, true, false, false, false, false},
        {"free", 0.0, false, false, false, false, false},
        {"not for sale", std::nullopt, false, false, false, false, false},
    };
    for (const Case& c : cases) {
        ProductPagePresenter::Input in = input(Fixtures::product("tv-delay", "Delay", c.euros));
        in.owns = c.owns;
        in.inCart = c.inCart;
        in.wishlisted = c.wishlisted;
        const ProductPagePresenter::Screen screen = ProductPagePresenter::screen(in);
        EXPECT_EQ(screen.showsAddToCart, c.shows) << c.what;
        EXPECT_EQ(screen.addToCartEnabled, c.enabled) << c.what;
        EXPECT_EQ(screen.wishlistSymbol, c.wishlisted ? "heart.fill" : "heart") << c.what;
        EXPECT_EQ(screen.wishlistHelp, c.wishlisted ? "Remove from wishlist" : "Add to wishlist") << c.what;
    }
}

TEST(ProductPagePresenter, WhatsNew)
{
    ProductPagePresenter::Input in = input(Fixtures::product("tv-reverb", "Reverb"));
    in.latestVersion = QStringLiteral("1.2.0");
    in.releaseNotes = QString();
    ProductPagePresenter::Screen screen = ProductPagePresenter::screen(in);
    ASSERT_TRUE(screen.whatsNew);
    EXPECT_EQ(screen.whatsNew->version, "Version 1.2.0");
    EXPECT_EQ(screen.whatsNew->notes, std::nullopt) << "empty notes read as none";
    EXPECT_EQ(screen.whatsNew->installed, std::nullopt);
    EXPECT_EQ(fact(screen, "VERSION"), "1.2.0");

    in.releaseNotes = QStringLiteral("Faster.");
    in.installed = ProductPagePresenter::Installed{QStringLiteral("1.2.0"), QDate(2026, 12, 8)};
    screen = ProductPagePresenter::screen(in);
    EXPECT_EQ(screen.whatsNew->notes, "Faster.");
    EXPECT_EQ(screen.whatsNew->installed, "You have 1.2.0, installed Dec 8, 2026.") << "shown even when up to date";
}

TEST(ProductPagePresenter, MoreFromTavren)
{
    QList<StorefrontProduct> store;
    for (const char* id : {"tv-reverb", "tv-notes", "unknown-1", "tv-delay", "tv-chorus", "tv-timer", "tv-lofi", "tv-tape",
             "tv-gate", "tv-game"})
        store.append(Fixtures::product(id, id));
    const auto kindOf = [](const QString& id) { return Catalog::entry(id).kind; };

    EXPECT_EQ(ids(ProductPagePresenter::more(store, "tv-reverb", ProductKind::plugIn, kindOf)),
        QStringList({"unknown-1", "tv-delay", "tv-chorus", "tv-lofi", "tv-tape", "tv-gate"}));
    EXPECT_EQ(ids(ProductPagePresenter::more(store, "tv-notes", ProductKind::app, kindOf)), QStringList({"tv-timer"}));
    EXPECT_TRUE(ProductPagePresenter::more(store, "tv-game", ProductKind::game, kindOf).isEmpty());
}
