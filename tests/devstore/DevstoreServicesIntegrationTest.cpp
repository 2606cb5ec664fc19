// The devstore's answers on the wire, where the hub's clients do not reach yet or where the
// contract asks more of the server than a client checks: headers, token rotation, checkout,
// the identity service, reviews and byte ranges.

#include "tests/devstore/DevstoreTest.h"

#include "kit/api/URLSessionTransport.h"
#include "kit/deployment/Deployment.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUrlQuery>
#include <QUuid>

using namespace hub;
using hub::test::DevstoreTest;

namespace {

class Services : public DevstoreTest {
protected:
    struct Answer {
        int status = 0;
        QJsonObject json;
        HttpResponse raw;
    };

    static Answer call(const QString& host, const QByteArray& method, const QString& target, HttpHeaders headers = {},
                       std::optional<QByteArray> body = {})
    {
        URLSessionTransport transport(PinnedTrust::tavren());
        HttpRequest request{.method = method, .url = ("https://" + host + target).toUtf8(), .headers = std::move(headers), .body = body};
        const HttpResponse response = transport.send(request);
        return {response.status, QJsonDocument::fromJson(response.body).object(), response};
    }
    static Answer api(const QByteArray& method, const QString& target, HttpHeaders headers = {}, std::optional<QByteArray> body = {})
    {
        headers.prepend({"x-mb-cors", "1"});
        return call(Deployment::current().apiHost, method, target, headers, body);
    }
    static Answer identity(const QByteArray& method, const QString& target, const QByteArray& token = {}, const QJsonObject& body = {})
    {
        HttpHeaders headers{{"Content-Type", "application/json"}};
        if (!token.isEmpty())
            headers.append({"Authorization", "Bearer " + token});
        return call(Deployment::current().identityHost, method, target, headers,
                    method == "POST" ? std::optional(QJsonDocument(body).toJson(QJsonDocument::Compact)) : std::nullopt);
    }
    static QJsonObject signIn(const QString& email)
    {
        return api("POST", "/api/customer/identity/sign-in?email=" + QUrl::toPercentEncoding(email) + "&scheme=JWT",
                     {{"Content-Type", "text/plain"}}, QByteArray("demo-pass-1"))
                .json;
    }
    static QByteArray idToken(const QString& email)
    {
        EXPECT_EQ(identity("POST", "/id/auth/email/code/request", {}, {{"email", email}}).status, 204);
        const QString code = store->control("GET", "/__devstore/code?email=" + QUrl::toPercentEncoding(email)).value("code").toString();
        const Answer completed = identity("POST", "/id/auth/email/code/complete", {}, {{"email", email}, {"code", code}});
        EXPECT_EQ(completed.status, 200);
        return completed.json.value("token").toString().toUtf8();
    }
};

TEST_F(Services, StoreHeadersTokensAndPages)
{
    EXPECT_EQ(call(Deployment::current().apiHost, "GET", "/api/customer/storefront").status, 400); // no x-mb-cors
    EXPECT_EQ(api("GET", "/api/customer/inventory/products").status, 401);
    EXPECT_EQ(api("POST", "/api/customer/identity/sign-in?email=demo%40tavren.test&scheme=JWT", {}, QByteArray("nope")).status, 401);
    EXPECT_EQ(api("POST", "/api/customer/identity/sign-up?scheme=JWT&communicationOptIn=false", {{"Content-Type", "application/json"}},
                    R"({"name":"D","email":"demo@tavren.test","password":"long-enough"})")
                      .status,
              409);

    const QJsonObject identityResponse = signIn("demo@tavren.test");
    for (const char* member : {"id", "email", "name", "accessToken", "refreshToken"})
        EXPECT_TRUE(identityResponse.value(QLatin1String(member)).isString()) << member;
    const QByteArray bearer = "Bearer " + identityResponse.value("accessToken").toString().toUtf8();

    // Pages of four: a relative next, then an absolute one, then none.
    const Answer first = api("GET", "/api/customer/inventory/products", {{"Authorization", bearer}});
    EXPECT_EQ(first.json.value("next").toString(), "/api/customer/inventory/products?page=2");
    const Answer second = api("GET", first.json.value("next").toString(), {{"Authorization", bearer}});
    EXPECT_EQ(second.json.value("next").toString(), "https://" + Deployment::current().apiHost + "/api/customer/inventory/products?page=3");
    const Answer third = api("GET", "/api/customer/inventory/products?page=3", {{"Authorization", bearer}});
    EXPECT_EQ(third.json.value("items").toArray().size(), 2);
    EXPECT_FALSE(third.json.value("hasMore").toBool());
    EXPECT_FALSE(third.json.contains("next"));

    // A refresh token is good once.
    const QString refresh = "/api/customer/identity/refresh?token=" + QUrl::toPercentEncoding(identityResponse.value("refreshToken").toString());
    EXPECT_EQ(api("POST", refresh, {{"Content-Type", "text/plain"}}, identityResponse.value("accessToken").toString().toUtf8()).status, 200);
    EXPECT_EQ(api("POST", refresh, {{"Content-Type", "text/plain"}}, QByteArray()).status, 401);

    // Without redirect=false the link is a redirect; unknown keys are not found.
    const Answer redirected = api("GET", "/api/customer/downloads/tv-gate?key=tv-gate-1.0.0-mac-dmg", {{"Authorization", bearer}});
    EXPECT_EQ(redirected.status, 302);
    EXPECT_TRUE(redirected.raw.header("Location")->startsWith("https://files." + Deployment::current().downloadDomain.toUtf8() + '/'));
    EXPECT_EQ(api("GET", "/api/customer/downloads/tv-gate?key=tv-reverb-1.4.0-mac-zip&redirect=false", {{"Authorization", bearer}}).status, 404);
}

TEST_F(Services, AGuestCheckoutGrantsTheEmailTypedOnThePage)
{
    const QString orderId = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QString returnUrl = "https://" + Deployment::current().webHost + "/hub/checkout-complete?order=" + orderId;
    const QJsonObject line{{"id", QUuid::createUuid().toString(QUuid::WithoutBraces)}, {"type", "Product"}, {"productId", "tv-synth"},
                           {"quantity", 1}, {"variationId", "tv-synth-licence"}};
    const Answer pushed = api("PATCH", "/api/customer/orders/" + orderId + "?checkout=true&returnUrl=" + QUrl::toPercentEncoding(returnUrl),
                                {{"Content-Type", "application/json"}},
                                QJsonDocument(QJsonObject{{"currency", "EUR"}, {"items", QJsonArray{line}}}).toJson());
    ASSERT_EQ(pushed.status, 200);
    EXPECT_EQ(pushed.json.value("id").toString(), orderId);
    EXPECT_EQ(pushed.json.value("status").toString(), "Open");
    EXPECT_EQ(pushed.json.value("total").toObject().value("due").toObject().value("amount").toDouble(), 129);
    const QUrl checkout(pushed.json.value("checkoutUrl").toString());
    EXPECT_EQ(checkout.host(), Deployment::current().apiHost);
    EXPECT_EQ(checkout.port(), -1);

    const Answer page = call(checkout.host(), "POST", checkout.path(), {{"Content-Type", "application/x-www-form-urlencoded"}},
                             QByteArray("action=complete&email=empty%40tavren.test"));
    EXPECT_EQ(page.status, 200);
    EXPECT_TRUE(page.raw.body.contains(returnUrl.toUtf8()));
    EXPECT_EQ(api("GET", "/api/customer/orders/" + orderId).json.value("status").toString(), "Completed");
    EXPECT_EQ(signIn("empty@tavren.test").value("ownedProducts").toArray(), QJsonArray{"tv-synth"});

    store->control("POST", "/__devstore/orders/" + orderId, {{"status", "Failed"}});
    EXPECT_EQ(api("GET", "/api/customer/orders/" + orderId).json.value("status").toString(), "Failed");
    EXPECT_EQ(api("GET", "/api/customer/orders/no-such-order").json.value("title").toString(), "Order");
}

TEST_F(Services, IdentityProfileSessionsAndBrowserSignIn)
{
    EXPECT_EQ(identity("POST", "/id/auth/email/code/request", {}, {{"email", "not an address"}}).status, 422);
    EXPECT_EQ(identity("POST", "/id/auth/email/code/complete", {}, {{"email", "demo@tavren.test"}, {"code", "000000"}}).status, 400);
    const QByteArray token = idToken("demo@tavren.test");
    const QJsonArray products = identity("GET", "/id/auth/me", token).json.value("products").toArray();
    for (const char* id : {"tv-compressor", "tv-vocoder", "tv-game", "tv-retired"})
        EXPECT_TRUE(products.contains(QLatin1String(id))) << id;
    EXPECT_EQ(identity("GET", "/id/auth/me").status, 401);

    const QJsonArray sessions = identity("GET", "/id/auth/sessions", token).json.value("sessions").toArray();
    ASSERT_EQ(sessions.size(), 6);
    EXPECT_TRUE(sessions[0].toObject().value("current").toBool());
    const Answer refused = identity("POST", "/id/auth/sessions/revoke", token, {{"sessionId", sessions[0].toObject().value("id")}});
    EXPECT_EQ(refused.status, 403);
    EXPECT_EQ(refused.json.value("message").toString(), "This is the session you are using.");
    EXPECT_EQ(identity("POST", "/id/auth/sessions/revoke", token, {{"sessionId", sessions[5].toObject().value("id")}}).status, 204);
    EXPECT_EQ(identity("GET", "/id/auth/sessions", token).json.value("sessions").toArray().size(), 5);
    EXPECT_EQ(identity("GET", "/id/auth/purchases", token).json.value("purchases").toArray().size(), 6);

    // Browser sign-in: the start page, the hand-back to the loopback, then the exchange.
    const QByteArray verifier(43, 'v');
    const QString challenge = QString::fromLatin1(
            QCryptographicHash::hash(verifier, QCryptographicHash::Sha256).toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
    const QString query = "?state=" + QString(32, u's') + "&port=4567&hub_challenge=" + challenge;
    EXPECT_EQ(identity("GET", "/auth/github/start" + query).status, 200);
    const Answer handBack = identity("GET", "/auth/github/continue" + query);
    ASSERT_EQ(handBack.status, 302);
    const QUrl loopback(QString::fromLatin1(*handBack.raw.header("Location")));
    EXPECT_EQ(loopback.toString(QUrl::RemoveQuery), "http://127.0.0.1:4567/cb");
    const QString code = QUrlQuery(loopback).queryItemValue("hub_code");
    const auto exchange = [&](const QByteArray& proof) {
        return call(Deployment::current().identityHost, "POST", "/auth/hub/exchange", {{"Content-Type", "application/json"}},
                    QJsonDocument(QJsonObject{{"code", code}, {"verifier", QString::fromLatin1(proof)}}).toJson());
    };
    EXPECT_EQ(exchange(QByteArray(43, 'w')).status, 400);
    const Answer exchanged = exchange(verifier);
    EXPECT_EQ(exchanged.status, 200);
    EXPECT_EQ(identity("GET", "/id/auth/me", exchanged.json.value("qid").toString().toUtf8()).status, 200);
    EXPECT_EQ(exchange(verifier).status, 400); // one use
}

TEST_F(Services, ReviewPagesEligibilityAndPosting)
{
    const QByteArray token = idToken("demo@tavren.test");
    QList<int> sizes;
    QString cursor;
    do {
        const QString target = "/id/reviews?product=tv-reverb&limit=10" + (cursor.isEmpty() ? QString() : "&cursor=" + cursor);
        const QJsonObject page = identity("GET", target).json;
        sizes << page.value("reviews").toArray().size();
        EXPECT_EQ(page.value("summary").toObject().value("count").toInt(), 23);
        cursor = page.value("nextCursor").toString();
    } while (!cursor.isEmpty() && sizes.size() < 5);
    EXPECT_EQ(sizes, QList<int>({10, 10, 3}));

    EXPECT_EQ(identity("GET", "/id/reviews/mine?product=tv-compressor", token).json.value("basis").toString(), "owner");
    EXPECT_TRUE(identity("GET", "/id/reviews/mine?product=tv-gate", token).json.value("review").toObject().value("hidden").toBool());
    EXPECT_FALSE(identity("GET", "/id/reviews/mine?product=tv-synth", token).json.value("eligible").toBool());
    EXPECT_EQ(identity("POST", "/id/reviews", token, {{"productId", "tv-synth"}, {"rating", 5}, {"title", "T"}, {"body", "B"}}).status, 403);

    const QJsonObject draft{{"productId", "tv-limiter"}, {"rating", 4}, {"title", "Clean"}, {"body", "See http://example.test"}};
    const Answer posted = identity("POST", "/id/reviews", token, draft);
    EXPECT_TRUE(posted.json.value("created").toBool());
    EXPECT_TRUE(posted.json.value("review").toObject().value("hidden").toBool());
    EXPECT_EQ(identity("GET", "/id/reviews?product=tv-limiter&limit=10").json.value("summary").toObject().value("count").toInt(), 0);
    QList<int> statuses;
    for (int i = 0; i < 5; ++i)
        statuses << identity("POST", "/id/reviews", token, draft).status;
    EXPECT_EQ(statuses, QList<int>({200, 200, 200, 200, 429}));
}

TEST_F(Services, DownloadRangesAndValidators)
{
    const QByteArray bearer = "Bearer " + signIn("demo@tavren.test").value("accessToken").toString().toUtf8();
    const QUrl location(api("GET", "/api/customer/downloads/tv-gate?key=tv-gate-1.0.0-mac-dmg&redirect=false", {{"Authorization", bearer}})
                                .json.value("location").toString());
    const QString target = location.toString(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::FullyEncoded);
    const Answer whole = call(location.host(), "GET", target);
    ASSERT_EQ(whole.status, 200);
    const qint64 size = whole.raw.body.size();
    const QByteArray etag = *whole.raw.header("ETag");
    EXPECT_TRUE(etag.startsWith('"'));
    EXPECT_EQ(whole.raw.header("Accept-Ranges"), "bytes");
    EXPECT_EQ(whole.raw.header("Content-Type"), "application/octet-stream");
    EXPECT_TRUE(whole.raw.header("Last-Modified"));

    const Answer tail = call(location.host(), "GET", target, {{"Range", "bytes=100-"}, {"If-Range", etag}});
    EXPECT_EQ(tail.status, 206);
    EXPECT_EQ(tail.raw.header("Content-Range"), "bytes 100-" + QByteArray::number(size - 1) + '/' + QByteArray::number(size));
    EXPECT_EQ(tail.raw.body, whole.raw.body.mid(100));
    EXPECT_EQ(call(location.host(), "GET", target, {{"Range", "bytes=100-"}, {"If-Range", "\"other\""}}).raw.body, whole.raw.body);
    const Answer beyond = call(location.host(), "GET", target, {{"Range", "bytes=" + QByteArray::number(size) + '-'}});
    EXPECT_EQ(beyond.status, 416);
    EXPECT_EQ(beyond.raw.header("Content-Range"), "bytes */" + QByteArray::number(size));
    EXPECT_EQ(call(location.host(), "GET", QString(target).replace("sig=", "sig=x")).status, 403);
}

} // namespace
