#include "kit/api/MoonbaseError.h"
#include "kit/api/TavrenIDClient.h"
#include "kit/security/KeychainError.h"
#include "tests/testkit/FakeTokenPersistence.h"
#include "tests/testkit/ScriptedTransport.h"
#include "tests/testkit/StoreResponses.h"
#include "tests/testkit/Thrown.h"

#include <QJsonDocument>
#include <future>
#include <gtest/gtest.h>
#include <thread>

using namespace hub;
using namespace std::chrono_literals;

namespace {

const QDateTime start(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);
const QByteArray profileBody = R"({"user":{"id":"u1","email":"a@x.test"}})";
const QByteArray reviewBody = R"({"id":"r1","productId":"p","rating":5,"title":"t","body":"b","displayName":"d","verifiedPurchase":true})";

using Header = std::pair<QByteArray, QByteArray>;
const Header accept{"Accept", "application/json"};
const Header agent{"User-Agent", "Tavren Hub (macOS)"};
const Header jsonType{"Content-Type", "application/json"};
Header bearer(const QString& token) { return {"Authorization", "Bearer " + token.toUtf8()}; }

template <typename F>
MoonbaseError moonbaseError(F&& call)
{
    return test::thrown<MoonbaseError>(std::forward<F>(call));
}

class TavrenIDClientTest : public ::testing::Test {
protected:
    TavrenIDClientTest() { client = make(QStringLiteral("https://id.tavren.test/id"), QStringLiteral("https://id.tavren.test/auth")); }

    std::unique_ptr<TavrenIDClient> make(const QString& base, const QString& authBase)
    {
        return std::make_unique<TavrenIDClient>(QUrl(base), QUrl(authBase), transport, persistence, [] { return start; });
    }
    void signedIn(const QString& token = QStringLiteral("tok"))
    {
        persistence->stored = SessionTokens{token, QString(), start.addSecs(3600)};
    }
    void answer(const QByteArray& method, const QByteArray& path, int status, const QByteArray& body)
    {
        transport->route(method, path, status, body);
    }

    std::shared_ptr<ScriptedTransport> transport = std::make_shared<ScriptedTransport>();
    std::shared_ptr<FakeTokenPersistence> persistence = std::make_shared<FakeTokenPersistence>();
    std::unique_ptr<TavrenIDClient> client;
};

} // namespace

