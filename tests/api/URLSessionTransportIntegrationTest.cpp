#include "kit/api/URLSessionTransport.h"
#include "tests/testkit/CertificateFactory.h"
#include "tests/testkit/LoopbackTlsServer.h"
#include "tests/testkit/Thrown.h"

#include <gtest/gtest.h>

using namespace hub;

namespace {

const QString host = QStringLiteral("api.store.test");

struct Site {
    explicit Site(CertificateFactory::Chain chain) : chain(std::move(chain)), server(this->chain) {}

    // A transport that trusts `root` and pins `pin` for the host.
    URLSessionTransport transport(const QString& pin, const IssuedCertificate* root = nullptr) const
    {
        return URLSessionTransport(PinnedTrust{{{host, {pin}}}, {}},
                                   ConnectionOptions{.connectTo = {{host, server.port()}},
                                                     .trustStore = TrustStore::fromPem((root ? *root : chain.root).pem())});
    }

    CertificateFactory::Chain chain;
    LoopbackTlsServer server;
};

HttpRequest get(const char* path) { return {.url = "https://api.store.test" + QByteArray(path)}; }

void expectRefusedBeforeAnyRequest(URLSessionTransport transport, const LoopbackTlsServer& server)
{
    try {
        transport.send(get("/x"));
        ADD_FAILURE() << "the server was trusted";
    } catch (const TransportError& error) {
        EXPECT_EQ(error.code, 60) << error.what(); // CURLE_PEER_FAILED_VERIFICATION: refused in the handshake
    }
    EXPECT_GE(server.connections(), 1); // it did reach the server ...
    EXPECT_TRUE(server.requests().isEmpty()); // ... and sent nothing
}

} // namespace

TEST(URLSessionTransport, AcceptsAChainWhosePinnedRootTheServerDoesNotSend)
{
    Site site(CertificateFactory::chain(host));
    site.server.route("/echo", ScriptedResponse{.status = 201, .headers = {{"X-Answer", "yes"}}, .body = "created"});

    const HttpResponse response = site.transport(site.chain.root.spkiPin())
                                      .send({.method = "POST",
                                             .url = "https://api.store.test/echo?q=1",
                                             .headers = {{"Authorization", "Bearer t"}, {"Content-Type", "application/json"}},
                                             .body = QByteArray("{\"a\":1}")});
    EXPECT_EQ(response.status, 201);
    EXPECT_EQ(response.header("x-answer"), "yes");
    EXPECT_EQ(response.body, "created");

    const QList<ReceivedRequest> requests = site.server.requests();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].target, "/echo?q=1");
    EXPECT_EQ(requests[0].header("Authorization"), "Bearer t");
    EXPECT_EQ(requests[0].header("Host"), "api.store.test");
    EXPECT_EQ(requests[0].body, "{\"a\":1}");
}

TEST(URLSessionTransport, AcceptsAPinnedIntermediate)
{
    Site site(CertificateFactory::chain(host, {.key = CertificateFactory::Key::rsa2048}));
    site.server.route("/x", ScriptedResponse{.body = "ok"});
    EXPECT_EQ(site.transport(site.chain.intermediate.spkiPin()).send(get("/x")).body, "ok");
}

