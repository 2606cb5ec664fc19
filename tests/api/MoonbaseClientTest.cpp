#include "kit/api/MoonbaseClient.h"
#include "kit/api/MoonbaseError.h"
#include "kit/security/KeychainError.h"
#include "tests/testkit/FakeTokenPersistence.h"
#include "tests/testkit/ScriptedTransport.h"
#include "tests/testkit/StoreResponses.h"

#include <QJsonDocument>
#include <atomic>
#include <gtest/gtest.h>
#include <latch>
#include <thread>

using namespace hub;
using namespace std::chrono_literals;

namespace {

using FakePersistence = FakeTokenPersistence;

QStringList logged;
void collect(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    logged.append(QString::fromLatin1(context.category) + u' ' + message);
}

const QDateTime start(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);

QString jwt(const QDateTime& expiry) { return StoreResponses::accessToken(expiry); }
QByteArray identity(const QString& access, const QString& refresh) { return StoreResponses::identity(access, refresh); }

const QByteArray storefrontBody = R"({"suggestedCurrency":"EUR","products":[],"bundles":[]})";
const QByteArray orderBody = R"({"id":"o/1","status":"Open","currency":"EUR","items":[],"checkoutUrl":"https://tavren.example/c"})";

HttpHeaders baseHeaders(const QByteArray& contentType)
{
    return {{"Accept", "application/json"}, {"Content-Type", contentType}, {"x-mb-cors", "1"}};
}

template <typename F>
MoonbaseError moonbaseError(F&& call)
{
    try {
        call();
    } catch (const MoonbaseError& error) {
        return error;
    }
    ADD_FAILURE() << "no MoonbaseError";
    return MoonbaseError::decoding(QStringLiteral("(none)"));
}

class MoonbaseClientTest : public ::testing::Test {
protected:
    MoonbaseClientTest()
        : transport(std::make_shared<ScriptedTransport>())
        , persistence(std::make_shared<FakePersistence>())
        , client(std::make_unique<MoonbaseClient>(policy, transport, persistence, [this] { return now(); }))
    {
        transport->route("GET", "/api/customer/storefront", 200, storefrontBody);
    }

    QDateTime now() const { return start.addMSecs(elapsedMs.load()); }
    void signedIn(qint64 secondsLeft, QString refreshToken = QStringLiteral("old-refresh"))
    {
        persistence->stored = SessionTokens{QStringLiteral("old-access"), refreshToken, now().addSecs(secondsLeft)};
    }
    std::optional<QByteArray> authorization(qsizetype index) const
    {
        return transport->requests().at(index).header("Authorization");
    }

    const HostPolicy policy{QStringLiteral("api.store.test"), {QStringLiteral("assets.store.test")}, {QStringLiteral("objects.test")}};
    std::atomic<qint64> elapsedMs{0};
    std::shared_ptr<ScriptedTransport> transport;
    std::shared_ptr<FakePersistence> persistence;
    std::unique_ptr<MoonbaseClient> client;
};

} // namespace

TEST_F(MoonbaseClientTest, RequestsCarryTheFixedHeadersAndABearerOnlyWhileSignedIn)
{
    signedIn(60); // exactly the margin: used as it is
    client->storefront();
    const HttpRequest first = transport->requests().at(0);
    EXPECT_EQ(first.method, "GET");
    EXPECT_EQ(first.url, "https://api.store.test/api/customer/storefront");
    HttpHeaders expected = baseHeaders("application/json");
    expected.append(std::pair<QByteArray, QByteArray>("Authorization", "Bearer old-access"));
    EXPECT_EQ(first.headers, expected);
    EXPECT_FALSE(first.body.has_value());
    EXPECT_EQ(first.timeout, 60s);

    client->signOut();
    client->storefront();
    EXPECT_EQ(transport->requests().at(1).headers, baseHeaders("application/json"));
    EXPECT_EQ(transport->requests().size(), 2);
}

TEST_F(MoonbaseClientTest, TheSessionIsLoadedOnceAndLazily)
{
    EXPECT_EQ(persistence->loads, 0);
    EXPECT_FALSE(client->isSignedIn());
    client->storefront();
    EXPECT_FALSE(client->isSignedIn());
    EXPECT_EQ(persistence->loads, 1);

    signedIn(3600);
    MoonbaseClient other(policy, transport, persistence, [this] { return now(); });
    EXPECT_TRUE(other.isSignedIn());
    EXPECT_TRUE(transport->requestsTo("/api/customer/identity").isEmpty());
}

