#include "kit/api/IdentityResponse.h"
#include "kit/api/Order.h"
#include "kit/api/Paged.h"
#include "kit/api/Problem.h"
#include "kit/api/ProductSummary.h"
#include "kit/api/Storefront.h"

#include <QJsonDocument>
#include <gtest/gtest.h>

using namespace hub;

namespace {

const QByteArray storefrontJson = R"({
  "suggestedCurrency": "EUR",
  "enabledCurrencies": ["EUR", "USD"],
  "storeName": "ignored",
  "products": [{
    "id": "prod_1", "name": "Halo Verb", "tagline": "Big rooms", "description": "A reverb.",
    "iconUrl": "https://assets.store.example/halo.png", "website": "https://tavren.example/halo",
    "owned": true, "currentVersion": "2.1.0", "type": "Product",
    "downloads": [
      {"name": "Halo Win", "key": "k1", "platform": "Windows", "size": 1000},
      {"name": "Halo Mac", "key": "k2", "platform": "Mac", "size": 9007199254740993, "path": "https://tavren.store.example/api/customer/inventory/products/prod_1/download/k2"},
      {"name": "Halo ?", "key": "k3", "platform": "macOS", "size": 3},
      {"name": "Halo Any", "key": "k4", "platform": "Universal", "size": 4}
    ],
    "defaultVariation": {"id": "var_1", "name": "Perpetual", "originalPrice": {"EUR": 49, "USD": 55.5},
      "price": {"EUR": 39, "USD": 44.5}, "hasDiscount": true, "recurrence": {"type": "OneOff"}},
    "variations": [{"id": "var_2", "name": "Monthly", "originalPrice": {}, "price": {"EUR": 5},
      "hasDiscount": false, "recurrence": {"type": "Recurring", "cycleLength": "Month"}}]
  }],
  "bundles": [{
    "id": "bun_1", "name": "All of it", "tagline": "Everything", "owned": false, "partial": true,
    "products": [{"id": "prod_2", "name": "Grit", "tagline": "Dirt", "owned": false, "description": null}]
  }]
})";

const QByteArray orderJson = R"({
  "id": "3f2c9d1e-0000-4000-8000-000000000001", "status": "PaymentProcessing", "currency": "EUR",
  "total": {"original": {"currency": "EUR", "amount": 49}, "discount": {"currency": "EUR", "amount": 10},
            "subtotal": {"currency": "EUR", "amount": 39}, "due": {"currency": "EUR", "amount": 39}},
  "items": [{"id": "line-1", "type": "Product", "productId": "prod_1", "quantity": 1, "variationId": "var_1"}],
  "checkoutUrl": "https://tavren.example/checkout/1", "customer": {"id": "x"}
})";

QJsonObject object(const QByteArray& json) { return QJsonDocument::fromJson(json).object(); }

QSet<QString> keys(const QJsonObject& json)
{
    const QStringList list = json.keys();
    return QSet<QString>(list.begin(), list.end());
}

// Sets a member at a dotted path ("products.0.owned"); an undefined value removes it.
QJsonValue edited(const QJsonValue& value, QStringList path, const QJsonValue& replacement)
{
    const QString head = path.takeFirst();
    if (value.isArray()) {
        QJsonArray array = value.toArray();
        const int index = head.toInt();
        array[index] = path.isEmpty() ? replacement : edited(array[index], path, replacement);
        return array;
    }
    QJsonObject obj = value.toObject();
    if (path.isEmpty()) {
        if (replacement.isUndefined())
            obj.remove(head);
        else
            obj[head] = replacement;
    } else {
        obj[head] = edited(obj[head], path, replacement);
    }
    return obj;
}

template <typename T>
T read(const QJsonObject& json)
{
    return T::fromJson(JsonReader(json));
}

template <typename T>
T roundTrip(const T& record)
{
    return read<T>(record.toJson());
}

} // namespace

