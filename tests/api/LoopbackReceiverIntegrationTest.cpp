#include "kit/api/LoopbackReceiver.h"
#include "kit/support/CancellationError.h"
#include "tests/testkit/Thrown.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QRegularExpression>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace hub;
using namespace std::chrono_literals;
using Failure = LoopbackReceiver::Failure;

namespace {

const QByteArray okReply =
    "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nCache-Control: no-store\r\n"
    "Referrer-Policy: no-referrer\r\nConnection: close\r\nContent-Length: 192\r\n\r\n"
    "<!doctype html><meta charset=utf-8><title>Tavren Hub</title>"
    "<body style=\"font:16px -apple-system;padding:48px;text-align:center\">"
    "You are signed in to Tavren Hub. You can close this tab.</body>";

// The same reply with another status, message and length.
QByteArray replyWith(const char* status, const char* message, const char* length)
{
    return QByteArray(okReply).replace("200 OK", status).replace("Length: 192", length)
        .replace("You are signed in to Tavren Hub. You can close this tab.", message);
}
const QByteArray notFound = replyWith("404 Not Found", "", "Length: 136");
const QByteArray mismatch = replyWith("400 Bad Request", "This sign-in link belongs to a different window.", "Length: 184");
const QByteArray unfinished = replyWith("400 Bad Request", "Sign-in could not finish. Return to Tavren Hub.", "Length: 183");

// A client socket to the receiver; -1 when the connection is refused.
int connectTo(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return fd;
    ::close(fd);
    return -1;
}

// Sends the request, ends the sending side and reads the reply to its end.
QByteArray exchange(int fd, const QByteArray& request)
{
    for (qsizetype sent = 0, n = 0; sent < request.size(); sent += n) {
        if ((n = ::send(fd, request.constData() + sent, request.size() - sent, MSG_NOSIGNAL)) <= 0)
            break;
    }
    ::shutdown(fd, SHUT_WR);
    QByteArray reply;
    char buffer[4096];
    for (ssize_t n = 0; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
        reply.append(buffer, n);
    ::close(fd);
    return reply;
}
QByteArray exchange(quint16 port, const QByteArray& request) { return exchange(connectTo(port), request); }

QByteArray callback(const QString& state, const QByteArray& code)
{
    return "GET /cb?state=" + state.toLatin1() + "&hub_code=" + code + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
}

} // namespace

TEST(LoopbackReceiverTest, OneTimeValuesAndComparison)
{
    const LoopbackReceiver receiver;
    const QRegularExpression unpadded("^[A-Za-z0-9_-]{43}$");
    EXPECT_TRUE(QRegularExpression("^[A-Za-z0-9_-]{32}$").match(receiver.state).hasMatch());
    EXPECT_TRUE(unpadded.match(receiver.verifier).hasMatch() && unpadded.match(receiver.challenge).hasMatch());
    const QByteArray digest = QCryptographicHash::hash(receiver.verifier.toUtf8(), QCryptographicHash::Sha256);
    EXPECT_EQ(receiver.challenge, LoopbackReceiver::base64url(digest));
    EXPECT_NE(receiver.state, LoopbackReceiver().state);
    EXPECT_TRUE(LoopbackReceiver::constantTimeEqual(u"", u""));
    EXPECT_FALSE(LoopbackReceiver::constantTimeEqual(u"abc", u"abcd"));
    EXPECT_FALSE(LoopbackReceiver::constantTimeEqual(u"abc", u"abd"));
}

TEST(LoopbackReceiverTest, ParsesOnlyAGetOfTheCallbackPath)
{
    using Outcome = LoopbackReceiver::Outcome;
    const std::optional<Outcome> none;
    const auto code = [](const char* text) { return Outcome(LoopbackReceiver::Callback{text}); };
    const std::pair<const char*, std::optional<Outcome>> cases[] = {
        {"GET /cb?state=S0&hub_code=abc HTTP/1.1\r\n\r\n", code("abc")},
        {"\r\n\r\nGET /cb?hub_code=abc&state=S0 HTTP/1.1", code("abc")},
        {"GET    /cb?state=S0&hub_code=a%2Bb%20c HTTP/1.1\r\n", code("a+b c")},
        {"GET /cb?state=S0&hub_code=x+y HTTP/1.1\nHost: a\n\n", code("x+y")},
        {"GET /cb?state=S0&state=bad&hub_code=abc HTTP/1.1", code("abc")},
        {"GET /cb?state=bad&state=S0&hub_code=abc HTTP/1.1", Failure::stateMismatch()},
        {"GET /cb?state=S&hub_code=abc HTTP/1.1", Failure::stateMismatch()},
        {"GET /cb?state=S0 HTTP/1.1", Failure::serverTooOld()},
        {"GET /cb?state=S0&hub_code= HTTP/1.1", Failure::serverTooOld()},
        {"GET /favicon.ico HTTP/1.1\r\n", none},
        {"POST /cb?state=S0&hub_code=abc HTTP/1.1", none},
        {"get /cb?state=S0&hub_code=abc HTTP/1.1", none},
        {"GET /cb HTTP/1.1", none},
        {"GET /cb/?state=S0&hub_code=abc HTTP/1.1", none},
        {"GET http://evil/cb?state=S0&hub_code=abc", none},
    };
    for (const auto& [request, outcome] : cases)
        EXPECT_EQ(LoopbackReceiver::parse(QString::fromUtf8(request), u"S0"), outcome) << request;
}

TEST(LoopbackReceiverTest, AnswersEveryConnectionAndFinishesOnTheFirstMatchingCallback)
{
    LoopbackReceiver receiver;
    const quint16 port = receiver.start();
    EXPECT_EQ(receiver.start(), port);
    EXPECT_EQ(exchange(port, "GET /cb?hub_code=abc HTTP/1.1\r\n\r\n"), notFound);
    EXPECT_EQ(exchange(port, ""), notFound) << "a client that sends nothing";
    EXPECT_EQ(exchange(port, callback("wrong", "abc")), mismatch);
    // One read of 16,384 bytes: what follows is never looked at.
    EXPECT_EQ(exchange(port, "GET /x HTTP/1.1\r\nX-Pad: " + QByteArray(100'000, 'a') + "\r\n\r\n"), notFound);

    // Two connections already taken: the first callback wins, the second is still answered.
    const int first = connectTo(port);
    const int second = connectTo(port);
    EXPECT_EQ(okReply.size(), 346);
    EXPECT_EQ(exchange(first, callback(receiver.state, "one") + "X-Pad: " + QByteArray(40'000, 'p')), okReply);
    EXPECT_EQ(exchange(second, callback(receiver.state, "two")), okReply);
    // The outcome came before the wait: it is kept, for every later wait too.
    EXPECT_EQ(receiver.wait(0s).code, "one");
    EXPECT_EQ(receiver.wait(300s).code, "one");
    EXPECT_EQ(connectTo(port), -1) << "the listener is closed once the attempt is finished";
}

TEST(LoopbackReceiverTest, EveryOtherWayAWaitEnds)
{
    const auto failure = [](LoopbackReceiver& receiver, std::chrono::duration<double> timeout, std::stop_token stop = {}) {
        return test::thrown<Failure>([&] { receiver.wait(timeout, stop); });
    };
    const auto cancelled = [](LoopbackReceiver& receiver, std::stop_token stop = {}) {
        test::thrown<CancellationError>([&] { receiver.wait(300s, stop); });
    };
    LoopbackReceiver timed;
    const quint16 timedPort = timed.start();
    EXPECT_EQ(failure(timed, 0s), Failure::timedOut());
    EXPECT_EQ(connectTo(timedPort), -1);

    LoopbackReceiver codeless;
    std::thread waiter([&] { EXPECT_EQ(failure(codeless, 300s), Failure::serverTooOld()); });
    EXPECT_EQ(exchange(codeless.start(), callback(codeless.state, "")), unfinished);
    waiter.join();

    LoopbackReceiver stopped;
    stopped.start();
    std::stop_source stop;
    std::thread stoppedWaiter([&] { cancelled(stopped, stop.get_token()); });
    stop.request_stop();
    stoppedWaiter.join();

    LoopbackReceiver cancelledOne;
    const int accepted = connectTo(cancelledOne.start());
    cancelledOne.cancel();
    cancelled(cancelledOne);
    EXPECT_EQ(exchange(accepted, callback(cancelledOne.state, "late")), okReply) << "a connection taken before is answered";
    cancelled(cancelledOne);

    LoopbackReceiver unstarted;
    unstarted.cancel();
    cancelled(unstarted);
    EXPECT_THROW(unstarted.start(), Failure);
}

namespace {

// The threads of this process.
QSet<QString> threadIds()
{
    const QStringList ids = QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    return QSet<QString>(ids.begin(), ids.end());
}

// Clock ticks of processor time used by the thread whose stat file is open.
long ticksOf(QFile& stats)
{
    stats.seek(0);
    const QByteArray stat = stats.readAll();
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' '); // from the third field on
    return fields.size() > 12 ? fields[11].toLong() + fields[12].toLong() : -1;
}

} // namespace

TEST(LoopbackReceiverTest, OutOfDescriptorsTheReceiverRestsAndAnswersOnceSomeAreFree)
{
    const QSet<QString> before = threadIds();
    LoopbackReceiver receiver;
    const quint16 port = receiver.start();
    const QSet<QString> serving = threadIds() - before;
    ASSERT_EQ(serving.size(), 1);
    const int client = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    QFile stats(QStringLiteral("/proc/self/task/") + *serving.begin() + QStringLiteral("/stat"));
    ASSERT_TRUE(stats.open(QIODevice::ReadOnly | QIODevice::Unbuffered));

    // Every descriptor taken, then a browser connects: the accept cannot succeed.
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    const rlimit lowered{rlim_t(std::max(client, stats.handle()) + 16), limit.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
    QList<int> taken;
    for (int fd; (fd = ::dup(client)) >= 0;)
        taken.append(fd);
    sockaddr_in address{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
    const bool connected = ::connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    const long start = ticksOf(stats);
    std::this_thread::sleep_for(1s);
    const long used = ticksOf(stats) - start;
    for (const int fd : taken)
        ::close(fd);
    ::setrlimit(RLIMIT_NOFILE, &limit);
    ASSERT_TRUE(connected);
    EXPECT_LT(used, 5) << "the receiver's thread spun for " << used << " ticks";

    EXPECT_EQ(exchange(client, callback(receiver.state, "abc")), okReply);
    EXPECT_EQ(receiver.wait(5s).code, QStringLiteral("abc"));
}
