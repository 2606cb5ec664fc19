#include "kit/api/LoopbackReceiver.h"
#include "kit/support/CancellationError.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

using namespace hub;
using namespace std::chrono_literals;

namespace {

const QByteArray okReply =
    "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nCache-Control: no-store\r\n"
    "Referrer-Policy: no-referrer\r\nConnection: close\r\nContent-Length: 192\r\n\r\n"
    "<!doctype html><meta charset=utf-8><title>Tavren Hub</title>"
    "<body style=\"font:16px -apple-system;padding:48px;text-align:center\">"
    "You are signed in to Tavren Hub. You can close this tab.</body>";

const QByteArray notFoundReply =
    "HTTP/1.1 404 Not Found\r\nContent-Type: text/html; charset=utf-8\r\nCache-Control: no-store\r\n"
    "Referrer-Policy: no-referrer\r\nConnection: close\r\nContent-Length: 136\r\n\r\n"
    "<!doctype html><meta charset=utf-8><title>Tavren Hub</title>"
    "<body style=\"font:16px -apple-system;padding:48px;text-align:center\"></body>";

QByteArray badRequest(const QByteArray& message)
{
    return "HTTP/1.1 400 Bad Request\r\nContent-Type: text/html; charset=utf-8\r\nCache-Control: no-store\r\n"
           "Referrer-Policy: no-referrer\r\nConnection: close\r\nContent-Length: "
        + QByteArray::number(136 + message.size())
        + "\r\n\r\n<!doctype html><meta charset=utf-8><title>Tavren Hub</title>"
          "<body style=\"font:16px -apple-system;padding:48px;text-align:center\">"
        + message + "</body>";
}
const QByteArray mismatchReply = badRequest("This sign-in link belongs to a different window.");
const QByteArray unfinishedReply = badRequest("Sign-in could not finish. Return to Tavren Hub.");

// A plain client socket to the receiver; -1 when the connection is refused.
int connectTo(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Sends the request, ends the sending side and reads the reply to the end; closes the socket.
QByteArray exchange(int fd, const QByteArray& request)
{
    for (qsizetype sent = 0; sent < request.size();) {
        const ssize_t n = ::send(fd, request.constData() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += n;
    }
    ::shutdown(fd, SHUT_WR);
    QByteArray reply;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
        reply.append(buffer, n);
    ::close(fd);
    return reply;
}

QByteArray exchange(quint16 port, const QByteArray& request) { return exchange(connectTo(port), request); }

QByteArray callback(const QString& state, const QByteArray& code)
{
    return "GET /cb?state=" + state.toLatin1() + "&hub_code=" + code + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
}

template <typename Error>
std::optional<Error> failureOf(LoopbackReceiver& receiver, std::chrono::duration<double> timeout,
    std::stop_token stop = {})
{
    try {
        receiver.wait(timeout, stop);
    } catch (const Error& error) {
        return error;
    }
    return std::nullopt;
}

} // namespace

TEST(LoopbackReceiverTest, OneTimeValuesAndComparison)
{
    const QRegularExpression alphabet("^[A-Za-z0-9_-]+$");
    LoopbackReceiver first;
    LoopbackReceiver second;
    for (const LoopbackReceiver* r : {&first, &second}) {
        EXPECT_EQ(r->state.size(), 32);
        EXPECT_EQ(r->verifier.size(), 43);
        EXPECT_TRUE(alphabet.match(r->state).hasMatch() && alphabet.match(r->verifier).hasMatch()
            && alphabet.match(r->challenge).hasMatch());
        const QByteArray digest = QCryptographicHash::hash(r->verifier.toUtf8(), QCryptographicHash::Sha256);
        EXPECT_EQ(r->challenge, QString::fromLatin1(digest.toBase64(QByteArray::Base64UrlEncoding
                                    | QByteArray::OmitTrailingEquals)));
    }
    EXPECT_NE(first.state, second.state);
    EXPECT_NE(first.verifier, second.verifier);

    EXPECT_TRUE(LoopbackReceiver::constantTimeEqual(u"", u""));
    EXPECT_TRUE(LoopbackReceiver::constantTimeEqual(u"abc", u"abc"));
    EXPECT_FALSE(LoopbackReceiver::constantTimeEqual(u"abc", u"abcd"));
    EXPECT_FALSE(LoopbackReceiver::constantTimeEqual(u"abc", u"abd"));
    EXPECT_FALSE(LoopbackReceiver::constantTimeEqual(u"", QStringView(u"\0", 1)));
}

TEST(LoopbackReceiverTest, ParsesOnlyAGetOfTheCallbackPath)
{
    using Outcome = LoopbackReceiver::Outcome;
    const QString good = "S0";
    const std::optional<Outcome> none;
    const Outcome mismatch = LoopbackReceiver::Failure::stateMismatch();
    const Outcome tooOld = LoopbackReceiver::Failure::serverTooOld();
    const auto code = [](const char* text) { return Outcome(LoopbackReceiver::Callback{text}); };
    struct Case {
        const char* request;
        std::optional<Outcome> outcome;
    };
    const Case cases[] = {
        {"GET /cb?state=S0&hub_code=abc HTTP/1.1\r\n\r\n", code("abc")},
        {"\r\n\r\nGET /cb?hub_code=abc&state=S0 HTTP/1.1", code("abc")},
        {"GET    /cb?state=S0&hub_code=a%2Bb%20c HTTP/1.1\r\n", code("a+b c")},
        {"GET /cb?state=S0&hub_code=x+y HTTP/1.1\nHost: a\n\n", code("x+y")},
        {"GET /%63b?state=S0&hub_code=abc", code("abc")},
        {"GET /cb?state=S0&state=bad&hub_code=abc HTTP/1.1", code("abc")},
        {"GET /cb?state=bad&state=S0&hub_code=abc HTTP/1.1", mismatch},
        {"GET /cb?state=S&hub_code=abc HTTP/1.1", mismatch},
        {"GET /cb?state=S00&hub_code=abc HTTP/1.1", mismatch},
        {"GET /cb?state=&hub_code=abc HTTP/1.1", mismatch},
        {"GET /cb?state=S0 HTTP/1.1", tooOld},
        {"GET /cb?state=S0&hub_code= HTTP/1.1", tooOld},
        {"GET /cb?state=S0&hub_code HTTP/1.1", tooOld},
        {"GET /favicon.ico HTTP/1.1\r\n", none},
        {"POST /cb?state=S0&hub_code=abc HTTP/1.1", none},
        {"get /cb?state=S0&hub_code=abc HTTP/1.1", none},
        {"GET /cb HTTP/1.1", none},
        {"GET /cb? HTTP/1.1", none},
        {"GET /cb/?state=S0&hub_code=abc HTTP/1.1", none},
        {"GET /cb?hub_code=abc HTTP/1.1", none},
        {"GET", none},
        {"", none},
        {"\r\n", none},
        {"GET http://evil/cb?state=S0&hub_code=abc", none},
        {"GET /cb?state=S0&hub_code=%zz HTTP/1.1", none},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LoopbackReceiver::parse(QString::fromUtf8(c.request), good), c.outcome) << c.request;
}

TEST(LoopbackReceiverTest, AnswersWithTheFixedPagesAndKeepsWaitingUntilAFinishingRequest)
{
    LoopbackReceiver receiver;
    const quint16 port = receiver.start();
    ASSERT_NE(port, 0);
    EXPECT_EQ(receiver.start(), port);

    EXPECT_EQ(exchange(port, "GET /favicon.ico HTTP/1.1\r\n\r\n"), notFoundReply);
    EXPECT_EQ(exchange(port, "GET /cb?hub_code=abc HTTP/1.1\r\n\r\n"), notFoundReply);
    EXPECT_EQ(exchange(port, ""), notFoundReply) << "a client that sends nothing and closes";
    EXPECT_EQ(exchange(port, callback("wrong", "abc")), mismatchReply);
    // The first read is the only one: padding past it is never looked at.
    EXPECT_EQ(exchange(port, "GET /nothing HTTP/1.1\r\nX-Pad: " + QByteArray(100'000, 'a') + "\r\n\r\n"), notFoundReply);

    EXPECT_EQ(okReply.size(), 346);
    EXPECT_EQ(exchange(port, callback(receiver.state, "abc") + "X-Pad: " + QByteArray(40'000, 'p')), okReply);
    // The outcome came before the wait: it is kept.
    EXPECT_EQ(receiver.wait(0s).code, "abc");
    EXPECT_EQ(receiver.wait(0s).code, "abc");
    EXPECT_EQ(connectTo(port), -1) << "the listener is closed once the attempt is finished";
}

TEST(LoopbackReceiverTest, AMatchingCallbackWithoutCodeEndsTheWait)
{
    LoopbackReceiver receiver;
    const quint16 port = receiver.start();
    std::optional<LoopbackReceiver::Failure> failure;
    std::thread waiter([&] { failure = failureOf<LoopbackReceiver::Failure>(receiver, 300s); });
    EXPECT_EQ(exchange(port, callback(receiver.state, "")), unfinishedReply);
    waiter.join();
    EXPECT_EQ(failure, LoopbackReceiver::Failure::serverTooOld());
}

TEST(LoopbackReceiverTest, TheFirstOfTwoCallbacksWinsAndAnAcceptedConnectionIsStillAnswered)
{
    LoopbackReceiver receiver;
    const quint16 port = receiver.start();
    const int first = connectTo(port);
    const int second = connectTo(port);
    ASSERT_GE(first, 0);
    ASSERT_GE(second, 0);
    EXPECT_EQ(exchange(first, callback(receiver.state, "one")), okReply);
    EXPECT_EQ(receiver.wait(300s).code, "one");
    EXPECT_EQ(exchange(second, callback(receiver.state, "two")), okReply);
    EXPECT_EQ(receiver.wait(300s).code, "one");
}

TEST(LoopbackReceiverTest, TimeOutStopAndCancel)
{
    {
        LoopbackReceiver receiver;
        const quint16 port = receiver.start();
        EXPECT_EQ(failureOf<LoopbackReceiver::Failure>(receiver, 0s), LoopbackReceiver::Failure::timedOut());
        EXPECT_EQ(connectTo(port), -1);
        EXPECT_EQ(failureOf<LoopbackReceiver::Failure>(receiver, 300s), LoopbackReceiver::Failure::timedOut())
            << "a late wait learns the same outcome";
    }
    {
        LoopbackReceiver receiver;
        receiver.start();
        std::stop_source stop;
        bool cancelled = false;
        std::thread waiter([&] { cancelled = failureOf<CancellationError>(receiver, 300s, stop.get_token()).has_value(); });
        stop.request_stop();
        waiter.join();
        EXPECT_TRUE(cancelled);
    }
    {
        LoopbackReceiver receiver;
        const quint16 port = receiver.start();
        const int accepted = connectTo(port);
        receiver.cancel();
        EXPECT_TRUE(failureOf<CancellationError>(receiver, 300s));
        EXPECT_EQ(exchange(accepted, callback(receiver.state, "late")), okReply);
        EXPECT_TRUE(failureOf<CancellationError>(receiver, 300s)) << "the late callback changes nothing";
    }
    {
        LoopbackReceiver receiver;
        receiver.cancel();
        EXPECT_TRUE(failureOf<CancellationError>(receiver, 300s)) << "cancelled before it was started";
        EXPECT_THROW(receiver.start(), LoopbackReceiver::Failure);
    }
}
