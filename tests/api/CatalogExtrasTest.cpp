#include "kit/api/CatalogExtrasClient.h"
#include "tests/testkit/ScriptedTransport.h"

#include <gtest/gtest.h>

using namespace hub;

namespace {

using Route = ExtrasItem::InstallRoute;

ExtrasItem item(QString id, QString name, std::function<void(ExtrasItem&)> change = {})
{
    ExtrasItem out;
    out.id = std::move(id);
    out.name = std::move(name);
    if (change)
        change(out);
    return out;
}

QByteArray feed(const char* items, const char* media = "{}")
{
    return QByteArray(R"({"version":1,"items":)") + items + R"(,"media":)" + media + "}";
}

const HostPolicy policy{"tavren.store.example", {"assets.store.example", "tavren.example"}, {}};

} // namespace

TEST(CatalogExtrasTest, DecodesTolerantly)
{
    struct Case {
        QByteArray document;
        std::optional<QList<ExtrasItem>> items; // nothing: no feed
        QMap<QString, ProductMedia> media = {};
    };
    const QList<ExtrasItem> none;
    const Case cases[] = {
        {R"({"version":2,"items":[]})", std::nullopt},
        {R"({"version":"1","items":[]})", std::nullopt},
        {R"({"items":[]})", std::nullopt},
        {R"({"version":1,"items":{}})", std::nullopt},
        {R"({"version":1,"media":[]})", std::nullopt},
        {R"({"version":1,)", std::nullopt},
        {"[1]", std::nullopt},
        {"\xEF\xBB\xBF{\"version\":1}", std::nullopt},
        {" \n\t\r{\"version\":1}", none},
        {feed(R"(["x", 3, {"id":"a","name":"A"}, null])"), QList{item("a", "A")}},
        {feed(R"([{"title":"Sample Tool 2"}])"), QList{item("sample-tool-2", "Sample Tool 2")}},
        {feed(R"([{"name":"Ä\tB C"}])"), QList{item("ä\tb-c", "Ä\tB C")}},
        {feed(R"([{"id":"x","name":5,"title":"X"}])"), QList{item("x", "X")}},
        {feed(R"([{"id":"x","name":"","title":"X"}, {"id":"","name":"Y"}])"), none},
        {feed(R"([{"id":"a","name":"One"},{"id":"a","name":"Two"},{"id":"A","name":"Three"}])"),
            QList{item("a", "One"), item("A", "Three")}},
        {feed(R"([{"id":"t","name":"T","kind":7,"tagline":"tag","description":"d","signedByTavren":"true","stage":null,
                  "releaseUrl":"r","iconUrl":"i","productId":"p","unknown":{}},
                 {"id":"u","name":"U","kind":"game","summary":"","tagline":"tag","signedByTavren":true,"stage":"alpha"}])"),
            QList{item("t", "T", [](ExtrasItem& i) { i.summary = "tag", i.releaseUrl = "r", i.iconUrl = "i", i.productId = "p"; }),
                item("u", "U", [](ExtrasItem& i) { i.kind = "game", i.summary = "", i.signedByTavren = true, i.stage = "alpha"; })}},
        {feed("[]", R"({"empty":{},"text":{"screenshots":"https://a"},"mixed":{"screenshots":["s1",2,null,"s2"]},
                        "string":"x","null":{"screenshots":null}})"),
            none, {{"empty", ProductMedia{}}, {"mixed", ProductMedia{{"s1", "s2"}}}, {"null", ProductMedia{}}}},
    };
    for (const Case& c : cases) {
        const std::optional<CatalogExtras> decoded = CatalogExtras::decode(c.document);
        ASSERT_EQ(decoded.has_value(), c.items.has_value()) << c.document.constData();
        if (!decoded)
            continue;
        EXPECT_EQ(*decoded, (CatalogExtras{1, *c.items, c.media})) << c.document.constData();
        // The stored form reads back strictly to the same value, without the alternate keys.
        EXPECT_EQ(CatalogExtras::fromJson(JsonReader(decoded->toJson())), *decoded) << c.document.constData();
    }
    EXPECT_EQ(CatalogExtras::fromJson(JsonReader::parse(R"({"version":1,"items":[{"title":"T"}],"media":{}})")).items.size(), 1);
    for (const char* stored : {R"({"version":1,"items":[]})", R"({"version":1,"items":["x"],"media":{}})",
             R"({"version":1,"items":[],"media":{"p":{"screenshots":"a"}}})"})
        EXPECT_THROW(CatalogExtras::fromJson(JsonReader::parse(stored)), JsonError) << stored;
}

