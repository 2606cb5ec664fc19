#include "app/model/Prices.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"

#include <QJsonDocument>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <unicode/locid.h>

using namespace hub;
using test::await;

namespace {

// Prices are formatted for the default locale; these tests read them in en_US.
class Commerce : public ::testing::Test {
protected:
    void SetUp() override
    {
        UErrorCode status = U_ZERO_ERROR;
        icu::Locale::setDefault(icu::Locale("en_US"), status);
        harness.store.serveStorefront(Fixtures::storefront({}));
    }

    void serveOrder(const std::optional<QString>& checkoutUrl)
    {
        QJsonObject order{{"id", "order-1"}, {"status", "Open"}, {"currency", "EUR"}, {"items", QJsonArray{}}};
        if (checkoutUrl)
            order.insert("checkoutUrl", *checkoutUrl);
        harness.store.transport()->route("PATCH", "/api/customer/orders/", 200, QJsonDocument(order).toJson());
    }

    ModelHarness harness;
    const StorefrontProduct alpha = Fixtures::product("a", "Alpha", 10);
    const StorefrontProduct beta = Fixtures::product("b", "Beta", 20);
};

PricingVariation variation(PriceMap price, bool discount = false, Recurrence recurrence = {})
{
    return {QStringLiteral("v"), {}, {}, std::move(price), discount, std::move(recurrence)};
}

bool isLowerUuid(const QString& text)
{
    static const QRegularExpression uuid(QStringLiteral("^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$"));
    return uuid.match(text).hasMatch();
}

} // namespace