TEST_F(TavrenIDClientTest, EveryOperationSendsItsRequest)
{
    signedIn();
    const QString issued = StoreResponses::accessToken(start.addSecs(7200));
    answer("POST", "/id/auth/email/code/", 204, "");
    answer("POST", "/id/auth/email/code/complete", 200, R"({"token":")" + issued.toUtf8() + "\"}");
    answer("GET", "/id/auth/me", 200, profileBody);
    answer("GET", "/id/auth/sessions", 200, R"({"sessions":[]})");
    answer("POST", "/id/auth/sessions/revoke", 200, "");
    answer("GET", "/id/auth/purchases", 200, R"({"purchases":[]})");
    answer("GET", "/id/reviews", 200, R"({"productId":"p","summary":{"count":0},"reviews":[]})");
    answer("GET", "/id/reviews/mine", 200, R"({"eligible":true})");
    answer("POST", "/id/reviews", 200, R"({"review":)" + reviewBody + R"(,"created":true})");
    answer("POST", "/id/auth/signout", 204, "");
    answer("POST", "/auth/hub/exchange", 200, R"({"qid":"q-token"})");

    struct Case {
        const char* what;
        std::function<void()> call;
        QByteArray method;
        QByteArray url;
        HttpHeaders headers;
        std::optional<QJsonObject> body;
    };
    const Case cases[] = {
        {"request a code", [&] { client->requestCode("a+b@x.test"); }, "POST", "https://id.tavren.test/id/auth/email/code/request",
            {accept, agent, jsonType}, QJsonObject{{"email", "a+b@x.test"}}},
        {"profile", [&] { client->profile(); }, "GET", "https://id.tavren.test/id/auth/me", {accept, agent, bearer("tok")}, {}},
        {"sessions", [&] { client->sessions(); }, "GET", "https://id.tavren.test/id/auth/sessions", {accept, agent, bearer("tok")}, {}},
        {"revoke", [&] { client->revokeSession("s 1"); }, "POST", "https://id.tavren.test/id/auth/sessions/revoke",
            {accept, agent, jsonType, bearer("tok")}, QJsonObject{{"sessionId", "s 1"}}},
        {"purchases", [&] { client->purchases(); }, "GET", "https://id.tavren.test/id/auth/purchases", {accept, agent, bearer("tok")}, {}},
        {"first page of reviews, no bearer", [&] { client->reviews("p&1=2", std::nullopt, 10); }, "GET",
            "https://id.tavren.test/id/reviews?product=p%261%3D2&limit=10", {accept, agent}, {}},
        {"next page of reviews", [&] { client->reviews("p", "c+/", 10); }, "GET",
            "https://id.tavren.test/id/reviews?product=p&limit=10&cursor=c%2B%2F", {accept, agent}, {}},
        {"an empty cursor is sent", [&] { client->reviews("p", "", 3); }, "GET",
            "https://id.tavren.test/id/reviews?product=p&limit=3&cursor=", {accept, agent}, {}},
        {"my review", [&] { client->myReview("p"); }, "GET", "https://id.tavren.test/id/reviews/mine?product=p",
            {accept, agent, bearer("tok")}, {}},
        {"post the normalized draft", [&] { client->postReview(ReviewDraft{"p", 4, " Title\n", "\tBody ", "  "}); }, "POST",
            "https://id.tavren.test/id/reviews", {accept, agent, jsonType, bearer("tok")},
            QJsonObject{{"productId", "p"}, {"rating", 4}, {"title", "Title"}, {"body", "Body"}}},
        {"exchange: one header", [&] { client->exchange("c", "v"); }, "POST", "https://id.tavren.test/auth/hub/exchange", {jsonType},
            QJsonObject{{"code", "c"}, {"verifier", "v"}}},
        {"sign out", [&] { client->signOut(); }, "POST", "https://id.tavren.test/id/auth/signout",
            {accept, agent, jsonType, bearer("q-token")}, QJsonObject{}},
        {"complete a code, without its white space", [&] { client->completeCode("a@x.test", QString::fromUtf8(" 123\u00a0456\n")); },
            "POST", "https://id.tavren.test/id/auth/email/code/complete", {accept, agent, jsonType},
            QJsonObject{{"email", "a@x.test"}, {"code", "123456"}}},
    };
    for (const Case& c : cases) {
        const qsizetype before = transport->requests().size();
        c.call();
        ASSERT_GT(transport->requests().size(), before) << c.what;
        const HttpRequest request = transport->requests().at(before);
        EXPECT_EQ(request.method, c.method) << c.what;
        EXPECT_EQ(request.url, c.url) << c.what;
        EXPECT_EQ(request.headers, c.headers) << c.what;
        EXPECT_EQ(request.timeout, 60s) << c.what;
        EXPECT_EQ(request.maxBodyBytes, TavrenIDClient::maxBodyBytes) << c.what;
        EXPECT_EQ(request.body.has_value(), c.body.has_value()) << c.what;
        if (c.body && request.body) {
            EXPECT_EQ(QJsonDocument::fromJson(*request.body).object(), *c.body) << c.what;
        }
    }
    // The completed code was adopted and the profile fetched with it.
    const HttpRequest last = transport->requests().last();
    EXPECT_EQ(last.url, "https://id.tavren.test/id/auth/me");
    EXPECT_EQ(last.header("Authorization"), "Bearer " + issued.toUtf8());
    EXPECT_EQ(persistence->stored, (SessionTokens{issued, QString(), start.addSecs(7200)}));
}