TEST(StoreRecords, StorefrontReadsTheStoresShape)
{
    const Storefront store = read<Storefront>(object(storefrontJson));
    EXPECT_EQ(store.suggestedCurrency, "EUR");
    EXPECT_EQ(store.enabledCurrencies, QStringList({"EUR", "USD"}));
    ASSERT_EQ(store.products.size(), 1);
    const StorefrontProduct& halo = store.products[0];
    EXPECT_EQ(halo.id, "prod_1");
    EXPECT_TRUE(halo.owned);
    ASSERT_TRUE(halo.downloads.has_value());
    EXPECT_EQ((*halo.downloads)[1].size, 9007199254740993LL); // exact beyond double precision
    EXPECT_EQ((*halo.downloads)[1].platform, Platform::mac);
    EXPECT_EQ((*halo.downloads)[2].platform, Platform::unknown);
    EXPECT_FALSE((*halo.downloads)[0].path.has_value());
    QStringList macKeys;
    for (const Download& download : halo.macDownloads())
        macKeys << download.key;
    EXPECT_EQ(macKeys, QStringList({"k2", "k4"}));
    EXPECT_EQ(halo.defaultVariation->price.value("USD"), 44.5);
    EXPECT_TRUE(halo.variations->at(0).recurrence.isRecurring());
    EXPECT_TRUE(halo.isPurchasable());
    EXPECT_FALSE(halo.isFree());

    ASSERT_EQ(store.bundles.size(), 1);
    EXPECT_TRUE(store.bundles[0].partial);
    EXPECT_FALSE(store.bundles[0].products[0].description.has_value());
    EXPECT_FALSE(store.bundles[0].defaultVariation.has_value());

    // Written and read again, the storefront holds the same values; the unknown
    // platform text comes back as "unknown" and absent optionals stay unwritten.
    const QJsonObject written = store.toJson();
    const Storefront again = read<Storefront>(written);
    EXPECT_EQ(again.products, store.products);
    EXPECT_EQ(again.bundles, store.bundles);
    EXPECT_EQ(written["products"][0]["downloads"][2]["platform"].toString(), "unknown");
    EXPECT_FALSE(written["products"][0]["downloads"][0].toObject().contains("path"));
    EXPECT_FALSE(written["bundles"][0].toObject().contains("defaultVariation"));
    EXPECT_FALSE(written["bundles"][0]["products"][0].toObject().contains("description"));
    EXPECT_FALSE(written.contains("storeName"));
}

TEST(StoreRecords, OneBadMemberFailsTheWholeStorefront)
{
    struct Case {
        const char* member;
        QJsonValue value; // undefined: removed
        const char* reported;
    };
    const QJsonValue missing(QJsonValue::Undefined);
    const QList<Case> cases = {
        {"products.0.owned", missing, "$.products[0].owned: required member is missing"},
        {"products.0.owned", QJsonValue::Null, "$.products[0].owned: required member is null"},
        {"bundles.0.partial", missing, "$.bundles[0].partial: required member is missing"},
        {"bundles", missing, "$.bundles: required member is missing"},
        {"bundles", QJsonValue::Null, "$.bundles: required member is null"},
        {"products.0.description", 12, "$.products[0].description: expected a string, found a number"},
        {"products.0.downloads.1.size", 12.5, "$.products[0].downloads[1].size: expected an integer"},
        {"products.0.downloads.1.size", 1e19, "$.products[0].downloads[1].size: expected an integer"},
        {"products.0.downloads.1.platform", QJsonValue::Null, "$.products[0].downloads[1].platform: required member is null"},
        {"products.0.downloads.1.platform", missing, "$.products[0].downloads[1].platform: required member is missing"},
        {"products.0.defaultVariation.price.EUR", "39.00", "$.products[0].defaultVariation.price.EUR: expected a number"},
        {"products.0.defaultVariation.price.EUR", QJsonValue::Null, "$.products[0].defaultVariation.price.EUR: required member is null"},
        {"products.0.defaultVariation.hasDiscount", missing, "$.products[0].defaultVariation.hasDiscount: required member is missing"},
        {"products.0.variations.0.price", missing, "$.products[0].variations[0].price: required member is missing"},
        {"products.0.variations.0.recurrence.type", missing, "$.products[0].variations[0].recurrence.type: required member is missing"},
        {"products.0.downloads", QJsonObject(), "$.products[0].downloads: expected an array, found an object"},
        {"enabledCurrencies", QJsonArray({"EUR", 1}), "$.enabledCurrencies[1]: expected a string"},
    };
    for (const Case& c : cases) {
        const QJsonValue json = edited(object(storefrontJson), QString::fromLatin1(c.member).split(u'.'), c.value);
        try {
            read<Storefront>(json.toObject());
            ADD_FAILURE() << c.member << " read";
        } catch (const JsonError& error) {
            EXPECT_TRUE(error.description.startsWith(QLatin1String(c.reported))) << c.member << ": " << qPrintable(error.description);
        }
    }

    // Absent and null optionals read as absent; an empty list stays a list.
    QJsonObject lean = edited(object(storefrontJson), {"enabledCurrencies"}, QJsonValue::Undefined).toObject();
    lean = edited(lean, {"bundles"}, QJsonArray()).toObject();
    lean = edited(lean, {"products", "0", "downloads"}, QJsonValue::Null).toObject();
    const Storefront store = read<Storefront>(lean);
    EXPECT_FALSE(store.enabledCurrencies.has_value());
    EXPECT_TRUE(store.bundles.isEmpty());
    EXPECT_FALSE(store.products[0].downloads.has_value());
    EXPECT_TRUE(store.products[0].macDownloads().isEmpty());
    EXPECT_FALSE(store.toJson().contains("enabledCurrencies"));
}