TEST_F(MoonbaseClientTest, SignInSendsThePasswordBytesWithoutBearerAndStoresTheSession)
{
    signedIn(3600);
    const QDateTime expiry = start.addSecs(7200);
    transport->route("POST", "/api/customer/identity/sign-in", 200, identity(jwt(expiry), "r1"));

    const User user = client->signIn(QStringLiteral("a+b&c@x.test"), QStringLiteral("pässwörd ✓"));
    EXPECT_EQ(user.name, "Ada");
    const HttpRequest request = transport->requests().at(0);
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.url, "https://api.store.test/api/customer/identity/sign-in?email=a%2Bb%26c@x.test&scheme=JWT");
    EXPECT_EQ(request.headers, baseHeaders("text/plain"));
    EXPECT_EQ(request.body, QStringLiteral("pässwörd ✓").toUtf8());
    EXPECT_EQ(persistence->stored, (SessionTokens{jwt(expiry), "r1", expiry}));

    // A token without a readable expiry is taken to last 900 seconds from now.
    elapsedMs = 5000;
    transport->route("POST", "/api/customer/identity/sign-in", 200, identity("opaque", "r2"));
    client->signIn(QStringLiteral("a@x.test"), QStringLiteral("pw"));
    EXPECT_EQ(persistence->stored->expiresAt, now().addSecs(900));
    client->storefront();
    EXPECT_EQ(authorization(2), "Bearer opaque");
}

TEST_F(MoonbaseClientTest, SignInAndSignUpStatuses)
{
    for (const int status : {400, 401, 404}) {
        transport->route("POST", "/api/customer/identity/sign-in", status, R"({"detail":"nope"})");
        EXPECT_EQ(moonbaseError([&] { client->signIn("a@x.test", "pw"); }), MoonbaseError::invalidCredentials()) << status;
    }
    transport->route("POST", "/api/customer/identity/sign-in", 403, R"({"detail":"Account locked"})");
    EXPECT_EQ(moonbaseError([&] { client->signIn("a@x.test", "pw"); }), MoonbaseError::forbidden("Account locked"));
    transport->route("POST", "/api/customer/identity/sign-in", 200, R"({"accessToken":"a","refreshToken":"r"})");
    EXPECT_EQ(moonbaseError([&] { client->signIn("a@x.test", "pw"); }).kind, MoonbaseError::Kind::decoding);
    EXPECT_FALSE(client->isSignedIn());

    transport->route("POST", "/api/customer/identity/sign-up", 401, "");
    EXPECT_EQ(moonbaseError([&] { client->signUp("Ada", "a@x.test", "pw", true); }), MoonbaseError::notSignedIn());
    const HttpRequest request = transport->requests().last();
    EXPECT_EQ(request.url, "https://api.store.test/api/customer/identity/sign-up?scheme=JWT&communicationOptIn=true");
    EXPECT_EQ(request.headers, baseHeaders("application/json"));
    EXPECT_EQ(QJsonDocument::fromJson(*request.body).object(),
        (QJsonObject{{"name", "Ada"}, {"email", "a@x.test"}, {"password", "pw"}, {"address", QJsonValue::Null},
            {"acceptedPrivacyPolicy", true}, {"acceptedTermsAndConditions", true}}));

    transport->route("POST", "/api/customer/identity/sign-up", 200, identity("tok", "r"));
    client->signUp("Ada", "a@x.test", "pw", false);
    EXPECT_TRUE(transport->requests().last().url.endsWith("communicationOptIn=false"));
    EXPECT_TRUE(client->isSignedIn());
}

