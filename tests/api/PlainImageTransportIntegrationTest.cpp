#include "kit/api/PlainImageTransport.h"
#include "tests/testkit/CertificateFactory.h"
#include "tests/testkit/LoopbackTlsServer.h"

#include <gtest/gtest.h>

using namespace hub;

namespace {

const QString host = QStringLiteral("images.maker.test");

PlainImageTransport transportTrusting(const IssuedCertificate& root, const LoopbackTlsServer& server)
{
    return PlainImageTransport(
        ConnectionOptions{.connectTo = {{host, server.port()}}, .trustStore = TrustStore::fromPem(root.pem())});
}

HttpRequest get(const char* path) { return {.url = "https://images.maker.test" + QByteArray(path)}; }

} // namespace

TEST(PlainImageTransport, TrustsAnOrdinaryChainAndFollowsNoRedirect)
{
    const auto chain = CertificateFactory::chain(host);
    LoopbackTlsServer server(chain);
    server.route("/icon.png", ScriptedResponse{.body = "png bytes"});
    server.route("/moved.png", LoopbackTlsServer::redirect(302, "https://images.maker.test/icon.png"));
    PlainImageTransport transport = transportTrusting(chain.root, server);

    EXPECT_EQ(transport.send(get("/icon.png")).body, "png bytes");
    const HttpResponse moved = transport.send(get("/moved.png"));
    EXPECT_EQ(moved.status, 302);
    EXPECT_EQ(server.requests().size(), 2);
}

TEST(PlainImageTransport, RefusesWhatOrdinaryEvaluationRefuses)
{
    const auto expired = CertificateFactory::chain(host, {.validity = CertificateFactory::expired});
    const auto otherHost = CertificateFactory::chain(QStringLiteral("elsewhere.test"));
    const auto trusted = CertificateFactory::chain(host);
    struct Case {
        const char* name;
        const CertificateFactory::Chain& served;
        const IssuedCertificate& root;
    } cases[] = {
        {"expired leaf", expired, expired.root},
        {"wrong host", otherHost, otherHost.root},
        {"untrusted root", trusted, CertificateFactory::root(QStringLiteral("Someone else"))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackTlsServer server(c.served);
        server.route("/icon.png", ScriptedResponse{.body = "png bytes"});
        EXPECT_THROW(transportTrusting(c.root, server).send(get("/icon.png")), TransportError);
        EXPECT_TRUE(server.requests().isEmpty());
    }
}

TEST(PlainImageTransport, StopsReadingABodyPastItsLimit)
{
    const auto chain = CertificateFactory::chain(host);
    LoopbackTlsServer server(chain);
    server.route("/huge.png", ScriptedResponse{.body = QByteArray(3 * 1024 * 1024, 'x')});
    PlainImageTransport transport = transportTrusting(chain.root, server);

    HttpRequest request = get("/huge.png");
    request.maxBodyBytes = 1024 * 1024;
    EXPECT_THROW(transport.send(request), TransportError);
    request.maxBodyBytes = 3 * 1024 * 1024;
    EXPECT_EQ(transport.send(request).body.size(), 3 * 1024 * 1024);
}

TEST(PlainImageTransport, APostWithoutABodySaysItsLengthIsZero)
{
    const auto chain = CertificateFactory::chain(host);
    LoopbackTlsServer server(chain);
    server.route("/ping", ScriptedResponse{.status = 204});
    transportTrusting(chain.root, server).send({.method = "POST", .url = "https://images.maker.test/ping"});
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests()[0].header("Content-Length"), "0");
}