TEST(CatalogExtrasTest, ShelvesRoutesAndScreenshots)
{
    const std::tuple<const char*, std::optional<QString>, ExtrasItem::Shelf> shelves[] = {
        {"Game", std::nullopt, ExtrasItem::Shelf::earlyAccess},
        {"earlybird", std::nullopt, ExtrasItem::Shelf::earlyAccess},
        {"tool", "Technical Preview", ExtrasItem::Shelf::earlyAccess},
        {"tool", "ALPHA 2", ExtrasItem::Shelf::earlyAccess},
        {"tool", "beta", ExtrasItem::Shelf::freeTools},
    };
    CatalogExtras extras;
    for (const auto& [kind, stage, shelf] : shelves) {
        extras.items.append(item(kind, "I", [&](ExtrasItem& i) { i.kind = kind, i.stage = stage; }));
        EXPECT_EQ(extras.items.last().shelf(), shelf) << kind;
    }
    EXPECT_EQ(extras.earlyAccess(), extras.items.first(4));
    EXPECT_EQ(extras.freeTools(), extras.items.sliced(4));

    QStringList asked;
    const auto store = [&asked](bool answer) {
        return [&asked, answer](const QString& id) { return asked.append(id), answer; };
    };
    ExtrasItem signedItem = item("tool-x", "X", [](ExtrasItem& i) {
        i.signedByTavren = true, i.productId = "tv-panner", i.releaseUrl = "https://code.example/x/releases";
    });
    EXPECT_EQ(signedItem.installRoute(store(true)), Route::hub("tv-panner"));
    EXPECT_EQ(signedItem.installRoute(store(false)), Route::browser(QUrl("https://code.example/x/releases")));
    signedItem.productId.reset();
    for (const char* page : {"http://tavren.example/x", "ftp://tavren.example/x", "https://tavren.example:8443/x", "a b"}) {
        signedItem.releaseUrl = page;
        EXPECT_EQ(signedItem.installRoute(store(false)), Route::unavailable()) << page;
    }
    EXPECT_EQ(item("tv-panner", "P").installRoute(store(true)), Route::unavailable());
    EXPECT_EQ(asked, (QStringList{"tv-panner", "tv-panner", "tool-x", "tool-x", "tool-x", "tool-x"}))
        << "only signed items consult the store";

    extras.media.insert("p", ProductMedia{{"https://assets.store.example/1.png", "http://assets.store.example/2.png",
        "https://assets.store.example:8443/3.png", "https://user@tavren.example/4.png", "https://evil.example/5.png",
        "https://TAVREN.example/6.png", "https://tavren.example:443/7.png", "https://assets.store.example/1.png"}});
    EXPECT_EQ(extras.screenshots("p", policy), (QList<QUrl>{QUrl("https://assets.store.example/1.png"),
        QUrl("https://TAVREN.example/6.png"), QUrl("https://tavren.example:443/7.png"), QUrl("https://assets.store.example/1.png")}));
    EXPECT_TRUE(extras.screenshots("P", policy).isEmpty());
}

TEST(CatalogExtrasTest, ClientSendsOnePlainGetAndTakesOnlyA200WithinTheCap)
{
    const QByteArray good = feed(R"([{"id":"a","name":"A"}])");
    QByteArray padded = good; // the cap: 1,999,999 bytes pass, 2,000,000 do not
    padded.insert(1, QByteArray(CatalogExtrasClient::maxFeedBytes - good.size(), ' '));
    const auto transport = std::make_shared<ScriptedTransport>();
    const auto fetched = [&](int status, const QByteArray& body) {
        transport->route("GET", "/downloads/tavren-catalog-extras.json", status, body);
        return CatalogExtrasClient(CatalogExtras::feedURL(), policy, transport).fetch().has_value();
    };
    EXPECT_TRUE(fetched(200, good));
    EXPECT_TRUE(fetched(200, padded));
    EXPECT_FALSE(fetched(200, padded + ' '));
    for (const int status : {204, 206, 304, 404})
        EXPECT_FALSE(fetched(status, good)) << status;

    const HttpRequest sent = transport->requests().value(0);
    EXPECT_EQ(sent.url, "https://tavren.example/downloads/tavren-catalog-extras.json");
    EXPECT_EQ(sent.headers, (HttpHeaders{{"Accept", "application/json"}, {"User-Agent", "Tavren Hub (macOS)"}}));
    EXPECT_EQ(sent.maxBodyBytes, CatalogExtrasClient::maxFeedBytes);
    for (const char* address : {"http://tavren.example/f", "https://tavren.example:8443/f", "https://else.example/f"})
        EXPECT_FALSE(CatalogExtrasClient(QUrl(address), policy, transport).fetch()) << address;
    EXPECT_EQ(transport->requests().size(), 7) << "a refused address is never sent";
    // A transport failure (here: no route) is no feed, not an exception.
    EXPECT_FALSE(CatalogExtrasClient(QUrl("https://assets.store.example/f"), policy, transport).fetch());
}
