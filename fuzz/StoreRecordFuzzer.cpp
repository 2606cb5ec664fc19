// The JSON records the hub reads from the store, the identity service and its own files. The
// first byte picks the record; the rest is the document.
#include "fuzz/FuzzSeeds.h"

#include "kit/api/IdentityResponse.h"
#include "kit/api/Order.h"
#include "kit/api/ProductSummary.h"
#include "kit/api/SessionTokens.h"
#include "kit/api/Storefront.h"
#include "kit/install/InstallRecord.h"
#include "tests/testkit/StoreResponses.h"

#include <QDateTime>
#include <QJsonDocument>
#include <array>
#include <functional>

using namespace hub;

namespace {

const std::array<std::function<void(const QByteArray&)>, 7> readers{
    [](const QByteArray& json) { Storefront::fromJson(JsonReader::parse(json)).toJson(); },
    [](const QByteArray& json) { Order::fromJson(JsonReader::parse(json)).toJson(); },
    [](const QByteArray& json) { User::fromJson(JsonReader::parse(json)).toJson(); },
    [](const QByteArray& json) { ProductSummary::fromJson(JsonReader::parse(json)).toJson(); },
    [](const QByteArray& json) { IdentityResponse::fromJson(JsonReader::parse(json)); },
    [](const QByteArray& json) { InstallRecord::fromJson(JsonReader::parse(json)).toJson(); },
    [](const QByteArray& json) {
        if (const auto tokens = SessionTokens::fromJson(json))
            tokens->toJson();
    },
};

QByteArray seed(size_t reader, const QByteArray& json)
{
    return char(reader) + json;
}

} // namespace

QList<QByteArray> hub::fuzz::seeds()
{
    const QString token = StoreResponses::accessToken(QDateTime::fromSecsSinceEpoch(1900000000, Qt::UTC));
    InstallRecord record;
    record.productId = QStringLiteral("p1");
    record.productName = QStringLiteral("Halo");
    record.version = QStringLiteral("2.1.0");
    record.downloadKey = QStringLiteral("k2");
    record.installedAt = QDateTime::fromSecsSinceEpoch(1715000000, Qt::UTC);
    record.items.append(InstalledItem::fromJson(JsonReader::parse(
        R"({"path":"/a.vst3","kind":"vst3","identifier":"com.tavren.halo","teamID":"KD4N8RWT2C"})")));
    record.notes = {QStringLiteral("note")};
    return {
        seed(0, R"({"suggestedCurrency":"EUR","enabledCurrencies":["EUR","USD"],"products":[{"id":"prod_1","name":"Halo",
            "tagline":"Big rooms","description":"A reverb.","iconUrl":"https://assets.store.example/halo.png","owned":true,
            "currentVersion":"2.1.0","type":"Product","downloads":[{"name":"Halo Mac","key":"k2","platform":"Mac","size":9007199254740993}],
            "defaultVariation":{"id":"v","name":"Sale","originalPrice":{"EUR":49},"price":{"EUR":0},"hasDiscount":true,
            "recurrence":{"type":"OneOff"}}}],"bundles":[]})"),
        seed(1, R"({"id":"3f2c9d1e","status":"PaymentProcessing","currency":"EUR","total":{"original":{"currency":"EUR","amount":49},
            "discount":{"currency":"EUR","amount":10},"subtotal":{"currency":"EUR","amount":39},"due":{"currency":"EUR","amount":39}},
            "items":[{"id":"line-1","type":"Product","productId":"prod_1","quantity":1,"variationId":"var_1"}],
            "checkoutUrl":"https://tavren.example/checkout/1"})"),
        seed(2, R"({"id":"u1","email":"a@b.test","name":"Ada","tenantId":null,"confirmedAccount":true,"ownedProducts":["p1"]})"),
        seed(3, R"({"id":"prod_1","name":"Halo","tagline":"Big","version":"2.0","currentVersion":null,"downloadsNeedsUser":true,
            "releaseDescription":"Fixes","downloads":[{"name":"d","key":"k","platform":"Mac","size":-9223372036854775808}]})"),
        seed(4, StoreResponses::identity(token, QStringLiteral("refresh-1"))),
        seed(5, QJsonDocument(record.toJson()).toJson()),
        seed(6, SessionTokens{token, QStringLiteral("refresh-1"), QDateTime::fromSecsSinceEpoch(1900000000, Qt::UTC)}.toJson()),
    };
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray json(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    try {
        readers.at(data[0] % readers.size())(json);
    } catch (const JsonError&) {
    }
    return 0;
}