TEST(URLSessionTransport, RefusesChainsWithoutAPinnedKeyOrThatFailEvaluation)
{
    {
        SCOPED_TRACE("no pinned key");
        Site site(CertificateFactory::chain(host));
        expectRefusedBeforeAnyRequest(site.transport(CertificateFactory::root(QStringLiteral("Other")).spkiPin()),
                                      site.server);
    }
    {
        SCOPED_TRACE("expired leaf");
        Site site(CertificateFactory::chain(host, {.validity = CertificateFactory::expired}));
        expectRefusedBeforeAnyRequest(site.transport(site.chain.root.spkiPin()), site.server);
    }
    {
        SCOPED_TRACE("leaf not yet valid");
        Site site(CertificateFactory::chain(host, {.validity = CertificateFactory::notYetValid}));
        expectRefusedBeforeAnyRequest(site.transport(site.chain.root.spkiPin()), site.server);
    }
    {
        SCOPED_TRACE("wrong host name");
        Site site(CertificateFactory::chain(host, {.hosts = {QStringLiteral("other.store.test")}}));
        expectRefusedBeforeAnyRequest(site.transport(site.chain.root.spkiPin()), site.server);
    }
    {
        SCOPED_TRACE("untrusted root");
        Site site(CertificateFactory::chain(host));
        const IssuedCertificate stranger = CertificateFactory::root(QStringLiteral("Stranger"));
        expectRefusedBeforeAnyRequest(site.transport(site.chain.intermediate.spkiPin(), &stranger), site.server);
    }
}

TEST(URLSessionTransport, RefusesAHostWithoutPinsBeforeAnyRequestByte)
{
    Site site(CertificateFactory::chain(host));
    URLSessionTransport transport(PinnedTrust{{{QStringLiteral("other.test"), {site.chain.root.spkiPin()}}}, {}},
                                  {.connectTo = {{host, site.server.port()}},
                                   .trustStore = TrustStore::fromPem(site.chain.root.pem())});
    expectRefusedBeforeAnyRequest(std::move(transport), site.server);
}

TEST(URLSessionTransport, ReturnsARedirectAsTheResponse)
{
    Site site(CertificateFactory::chain(host));
    site.server.route("/old", LoopbackTlsServer::redirect(302, "https://api.store.test/new"));
    site.server.route("/new", ScriptedResponse{.body = "followed"});

    const HttpResponse response = site.transport(site.chain.root.spkiPin()).send(get("/old"));
    EXPECT_EQ(response.status, 302);
    EXPECT_EQ(response.header("Location"), "https://api.store.test/new");
    ASSERT_EQ(site.server.requests().size(), 1);
    EXPECT_EQ(site.server.requests()[0].path, "/old");
}

TEST(URLSessionTransport, NeverSendsACookieBack)
{
    Site site(CertificateFactory::chain(host));
    site.server.route("/login", ScriptedResponse{.headers = {{"Set-Cookie", "session=secret; Path=/; Secure"}}});
    URLSessionTransport transport = site.transport(site.chain.root.spkiPin());
    transport.send(get("/login"));
    transport.send(get("/login"));
    transport.send(get("/other"));

    const QList<ReceivedRequest> requests = site.server.requests();
    ASSERT_EQ(requests.size(), 3);
    for (const ReceivedRequest& request : requests)
        EXPECT_FALSE(request.raw.toLower().contains("cookie")) << request.raw.toStdString();
}

TEST(URLSessionTransport, SpeaksOnlyHttps)
{
    Site site(CertificateFactory::chain(host));
    URLSessionTransport transport = site.transport(site.chain.root.spkiPin());
    EXPECT_THROW(transport.send({.url = "http://api.store.test/x"}), TransportError);
    EXPECT_TRUE(site.server.requests().isEmpty());
}

TEST(URLSessionTransport, TimesOutOnTheRequestsOwnTimeout)
{
    Site site(CertificateFactory::chain(host));
    site.server.route("/slow", ScriptedResponse{.delay = std::chrono::seconds(20)});
    HttpRequest request = get("/slow");
    request.timeout = std::chrono::milliseconds(300);
    try {
        site.transport(site.chain.root.spkiPin()).send(request);
        FAIL() << "no time-out";
    } catch (const TransportError& error) {
        EXPECT_EQ(error.code, 28); // CURLE_OPERATION_TIMEDOUT
    }
}