TEST(StoreRecords, PlatformRawValuesMatchExactly)
{
    const QList<std::pair<const char*, Platform>> table = {
        {"Universal", Platform::universal}, {"Windows", Platform::windows}, {"Linux", Platform::linux},
        {"Mac", Platform::mac}, {"iOS", Platform::iOS}, {"Android", Platform::android}, {"unknown", Platform::unknown},
    };
    for (const auto& [text, platform] : table) {
        EXPECT_EQ(platformFromString(QString::fromLatin1(text)), platform) << text;
        EXPECT_EQ(toString(platform), QLatin1String(text));
        EXPECT_EQ(installableHere(platform), platform == Platform::mac || platform == Platform::universal) << text;
    }
    for (const char* text : {"mac", "MAC", "macOS", "Universal ", ""})
        EXPECT_FALSE(platformFromString(QString::fromLatin1(text)).has_value()) << text;
}

TEST(StoreRecords, FreeNeedsEveryPriceZero)
{
    const auto product = [](const char* variation) {
        QJsonObject json{{"id", "p"}, {"name", "P"}, {"tagline", "T"}, {"owned", false}};
        if (variation)
            json["defaultVariation"] = object(variation);
        return read<StorefrontProduct>(json);
    };
    struct Case {
        const char* variation;
        bool free;
    };
    const QList<Case> table = {
        {R"({"id":"v","name":"Free","originalPrice":{},"price":{"EUR":0,"USD":0},"hasDiscount":false,"recurrence":{"type":"OneOff"}})", true},
        {R"({"id":"v","name":"Free","originalPrice":{"EUR":-0.0},"price":{"EUR":0},"hasDiscount":true,"recurrence":{"type":"OneOff"}})", true},
        {R"({"id":"v","name":"Sale","originalPrice":{"EUR":49},"price":{"EUR":0},"hasDiscount":true,"recurrence":{"type":"OneOff"}})", false},
        {R"({"id":"v","name":"None","originalPrice":{"EUR":0},"price":{},"hasDiscount":false,"recurrence":{"type":"OneOff"}})", false},
        {R"({"id":"v","name":"Mixed","originalPrice":{},"price":{"EUR":0,"USD":1},"hasDiscount":false,"recurrence":{"type":"OneOff"}})", false},
        {nullptr, false},
    };
    for (const Case& c : table) {
        const StorefrontProduct p = product(c.variation);
        EXPECT_EQ(p.isFree(), c.free) << (c.variation ? c.variation : "no variation");
        EXPECT_EQ(p.isPurchasable(), c.variation != nullptr);
    }
}

