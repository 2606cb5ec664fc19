// A notification server for a bus to start on first use. Serves on the bus that started
// it, with the capabilities given as the second argument (comma-separated), and appends
// each notification as one JSON line {"title", "body", "icon", "desktop-entry", "actions"}
// to the file named first. Ends shortly after its first notification.

#include "tests/app/fakes/FakeNotificationServer.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 3)
        return 2;
    hub::test::FakeNotificationServer server(QDBusConnection::connectToBus(QDBusConnection::ActivationBus, "starter"),
                                             arguments.at(2).split(u',', Qt::SkipEmptyParts));
    if (!server.isServing())
        return 1;
    QObject::connect(&server, &hub::test::FakeNotificationServer::notified, [&] {
        QFile record(arguments.at(1));
        if (record.open(QIODevice::Append)) {
            const hub::test::FakeNotificationServer::Posted& posted = server.posted.last();
            const QJsonObject line{{"title", posted.title}, {"body", posted.body}, {"icon", posted.icon},
                                   {"desktop-entry", posted.desktopEntry}, {"actions", QJsonArray::fromStringList(posted.actions)}};
            record.write(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
        }
        // Time for the answer to leave before the process does.
        QTimer::singleShot(500, &app, &QCoreApplication::quit);
    });
    QTimer::singleShot(20'000, &app, &QCoreApplication::quit);
    return app.exec();
}
