#include "app/platform/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

namespace hub {

namespace {

QString socketPath(const QString& folder) { return QDir(folder).filePath(QString::fromLatin1(SingleInstance::name)); }

// A message ends with a line feed; its text is UTF-8 and holds no line feed itself.
constexpr char terminator = '\n';

} // namespace

SingleInstance::SingleInstance(QString folder, QObject* parent) : QObject(parent), folder_(std::move(folder)) {}

SingleInstance::~SingleInstance()
{
    if (server_)
        server_->close();
}

bool SingleInstance::claim()
{
    if (server_)
        return true;
    auto lock = std::make_unique<InstallLock>(folder_, lockName());
    if (!lock->tryLock())
        return false;
    // Holding the lock, any socket file left is a dead primary's.
    QLocalServer::removeServer(socketPath(folder_));
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(socketPath(folder_))) {
        delete server;
        return false;
    }
    connect(server, &QLocalServer::newConnection, this, &SingleInstance::accept);
    lock_ = std::move(lock);
    server_ = server;
    return true;
}

bool SingleInstance::send(const QString& message, const QString& folder, int timeoutMs)
{
    QByteArray bytes = message.toUtf8();
    if (bytes.size() > maxMessageBytes || bytes.contains(terminator))
        return false;
    bytes += terminator;
    QLocalSocket socket;
    socket.connectToServer(socketPath(folder));
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(bytes);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // The primary closes the connection once it has the whole message.
    socket.waitForDisconnected(timeoutMs);
    return true;
}

void SingleInstance::accept()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        readFrom(socket);
    }
}

void SingleInstance::readFrom(QLocalSocket* socket)
{
    if (!socket->canReadLine()) {
        // Too long to be a message: drop the sender.
        if (socket->bytesAvailable() > maxMessageBytes)
            socket->abort();
        return;
    }
    QByteArray line = socket->readLine(maxMessageBytes + 2);
    if (!line.endsWith(terminator)) {
        socket->abort();
        return;
    }
    line.chop(1);
    socket->disconnectFromServer();
    emit messageReceived(QString::fromUtf8(line));
}

} // namespace hub