TEST_F(TavrenIDClientTest, TheTokenIsLoadedOnceAdoptedAndForgotten)
{
    // No token: authorized calls send nothing; the others still work.
    EXPECT_FALSE(client->isSignedIn());
    EXPECT_EQ(moonbaseError([&] { client->profile(); }), MoonbaseError::notSignedIn());
    EXPECT_EQ(moonbaseError([&] { client->myReview("p"); }), MoonbaseError::notSignedIn());
    EXPECT_EQ(moonbaseError([&] { client->postReview(ReviewDraft{"p", 5, "t", "b", std::nullopt}); }), MoonbaseError::notSignedIn());
    EXPECT_TRUE(transport->requests().isEmpty());
    answer("POST", "/id/auth/email/code/request", 200, "");
    client->requestCode("a@x.test");
    EXPECT_EQ(persistence->loads, 1);

    // A token without a readable expiry is saved to last 900 seconds.
    client->adopt("opaque");
    EXPECT_EQ(persistence->stored, (SessionTokens{"opaque", QString(), start.addSecs(900)}));
    EXPECT_TRUE(client->isSignedIn());

    // A failing save is thrown, and the token stays in use.
    persistence->failWrites = true;
    EXPECT_THROW(client->adopt("second"), std::runtime_error);
    answer("GET", "/id/auth/me", 200, profileBody);
    client->profile();
    EXPECT_EQ(transport->requests().last().header("Authorization"), "Bearer second");

    // Forgetting ignores a failing clear.
    client->forget();
    EXPECT_FALSE(client->isSignedIn());
    persistence->failWrites = false;

    // A keychain that cannot be read: unknown, asked again on the next call.
    auto locked = std::make_shared<FakeTokenPersistence>();
    locked->stored = SessionTokens{QStringLiteral("tok"), QString(), start.addSecs(3600)};
    locked->failLoads = true;
    TavrenIDClient other(QUrl("https://id.tavren.test/id"), QUrl("https://id.tavren.test/auth"), transport, locked);
    EXPECT_FALSE(other.isSignedIn());
    EXPECT_THROW(other.profile(), KeychainError);
    locked->failLoads = false;
    EXPECT_TRUE(other.isSignedIn());
    EXPECT_EQ(locked->loads, 3);
    EXPECT_TRUE(other.isSignedIn());
    EXPECT_EQ(locked->loads, 3);
}

TEST_F(TavrenIDClientTest, StatusesBecomeErrorsWithTheServiceDetail)
{
    signedIn();
    struct Case {
        int status;
        QByteArray body;
        std::optional<MoonbaseError> error;
    };
    const Case cases[] = {
        {200, profileBody, std::nullopt},
        {200, "", MoonbaseError::decoding("$: not a JSON object")},
        {404, R"({"message":"No such account","error":"not_found"})", MoonbaseError::server(404, "No such account")},
        {400, R"({"error":"bad_email"})", MoonbaseError::server(400, "bad_email")},
        {429, "slow down", MoonbaseError::server(429, "too many requests")},
        {500, "", MoonbaseError::server(500, "internal server error")},
        {409, R"({"message":7})", MoonbaseError::server(409, "conflict")},
        {302, profileBody, MoonbaseError::server(302, "found")}, // nothing was followed, so nothing was done
    };
    for (const Case& c : cases) {
        answer("GET", "/id/auth/me", c.status, c.body);
        if (!c.error) {
            EXPECT_NO_THROW(client->profile()) << c.status;
            continue;
        }
        const MoonbaseError error = moonbaseError([&] { client->profile(); });
        if (c.error->kind == MoonbaseError::Kind::decoding)
            EXPECT_EQ(error.kind, MoonbaseError::Kind::decoding) << c.status;
        else
            EXPECT_EQ(error, *c.error) << c.status << " " << c.body.constData();
    }

    // Any 2xx is success for the calls that ignore the body; a 3xx is not.
    for (const int status : {200, 204, 299}) {
        answer("POST", "/id/auth/", status, "");
        EXPECT_NO_THROW(client->requestCode("a@x.test")) << status;
        EXPECT_NO_THROW(client->revokeSession("s")) << status;
    }
    for (const int status : {301, 303, 307}) {
        answer("POST", "/id/auth/", status, "");
        EXPECT_EQ(moonbaseError([&] { client->requestCode("a@x.test"); }).status, status);
        EXPECT_EQ(moonbaseError([&] { client->revokeSession("s"); }).status, status);
    }

    // A 401 where no bearer went out is an ordinary failure: the token stays.
    answer("POST", "/id/auth/email/code/complete", 401, R"({"message":"Wrong code"})");
    EXPECT_EQ(moonbaseError([&] { client->completeCode("a@x.test", "1"); }), MoonbaseError::server(401, "Wrong code"));
    answer("GET", "/id/reviews", 401, "");
    EXPECT_EQ(moonbaseError([&] { client->reviews("p", std::nullopt, 10); }), MoonbaseError::server(401, "unauthorized"));
    EXPECT_TRUE(client->isSignedIn());

    // The exchange: anything but 200 is refused credentials; a 200 without qid changes nothing.
    for (const int status : {201, 302, 400, 401, 500}) {
        answer("POST", "/auth/hub/exchange", status, R"({"qid":"q"})");
        EXPECT_EQ(moonbaseError([&] { client->exchange("c", "v"); }), MoonbaseError::invalidCredentials()) << status;
    }
    answer("POST", "/auth/hub/exchange", 200, R"({"token":"q"})");
    EXPECT_EQ(moonbaseError([&] { client->exchange("c", "v"); }).kind, MoonbaseError::Kind::decoding);
    answer("GET", "/id/auth/me", 200, profileBody);
    client->profile();
    EXPECT_EQ(transport->requests().last().header("Authorization"), "Bearer tok");
    EXPECT_TRUE(persistence->saves.isEmpty());

    // A list with one bad element fails whole.
    answer("GET", "/id/auth/sessions", 200, R"({"sessions":[{"id":"a","label":"A"},{"id":"b"}]})");
    EXPECT_EQ(moonbaseError([&] { client->sessions(); }).kind, MoonbaseError::Kind::decoding);
    answer("GET", "/id/auth/purchases", 200, R"({"items":[]})");
    EXPECT_EQ(moonbaseError([&] { client->purchases(); }).kind, MoonbaseError::Kind::decoding);
}