TEST(StoreRecords, ValuesCompareMemberByMember)
{
    const StorefrontProduct product = read<Storefront>(object(storefrontJson)).products[0];
    StorefrontProduct notOwned = product;
    notOwned.owned = false;
    EXPECT_NE(product, notOwned);

    Download a = product.downloads->at(1);
    Download b = a;
    b.path.reset();
    EXPECT_NE(a, b);
    EXPECT_EQ(roundTrip(b), b);
    EXPECT_FALSE(b.toJson().contains("path"));

    // Price maps compare by content, not member order.
    const auto variation = [](const char* prices) {
        return read<PricingVariation>(object(QByteArray(R"({"id":"v","name":"n","originalPrice":{},"hasDiscount":false,"recurrence":{"type":"x"},"price":)") + prices + "}"));
    };
    EXPECT_EQ(variation(R"({"EUR":1,"USD":2})"), variation(R"({"USD":2,"EUR":1})"));
    EXPECT_EQ(qHash(variation(R"({"EUR":1,"USD":2})")), qHash(variation(R"({"USD":2,"EUR":1})")));
    EXPECT_EQ(variation(R"({"EUR":-0.0})"), variation(R"({"EUR":0})"));
    EXPECT_EQ(qHash(variation(R"({"EUR":-0.0})")), qHash(variation(R"({"EUR":0})")));
    EXPECT_EQ(QSet<Download>({a, b, a}).size(), 2);
    EXPECT_EQ(QSet<StorefrontProduct>({product, notOwned, product}).size(), 2);
    EXPECT_NE(variation(R"({"EUR":1})"), variation(R"({"EUR":1.5})"));
    EXPECT_EQ(variation(R"({"EUR":49})").price.value("EUR"), 49.0);
}

TEST(StoreRecords, ProductSummaryReadsOptionalsAndWritesOnlyItsMembers)
{
    const QJsonObject json = object(R"({"id":"prod_1","name":"Halo","tagline":"Big","version":"2.0","currentVersion":null,
        "downloadsNeedsUser":true,"releaseDescription":"Fixes","extra":{"a":1},
        "downloads":[{"name":"d","key":"k","platform":"Linux","size":0}]})");
    const ProductSummary product = read<ProductSummary>(json);
    EXPECT_FALSE(product.currentVersion.has_value());
    EXPECT_EQ(product.version, "2.0");
    EXPECT_EQ(product.downloadsNeedsUser, true);
    EXPECT_FALSE(product.downloadsNeedsOwnership.has_value());
    EXPECT_TRUE(product.macDownloads().isEmpty());
    const QJsonObject written = product.toJson();
    EXPECT_EQ(keys(written), QSet<QString>({"id", "name", "tagline", "version", "downloadsNeedsUser", "releaseDescription", "downloads"}));
    EXPECT_EQ(roundTrip(product), product);
}

TEST(StoreRecords, OrdersReadStatusTotalsAndLines)
{
    const Order order = read<Order>(object(orderJson));
    EXPECT_EQ(order.status, OrderStatus::paymentProcessing);
    ASSERT_TRUE(order.total.has_value());
    EXPECT_FALSE(order.total->taxes.has_value());
    EXPECT_EQ(order.total->due, (Money{"EUR", 39}));
    ASSERT_EQ(order.items.size(), 1);
    EXPECT_FALSE(order.items[0].bundleId.has_value());
    EXPECT_EQ(order.checkoutUrl, "https://tavren.example/checkout/1");
    EXPECT_FALSE(order.embeddedCheckoutUrl.has_value());
    const Order again = read<Order>(order.toJson());
    EXPECT_EQ(again.total, order.total);
    EXPECT_EQ(again.items, order.items);

    const QList<std::pair<const char*, OrderStatus>> statuses = {
        {"Open", OrderStatus::open}, {"PaymentProcessing", OrderStatus::paymentProcessing},
        {"Paid", OrderStatus::paid}, {"Completed", OrderStatus::completed}, {"Failed", OrderStatus::failed},
        {"unknown", OrderStatus::unknown}, {"open", OrderStatus::unknown}, {"Refunded", OrderStatus::unknown},
        {"", OrderStatus::unknown},
    };
    for (const auto& [text, status] : statuses) {
        const Order read = Order::fromJson(JsonReader(edited(object(orderJson), {"status"}, QString::fromLatin1(text)).toObject()));
        EXPECT_EQ(read.status, status) << text;
        EXPECT_EQ(isSettled(read.status), status == OrderStatus::paid || status == OrderStatus::completed) << text;
    }
    EXPECT_FALSE(orderStatusFromString(u"open").has_value());
    EXPECT_EQ(orderStatusFromString(u"unknown"), OrderStatus::unknown);

    struct Failure {
        const char* member;
        QJsonValue value;
    };
    for (const Failure& f : QList<Failure>{{"items", QJsonValue::Undefined}, {"status", 3}, {"status", QJsonValue::Null},
             {"items.0.quantity", 1.5}, {"total.due", QJsonValue::Undefined}, {"total.due.amount", "39"}}) {
        const QJsonObject json = edited(object(orderJson), QString::fromLatin1(f.member).split(u'.'), f.value).toObject();
        EXPECT_THROW(read<Order>(json), JsonError) << f.member;
    }
    const Order noTotal = read<Order>(edited(edited(object(orderJson), {"total"}, QJsonValue::Null).toObject(), {"items"}, QJsonArray()).toObject());
    EXPECT_FALSE(noTotal.total.has_value());
    EXPECT_TRUE(noTotal.items.isEmpty());
}

