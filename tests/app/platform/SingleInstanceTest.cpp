// One windowed hub per user: the primary role, the question the background updater asks,
// and a second instance's message.

#include "app/platform/SingleInstance.h"
#include "kit/support/FileDescriptor.h"
#include "kit/support/NoFollow.h"
#include "tests/testkit/Thrown.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <future>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <system_error>
#include <unistd.h>

using namespace hub;

namespace {

const QString socketName = QString::fromLatin1(SingleInstance::name);
const QString lockName = socketName + QStringLiteral(".lock");
using Start = SingleInstance::Start;

// Runs `send` on another thread while this one serves the primary, until it returns.
template <typename Send>
auto sendWhileServing(const Send& send)
{
    auto sent = std::async(std::launch::async, send);
    while (sent.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return sent.get();
}

TEST(SingleInstance, OnePrimaryAnswersWhetherItRunsAndHandsOverMessages)
{
    QTemporaryDir folder;
    EXPECT_FALSE(SingleInstance::isPrimaryRunning(folder.path()));

    auto primary = std::make_unique<SingleInstance>(folder.path());
    ASSERT_TRUE(primary->claim());
    EXPECT_TRUE(primary->claim());
    EXPECT_TRUE(SingleInstance::isPrimaryRunning(folder.path()));
    SingleInstance second(folder.path());
    EXPECT_FALSE(second.claim());
    EXPECT_FALSE(second.isPrimary());

    QSignalSpy received(primary.get(), &SingleInstance::messageReceived);
    const QString link = QStringLiteral("tavren-hub://product/tv-réverb?x=1&y=2");
    EXPECT_EQ(sendWhileServing([&] { return SingleInstance(folder.path()).claimOrSend(link); }), Start::handedOver);
    EXPECT_EQ(sendWhileServing([&] { return SingleInstance(folder.path()).claimOrSend(QString()); }), Start::handedOver);

    // Too long, or two lines: a second start hands over an empty message instead, and learns
    // so; a first start takes the role all the same.
    for (const QString& unsendable : {QString(SingleInstance::maxMessageBytes + 1, u'x'), QStringLiteral("a\nb")}) {
        EXPECT_EQ(sendWhileServing([&] { return SingleInstance(folder.path()).claimOrSend(unsendable); }), Start::messageDropped);
        QTemporaryDir elsewhere;
        EXPECT_EQ(SingleInstance(elsewhere.path()).claimOrSend(unsendable), Start::primary);
    }
    ASSERT_EQ(received.size(), 4);
    EXPECT_EQ(received[0][0].toString(), link);
    for (int at : {1, 2, 3})
        EXPECT_EQ(received[at][0].toString(), QString()) << at;

    // A sender that never ends its line is dropped once it passes the limit.
    EXPECT_TRUE(sendWhileServing([&] {
        QLocalSocket flood;
        flood.connectToServer(folder.filePath(QString::fromLatin1(SingleInstance::name)));
        flood.waitForConnected();
        flood.write(QByteArray(SingleInstance::maxMessageBytes + 10, 'x'));
        flood.waitForBytesWritten();
        return flood.waitForDisconnected(5000);
    }));
    EXPECT_EQ(received.size(), 4);

    // The role is free again when the primary goes, its socket file left behind or not.
    primary.reset();
    EXPECT_FALSE(SingleInstance::isPrimaryRunning(folder.path()));
    SingleInstance next(folder.path());
    EXPECT_TRUE(next.claim());
}

// Senders that connect and say nothing neither block the primary nor keep others out, and
// the primary lets go of every one it holds when it goes.
TEST(SingleInstance, SilentSendersNeitherBlockNorOutliveThePrimary)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QString::fromLatin1(SingleInstance::name));
    auto primary = std::make_unique<SingleInstance>(folder.path());
    ASSERT_TRUE(primary->claim());
    EXPECT_EQ(QFileInfo(path).permissions(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);

    const auto gone = [](QLocalSocket& socket) {
        return socket.state() == QLocalSocket::UnconnectedState || socket.waitForDisconnected(1000);
    };
    std::vector<std::unique_ptr<QLocalSocket>> silent;
    for (std::size_t i = 0; i < SingleInstance::maxConnections + 4; ++i) {
        silent.push_back(std::make_unique<QLocalSocket>());
        silent.back()->connectToServer(path);
        ASSERT_TRUE(silent.back()->waitForConnected(1000));
        silent.back()->write("half a line");
        QCoreApplication::processEvents();
    }
    QSignalSpy received(primary.get(), &SingleInstance::messageReceived);
    EXPECT_EQ(sendWhileServing([&] { return SingleInstance(folder.path()).claimOrSend(QStringLiteral("tavren-hub://library")); }), Start::handedOver);
    ASSERT_EQ(received.size(), 1);
    EXPECT_EQ(received[0][0].toString(), QStringLiteral("tavren-hub://library"));
    EXPECT_TRUE(gone(*silent.front())) << "the oldest gave way";
    EXPECT_EQ(silent.back()->state(), QLocalSocket::ConnectedState);

    primary.reset();
    for (const auto& socket : silent)
        EXPECT_TRUE(gone(*socket));
}

// A link in the lock file's place, dangling or to a user's file, is never written through.
TEST(SingleInstance, TheLockFileIsNeverOpenedThroughALink)
{
    for (const bool dangling : {true, false}) {
        QTemporaryDir folder;
        const QString lock = folder.filePath(QString::fromLatin1(SingleInstance::name) + QStringLiteral(".lock"));
        const QString target = folder.filePath(QStringLiteral("notes.txt"));
        if (!dangling)
            QFile(target).open(QIODevice::WriteOnly);
        ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(lock).constData()), 0);
        EXPECT_FALSE(SingleInstance::isPrimaryRunning(folder.path()));
        SingleInstance primary(folder.path());
        EXPECT_TRUE(primary.claim());
        EXPECT_TRUE(QFileInfo(lock).isFile() && !QFileInfo(lock).isSymLink()) << dangling;
        EXPECT_EQ(QFileInfo::exists(target), !dangling) << "nothing made through the link";
    }
}

