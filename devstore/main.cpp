// tavren-devstore: the local stand-in for every service the hub talks to.
//   tavren-devstore --state DIR [--port N] [--throttle-kbps N] [--access-ttl SECONDS] [--screenshots N]

#include "devstore/Console.h"
#include "devstore/DevstoreServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <clocale>
#include <cstdio>

int main(int argc, char** argv)
{
    qputenv("LANG", "C.UTF-8");
    std::setlocale(LC_ALL, "C.UTF-8");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavren-devstore"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A local store, identity service, feed and download host for Tavren Hub."));
    parser.addHelpOption();
    const QCommandLineOption state(QStringLiteral("state"), QStringLiteral("Folder for keys, fixtures and deployment.json."),
                                   QStringLiteral("DIR"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Loopback port (0: any free one)."), QStringLiteral("N"),
                                  QStringLiteral("0"));
    const QCommandLineOption throttle(QStringLiteral("throttle-kbps"), QStringLiteral("Send downloads at this many kilobits a second."),
                                      QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption accessTtl(QStringLiteral("access-ttl"), QStringLiteral("Lifetime of store access tokens."),
                                       QStringLiteral("SECONDS"), QStringLiteral("300"));
    const QCommandLineOption screenshots(QStringLiteral("screenshots"),
                                         QStringLiteral("List this many 1200 x 675 screenshots for every product the feed gives none."),
                                         QStringLiteral("N"), QStringLiteral("0"));
    parser.addOptions({state, port, throttle, accessTtl, screenshots});
    parser.process(app);
    if (!parser.isSet(state)) {
        std::fputs("tavren-devstore: --state DIR is required\n", stderr);
        return 2;
    }

    hub::devstore::DevstoreServer::Options options;
    options.state = parser.value(state);
    options.port = quint16(parser.value(port).toUInt());
    options.throttleKbps = parser.value(throttle).toLongLong();
    options.accessLifetime = std::chrono::seconds(std::max(1LL, parser.value(accessTtl).toLongLong()));
    options.screenshots = parser.value(screenshots).toInt();

    try {
        hub::devstore::DevstoreServer server(options);
        const quint16 listening = server.start();
        if (listening == 0) {
            std::fputs("tavren-devstore: cannot listen on the port\n", stderr);
            return 1;
        }
        hub::devstore::say(QStringLiteral("devstore listening on 127.0.0.1:%1").arg(listening));
        return app.exec();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tavren-devstore: %s\n", error.what());
        return 1;
    }
}
