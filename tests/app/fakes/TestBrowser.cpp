#include "tests/app/fakes/TestBrowser.h"

#include <QTcpSocket>
#include <QUrlQuery>
#include <QtConcurrent/QtConcurrentRun>

namespace hub::test {

QFuture<void> TestBrowser::open(const QUrl& address)
{
    return QtConcurrent::run([address] {
        QTcpSocket socket;
        socket.connectToHost(QStringLiteral("127.0.0.1"), quint16(address.port()));
        if (!socket.waitForConnected(10'000))
            return;
        QByteArray target = address.path(QUrl::FullyEncoded).toUtf8();
        if (address.hasQuery())
            target += '?' + address.query(QUrl::FullyEncoded).toUtf8();
        socket.write("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        socket.waitForBytesWritten(10'000);
        socket.waitForReadyRead(10'000);
    });
}

QFuture<void> TestBrowser::returnFrom(const QUrl& start, const QString& code)
{
    const QUrlQuery query(start);
    QUrl back(QStringLiteral("http://127.0.0.1/cb"));
    back.setPort(query.queryItemValue(QStringLiteral("port")).toInt());
    QUrlQuery answer;
    answer.addQueryItem(QStringLiteral("state"), query.queryItemValue(QStringLiteral("state")));
    answer.addQueryItem(QStringLiteral("hub_code"), code);
    back.setQuery(answer);
    return open(back);
}

bool TestBrowser::listening(const QUrl& start)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), QUrlQuery(start).queryItemValue(QStringLiteral("port")).toUShort());
    return socket.waitForConnected(2'000);
}

} // namespace hub::test
