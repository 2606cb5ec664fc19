// Notifications reach a server that is running or that the bus starts on first use;
// bodies are escaped only for a server that reads markup; a click on one is heard.

#include "app/platform/NotificationClicks.h"
#include "app/platform/Notifier.h"
#include "tests/app/fakes/FakeNotificationServer.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <gtest/gtest.h>

using namespace hub;

namespace {

// A bus of the test's own, which starts the helper notification server when first asked.
class StartingBus {
public:
    explicit StartingBus(const QString& capabilities)
    {
        const QString services = folder_.filePath("services");
        QDir().mkpath(services);
        write(services + "/org.freedesktop.Notifications.service",
            "[D-BUS Service]\nName=org.freedesktop.Notifications\nExec=\"" + QCoreApplication::applicationDirPath()
                + "/FakeNotificationService\" \"" + record() + "\" " + capabilities + "\n");
        write(folder_.filePath("bus.conf"), R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=)" + folder_.path() + R"(</listen>
  <servicedir>)" + services + R"(</servicedir>
  <policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/></policy>
</busconfig>
)");
        daemon_.start("dbus-daemon", {"--nofork", "--print-address=1", "--config-file=" + folder_.filePath("bus.conf")});
        if (daemon_.waitForStarted() && daemon_.waitForReadyRead())
            address_ = QString::fromUtf8(daemon_.readLine().trimmed());
    }
    ~StartingBus()
    {
        QDBusConnection::disconnectFromBus("starting");
        daemon_.kill();
        daemon_.waitForFinished();
    }

    QDBusConnection connect() const { return QDBusConnection::connectToBus(address_, "starting"); }
    QString record() const { return folder_.filePath("posted.jsonl"); }
    // The one notification the server recorded.
    QJsonObject posted() const
    {
        QFile file(record());
        return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readLine()).object() : QJsonObject();
    }

private:
    static void write(const QString& path, const QString& text)
    {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(text.toUtf8());
    }

    QTemporaryDir folder_;
    QProcess daemon_;
    QString address_;
};

// As the Notify a click follows would, a call on the watcher's connection has the bus take its subscriptions first.
// The turn of the event loop that the hub has made long before any click: until the main thread's first turn, Qt
// holds back what a connection made on it receives, and a signal that comes as it lets go can overtake those held.
bool subscribed()
{
    const bool registered =
        QDBusConnection::sessionBus().interface()->isServiceRegistered(QStringLiteral("org.freedesktop.Notifications"));
    QCoreApplication::processEvents();
    return registered;
}

} // namespace

TEST(Notifier, EscapesMarkupAndPostsOnlyWithAService)
{
    EXPECT_EQ(Notifier::escaped(QStringLiteral("<b>TV & \"Co\"</b>")), QStringLiteral("&lt;b&gt;TV &amp; \"Co\"&lt;/b&gt;"));
    EXPECT_EQ(Notifier::escaped(QStringLiteral("TV Reverb 1.5.0\nTV Delay")), QStringLiteral("TV Reverb 1.5.0\nTV Delay"));

    const Notifier offline(QDBusConnection(QStringLiteral("not connected")));
    EXPECT_FALSE(offline.isAuthorised());
    EXPECT_FALSE(offline.post(QStringLiteral("title"), QStringLiteral("body")));
}

TEST(Notifier, AServerTheBusStartsOnFirstUseGetsTheNotification)
{
    const QString body = QStringLiteral("Tape & Drive 1.2 <new>");
    struct Case {
        const char* capabilities;
        QString body;
    };
    for (const Case& c : {Case{"body,body-markup", QStringLiteral("Tape &amp; Drive 1.2 &lt;new&gt;")}, Case{"body", body}}) {
        const StartingBus bus(c.capabilities);
        const Notifier notifier(bus.connect());
        ASSERT_TRUE(notifier.isAuthorised()) << "not running yet, but activatable";
        EXPECT_TRUE(notifier.post(QStringLiteral("Tavren Hub updated 1 product"), body));
        EXPECT_EQ(bus.posted(), (QJsonObject{{"title", "Tavren Hub updated 1 product"}, {"body", c.body}, {"icon", "com.tavren.hub"},
                                 {"desktop-entry", "com.tavren.hub"}, {"actions", QJsonArray{"default", "Open Tavren Hub"}}}))
            << c.capabilities;
    }
}

TEST(Notifier, AClickOnAWatchedNotificationOpensItsLinkOnce)
{
    const QDBusConnection serverBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("server"));
    const test::FakeNotificationServer server(serverBus);
    ASSERT_TRUE(server.isServing());
    NotificationClicks clicks;
    QStringList opened;
    QObject::connect(&clicks, &NotificationClicks::clicked, [&](const QString& link) { opened.append(link); });
    ASSERT_TRUE(subscribed());
    clicks.watch(1, QStringLiteral("tavren-hub:updates"));
    clicks.watch(2, QStringLiteral("tavren-hub:product/tv-gate"));
    clicks.watch(3, QStringLiteral("tavren-hub:library"));
    server.close(2);
    for (const auto& [id, action] : {std::pair{1u, "other"}, {4u, "default"}, {1u, "default"}, {1u, "default"}, {2u, "default"}, {3u, "default"}})
        server.invoke(id, QString::fromLatin1(action));
    EXPECT_TRUE(clicks.waitForClick(3, std::chrono::seconds(20)));
    EXPECT_EQ(opened, QStringList({"tavren-hub:updates", "tavren-hub:library"})) << "the default action of an open one, once";
}

TEST(Notifier, AClickHeardBeforeItsNotificationIsWatchedCounts)
{
    // The windowed hub watches an id once the post, made on another thread, has it.
    const test::FakeNotificationServer server(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("server")));
    NotificationClicks clicks, heard; // the click reaches both at once: once `heard` has it, so has `clicks`
    ASSERT_TRUE(server.isServing() && subscribed());
    heard.watch(7, QStringLiteral("tavren-hub:updates"));
    server.invoke(7, QStringLiteral("default"));
    ASSERT_TRUE(heard.waitForClick(7, std::chrono::seconds(5)));
    QCoreApplication::sendPostedEvents();
    QStringList opened;
    QObject::connect(&clicks, &NotificationClicks::clicked, [&](const QString& link) { opened.append(link); });
    clicks.watch(7, QStringLiteral("tavren-hub:updates"));
    EXPECT_TRUE(clicks.waitForClick(7, std::chrono::seconds(5)));
    EXPECT_EQ(opened, QStringList({"tavren-hub:updates"}));
}