TEST_F(MoonbaseClientTest, CallerTextIsPercentEncodedAndEscapesReachTheWireUnchanged)
{
    transport->route("POST", "/api/customer/identity/confirm-account", 200, "not json, ignored");
    client->confirmAccount(QStringLiteral("a+b@x.test"), QStringLiteral(" 12 34\t"));
    client->confirmAccount(QStringLiteral("a@x.test"), QStringLiteral("ab+cd"));
    client->confirmAccount(QStringLiteral("a@x.test"), QStringLiteral("\n12\u00a0"));
    const auto confirms = transport->requestsTo("/api/customer/identity/confirm-account");
    EXPECT_EQ(confirms[0].url, "https://api.store.test/api/customer/identity/confirm-account?email=a%2Bb@x.test&code=12%2B34");
    EXPECT_EQ(confirms[1].url, "https://api.store.test/api/customer/identity/confirm-account?email=a@x.test&code=ab%2Bcd");
    EXPECT_EQ(confirms[2].url, "https://api.store.test/api/customer/identity/confirm-account?email=a@x.test&code=%0A12");
    EXPECT_EQ(confirms[0].method, "POST");
    EXPECT_FALSE(confirms[0].body.has_value());
    EXPECT_EQ(confirms[0].headers, baseHeaders("application/json"));

    transport->route("POST", "/api/customer/identity/forgot-password", 204, "");
    client->forgotPassword(QStringLiteral("a&b=c@x.test"));
    EXPECT_EQ(transport->requests().last().url, "https://api.store.test/api/customer/identity/forgot-password?email=a%26b%3Dc@x.test");

    transport->route("GET", "/api/customer/inventory/products/", 200, R"({"id":"a/b&c","name":"n","tagline":"t"})");
    EXPECT_EQ(client->product(QStringLiteral("a/b&c? d")).id, "a/b&c");
    EXPECT_EQ(transport->requests().last().url, "https://api.store.test/api/customer/inventory/products/a%2Fb&c%3F%20d");

    transport->route("PATCH", "/api/customer/orders/", 200, orderBody);
    const OrderLineItem line{"line-1", "Product", "prod_1", std::nullopt, 1, "var_1"};
    const Order order = client->pushOrder(QStringLiteral("o/1"), QStringLiteral("EUR"), {line},
        QUrl(QStringLiteral("https://tavren.example/done?x=1&y=2")));
    EXPECT_EQ(order.checkoutUrl, "https://tavren.example/c");
    const HttpRequest push = transport->requests().last();
    EXPECT_EQ(push.method, "PATCH");
    EXPECT_EQ(push.url,
        "https://api.store.test/api/customer/orders/o%2F1?checkout=true&returnUrl=https:%2F%2Ftavren.example%2Fdone%3Fx%3D1%26y%3D2");
    EXPECT_EQ(push.headers, baseHeaders("application/json"));
    EXPECT_EQ(QJsonDocument::fromJson(*push.body).object(), (QJsonObject{{"currency", "EUR"}, {"items", QJsonArray{line.toJson()}}}));

    transport->route("GET", "/api/customer/orders/", 200, orderBody);
    client->order(QStringLiteral("o/1"));
    EXPECT_EQ(transport->requests().last().url, "https://api.store.test/api/customer/orders/o%2F1");

    // A dot segment cannot climb out of its place in the path.
    const QList<std::pair<QString, QByteArray>> segments = {
        {"..", "%2E%2E"}, {".", "%2E"}, {"...", "..."}, {"a.b", "a.b"}, {"../x", "..%2Fx"}};
    for (const auto& [id, encoded] : segments) {
        client->order(id);
        EXPECT_EQ(transport->requests().last().url, "https://api.store.test/api/customer/orders/" + encoded) << id.toStdString();
    }

    // Every answer is capped.
    for (const HttpRequest& request : transport->requests())
        EXPECT_EQ(request.maxBodyBytes, MoonbaseClient::maxBodyBytes) << request.url.constData();
}

TEST_F(MoonbaseClientTest, TenCallersWithAnExpiringTokenShareOneRefresh)
{
    signedIn(59, QStringLiteral("r+/=1"));
    const QString fresh = jwt(start.addSecs(3600));
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    transport->route("POST", "/api/customer/identity/refresh", [&](const HttpRequest&) {
        released.wait();
        return ScriptedTransport::response(200, identity(fresh, "r2"));
    });

    std::latch started(10);
    std::atomic<int> failures{0};
    std::vector<std::thread> callers;
    for (int i = 0; i < 10; ++i) {
        callers.emplace_back([&] {
            started.count_down();
            try {
                client->storefront();
            } catch (...) {
                ++failures;
            }
        });
    }
    started.wait();
    release.set_value();
    for (auto& caller : callers)
        caller.join();

    EXPECT_EQ(failures, 0);
    const auto refreshes = transport->requestsTo("/api/customer/identity/refresh");
    ASSERT_EQ(refreshes.size(), 1);
    EXPECT_EQ(refreshes[0].url, "https://api.store.test/api/customer/identity/refresh?token=r%2B%2F%3D1");
    EXPECT_EQ(refreshes[0].headers, baseHeaders("text/plain"));
    EXPECT_EQ(refreshes[0].body, "old-access");
    EXPECT_EQ(refreshes[0].maxBodyBytes, MoonbaseClient::maxBodyBytes);
    const auto stores = transport->requestsTo("/api/customer/storefront");
    ASSERT_EQ(stores.size(), 10);
    for (const HttpRequest& request : stores)
        EXPECT_EQ(request.header("Authorization"), "Bearer " + fresh.toLatin1());
    EXPECT_EQ(persistence->saves.size(), 1);
    EXPECT_EQ(persistence->stored, (SessionTokens{fresh, "r2", start.addSecs(3600)}));
}

