// The Tavren ID client over the pinned transport against the devstore: the emailed
// code, the account calls, reviews, sign-out, and the browser sign-in with this test
// as the browser.

#include "tests/devstore/DevstoreTest.h"

#include "kit/api/LoopbackReceiver.h"
#include "kit/api/MoonbaseError.h"
#include "kit/api/TavrenIDClient.h"
#include "tests/testkit/Thrown.h"

#include <QRegularExpression>
#include <QUrlQuery>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace hub;
using hub::test::DevstoreTest;

namespace {

class TavrenIDEndToEnd : public DevstoreTest {
protected:
    void SetUp() override
    {
        DevstoreTest::SetUp();
        persistence = std::make_shared<InMemoryTokenPersistence>();
        const QString host = QStringLiteral("https://") + Deployment::current().identityHost;
        client = std::make_unique<TavrenIDClient>(QUrl(host + QStringLiteral("/id")), QUrl(host + QStringLiteral("/auth")),
            std::make_shared<URLSessionTransport>(PinnedTrust::tavren()), persistence);
    }

    // A GET through the pinned transport, as the browser makes it.
    static HttpResponse browse(const QUrl& url)
    {
        return URLSessionTransport(PinnedTrust::tavren()).send({.url = url.toEncoded()});
    }

    // A plain HTTP GET on the loopback, as the browser follows the redirect.
    static QByteArray plainGet(const QUrl& url)
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(quint16(url.port()));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd);
            return {};
        }
        const QByteArray request = "GET " + url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority)
            + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
        (void)::write(fd, request.constData(), size_t(request.size()));
        QByteArray reply;
        char buffer[4096];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
            reply.append(buffer, n);
        ::close(fd);
        return reply;
    }

    std::shared_ptr<InMemoryTokenPersistence> persistence;
    std::unique_ptr<TavrenIDClient> client;
};

} // namespace

TEST_F(TavrenIDEndToEnd, EmailedCodeAccountCallsReviewsAndSignOut)
{
    const QString email = QStringLiteral("demo@tavren.test");
    EXPECT_EQ(test::thrown<MoonbaseError>([&] { client->requestCode("not an address"); }).status, 422);
    client->requestCode(email);
    const QString code = store->control("GET", "/__devstore/code?email=" + QUrl::toPercentEncoding(email)).value("code").toString();
    ASSERT_EQ(code.size(), 6);
    EXPECT_EQ(test::thrown<MoonbaseError>([&] { client->completeCode(email, "000 000"); }).status, 400);
    EXPECT_FALSE(client->isSignedIn());

    const TavrenIDProfile profile = client->completeCode(email, code.left(3) + u' ' + code.mid(3) + u'\n');
    EXPECT_EQ(profile.user.email, email);
    EXPECT_TRUE(profile.products && profile.products->contains("tv-compressor"));
    EXPECT_TRUE(persistence->load());

    const QList<TavrenIDSession> sessions = client->sessions();
    ASSERT_GE(sessions.size(), 2);
    EXPECT_EQ(sessions[0].current, true);
    EXPECT_EQ(test::thrown<MoonbaseError>([&] { client->revokeSession(sessions[0].id); }),
        MoonbaseError::server(403, "This is the session you are using."));
    client->revokeSession(sessions.last().id);
    EXPECT_EQ(client->sessions().size(), sessions.size() - 1);
    EXPECT_FALSE(client->purchases().isEmpty());

    const ReviewPage first = client->reviews("tv-reverb", std::nullopt, 10);
    EXPECT_EQ(first.reviews.size(), 10);
    ASSERT_TRUE(first.nextCursor);
    EXPECT_EQ(client->reviews("tv-reverb", first.nextCursor, 10).reviews.size(), 10);
    EXPECT_EQ(client->myReview("tv-compressor").basis, "owner");
    const PostedReview posted = client->postReview(ReviewDraft{"tv-limiter", 4, " Clean ", "Quiet and exact.", "  "});
    EXPECT_EQ(posted.review.title, "Clean");

    client->signOut();
    EXPECT_FALSE(client->isSignedIn());
    EXPECT_FALSE(persistence->load());
    EXPECT_EQ(test::thrown<MoonbaseError>([&] { client->profile(); }), MoonbaseError::notSignedIn());
}

TEST_F(TavrenIDEndToEnd, BrowserSignInWithThisTestAsTheBrowser)
{
    LoopbackReceiver receiver;
    const quint16 port = receiver.start();
    const QUrl start = client->providerURL(TavrenIDProvider::github, receiver.state, port, receiver.challenge);

    // The start page links to the step that hands the browser back to the loopback.
    const HttpResponse page = browse(start);
    ASSERT_EQ(page.status, 200);
    const auto link = QRegularExpression(QStringLiteral("href=\"([^\"]+)\"")).match(QString::fromUtf8(page.body));
    ASSERT_TRUE(link.hasMatch());
    const QString next = link.captured(1).replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    const HttpResponse handBack = browse(start.resolved(QUrl(next)));
    ASSERT_EQ(handBack.status, 302);
    const QUrl callback(QString::fromLatin1(handBack.header("Location").value_or("")));
    EXPECT_EQ(callback.port(), port);
    EXPECT_TRUE(plainGet(callback).startsWith("HTTP/1.1 200"));

    const LoopbackReceiver::Callback received = receiver.wait(std::chrono::seconds(30));
    EXPECT_EQ(test::thrown<MoonbaseError>([&] { client->exchange(received.code, receiver.verifier + u'x'); }),
        MoonbaseError::invalidCredentials());
    client->exchange(received.code, receiver.verifier);
    EXPECT_TRUE(client->isSignedIn());
    EXPECT_EQ(client->profile().user.email, "demo@tavren.test");
}
