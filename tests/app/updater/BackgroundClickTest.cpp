// A click on the background run's notification, however early, starts the hub; a run under a systemd unit asks the
// user's service manager (a stand-in on the test's bus) for a scope of the hub's own, since the unit's end would end it.

#include "app/updater/BackgroundEnvironment.h"
#include "tests/app/fakes/FakeNotificationServer.h"
#include "tests/testkit/OwnSession.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>
#include <future>
#include <gtest/gtest.h>

using namespace hub;

namespace {

// org.freedesktop.systemd1's StartTransientUnit: records each call of the manager's own signature as one line (name, mode,
// properties, more units or none), then refuses it or answers with a job whose end it announces 300 ms later.
struct ServiceManager : QDBusVirtualObject {
    static inline const QString path = QStringLiteral("/org/freedesktop/systemd1");
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
        const auto auxiliary = qdbus_cast<QList<QPair<QString, Properties>>>(in[3]);
        for (const auto& [name, value] : qdbus_cast<Properties>(in[2]))
            call << name + u'=' + (name != u"PIDs" ? value.variant().toString()
                                                   : QString::number(qdbus_cast<QList<uint>>(value.variant()).value(0)));
        started << call.join(u' ') + (auxiliary.isEmpty() ? " no more units" : " more units");
        if (!refusal.isEmpty())
            return bus.send(message.createErrorReply(refusal, QStringLiteral("refused")));
        const QDBusObjectPath job(path + QStringLiteral("/job/7"));
        bus.send(message.createReply(QVariant::fromValue(job)));
        QTimer::singleShot(300, this, [this, bus, job, unit = call.first()] {
            jobEnds();
            bus.send(QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.systemd1.Manager"), QStringLiteral("JobRemoved"))
                     << 7u << QVariant::fromValue(job) << unit << QStringLiteral("done"));
        });
        return true;
    }
};

QStringList scopeLog;

constexpr const char* childFlag = "HUB_BACKGROUND_CLICK_CHILD";

TEST(BackgroundClick, StartsTheHubOutsideTheRunsUnit)
{
    if (!qEnvironmentVariableIsSet(childFlag)) { // the stand-ins take names other tests serve on the shared bus
        QTemporaryDir sandbox;
        const QProcessEnvironment environment = test::sandboxedEnvironment(sandbox.path(), QString::fromLatin1(childFlag));
        EXPECT_EQ(test::runInOwnSession(environment, {QStringLiteral("--gtest_filter=BackgroundClick.*")}), 0);
        return;
    }
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("server"));
    test::FakeNotificationServer notifications(bus);
    notifications.clickAtOnce = true;
    ServiceManager manager;
    ASSERT_TRUE(notifications.isServing() && bus.registerVirtualObject(ServiceManager::path, &manager)
                && bus.registerService(QStringLiteral("org.freedesktop.systemd1")));
    // A hub that writes down its process id and its arguments.
    QTemporaryDir box;
    const QString hub = box.filePath(QStringLiteral("tavren-hub")), record = box.filePath(QStringLiteral("started"));
    QFile script(hub);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly) && script.setPermissions(script.permissions() | QFileDevice::ExeOwner)
                && script.write(QStringLiteral("#!/bin/sh\necho $$ \"$@\" > '%1.part' && mv '%1.part' '%1'\n").arg(record).toUtf8()) > 0);
    script.close();
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context, const QString& text) {
        if (QByteArray(context.category) == "com.tavren.hub.scope")
            scopeLog.append(text);
    });
    const QString denied = QStringLiteral("org.freedesktop.DBus.Error.AccessDenied");
    for (const auto& [underUnit, refusal] : {std::pair(false, QString()), std::pair(true, QString()), std::pair(true, denied)}) {
        SCOPED_TRACE(testing::Message() << "under a unit " << underUnit << ", refused " << refusal.toStdString());
        underUnit ? void(qputenv("INVOCATION_ID", "8f1c2a6b1f5e4b2c9d7e0a3b4c5d6e7f")) : void(qunsetenv("INVOCATION_ID"));
        manager.refusal = refusal;
        manager.started.clear();
        scopeLog.clear();
        QFile::remove(record);
        // The run waits for the click on a thread of its own, as the headless run does.
        std::future<void> run = std::async(std::launch::async, [&] {
            const BackgroundEnvironment environment = BackgroundEnvironment::standard(hub);
            environment.awaitClick(environment.post(QStringLiteral("Tavren Hub updated 1 product"), QStringLiteral("TV Reverb 1.5.0")),
                                   QStringLiteral("tavren-hub:library"));
        });
        const auto returned = [&] { return run.wait_for(std::chrono::seconds(0)) == std::future_status::ready; };
        bool returnedFirst = false;
        manager.jobEnds = [&] { returnedFirst = returned(); };
        EXPECT_TRUE(QTest::qWaitFor(returned, 30'000));
        QFile started(record);
        ASSERT_TRUE(QTest::qWaitFor([&] { return started.open(QIODevice::ReadOnly); }, 5000)) << "the click started nothing";
        const QStringList words = QString::fromUtf8(started.readAll()).trimmed().split(u' ');
        ASSERT_EQ(words.mid(1), QStringList{QStringLiteral("tavren-hub:library")});
        const QString scope = QStringLiteral("app-com.tavren.hub-%1.scope fail Description=Tavren Hub PIDs=%1 no more units").arg(words[0]);
        EXPECT_EQ(manager.started, underUnit ? QStringList(scope) : QStringList());
        EXPECT_FALSE(returnedFirst) << "the run ended before the hub was in its scope";
        const QString logged = hub + " stays in this unit and ends with it: the service manager gave it no scope of its own: refused";
        EXPECT_EQ(scopeLog, refusal.isEmpty() ? QStringList() : QStringList(logged));
    }
}

} // namespace