TEST_F(TavrenIDClientTest, A401ForgetsOnlyTheTokenTheRequestCarried)
{
    signedIn("old");
    std::promise<void> arrived;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    transport->route("GET", "/id/auth/me", [&](const HttpRequest&) {
        arrived.set_value();
        released.wait();
        return ScriptedTransport::response(401, "");
    });
    std::optional<MoonbaseError> failure;
    std::thread caller([&] { failure = moonbaseError([&] { client->profile(); }); });
    arrived.get_future().wait();
    client->adopt("new"); // a sign-in while the old token's request is out
    release.set_value();
    caller.join();

    EXPECT_EQ(failure, MoonbaseError::notSignedIn());
    EXPECT_TRUE(client->isSignedIn());
    EXPECT_EQ(persistence->stored->accessToken, "new");
    EXPECT_EQ(persistence->clears, 0);

    // The current token refused: dropped, cleared, and not read back afterwards.
    transport->route("GET", "/id/auth/me", 401, "");
    EXPECT_EQ(moonbaseError([&] { client->profile(); }), MoonbaseError::notSignedIn());
    EXPECT_FALSE(client->isSignedIn());
    EXPECT_EQ(persistence->clears, 1);
    signedIn("written elsewhere");
    const qsizetype sent = transport->requests().size();
    EXPECT_EQ(moonbaseError([&] { client->profile(); }), MoonbaseError::notSignedIn());
    EXPECT_EQ(transport->requests().size(), sent);
}

TEST_F(TavrenIDClientTest, RefusedAddressesSignOutAndTheBrowserStart)
{
    signedIn();
    client = make(QStringLiteral("http://id.tavren.test/id"), QStringLiteral("http://id.tavren.test/auth"));
    const MoonbaseError refused = moonbaseError([&] { client->profile(); });
    EXPECT_EQ(refused, MoonbaseError::blockedURL("/auth/me"));
    EXPECT_EQ(refused.message(), "Refused to contact /auth/me.");
    EXPECT_EQ(moonbaseError([&] { client->reviews("p", std::nullopt, 10); }), MoonbaseError::blockedURL("/reviews"));
    EXPECT_EQ(moonbaseError([&] { client->exchange("c", "v"); }), MoonbaseError::blockedURL("http://id.tavren.test/auth/hub/exchange"));
    EXPECT_TRUE(transport->requests().isEmpty());

    // Sign-out: nothing to send without a token, and no failure escapes.
    client = make(QStringLiteral("https://id.tavren.test/id"), QStringLiteral("https://id.tavren.test/auth"));
    persistence->stored.reset();
    client->signOut();
    EXPECT_TRUE(transport->requests().isEmpty());
    EXPECT_EQ(persistence->clears, 1);
    client->adopt("tok");
    client->signOut(); // the transport has no route: it throws
    EXPECT_EQ(transport->requests().size(), 1);
    EXPECT_FALSE(client->isSignedIn());
    EXPECT_FALSE(persistence->stored);

    // A draft with a problem is refused before the session is looked at.
    EXPECT_EQ(moonbaseError([&] { client->postReview(ReviewDraft{"p", 4, "  ", "b", std::nullopt}); }),
        MoonbaseError::forbidden("Add a title."));
    EXPECT_EQ(transport->requests().size(), 1);

    const QUrl start = client->providerURL(TavrenIDProvider::github, "s t+a/te", 8080, "ch_al-lenge");
    EXPECT_EQ(start.toEncoded(), "https://id.tavren.test/auth/github/start?state=s%20t%2Ba%2Fte&port=8080&hub_challenge=ch_al-lenge");
}
