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

template <typename F>
MoonbaseError failure(F&& call)
{
    return test::thrown<MoonbaseError>(std::forward<F>(call));
}

class TavrenIDClientTest : public ::testing::Test {
protected:
    TavrenIDClientTest() { client = make("https://id.tavren.test"); }
    std::unique_ptr<TavrenIDClient> make(const QString& origin)
    {
        return std::make_unique<TavrenIDClient>(QUrl(origin + "/id"), QUrl(origin + "/auth"), transport, persistence, [] { return start; });
    }
    void signedIn(const QString& token = "tok") { persistence->stored = SessionTokens{token, QString(), start.addSecs(3600)}; }

    std::shared_ptr<ScriptedTransport> transport = std::make_shared<ScriptedTransport>();
    std::shared_ptr<FakeTokenPersistence> persistence = std::make_shared<FakeTokenPersistence>();
    std::unique_ptr<TavrenIDClient> client;
};

} // namespace

TEST_F(TavrenIDClientTest, EveryOperationSendsItsRequest)
{
    signedIn();
    const QString issued = StoreResponses::accessToken(start.addSecs(7200));
    const QHash<QByteArray, QByteArray> answers{{"/id/auth/email/code/complete", R"({"token":")" + issued.toUtf8() + "\"}"},
        {"/id/auth/me", profileBody}, {"/id/auth/sessions", R"({"sessions":[]})"}, {"/id/auth/purchases", R"({"purchases":[]})"},
        {"/id/reviews/mine", R"({"eligible":true})"}, {"/auth/hub/exchange", R"({"qid":"q"})"},
        {"GET /id/reviews", R"({"productId":"p","summary":{"count":0},"reviews":[]})"},
        {"POST /id/reviews", R"({"review":{"id":"r","productId":"p","rating":4,"title":"t","body":"b","displayName":"d","verifiedPurchase":true},"created":true})"}};
    for (const QByteArray method : {"GET", "POST"}) {
        transport->route(method, "/", [&](const HttpRequest& r) {
            const QByteArray path = ScriptedTransport::pathOf(r.url).split('?').first();
            return ScriptedTransport::response(200, answers.value(path, answers.value(r.method + ' ' + path)));
        });
    }
    // Method, address, headers (names alone for the fixed values) and the body as the service reads it.
    const auto wire = [](const HttpRequest& r) {
        const QHash<QByteArray, QByteArray> fixed{
            {"Accept", "application/json"}, {"User-Agent", "Tavren Hub (macOS)"}, {"Content-Type", "application/json"}};
        QByteArray text = r.method + ' ' + r.url;
        for (const auto& [name, value] : r.headers)
            text += ' ' + (fixed.value(name) == value ? name : value);
        return r.body ? text + ' ' + QJsonDocument::fromJson(*r.body).toJson(QJsonDocument::Compact) : text;
    };
    const std::pair<std::function<void()>, QByteArray> cases[] = {
        {[&] { client->requestCode("a+b@x.test"); },
            R"(POST https://id.tavren.test/id/auth/email/code/request Accept User-Agent Content-Type {"email":"a+b@x.test"})"},
        {[&] { client->profile(); }, "GET https://id.tavren.test/id/auth/me Accept User-Agent Bearer tok"},
        {[&] { client->sessions(); }, "GET https://id.tavren.test/id/auth/sessions Accept User-Agent Bearer tok"},
        {[&] { client->revokeSession("s 1"); },
            R"(POST https://id.tavren.test/id/auth/sessions/revoke Accept User-Agent Content-Type Bearer tok {"sessionId":"s 1"})"},
        {[&] { client->purchases(); }, "GET https://id.tavren.test/id/auth/purchases Accept User-Agent Bearer tok"},
        {[&] { client->reviews("p&1=2", std::nullopt, 10); }, "GET https://id.tavren.test/id/reviews?product=p%261%3D2&limit=10 Accept User-Agent"},
        {[&] { client->reviews("p", "", 3); }, "GET https://id.tavren.test/id/reviews?product=p&limit=3&cursor= Accept User-Agent"},
        {[&] { client->myReview("p"); }, "GET https://id.tavren.test/id/reviews/mine?product=p Accept User-Agent Bearer tok"},
        {[&] { client->postReview(ReviewDraft{"p", 4, " Title\n", "\tBody ", "  "}); },
            R"(POST https://id.tavren.test/id/reviews Accept User-Agent Content-Type Bearer tok {"body":"Body","productId":"p","rating":4,"title":"Title"})"},
        {[&] { client->exchange("c", "v"); }, R"(POST https://id.tavren.test/auth/hub/exchange Content-Type {"code":"c","verifier":"v"})"},
        {[&] { client->signOut(); }, "POST https://id.tavren.test/id/auth/signout Accept User-Agent Content-Type Bearer q {}"},
        {[&] { client->completeCode("a@x.test", QString::fromUtf8(" 123\u00a0456\n")); },
            R"(POST https://id.tavren.test/id/auth/email/code/complete Accept User-Agent Content-Type {"code":"123456","email":"a@x.test"})"},
    };
    for (const auto& [call, expected] : cases) {
        const qsizetype before = transport->requests().size();
        call();
        const HttpRequest request = transport->requests().value(before);
        EXPECT_EQ(wire(request), expected);
        EXPECT_EQ(request.timeout, 60s);
        EXPECT_EQ(request.maxBodyBytes, TavrenIDClient::maxBodyBytes);
    }
    // The completed code was adopted, saved with its expiry, and the profile fetched with it.
    EXPECT_EQ(transport->requests().last().header("Authorization"), "Bearer " + issued.toUtf8());
    EXPECT_EQ(persistence->stored, (SessionTokens{issued, QString(), start.addSecs(7200)}));
}

