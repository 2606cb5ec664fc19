#include "devstore/DownloadStream.h"

namespace hub::devstore {

namespace {

constexpr qint64 chunk = 256 * 1024;
constexpr qint64 backlog = 1024 * 1024;
constexpr int tickMs = 50;

} // namespace

DownloadStream::DownloadStream(QTcpSocket* socket, const Plan& plan) : QObject(socket), socket_(socket), plan_(plan) {}

void DownloadStream::start(QTcpSocket* socket, const QString& path, const QByteArray& head, const Plan& plan)
{
    auto* stream = new DownloadStream(socket, plan);
    stream->file_.setFileName(path);
    socket->write(head);
    if (!stream->file_.open(QIODevice::ReadOnly) || !stream->file_.seek(plan.from)) {
        socket->disconnectFromHost();
        stream->deleteLater();
        return;
    }
    connect(socket, &QTcpSocket::bytesWritten, stream, &DownloadStream::pump);
    connect(&stream->timer_, &QTimer::timeout, stream, [stream] {
        stream->budget_ = stream->plan_.bytesPerSecond * tickMs / 1000;
        stream->pump();
    });
    stream->timer_.start(tickMs);
    stream->budget_ = plan.bytesPerSecond * tickMs / 1000;
    stream->pump();
}

void DownloadStream::pump()
{
    if (!socket_) {
        deleteLater();
        return;
    }
    const qint64 limit = plan_.stallAfter >= 0 ? std::min(plan_.stallAfter, plan_.length) : plan_.length;
    while (sent_ < limit && socket_->bytesToWrite() < backlog) {
        qint64 size = std::min(chunk, limit - sent_);
        if (plan_.bytesPerSecond > 0)
            size = std::min(size, budget_);
        if (size <= 0)
            return;
        const QByteArray bytes = file_.read(size);
        if (bytes.isEmpty()) {
            socket_->disconnectFromHost();
            deleteLater();
            return;
        }
        socket_->write(bytes);
        sent_ += bytes.size();
        if (plan_.bytesPerSecond > 0)
            budget_ -= bytes.size();
    }
    if (sent_ >= plan_.length)
        finish();
    // A stall: the rest never comes; the client gives up or stops.
}

void DownloadStream::finish()
{
    timer_.stop();
    disconnect(socket_, nullptr, this, nullptr);
    if (!plan_.tail.isEmpty())
        socket_->write(plan_.tail);
    if (plan_.closeAtEnd)
        socket_->disconnectFromHost();
    deleteLater();
}

} // namespace hub::devstore