TEST(URLSessionTransport, TheRequestsTimeoutIsTheLongestWaitForTheNextData)
{
    Site site(CertificateFactory::chain(host));
    site.server.route("/slow", ScriptedResponse{.body = "0123456789", .bodySize = 50, .pace = std::chrono::milliseconds(300)});
    HttpRequest request = get("/slow");
    request.timeout = std::chrono::seconds(1); // the whole answer takes 1.5 s
    EXPECT_EQ(site.transport(site.chain.root.spkiPin()).send(request).body.size(), 50);

    request.deadline = std::chrono::milliseconds(1000);
    EXPECT_EQ(test::thrown<TransportError>([&] { site.transport(site.chain.root.spkiPin()).send(request); }).code, 28);
}

TEST(URLSessionTransport, SendsThePathAsGiven)
{
    Site site(CertificateFactory::chain(host));
    site.transport(site.chain.root.spkiPin()).send(get("/a/../b/./c%2E%2E/.."));
    ASSERT_EQ(site.server.requests().size(), 1);
    EXPECT_EQ(site.server.requests()[0].target, "/a/../b/./c%2E%2E/..");
}

TEST(URLSessionTransport, AResponseHasTheStatusCurlReadOrIsAnError)
{
    Site site(CertificateFactory::chain(host));
    URLSessionTransport transport = site.transport(site.chain.root.spkiPin());
    for (const QByteArray line : {"HTTP/1.1  200 OK", "HTTP/1.1 200OK", "HTTP/1.1 200", "HTTP/1.1 0200 OK", "HTTP/1.1 99 Low"}) {
        site.server.route("/odd", ScriptedResponse{.raw = line + "\r\nContent-Length: 2\r\n\r\nok"});
        try {
            const HttpResponse response = transport.send(get("/odd"));
            EXPECT_EQ(response.status, 200) << line.constData();
            EXPECT_EQ(response.body, "ok") << line.constData();
        } catch (const TransportError&) {
        }
    }
}

TEST(URLSessionTransport, FailuresReadAsShortSentencesAndLogTheTransportsOwnWords)
{
    Site site(CertificateFactory::chain(host));
    site.server.route("/empty", ScriptedResponse{.raw = QByteArray()});
    site.server.route("/slow", ScriptedResponse{.delay = std::chrono::seconds(20)});
    const QString pin = site.chain.root.spkiPin();
    const quint16 closedPort = LoopbackTlsServer(site.chain).port(); // closed again at once
    const URLSessionTransport nowhere(PinnedTrust{{{host, {pin}}}, {}}, ConnectionOptions{.connectTo = {{host, closedPort}}});
    HttpRequest slow = get("/slow");
    slow.timeout = std::chrono::milliseconds(300);
    const std::tuple<const char*, std::function<void()>, QString> cases[] = {
        {"refused", [&] { URLSessionTransport(nowhere).send(get("/x")); }, "Could not connect to the server."},
        {"untrusted", [&] { site.transport(CertificateFactory::root(QStringLiteral("Other")).spkiPin()).send(get("/x")); },
            "An SSL error has occurred and a secure connection to the server cannot be made."},
        {"closed at once", [&] { site.transport(pin).send(get("/empty")); }, "The network connection was lost."},
        {"too slow", [&] { site.transport(pin).send(slow); }, "The request timed out."},
    };
    static QStringList logged;
    const auto collect = [](QtMsgType, const QMessageLogContext& context, const QString& text) { logged << context.category + (' ' + text); };
    for (const auto& [name, send, sentence] : cases) {
        SCOPED_TRACE(name);
        logged.clear();
        const QtMessageHandler previous = qInstallMessageHandler(collect);
        const TransportError error = test::thrown<TransportError>(send);
        qInstallMessageHandler(previous);
        EXPECT_EQ(error.message(), sentence);
        EXPECT_EQ(logged, QStringList{"com.tavren.hub.network request to api.store.test failed: " + error.detail});
        EXPECT_NE(error.detail, sentence);
    }
    EXPECT_EQ(TransportError(56, QStringLiteral("Connection reset by peer")).message(),
              QStringLiteral("The network connection was lost."));
}
