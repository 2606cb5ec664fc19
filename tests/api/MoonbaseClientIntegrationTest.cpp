#include "kit/api/InMemoryTokenPersistence.h"
#include "kit/api/MoonbaseClient.h"
#include "kit/api/URLSessionTransport.h"
#include "tests/testkit/CertificateFactory.h"
#include "tests/testkit/LoopbackTlsServer.h"
#include "tests/testkit/StoreResponses.h"

#include <gtest/gtest.h>

using namespace hub;

// One client over the real pinned transport against a loopback store: what the
// client builds is exactly what reaches the server.
TEST(MoonbaseClientEndToEnd, RequestsReachTheStoreAsBuilt)
{
    const QString host = QStringLiteral("api.store.test");
    const CertificateFactory::Chain chain = CertificateFactory::chain(host);
    LoopbackTlsServer server(chain);
    auto transport = std::make_shared<URLSessionTransport>(PinnedTrust{{{host, {chain.root.spkiPin()}}}, {}},
        ConnectionOptions{.connectTo = {{host, server.port()}}, .trustStore = TrustStore::fromPem(chain.root.pem())});
    auto persistence = std::make_shared<InMemoryTokenPersistence>();

    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QString shortLived = StoreResponses::accessToken(now.addSecs(30)); // refreshed before its first use
    const QString fresh = StoreResponses::accessToken(now.addSecs(3600));
    server.route("/api/customer/identity/sign-in", ScriptedResponse{.body = StoreResponses::identity(shortLived, "r+1")});
    server.route("/api/customer/identity/refresh", ScriptedResponse{.body = StoreResponses::identity(fresh, "r2")});
    server.route("/api/customer/inventory/products/a%2Fb&c",
        ScriptedResponse{.body = R"({"id":"a/b&c","name":"Halo","tagline":"Big rooms"})"});
    server.route("/api/customer/inventory/products/p%2F1/download/k",
        ScriptedResponse{.body = R"({"location":"https://bucket.objects.test/Halo 2.pkg?sig=x%2By"})"});

    MoonbaseClient client(HostPolicy{host, {}, {QStringLiteral("objects.test")}}, transport, persistence);
    EXPECT_EQ(client.signIn(QStringLiteral("a+b&c@x.test"), QStringLiteral("pässword")).name, "Ada");
    EXPECT_EQ(client.product(QStringLiteral("a/b&c")).name, "Halo");
    const QUrl file = client.resolveDownload(Download{"Halo", "k", Platform::mac, 1,
        QStringLiteral("https://api.store.test/api/customer/inventory/products/p%2F1/download/k?sig=a%26b")});
    EXPECT_EQ(file.toEncoded(), "https://bucket.objects.test/Halo%202.pkg?sig=x%2By");

    const QList<ReceivedRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 4);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].target, "/api/customer/identity/sign-in?email=a%2Bb%26c@x.test&scheme=JWT");
    EXPECT_EQ(requests[0].body, QStringLiteral("pässword").toUtf8());
    EXPECT_EQ(requests[0].header("Content-Type"), "text/plain");
    EXPECT_FALSE(requests[0].header("Authorization"));

    EXPECT_EQ(requests[1].target, "/api/customer/identity/refresh?token=r%2B1");
    EXPECT_EQ(requests[1].body, shortLived.toUtf8());
    EXPECT_FALSE(requests[1].header("Authorization"));

    EXPECT_EQ(requests[2].method, "GET");
    EXPECT_EQ(requests[2].target, "/api/customer/inventory/products/a%2Fb&c");
    EXPECT_EQ(requests[3].target, "/api/customer/inventory/products/p%2F1/download/k?sig=a%26b&redirect=false");
    for (const ReceivedRequest& request : requests) {
        EXPECT_EQ(request.header("Host"), "api.store.test");
        EXPECT_EQ(request.header("Accept"), "application/json");
        EXPECT_EQ(request.header("x-mb-cors"), "1");
        EXPECT_FALSE(request.header("Cookie"));
    }
    for (const qsizetype i : {2, 3}) {
        EXPECT_EQ(requests[i].header("Authorization"), "Bearer " + fresh.toUtf8());
        EXPECT_EQ(requests[i].header("Content-Type"), "application/json");
        EXPECT_TRUE(requests[i].body.isEmpty());
    }
    EXPECT_EQ(persistence->load(), (SessionTokens{fresh, "r2", QDateTime::fromSecsSinceEpoch(now.addSecs(3600).toSecsSinceEpoch(), Qt::UTC)}));
}