TEST_F(MoonbaseClientTest, A401IsRetriedOnceAfterAForcedRefresh)
{
    signedIn(3600);
    const QString fresh = jwt(start.addSecs(7200));
    std::atomic<int> calls{0};
    transport->route("GET", "/api/customer/meta/user", [&](const HttpRequest&) {
        return ++calls == 1 ? ScriptedTransport::response(401, "")
                            : ScriptedTransport::response(200, R"({"id":"u1","email":"e","name":"Ada"})");
    });
    transport->route("POST", "/api/customer/identity/refresh", 200, identity(fresh, "r2"));

    EXPECT_EQ(client->currentUser().name, "Ada");
    QList<QByteArray> sequence;
    for (const HttpRequest& request : transport->requests())
        sequence << ScriptedTransport::pathOf(request.url).left(32) + " " + request.header("Authorization").value_or("-");
    EXPECT_EQ(sequence, (QList<QByteArray>{"/api/customer/meta/user Bearer old-access",
                            "/api/customer/identity/refresh?t -", "/api/customer/meta/user Bearer " + fresh.toLatin1()}));

    // Still 401 after the retry: signed out of the call, not retried again.
    transport->route("GET", "/api/customer/meta/user", 401, "");
    transport->route("GET", "/api/customer/storefront", 401, R"({"detail":"who are you"})");
    const qsizetype before = transport->requests().size();
    EXPECT_EQ(moonbaseError([&] { client->currentUser(); }), MoonbaseError::notSignedIn());
    EXPECT_EQ(transport->requests().size(), before + 3);
    EXPECT_EQ(moonbaseError([&] { client->storefront(); }), MoonbaseError::notSignedIn());
    EXPECT_EQ(transport->requests().size(), before + 6);
}

TEST_F(MoonbaseClientTest, RefreshAnswered403Or404Or401EndsTheSession)
{
    for (const int status : {403, 404, 401}) {
        transport = std::make_shared<ScriptedTransport>();
        persistence = std::make_shared<FakePersistence>();
        client = std::make_unique<MoonbaseClient>(policy, transport, persistence, [this] { return now(); });
        signedIn(10);
        transport->route("GET", "/api/customer/storefront", 200, storefrontBody);
        transport->route("POST", "/api/customer/identity/refresh", status, "");

        client->storefront(); // goes on without a bearer
        EXPECT_FALSE(transport->requestsTo("/api/customer/storefront").at(0).header("Authorization")) << status;
        EXPECT_FALSE(client->isSignedIn()) << status;
        EXPECT_EQ(persistence->clears, 1) << status;
        EXPECT_FALSE(persistence->stored) << status;
        EXPECT_EQ(moonbaseError([&] { client->currentUser(); }), MoonbaseError::notSignedIn());
        EXPECT_EQ(transport->requests().size(), 2) << status;
    }
}

TEST_F(MoonbaseClientTest, AFailedRefreshKeepsTheSession)
{
    signedIn(10);
    transport->route("POST", "/api/customer/identity/refresh",
        [](const HttpRequest&) -> HttpResponse { throw TransportError(7, QStringLiteral("Couldn't connect")); });
    EXPECT_THROW(client->storefront(), TransportError);
    EXPECT_TRUE(client->isSignedIn());
    EXPECT_EQ(persistence->clears, 0);
    EXPECT_TRUE(transport->requestsTo("/api/customer/storefront").isEmpty());

    transport->route("POST", "/api/customer/identity/refresh", 503, R"({"title":"Maintenance"})");
    EXPECT_EQ(moonbaseError([&] { client->storefront(); }), MoonbaseError::server(503, "Maintenance"));
    EXPECT_TRUE(client->isSignedIn());

    // A refresh whose tokens cannot be saved still puts them to use.
    persistence->failWrites = true;
    const QString fresh = jwt(start.addSecs(3600));
    transport->route("POST", "/api/customer/identity/refresh", 200, identity(fresh, "r2"));
    EXPECT_THROW(client->storefront(), std::runtime_error);
    client->storefront();
    EXPECT_EQ(transport->requestsTo("/api/customer/storefront").last().header("Authorization"), "Bearer " + fresh.toLatin1());

    // A sign-out the keychain refuses still signs out.
    client->signOut();
    EXPECT_FALSE(client->isSignedIn());
}