TEST(StoreRecords, NewLinesAreProductLinesWithFreshIds)
{
    const OrderLineItem a = OrderLineItem::product("prod_1", "var_1", 1);
    const OrderLineItem b = OrderLineItem::product("prod_1", "var_1", 1);
    EXPECT_NE(a, b);
    EXPECT_EQ(a.id.size(), 36);
    EXPECT_EQ(a.id, a.id.toLower());
    const QJsonObject written = a.toJson();
    EXPECT_EQ(keys(written), QSet<QString>({"id", "type", "productId", "quantity", "variationId"}));
    EXPECT_EQ(written["type"].toString(), "Product");
    EXPECT_EQ(roundTrip(a), a);

    Recurrence recurrence{"Recurring", std::nullopt};
    EXPECT_TRUE(recurrence.isRecurring());
    EXPECT_FALSE(recurrence.toJson().contains("cycleLength"));
    for (const char* type : {"recurring", "Recurring ", ""})
        EXPECT_FALSE((Recurrence{type, std::nullopt}).isRecurring()) << type;
}

TEST(StoreRecords, UserIdentityPageAndProblem)
{
    const User lean = read<User>(object(R"({"id":"u1","email":"a@b.test","name":"Ada","tenantId":null,"confirmedAccount":null})"));
    EXPECT_FALSE(lean.tenantId || lean.ownedProducts || lean.confirmedAccount);
    const QJsonObject written = lean.toJson();
    EXPECT_EQ(written.keys(), QStringList({"email", "id", "name"}));
    User confirmedFalse = lean;
    confirmedFalse.confirmedAccount = false;
    EXPECT_NE(lean, confirmedFalse);
    EXPECT_EQ(roundTrip(confirmedFalse), confirmedFalse);
    EXPECT_THROW(read<User>(object(R"({"id":"u1","email":"a@b.test"})")), JsonError);

    const IdentityResponse identity = read<IdentityResponse>(object(
        R"({"id":"u1","email":"a@b.test","name":"Ada","ownedProducts":["prod_1"],"accessToken":"A","refreshToken":"R"})"));
    EXPECT_EQ(identity.user.ownedProducts, QStringList({"prod_1"}));
    EXPECT_EQ(identity.accessToken, "A");
    EXPECT_THROW(read<IdentityResponse>(object(R"({"user":{"id":"u1","email":"e","name":"n"},"accessToken":"A","refreshToken":"R"})")), JsonError);
    EXPECT_THROW(read<IdentityResponse>(object(R"({"id":"u1","email":"e","name":"n","accessToken":"A"})")), JsonError);

    const auto page = read<Paged<User>>(object(R"({"items":[],"hasMore":false})"));
    EXPECT_TRUE(page.items.isEmpty());
    EXPECT_FALSE(page.next.has_value());
    EXPECT_FALSE(page.toJson().contains("next"));
    EXPECT_TRUE(read<Paged<User>>(object(R"({"items":[],"hasMore":true})")).hasMore);
    EXPECT_THROW(read<Paged<User>>(object(R"({"items":[]})")), JsonError);
    EXPECT_THROW(read<Paged<User>>(object(R"({"items":[{"id":"u1"}],"hasMore":false})")), JsonError);

    const Problem problem = read<Problem>(object(R"({"detail":"Card declined","type":"about:blank"})"));
    EXPECT_EQ(problem.detail, "Card declined");
    EXPECT_FALSE(problem.title || problem.status);
    EXPECT_FALSE(read<Problem>(QJsonObject()).detail.has_value());
    EXPECT_THROW(read<Problem>(object(R"({"status":"404"})")), JsonError);
}
