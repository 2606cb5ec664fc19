// A click on the background run's notification, however early it comes, starts the hub; a run under a systemd unit
// asks the user's service manager (a stand-in on the test's bus) for a scope of the hub's own, since the unit's end
// would end it.

#include "app/updater/BackgroundEnvironment.h"
#include "tests/app/fakes/FakeNotificationServer.h"
#include "tests/testkit/OwnSession.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using namespace hub;

namespace {

// org.freedesktop.systemd1 as far as a transient unit goes: records each StartTransientUnit of the manager's own
// signature as one line (name, mode, properties, more units or none), and refuses it, or answers with a job whose end
// it announces 300 ms later.
struct ServiceManager : QDBusVirtualObject {
    QStringList started;
    QString refusal;
    std::function<void()> jobEnds;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& bus) override
    {
        if (message.member() != u"StartTransientUnit" || message.signature() != u"ssa(sv)a(sa(sv))")
            return false;
        const QList<QVariant> in = message.arguments();
        QStringList call{in[0].toString(), in[1].toString()};
        using Properties = QList<QPair<QString, QDBusVariant>>;
        Properties properties;
        QList<QPair<QString, Properties>> auxiliary;
        in[2].value<QDBusArgument>() >> properties;
        in[3].value<QDBusArgument>() >> auxiliary;
        for (const auto& [name, value] : properties)
            call << name + u'=' + (name == u"PIDs" ? QString::number(qdbus_cast<QList<uint>>(value.variant()).value(0)) : value.variant().toString());
        started << call.join(u' ') + (auxiliary.isEmpty() ? " no more units" : " more units");
        if (!refusal.isEmpty())
            return bus.send(message.createErrorReply(refusal, QStringLiteral("refused")));
        const QDBusObjectPath job(QStringLiteral("/org/freedesktop/systemd1/job/7"));
        bus.send(message.createReply(QVariant::fromValue(job)));
        QTimer::singleShot(300, this, [this, bus, job, unit = call.first()] {
            jobEnds();
            bus.send(QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/systemd1"), QStringLiteral("org.freedesktop.systemd1.Manager"),
                                                QStringLiteral("JobRemoved")) << 7u << QVariant::fromValue(job) << unit << QStringLiteral("done"));
        });
        return true;
    }
};

QStringList scopeLog;

constexpr const char* childFlag = "HUB_BACKGROUND_CLICK_CHILD";

// The stand-ins take names other tests serve on the shared bus.
TEST(BackgroundClick, RunsOnABusOfItsOwn)
{
    if (qEnvironmentVariableIsSet(childFlag))
        GTEST_SKIP() << "inside the child";
    QTemporaryDir sandbox;
    EXPECT_EQ(test::runInOwnSession(test::sandboxedEnvironment(sandbox.path(), QString::fromLatin1(childFlag)),
                                    {QStringLiteral("--gtest_filter=BackgroundClick.StartsTheHubOutsideTheRunsUnit")}),
              0);
}

TEST(BackgroundClick, StartsTheHubOutsideTheRunsUnit)
{
    if (!qEnvironmentVariableIsSet(childFlag))
        GTEST_SKIP() << "runs only on a bus of its own";
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("server"));
    test::FakeNotificationServer notifications(bus);
    notifications.clickAtOnce = true;
    ServiceManager manager;
    ASSERT_TRUE(notifications.isServing() && bus.registerVirtualObject(QStringLiteral("/org/freedesktop/systemd1"), &manager)
                && bus.registerService(QStringLiteral("org.freedesktop.systemd1")));
    // A hub that writes down its process id and its arguments.
    QTemporaryDir box;
    const QString hub = box.filePath(QStringLiteral("tavren-hub")), record = box.filePath(QStringLiteral("started"));
    QFile script(hub);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly) && script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)
                && script.write(QStringLiteral("#!/bin/sh\necho $$ \"$@\" > '%1.part' && mv '%1.part' '%1'\n").arg(record).toUtf8()) > 0);
    script.close();
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context, const QString& text) {
        if (QByteArray(context.category) == "com.tavren.hub.scope")
            scopeLog.append(text);
    });
    for (const auto& [underUnit, refusal] : {std::pair(false, QString()), std::pair(true, QString()), std::pair(true, QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"))}) {
        SCOPED_TRACE(testing::Message() << "under a unit " << underUnit << ", refused " << refusal.toStdString());
        underUnit ? void(qputenv("INVOCATION_ID", "8f1c2a6b1f5e4b2c9d7e0a3b4c5d6e7f")) : void(qunsetenv("INVOCATION_ID"));
        manager.refusal = refusal;
        manager.started.clear();
        scopeLog.clear();
        QFile::remove(record);
        // The run waits for the click on a thread of its own, as the headless run does.
        std::atomic<bool> returned = false, returnedFirst = false;
        manager.jobEnds = [&] { returnedFirst = returned.load(); };
        std::thread run([&] {
            const BackgroundEnvironment environment = BackgroundEnvironment::standard(hub);
            environment.awaitClick(environment.post(QStringLiteral("Tavren Hub updated 1 product"), QStringLiteral("TV Reverb 1.5.0")),
                                   QStringLiteral("tavren-hub:library"));
            returned = true;
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return returned.load(); }, 30'000));
        run.join();
        QTest::qWait(400);
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(record); }, 5000)) << "the click started nothing";
        QFile started(record);
        const QStringList words = started.open(QIODevice::ReadOnly) ? QString::fromUtf8(started.readAll()).trimmed().split(u' ') : QStringList();
        ASSERT_EQ(words.size(), 2);
        EXPECT_EQ(words[1], QStringLiteral("tavren-hub:library"));
        const QString scope = QStringLiteral("app-com.tavren.hub-%1.scope fail Description=Tavren Hub PIDs=%1 no more units").arg(words[0]);
        EXPECT_EQ(manager.started, underUnit ? QStringList(scope) : QStringList());
        EXPECT_FALSE(returnedFirst) << "the run ended before the hub was in its scope";
        const QString logged = QStringLiteral("%1 stays in this unit and ends with it: the service manager gave it no scope of its own: refused");
        EXPECT_EQ(scopeLog, refusal.isEmpty() ? QStringList() : QStringList(logged.arg(hub)));
    }
    qInstallMessageHandler(previous);
    qunsetenv("INVOCATION_ID");
    bus.unregisterService(QStringLiteral("org.freedesktop.systemd1"));
    bus.unregisterObject(QStringLiteral("/org/freedesktop/systemd1"));
}

} // namespace