TEST_F(MoonbaseClientTest, ARefreshFinishingAfterSignOutDoesNotRestoreTheSession)
{
    signedIn(10);
    std::promise<void> arrived;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    transport->route("POST", "/api/customer/identity/refresh", [&](const HttpRequest&) {
        arrived.set_value();
        released.wait();
        return ScriptedTransport::response(200, identity(jwt(start.addSecs(3600)), "r2"));
    });
    transport->route("GET", "/api/customer/meta/user", 401, "");

    std::thread refresher([&] { client->storefront(); });
    arrived.get_future().wait();
    std::atomic<bool> waiterSignedOut{false};
    std::thread waiter([&] {
        try {
            client->currentUser();
        } catch (const MoonbaseError& error) {
            waiterSignedOut = error == MoonbaseError::notSignedIn();
        }
    });
    client->signOut();
    release.set_value();
    refresher.join();
    waiter.join();

    EXPECT_FALSE(client->isSignedIn());
    EXPECT_TRUE(persistence->saves.isEmpty());
    EXPECT_FALSE(persistence->stored);
    EXPECT_TRUE(waiterSignedOut);
    EXPECT_FALSE(transport->requestsTo("/api/customer/storefront").at(0).header("Authorization"));
}

TEST_F(MoonbaseClientTest, ARefreshFinishingAfterANewSignInKeepsTheNewSession)
{
    signedIn(10);
    std::promise<void> arrived;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    transport->route("POST", "/api/customer/identity/refresh", [&](const HttpRequest&) {
        arrived.set_value();
        released.wait();
        return ScriptedTransport::response(200, identity(jwt(start.addSecs(3600)), "stale"));
    });
    const QString mine = jwt(start.addSecs(7200));
    transport->route("POST", "/api/customer/identity/sign-in", 200, identity(mine, "mine"));

    std::thread refresher([&] { client->storefront(); });
    arrived.get_future().wait();
    client->signIn(QStringLiteral("b@x.test"), QStringLiteral("pw"));
    release.set_value();
    refresher.join();

    EXPECT_EQ(persistence->stored, (SessionTokens{mine, "mine", start.addSecs(7200)}));
    EXPECT_EQ(persistence->saves.size(), 1);
    client->storefront();
    EXPECT_EQ(transport->requestsTo("/api/customer/storefront").last().header("Authorization"), "Bearer " + mine.toLatin1());
}

TEST_F(MoonbaseClientTest, AuthenticatedCallsWithoutASessionSendNothing)
{
    EXPECT_EQ(moonbaseError([&] { client->currentUser(); }), MoonbaseError::notSignedIn());
    EXPECT_EQ(moonbaseError([&] { client->ownedProducts(); }), MoonbaseError::notSignedIn());
    EXPECT_EQ(moonbaseError([&] { client->resolveDownload(Download{"d", "k", Platform::mac, 1, "https://api.store.test/d"}); }),
        MoonbaseError::notSignedIn());
    EXPECT_TRUE(transport->requests().isEmpty());
}

TEST_F(MoonbaseClientTest, StatusesBecomeStoreErrors)
{
    struct Case {
        int status;
        QByteArray body;
        std::optional<MoonbaseError> error;
    };
    const QList<Case> table = {
        {200, "", std::nullopt},
        {302, "", std::nullopt},
        {399, "", std::nullopt},
        {404, R"({"title":"Order"})", MoonbaseError::notFound("Order")},
        {404, "", MoonbaseError::notFound("not found")},
        {403, R"({"detail":"","title":"Forbidden"})", MoonbaseError::forbidden("")},
        {401, R"({"detail":"expired"})", MoonbaseError::notSignedIn()},
        {500, "", MoonbaseError::server(500, "internal server error")},
        {502, R"({"title":"Gateway","detail":"Bad gateway","status":502})", MoonbaseError::server(502, "Bad gateway")},
        {409, R"({"status":"409","detail":"taken"})", MoonbaseError::server(409, "conflict")},
        {418, "<html>teapot</html>", MoonbaseError::server(418, "client error")},
        {599, "[]", MoonbaseError::server(599, "server error")},
    };
    for (const Case& c : table) {
        const HttpResponse response = ScriptedTransport::response(c.status, c.body);
        if (!c.error) {
            EXPECT_NO_THROW(MoonbaseClient::check(response)) << c.status;
            continue;
        }
        EXPECT_EQ(moonbaseError([&] { MoonbaseClient::check(response); }), *c.error) << c.status << " " << c.body.constData();
    }
}