TEST_F(Commerce, PriceTexts)
{
    const struct {
        PricingVariation variation;
        QString currency;
        QString text;
    } cases[] = {
        {variation({{"EUR", 12.5}, {"USD", 14}}), "USD", "$14.00"},
        {variation({{"JPY", 1200}}), "JPY", QStringLiteral("¥1,200")},
        // Not priced in the chosen currency: its own first currency, never the chosen one.
        {variation({{"USD", 14}, {"EUR", 12.5}}), "GBP", QStringLiteral("€12.50")},
        {variation({{"EUR", 0}}), "EUR", "Free"},
        {variation({{"EUR", 0}}, true), "EUR", QStringLiteral("€0.00")},
        {variation({{"EUR", 9}}, false, {"Recurring", "Year"}), "EUR", QStringLiteral("€9.00 / year")},
        {variation({{"EUR", 9}}, false, {"recurring", "Year"}), "EUR", QStringLiteral("€9.00")},
        {variation({}), "EUR", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Prices::price(c.variation, c.currency), c.text) << c.text.toStdString();
    EXPECT_EQ(Prices::money(3, QStringLiteral("bad code")), "3");

    StorefrontProduct dollar = beta;
    dollar.defaultVariation->price = {{"USD", 20}};
    EXPECT_EQ(Prices::total({{alpha, *alpha.defaultVariation}, {dollar, *dollar.defaultVariation}}, "EUR"), QStringLiteral("€10.00"));
    EXPECT_EQ(Prices::total({}, "USD"), "$0.00");
}

TEST_F(Commerce, CartAndWishlist)
{
    {
        const auto model = harness.makeModel();
        Cart& cart = model->cart();
        cart.addToCart(alpha);
        cart.addToCart(beta);
        cart.addToCart(Fixtures::product("c", "Gamma", std::nullopt));
        const PricingVariation other = variation({{"EUR", 50}});
        cart.addToCart(alpha, other);
        ASSERT_EQ(cart.cart().size(), 2);
        EXPECT_EQ(cart.cart()[1].variation, other) << "the replaced line moves last";
        EXPECT_EQ(ModelHarness::bannerTexts(*model),
            QStringList({"Alpha is in your cart.", "Beta is in your cart.", "Alpha is in your cart."}));
        EXPECT_EQ(cart.cartTotal(), QStringLiteral("€70.00"));
        cart.removeFromCart(cart.cart()[0]);
        EXPECT_EQ(cart.cart().size(), 1);
        for (const char* id : {"a", "b", "a"})
            cart.toggleWishlist(id);
    }
    const auto again = harness.makeModel();
    EXPECT_EQ(again->preferences().wishlist(), QSet<QString>({"b"}));
    EXPECT_TRUE(again->cart().cart().isEmpty()) << "the cart is not kept";
}

TEST_F(Commerce, CheckoutOnlyOnTheStoreHost)
{
    const QString refused[] = {"https://evil.example/pay", "http://tavren.store.example/pay", "not a url at all"};
    for (const QString& url : refused) {
        serveOrder(url);
        const auto model = harness.makeModel();
        await(model->checkout().beginCheckout({{alpha, *alpha.defaultVariation}}, true));
        EXPECT_EQ(model->checkout().checkout(), std::nullopt);
        EXPECT_EQ(ModelHarness::bannerTexts(*model), QStringList("Refused to contact " + url + "."));
    }
    serveOrder(std::nullopt);
    const auto model = harness.makeModel();
    await(model->checkout().beginCheckout({{alpha, *alpha.defaultVariation}}, false));
    EXPECT_EQ(ModelHarness::bannerTexts(*model), QStringList("Refused to contact (no checkout URL)."));
    const qsizetype sent = harness.store.calls("/api/customer/orders/");
    await(model->checkout().beginCheckout({}, true));
    EXPECT_EQ(harness.store.calls("/api/customer/orders/"), sent) << "nothing to buy, nothing sent";
}

TEST_F(Commerce, CheckoutOpensAndSettles)
{
    serveOrder("https://TAVREN.store.example/checkout/1");
    const auto model = harness.makeModel();
    model->cart().addToCart(alpha);
    model->cart().addToCart(beta);
    model->cart().toggleWishlist("a");
    model->cart().toggleWishlist("z");
    await(model->checkout().beginCheckout(model->cart().cart(), true));

    const HttpRequest sent = harness.store.transport()->requestsTo("/api/customer/orders/").last();
    const QString url = QString::fromUtf8(sent.url);
    const QString orderId = url.section(QStringLiteral("/orders/"), 1).section(u'?', 0, 0);
    EXPECT_TRUE(isLowerUuid(orderId)) << url.toStdString();
    EXPECT_TRUE(url.contains("checkout-complete%3Forder%3D" + orderId)) << url.toStdString();
    const QJsonArray items = QJsonDocument::fromJson(sent.body.value_or(QByteArray())).object().value("items").toArray();
    ASSERT_EQ(items.size(), 2);
    for (const auto& item : items)
        EXPECT_TRUE(isLowerUuid(item.toObject().value("id").toString()));

    ASSERT_TRUE(model->checkout().checkout());
    const CheckoutSession session = *model->checkout().checkout();
    EXPECT_EQ(session.orderId, "order-1");
    EXPECT_EQ(session.productIds, QStringList({"a", "b"}));

    // A late answer for an older order leaves the newer checkout open.
    CheckoutSession older = session;
    older.orderId = QStringLiteral("order-0");
    older.clearsCart = false;
    await(model->checkout().checkoutFinished(older, Order{}));
    EXPECT_EQ(model->checkout().checkout(), session);
    EXPECT_EQ(model->cart().cart().size(), 2) << "not a cart checkout";
    EXPECT_EQ(model->preferences().wishlist(), QSet<QString>({"z"}));

    await(model->checkout().checkoutFinished(session, Order{}));
    EXPECT_EQ(model->checkout().checkout(), std::nullopt);
    EXPECT_TRUE(model->cart().cart().isEmpty());
    EXPECT_EQ(ModelHarness::bannerTexts(*model).last(), "Payment received for Alpha, Beta");
    EXPECT_EQ(model->accounts().signInPurpose(), SignInPurpose::connectStore(Checkout::paidEmailReason));
    EXPECT_TRUE(model->accounts().showSignIn());
}