// An empty folder at the hub's own name goes; one with a user's files stays and is named, as is a path too long.
TEST(SingleInstance, AClaimThatCannotBeMadeSaysWhy)
{
    using Kind = SingleInstanceError::Kind;
    const QString tooLong(100, u'x');
    const struct {
        QString folder; // made inside a temporary folder
        QString planted;
        std::optional<Kind> kind; // none: claimed
        int error;
    } cases[] = {
        {{}, socketName, std::nullopt, 0},
        {{}, lockName, std::nullopt, 0},
        {{}, socketName + QStringLiteral("/notes"), Kind::cannotListen, EISDIR},
        {{}, lockName + QStringLiteral("/notes"), Kind::cannotLock, EISDIR},
        {tooLong, {}, Kind::cannotListen, ENAMETOOLONG},
    };
    for (const auto& c : cases) {
        QTemporaryDir temporary;
        const QDir folder(temporary.filePath(c.folder));
        ASSERT_TRUE(folder.mkpath(c.planted.isEmpty() ? QStringLiteral(".") : c.planted));
        SingleInstance instance(folder.path());
        EXPECT_FALSE(SingleInstance::isPrimaryRunning(folder.path())) << qPrintable(c.planted);
        if (!c.kind) {
            EXPECT_TRUE(instance.claim()) << qPrintable(c.planted);
            continue;
        }
        const QString path = folder.filePath(*c.kind == Kind::cannotLock ? lockName : socketName);
        const auto error = test::thrown<SingleInstanceError>([&] { instance.claim(); });
        EXPECT_EQ(error, SingleInstanceError(*c.kind, path, c.error));
        EXPECT_THAT(error.message().toStdString(),
                    testing::AllOf(testing::HasSubstr(path.toStdString()), testing::HasSubstr(std::generic_category().message(c.error)),
                                   testing::Not(testing::HasSubstr("did not answer"))));
        EXPECT_TRUE(QFileInfo::exists(folder.filePath(c.planted))) << "a user's folder stays";
    }
}