TEST(MoonbaseErrorText, EveryCaseHasItsSentence)
{
    const QList<std::pair<MoonbaseError, QString>> table = {
        {MoonbaseError::notFound("Product"), "Product was not found."},
        {MoonbaseError::forbidden(""), ""},
        {MoonbaseError::forbidden("Account locked"), "Account locked"},
        {MoonbaseError::server(502, "Bad gateway"), "The store returned 502. Bad gateway"},
        {MoonbaseError::decoding("$.id: required member is missing"),
            "The store sent a response the app could not read. $.id: required member is missing"},
        {MoonbaseError::blockedURL("/x"), "Refused to contact /x."},
        {MoonbaseError::notSignedIn(), "Sign in to continue."},
        {MoonbaseError::invalidCredentials(), "That email and password did not match a Tavren store account."},
    };
    for (const auto& [error, text] : table) {
        EXPECT_EQ(error.message(), text);
        EXPECT_STREQ(error.what(), text.toUtf8().constData());
    }
    EXPECT_NE(MoonbaseError::server(500, "a"), MoonbaseError::server(500, "b"));
    EXPECT_EQ(MoonbaseError::notSignedIn(), MoonbaseError::notSignedIn());
}

TEST_F(MoonbaseClientTest, OwnedProductsFollowPagesUpToFifty)
{
    signedIn(3600);
    std::atomic<int> served{0};
    transport->route("GET", "/api/customer/inventory/products", [&](const HttpRequest&) {
        const int n = ++served;
        return ScriptedTransport::response(200,
            QStringLiteral(R"({"items":[{"id":"p%1","name":"n","tagline":"t"}],"hasMore":true,"next":"/api/customer/inventory/products?page=%2"})")
                .arg(n)
                .arg(n + 1)
                .toUtf8());
    });
    const QtMessageHandler previous = qInstallMessageHandler(collect);
    const QList<ProductSummary> products = client->ownedProducts();
    qInstallMessageHandler(previous);
    EXPECT_EQ(logged,
        QStringList{"com.tavren.hub.store /api/customer/inventory/products: stopped after 50 pages; the rest of the list is left out"});
    EXPECT_EQ(products.size(), 50);
    EXPECT_EQ(products.last().id, "p50");
    const auto requests = transport->requests();
    ASSERT_EQ(requests.size(), 50);
    EXPECT_EQ(requests[0].url, "https://api.store.test/api/customer/inventory/products");
    EXPECT_EQ(requests[49].url, "https://api.store.test/api/customer/inventory/products?page=50");
    EXPECT_EQ(requests[49].header("Authorization"), "Bearer old-access");
}

TEST_F(MoonbaseClientTest, NextLinksStayOnTheApiHostWithTheirEscapes)
{
    signedIn(3600);
    const auto pages = [&](QList<QByteArray> nexts) {
        transport = std::make_shared<ScriptedTransport>();
        client = std::make_unique<MoonbaseClient>(policy, transport, persistence, [this] { return now(); });
        auto remaining = std::make_shared<QList<QByteArray>>(std::move(nexts));
        transport->route("GET", "/", [remaining](const HttpRequest&) {
            if (remaining->isEmpty())
                return ScriptedTransport::response(200, R"({"items":[],"hasMore":false})");
            return ScriptedTransport::response(200, R"({"items":[],"hasMore":true,"next":")" + remaining->takeFirst() + "\"}");
        });
    };

    // Links without a host resolve against the page they came from.
    pages({"/api/customer/inventory/products?cursor=a%2Fb%26c", "https://API.store.test:443/api/customer/x%2Fy?after=%26z#frag",
        "page3?x=1", "../v2/./list?x=2#f", "?x=3", "../../../../top"});
    client->ownedProducts();
    QList<QByteArray> urls;
    for (const HttpRequest& request : transport->requests())
        urls << request.url;
    EXPECT_EQ(urls, (QList<QByteArray>{"https://api.store.test/api/customer/inventory/products",
                        "https://api.store.test/api/customer/inventory/products?cursor=a%2Fb%26c",
                        "https://api.store.test/api/customer/x%2Fy?after=%26z", "https://api.store.test/api/customer/page3?x=1",
                        "https://api.store.test/api/v2/list?x=2", "https://api.store.test/api/v2/list?x=3",
                        "https://api.store.test/top"}));

    for (const char* next : {"https://evil.test/api/customer/inventory/products?page=2", "http://api.store.test/p",
             "https://api.store.test:8443/p", "https://user@api.store.test/p", "//evil.test/p"}) {
        pages({next});
        EXPECT_EQ(moonbaseError([&] { client->ownedProducts(); }), MoonbaseError::blockedURL(QString::fromLatin1(next))) << next;
        EXPECT_EQ(transport->requests().size(), 1) << next;
    }
}