TEST_F(TavrenIDClientTest, TheTokenIsLoadedOnceAdoptedAndForgotten)
{
    EXPECT_FALSE(client->isSignedIn());
    EXPECT_EQ(failure([&] { client->profile(); }), MoonbaseError::notSignedIn());
    EXPECT_EQ(failure([&] { client->postReview(ReviewDraft{"p", 4, "  ", "b", std::nullopt}); }), MoonbaseError::forbidden("Add a title."));
    EXPECT_TRUE(transport->requests().isEmpty());

    client->adopt("opaque"); // no readable expiry: 900 seconds
    EXPECT_EQ(persistence->stored, (SessionTokens{"opaque", QString(), start.addSecs(900)}));
    persistence->failWrites = true;
    EXPECT_THROW(client->adopt("second"), std::runtime_error); // and the token stays in use
    EXPECT_TRUE(client->isSignedIn());
    client->forget(); // a failing clear is ignored
    EXPECT_FALSE(client->isSignedIn());

    // A keychain that cannot be read leaves the token unknown and is asked again.
    auto locked = std::make_shared<FakeTokenPersistence>();
    locked->stored = SessionTokens{"tok", QString(), start};
    locked->failLoads = true;
    TavrenIDClient other(QUrl("https://id.tavren.test/id"), QUrl("https://id.tavren.test/auth"), transport, locked);
    EXPECT_FALSE(other.isSignedIn());
    EXPECT_THROW(other.profile(), KeychainError);
    locked->failLoads = false;
    EXPECT_TRUE(other.isSignedIn());
    EXPECT_EQ(locked->loads, 3);
}