// A first start holding the role but not yet listening is waited for, and the link handed over.
TEST(SingleInstance, ASecondStartWaitsForAFirstThatIsSlowToListen)
{
    QTemporaryDir folder;
    const FileDescriptor first(NoFollow::lockFile(AT_FDCWD, QFile::encodeName(folder.filePath(lockName))));
    ASSERT_TRUE(first.valid());
    QLocalServer server;
    QStringList taken;
    QObject::connect(&server, &QLocalServer::newConnection, [&] {
        QLocalSocket* connection = server.nextPendingConnection();
        QObject::connect(connection, &QLocalSocket::readyRead, [&taken, connection] {
            if (!connection->canReadLine())
                return;
            taken << QString::fromUtf8(connection->readLine().chopped(1));
            connection->write("\n");
        });
    });
    QTimer::singleShot(300, [&] { server.listen(folder.filePath(socketName)); });
    SingleInstance second(folder.path());
    const QString link = QStringLiteral("tavren-hub://product/tv-reverb");
    EXPECT_EQ(sendWhileServing([&] { return second.claimOrSend(link, 20'000); }), Start::handedOver);
    EXPECT_EQ(taken, QStringList{link});
}

// A message unanswered is not handed over; many senders at once are all answered, a few per turn.
TEST(SingleInstance, AMessageCountsAsHandedOverOnlyOnceThePrimaryTookIt)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QString::fromLatin1(SingleInstance::name));
    {
        // A first start that holds the role and never listens, or never answers: the second gives up at its deadline.
        const FileDescriptor first(NoFollow::lockFile(AT_FDCWD, QFile::encodeName(folder.filePath(lockName))));
        ASSERT_TRUE(first.valid());
        QLocalServer careless;
        QObject::connect(&careless, &QLocalServer::newConnection, [&] {
            QLocalSocket* connection = careless.nextPendingConnection();
            connection->waitForReadyRead(1000);
            connection->readAll();
            connection->disconnectFromServer();
        });
        for (const bool listening : {false, true}) {
            ASSERT_TRUE(!listening || careless.listen(path));
            EXPECT_TRUE(sendWhileServing([&] {
                return test::thrown<SingleInstanceError>([&] { SingleInstance(folder.path()).claimOrSend(QStringLiteral("tavren-hub://library"), 300); })
                    == SingleInstanceError(SingleInstanceError::Kind::unanswered, path);
            })) << listening;
        }
    }

    SingleInstance primary(folder.path());
    ASSERT_TRUE(primary.claim());
    QSignalSpy received(&primary, &SingleInstance::messageReceived);
    QStringList sent;
    std::vector<std::unique_ptr<QLocalSocket>> senders(12 * SingleInstance::maxConnections);
    for (auto& sender : senders) {
        sent << QStringLiteral("tavren-hub://product/p%1").arg(sent.size());
        (sender = std::make_unique<QLocalSocket>())->connectToServer(path);
        ASSERT_TRUE(sender->waitForConnected(1000) && sender->write(sent.back().toUtf8() + '\n') > 0 && sender->waitForBytesWritten(1000));
    }
    const auto letGo = [&] {
        return std::count_if(senders.begin(), senders.end(),
            [](const auto& sender) { return sender->bytesAvailable() > 0 || sender->state() == QLocalSocket::UnconnectedState; });
    };
    const QDeadlineTimer deadline(20'000);
    for (std::ptrdiff_t before = 0; before < std::ssize(senders);) {
        ASSERT_FALSE(deadline.hasExpired()) << before << " of " << senders.size() << " let go";
        QCoreApplication::processEvents();
        EXPECT_LE(letGo() - before, std::ptrdiff_t(2 * SingleInstance::maxConnections)) << "in one turn of the event loop";
        before = letGo();
    }
    QStringList taken;
    std::transform(received.begin(), received.end(), std::back_inserter(taken), [](const QList<QVariant>& message) { return message[0].toString(); });
    EXPECT_EQ(taken, sent);
    EXPECT_TRUE(std::all_of(senders.begin(), senders.end(), [](const auto& sender) { return sender->readAll() == "\n"; }));
}

} // namespace