TEST_F(MoonbaseClientTest, DownloadsResolveToTheDownloadDomainsOnly)
{
    signedIn(3600);
    const auto download = [](std::optional<QString> path) { return Download{"d", "k", Platform::mac, 1, std::move(path)}; };
    const auto locate = [&](const QByteArray& location) {
        transport->route("GET", "/api/customer/inventory/products/", 200, R"({"location":")" + location + "\"}");
        return client->resolveDownload(download(QStringLiteral("https://api.store.test/api/customer/inventory/products/p%2F1/download/k?sig=a%26b")));
    };

    EXPECT_EQ(locate("https://bucket.objects.test/f.pkg?X-Sig=ab%2Fc").toEncoded(), "https://bucket.objects.test/f.pkg?X-Sig=ab%2Fc");
    const HttpRequest request = transport->requests().last();
    EXPECT_EQ(request.url, "https://api.store.test/api/customer/inventory/products/p%2F1/download/k?sig=a%26b&redirect=false");
    EXPECT_EQ(request.header("Authorization"), "Bearer old-access");
    EXPECT_EQ(locate("https://bucket.objects.test/My File é.pkg").toEncoded(), "https://bucket.objects.test/My%20File%20%C3%A9.pkg");
    EXPECT_EQ(locate("https://bucket.objects.test/a%20b.pkg").toEncoded(), "https://bucket.objects.test/a%20b.pkg");

    for (const char* location : {"https://api.store.test/f.pkg", "https://objects.test/f.pkg", "http://bucket.objects.test/f.pkg",
             "https://objects.test.evil.example/f.pkg", "/f.pkg"}) {
        const MoonbaseError error = moonbaseError([&] { locate(location); });
        EXPECT_EQ(error, MoonbaseError::blockedURL(QString::fromUtf8(location)));
        EXPECT_EQ(error.message(), QStringLiteral("Refused to contact %1.").arg(QString::fromUtf8(location)));
    }
    transport->route("GET", "/d", 200, R"({"url":"https://bucket.objects.test/f"})");
    EXPECT_EQ(moonbaseError([&] { client->resolveDownload(download(QStringLiteral("https://api.store.test/d"))); }).kind,
        MoonbaseError::Kind::decoding);

    // Only absolute links on the API host are asked for; a link without a query gains one.
    const qsizetype sent = transport->requests().size();
    EXPECT_EQ(moonbaseError([&] { client->resolveDownload(download(std::nullopt)); }), MoonbaseError::blockedURL("(no path)"));
    for (const char* path : {"/api/customer/inventory/products/p/download/k", "https://other.test/api/customer/d",
             "https://api.store.test:8443/d"}) {
        EXPECT_EQ(moonbaseError([&] { client->resolveDownload(download(QString::fromLatin1(path))); }),
            MoonbaseError::blockedURL(QString::fromLatin1(path)));
    }
    EXPECT_EQ(transport->requests().size(), sent);
    transport->route("GET", "/d", 200, R"({"location":"https://b.objects.test/f"})");
    client->resolveDownload(download(QStringLiteral("https://api.store.test/d")));
    EXPECT_EQ(transport->requests().last().url, "https://api.store.test/d?redirect=false");
}

TEST_F(MoonbaseClientTest, ASessionTheOtherProcessRefreshedIsTakenUpInsteadOfRefreshedOrCleared)
{
    const auto session = [&](const char* refresh, qint64 left = 3600) {
        return SessionTokens{jwt(now().addSecs(left)) + refresh, QString::fromLatin1(refresh), now().addSecs(left)};
    };
    const auto bearer = [&] { return QString::fromLatin1(transport->requests().last().header("Authorization").value_or("")); };
    transport->route("POST", "/api/customer/identity/refresh", 500, "");
    signedIn(10, "r1");
    ASSERT_TRUE(client->isSignedIn());
    persistence->stored = session("r2"); // about to expire here, but the stored session moved on: no refresh
    client->storefront();
    EXPECT_EQ(bearer(), "Bearer " + session("r2").accessToken);

    persistence->stored = session("r3", 3700); // a 401, and the stored session moved on again: retried with it
    std::atomic<int> calls{0};
    transport->route("GET", "/api/customer/meta/user", [&](const HttpRequest&) {
        return ScriptedTransport::response(++calls == 1 ? 401 : 200, R"({"id":"u1","email":"e","name":"Ada"})");
    });
    EXPECT_EQ(client->currentUser().name, "Ada");
    EXPECT_EQ(bearer(), "Bearer " + session("r3", 3700).accessToken);
    EXPECT_TRUE(transport->requestsTo("/api/customer/identity/refresh").isEmpty());

    // Refused because the other process rotated the token meanwhile: its session is taken up.
    elapsedMs = 3650'000;
    const SessionTokens fourth = session("r4");
    transport->route("POST", "/api/customer/identity/refresh", [&](const HttpRequest&) {
        persistence->stored = fourth;
        return ScriptedTransport::response(401, "");
    });
    client->storefront();
    EXPECT_EQ(bearer(), "Bearer " + fourth.accessToken);

    // Refused with nothing newer stored: signed out, and the refused session cleared.
    elapsedMs = 7240'000;
    transport->route("POST", "/api/customer/identity/refresh", 401, "");
    client->storefront();
    EXPECT_FALSE(client->isSignedIn());
    EXPECT_EQ(persistence->clears, 1);
    EXPECT_TRUE(persistence->saves.isEmpty());
}

TEST_F(MoonbaseClientTest, AnOlderStoredSessionIsNeverGoneBackTo)
{
    int refreshes = 0;
    transport->route("POST", "/api/customer/identity/refresh", [&](const HttpRequest&) {
        const QString token = "r" + QString::number(++refreshes + 1);
        return ScriptedTransport::response(200, identity(jwt(now().addSecs(3600)) + token, token));
    });
    std::atomic<int> users{0};
    transport->route("GET", "/api/customer/meta/user", [&](const HttpRequest&) {
        return ScriptedTransport::response(++users % 2 == 1 ? 401 : 200, R"({"id":"u1","email":"e","name":"Ada"})");
    });
    const auto refreshedWith = [&] { return transport->requestsTo("/api/customer/identity/refresh").last().url; };

    // The refreshed session r2 could not be written: the keychain still holds r1, which is older.
    signedIn(10, "r1");
    persistence->failWrites = true;
    EXPECT_THROW(client->storefront(), std::runtime_error);
    persistence->failWrites = false;
    client->currentUser(); // a 401: refreshed with r2, not with the stored r1
    EXPECT_TRUE(refreshedWith().endsWith("token=r2")) << refreshedWith().toStdString();

    // Another account's session, stored earlier and expiring sooner, is not taken up either.
    persistence->stored = SessionTokens{QStringLiteral("other-access"), QStringLiteral("other"), now().addSecs(1800)};
    client->currentUser();
    EXPECT_TRUE(refreshedWith().endsWith("token=r3")) << refreshedWith().toStdString();
    EXPECT_NE(authorization(transport->requests().size() - 1), "Bearer other-access");
}

TEST_F(MoonbaseClientTest, AKeychainThatCannotBeReadLeavesTheSessionUnknownUntilItCan)
{
    signedIn(3600);
    persistence->failLoads = true;
    EXPECT_FALSE(client->isSignedIn());
    client->storefront(); // without a bearer
    EXPECT_THROW(client->currentUser(), KeychainError); // not "signed out", and nothing cleared
    EXPECT_EQ(transport->requests().size(), 1);
    persistence->failLoads = false;
    EXPECT_TRUE(client->isSignedIn());
    client->storefront();
    EXPECT_EQ(authorization(1), "Bearer old-access");
    EXPECT_EQ(persistence->loads, 4); // known now: not read again
    EXPECT_EQ(persistence->clears, 0);
}
