// The Tavren ID client over the pinned transport against the devstore.

#include "tests/devstore/DevstoreTest.h"

#include "kit/api/LoopbackReceiver.h"
#include "kit/api/MoonbaseError.h"
#include "kit/api/TavrenIDClient.h"
#include "tests/testkit/Thrown.h"

#include <QRegularExpression>
#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace hub;

namespace {

class TavrenIDEndToEnd : public test::DevstoreTest {
protected:
    void SetUp() override
    {
        DevstoreTest::SetUp();
        const QString origin = "https://" + Deployment::current().identityHost;
        client = std::make_unique<TavrenIDClient>(QUrl(origin + "/id"), QUrl(origin + "/auth"),
            std::make_shared<URLSessionTransport>(PinnedTrust::tavren()), persistence);
    }
    static HttpResponse browse(const QUrl& url) { return URLSessionTransport(PinnedTrust::tavren()).send({.url = url.toEncoded()}); }

    std::shared_ptr<InMemoryTokenPersistence> persistence = std::make_shared<InMemoryTokenPersistence>();
    std::unique_ptr<TavrenIDClient> client;
};

// A plain HTTP GET on the loopback, as the browser follows the redirect there.
QByteArray plainGet(const QUrl& url)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{.sin_family = AF_INET, .sin_port = htons(quint16(url.port())), .sin_addr = {htonl(INADDR_LOOPBACK)}};
    QByteArray reply;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        const QByteArray request = "GET " + url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority) + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
        (void)::write(fd, request.constData(), size_t(request.size()));
        char buffer[4096];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
            reply.append(buffer, n);
    }
    ::close(fd);
    return reply;
}

} // namespace

TEST_F(TavrenIDEndToEnd, EmailedCodeAccountCallsAReviewAndSignOut)
{
    const QString email = "demo@tavren.test";
    client->requestCode(email);
    const QString code = store->control("GET", "/__devstore/code?email=" + QUrl::toPercentEncoding(email)).value("code").toString();
    const TavrenIDProfile profile = client->completeCode(email, code.left(3) + u' ' + code.mid(3) + u'\n');
    EXPECT_EQ(profile.user.email, email);
    EXPECT_TRUE(persistence->load());

    const QList<TavrenIDSession> sessions = client->sessions();
    ASSERT_GE(sessions.size(), 2);
    client->revokeSession(sessions.last().id);
    EXPECT_EQ(client->sessions().size(), sessions.size() - 1);
    EXPECT_FALSE(client->purchases().isEmpty());
    EXPECT_EQ(client->postReview(ReviewDraft{"tv-limiter", 4, " Clean ", "Quiet and exact.", "  "}).review.title, "Clean");

    client->signOut();
    EXPECT_FALSE(persistence->load());
    EXPECT_EQ(test::thrown<MoonbaseError>([&] { client->profile(); }), MoonbaseError::notSignedIn());
}

TEST_F(TavrenIDEndToEnd, BrowserSignInWithThisTestAsTheBrowser)
{
    LoopbackReceiver receiver;
    const quint16 port = receiver.start();
    const QUrl start = client->providerURL(TavrenIDProvider::github, receiver.state, port, receiver.challenge);
    const HttpResponse page = browse(start);
    const auto link = QRegularExpression("href=\"([^\"]+)\"").match(QString::fromUtf8(page.body));
    ASSERT_TRUE(link.hasMatch()) << page.status;
    const HttpResponse handBack = browse(start.resolved(QUrl(link.captured(1).replace("&amp;", "&"))));
    ASSERT_EQ(handBack.status, 302);
    EXPECT_TRUE(plainGet(QUrl(QString::fromLatin1(handBack.header("Location").value_or("")))).startsWith("HTTP/1.1 200"));

    const LoopbackReceiver::Callback received = receiver.wait(std::chrono::seconds(30));
    EXPECT_EQ(test::thrown<MoonbaseError>([&] { client->exchange(received.code, receiver.verifier + u'x'); }),
        MoonbaseError::invalidCredentials());
    client->exchange(received.code, receiver.verifier);
    EXPECT_EQ(client->profile().user.email, "demo@tavren.test");
}
