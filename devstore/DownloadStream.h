#pragma once

#include <QFile>
#include <QObject>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

namespace hub::devstore {

// Writes one byte range of a file to a socket without blocking the server: as fast as the
// socket takes it, or at a set rate; optionally stops after some bytes (a stall), adds a
// tail, or closes the connection at the end. Lives as long as the socket.
class DownloadStream : public QObject {
    Q_OBJECT
public:
    struct Plan {
        qint64 from = 0;
        qint64 length = 0;           // bytes of the file to send
        QByteArray tail;             // sent after them
        qint64 stallAfter = -1;      // stop after this many bytes, and keep the connection open
        qint64 bytesPerSecond = 0;   // 0: no limit
        bool closeAtEnd = false;
    };

    // Takes the head (already serialized) and starts.
    static void start(QTcpSocket* socket, const QString& path, const QByteArray& head, const Plan& plan);

private:
    DownloadStream(QTcpSocket* socket, const Plan& plan);
    void pump();
    void finish();

    QPointer<QTcpSocket> socket_;
    QFile file_;
    Plan plan_;
    qint64 sent_ = 0;
    qint64 budget_ = 0;
    QTimer timer_;
};

} // namespace hub::devstore