TEST_F(TavrenIDClientTest, StatusesBecomeErrorsWithTheServiceDetail)
{
    signedIn();
    const std::pair<HttpResponse, MoonbaseError> cases[] = {
        {ScriptedTransport::response(404, R"({"message":"No such account","error":"x"})"), MoonbaseError::server(404, "No such account")},
        {ScriptedTransport::response(400, R"({"error":"bad_email"})"), MoonbaseError::server(400, "bad_email")},
        {ScriptedTransport::response(409, R"({"message":7})"), MoonbaseError::server(409, "conflict")},
        {ScriptedTransport::response(302, profileBody), MoonbaseError::server(302, "found")}, // nothing was followed or done
    };
    for (const auto& c : cases) {
        transport->route("POST", "/id/auth/", [response = c.first](const HttpRequest&) { return response; });
        transport->route("GET", "/id/auth/me", [response = c.first](const HttpRequest&) { return response; });
        EXPECT_EQ(failure([&] { client->profile(); }), c.second);
        EXPECT_EQ(failure([&] { client->requestCode("a@x.test"); }), c.second);
        EXPECT_EQ(failure([&] { client->revokeSession("s"); }), c.second);
    }
    transport->route("GET", "/id/auth/me", 200, "");
    EXPECT_EQ(failure([&] { client->profile(); }).kind, MoonbaseError::Kind::decoding);

    // A 401 where no bearer went out is an ordinary failure: the token stays.
    transport->route("POST", "/id/auth/email/code/complete", 401, R"({"message":"Wrong code"})");
    EXPECT_EQ(failure([&] { client->completeCode("a@x.test", "1"); }), MoonbaseError::server(401, "Wrong code"));
    // The exchange: anything but 200 is refused credentials; a 200 without qid changes nothing.
    for (const int status : {201, 302, 400, 401}) {
        transport->route("POST", "/auth/hub/exchange", status, R"({"qid":"q"})");
        EXPECT_EQ(failure([&] { client->exchange("c", "v"); }), MoonbaseError::invalidCredentials()) << status;
    }
    transport->route("POST", "/auth/hub/exchange", 200, R"({"token":"q"})");
    EXPECT_EQ(failure([&] { client->exchange("c", "v"); }).kind, MoonbaseError::Kind::decoding);
    EXPECT_TRUE(client->isSignedIn());
    EXPECT_TRUE(persistence->saves.isEmpty());
}

TEST_F(TavrenIDClientTest, A401ForgetsOnlyTheTokenTheRequestCarried)
{
    signedIn("old");
    std::promise<void> arrived, release;
    std::shared_future<void> released = release.get_future().share();
    transport->route("GET", "/id/auth/me", [&](const HttpRequest&) {
        arrived.set_value();
        released.wait();
        return ScriptedTransport::response(401, "");
    });
    std::thread caller([&] { EXPECT_EQ(failure([&] { client->profile(); }), MoonbaseError::notSignedIn()); });
    arrived.get_future().wait();
    client->adopt("new"); // a sign-in while the old token's request is out
    release.set_value();
    caller.join();
    EXPECT_TRUE(client->isSignedIn());
    EXPECT_EQ(persistence->stored->accessToken, "new");

    // The current token refused: dropped, cleared, and not read back afterwards.
    transport->route("GET", "/id/auth/me", 401, "");
    EXPECT_EQ(failure([&] { client->profile(); }), MoonbaseError::notSignedIn());
    EXPECT_EQ(persistence->clears, 1);
    signedIn("written elsewhere");
    const qsizetype sent = transport->requests().size();
    EXPECT_EQ(failure([&] { client->profile(); }), MoonbaseError::notSignedIn());
    EXPECT_EQ(transport->requests().size(), sent);
}

TEST_F(TavrenIDClientTest, RefusedAddressesSignOutAndTheBrowserStart)
{
    signedIn();
    client = make("http://id.tavren.test");
    EXPECT_EQ(failure([&] { client->profile(); }).message(), "Refused to contact /auth/me.");
    EXPECT_EQ(failure([&] { client->exchange("c", "v"); }), MoonbaseError::blockedURL("http://id.tavren.test/auth/hub/exchange"));
    EXPECT_TRUE(transport->requests().isEmpty());

    client = make("https://id.tavren.test");
    client->signOut(); // the transport has no route and throws: nothing escapes
    EXPECT_EQ(transport->requests().size(), 1);
    EXPECT_FALSE(client->isSignedIn());
    client->signOut(); // without a token nothing is sent, the persistence still cleared
    EXPECT_EQ(transport->requests().size(), 1);
    EXPECT_EQ(persistence->clears, 2);

    EXPECT_EQ(client->providerURL(TavrenIDProvider::github, "s t+a/te", 8080, "ch_al-lenge").toEncoded(),
        "https://id.tavren.test/auth/github/start?state=s%20t%2Ba%2Fte&port=8080&hub_challenge=ch_al-lenge");
}
