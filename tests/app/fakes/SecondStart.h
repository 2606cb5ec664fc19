#pragma once

// A second start's side of the single-instance exchange, written apart from the app's own:
// the message on one line, taken once the primary answers an empty line.

#include "app/platform/SingleInstance.h"

#include <QDir>
#include <QLocalSocket>

namespace hub::test {

// True once the primary in `folder` took `message`; false when there is none or it did not
// answer within `timeoutMs`. Blocks the caller.
inline bool sendToPrimary(const QString& message, const QString& folder, int timeoutMs = 3000)
{
    QLocalSocket socket;
    socket.connectToServer(QDir(folder).filePath(QString::fromLatin1(SingleInstance::name)));
    return socket.waitForConnected(timeoutMs) && socket.write(message.toUtf8() + '\n') > 0 && socket.waitForReadyRead(timeoutMs)
        && socket.readAll() == "\n";
}

} // namespace hub::test
