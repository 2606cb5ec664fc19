#include "app/platform/SingleInstance.h"

#include "kit/support/NoFollow.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace hub {

namespace {

QString socketPath(const QString& folder) { return QDir(folder).filePath(QString::fromLatin1(SingleInstance::name)); }

// A message ends with a line feed; its text is UTF-8 and holds no line feed itself.
constexpr char terminator = '\n';

// The socket file's address; false when its path does not fit one.
bool addressOf(const QString& folder, sockaddr_un& address)
{
    const QByteArray path = QFile::encodeName(socketPath(folder));
    address = {};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || path.size() >= qsizetype(sizeof(address.sun_path)))
        return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    return true;
}

const sockaddr* generic(const sockaddr_un& address) { return reinterpret_cast<const sockaddr*>(&address); }

int streamSocket() { return ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0); }

int remainingMs(const QDeadlineTimer& deadline)
{
    return deadline.isForever() ? -1 : int(std::min<qint64>(deadline.remainingTime(), 60'000));
}

// Whether `events` (or an error or hang-up) came on `descriptor` before `deadline`.
bool waitFor(int descriptor, short events, const QDeadlineTimer& deadline)
{
    for (;;) {
        pollfd entry{descriptor, events, 0};
        const int ready = ::poll(&entry, 1, remainingMs(deadline));
        if (ready > 0)
            return true;
        if (ready == 0 ? deadline.hasExpired() : errno != EINTR)
            return false;
    }
}

// Waits `ms`, or until `deadline` if that comes first.
void pauseBefore(const QDeadlineTimer& deadline, int ms)
{
    ::poll(nullptr, 0, deadline.isForever() ? ms : std::min(ms, remainingMs(deadline)));
}

bool connectBefore(int descriptor, const sockaddr_un& address, const QDeadlineTimer& deadline)
{
    for (;;) {
        if (::connect(descriptor, generic(address), sizeof address) == 0 || errno == EISCONN)
            return true;
        if (errno == EINPROGRESS) {
            int error = 0;
            socklen_t length = sizeof error;
            return waitFor(descriptor, POLLOUT, deadline) && ::getsockopt(descriptor, SOL_SOCKET, SO_ERROR, &error, &length) == 0
                && error == 0;
        }
        // A full backlog: the primary has not accepted the ones before yet.
        if ((errno != EAGAIN && errno != EINTR) || deadline.hasExpired())
            return false;
        pauseBefore(deadline, 10);
    }
}

bool writeAll(int descriptor, QByteArrayView bytes, const QDeadlineTimer& deadline)
{
    while (!bytes.isEmpty()) {
        const ssize_t written = ::send(descriptor, bytes.data(), size_t(bytes.size()), MSG_NOSIGNAL);
        if (written > 0)
            bytes = bytes.sliced(written);
        else if (written < 0 && errno != EINTR && !(errno == EAGAIN && waitFor(descriptor, POLLOUT, deadline)))
            return false;
    }
    return true;
}

// Whether the primary answered that it took the message: an empty line.
bool acknowledged(int descriptor, const QDeadlineTimer& deadline)
{
    while (waitFor(descriptor, POLLIN, deadline)) {
        char answer = 0;
        const ssize_t count = ::recv(descriptor, &answer, 1, 0);
        if (count == 1)
            return answer == terminator;
        if (count == 0 || (errno != EINTR && errno != EAGAIN))
            return false;
    }
    return false;
}

// The message as it goes over the socket; empty when it cannot be one.
QByteArray framed(const QString& message)
{
    QByteArray bytes = message.toUtf8();
    if (bytes.size() > SingleInstance::maxMessageBytes || bytes.contains(terminator))
        return {};
    return bytes + terminator;
}

// One try at handing `bytes`, a framed message, to the primary: true once it answered that it took it.
bool handOver(QByteArrayView bytes, const QString& folder, const QDeadlineTimer& deadline)
{
    sockaddr_un address;
    if (!addressOf(folder, address))
        return false;
    const FileDescriptor socket(streamSocket());
    return socket.valid() && connectBefore(socket.get(), address, deadline) && writeAll(socket.get(), bytes, deadline)
        && acknowledged(socket.get(), deadline);
}

// The errno to give for `error` at `path`: a folder that stands there is named as one.
int reasonAt(const QString& path, int error)
{
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISDIR(status.st_mode) ? EISDIR : error;
}

} // namespace

SingleInstance::SingleInstance(QString folder, QObject* parent) : QObject(parent), folder_(std::move(folder)) {}

SingleInstance::~SingleInstance()
{
    for (const auto& connection : connections_)
        delete connection->notifier; // before its descriptor closes, with connections_
    if (!listener_.valid())
        return;
    delete acceptor_;
    // Still under the lock: the socket file is this primary's own.
    sockaddr_un address;
    if (addressOf(folder_, address))
        ::unlink(address.sun_path);
}

bool SingleInstance::claim()
{
    using Kind = SingleInstanceError::Kind;
    if (listener_.valid())
        return true;
    const QString path = socketPath(folder_);
    sockaddr_un address;
    if (!addressOf(folder_, address))
        throw SingleInstanceError(Kind::cannotListen, path, ENAMETOOLONG);
    const QString lockPath = QDir(folder_).filePath(lockName());
    FileDescriptor lock(NoFollow::lockFile(AT_FDCWD, QFile::encodeName(lockPath)));
    if (!lock.valid()) {
        if (errno == EWOULDBLOCK)
            return false;
        throw SingleInstanceError(Kind::cannotLock, lockPath, reasonAt(lockPath, errno));
    }
    // Holding the lock, what is left at the socket's name is a dead primary's: its socket, or
    // an empty folder. A folder with something in it is not the hub's to remove.
    if (::unlink(address.sun_path) != 0 && errno == EISDIR && ::rmdir(address.sun_path) != 0 && errno != ENOENT)
        throw SingleInstanceError(Kind::cannotListen, path, reasonAt(path, errno));
    FileDescriptor listener(streamSocket());
    if (!listener.valid())
        throw SingleInstanceError(Kind::cannotListen, path, errno);
    // Only this user may connect: the file is made 0600, never open to others while binding.
    const mode_t mask = ::umask(0177);
    const bool bound = ::bind(listener.get(), generic(address), sizeof address) == 0;
    const int bindError = errno;
    ::umask(mask);
    if (!bound)
        throw SingleInstanceError(Kind::cannotListen, path, reasonAt(path, bindError));
    if (::listen(listener.get(), SOMAXCONN) != 0) {
        const int error = errno;
        ::unlink(address.sun_path);
        throw SingleInstanceError(Kind::cannotListen, path, error);
    }
    listener_ = std::move(listener);
    acceptor_ = new QSocketNotifier(listener_.get(), QSocketNotifier::Read, this);
    connect(acceptor_, &QSocketNotifier::activated, this, &SingleInstance::accept);
    lock_ = std::move(lock);
    return true;
}

SingleInstance::Start SingleInstance::claimOrSend(const QString& message, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    if (claim())
        return Start::primary;
    // A message that cannot be one matters only now, with another hub holding the role.
    QByteArray bytes = framed(message);
    const bool dropped = bytes.isEmpty();
    if (dropped)
        bytes = framed(QString());
    // A primary that is starting holds the lock but does not listen or answer yet; one that
    // ended leaves the role to this start.
    do {
        if (handOver(bytes, folder_, deadline))
            return dropped ? Start::messageDropped : Start::handedOver;
        if (deadline.hasExpired())
            throw SingleInstanceError(SingleInstanceError::Kind::unanswered, socketPath(folder_));
        pauseBefore(deadline, 20);
    } while (!claim());
    return Start::primary;
}

void SingleInstance::accept()
{
    for (int round = 0; round < acceptsPerTurn; ++round) {
        FileDescriptor descriptor(::accept4(listener_.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!descriptor.valid()) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return;
        }
        // Senders that stay silent cannot hold every place: the oldest gives way, but
        // a message it has sent whole is taken first.
        while (connections_.size() >= maxConnections) {
            Connection* oldest = connections_.front().get();
            if (readFrom(oldest))
                drop(oldest);
        }
        auto* notifier = new QSocketNotifier(descriptor.get(), QSocketNotifier::Read, this);
        connections_.push_back(std::make_unique<Connection>(Connection{std::move(descriptor), notifier, {}}));
        Connection* connection = connections_.back().get();
        connect(notifier, &QSocketNotifier::activated, this, [this, connection] { readFrom(connection); });
        // A sender writes as soon as it is connected: its message is usually there already.
        readFrom(connection);
    }
}

bool SingleInstance::readFrom(Connection* connection)
{
    char buffer[16 * 1024];
    for (;;) {
        const ssize_t count = ::recv(connection->descriptor.get(), buffer, sizeof buffer, 0);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true; // the rest comes later
        if (count <= 0) {
            drop(connection); // ended before its line did
            return false;
        }
        const qsizetype searched = connection->bytes.size();
        connection->bytes.append(buffer, count);
        const qsizetype end = connection->bytes.indexOf(terminator, searched);
        if (end < 0 && connection->bytes.size() <= maxMessageBytes)
            continue;
        if (end < 0 || end > maxMessageBytes) {
            drop(connection); // too long to be a message
            return false;
        }
        const QString message = QString::fromUtf8(connection->bytes.first(end));
        // Taken: the sender learns so before the connection closes.
        ::send(connection->descriptor.get(), &terminator, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
        drop(connection);
        emit messageReceived(message);
        return false;
    }
}

void SingleInstance::drop(Connection* connection)
{
    const auto found = std::find_if(connections_.begin(), connections_.end(),
                                    [connection](const auto& held) { return held.get() == connection; });
    if (found == connections_.end())
        return;
    const std::unique_ptr<Connection> owned = std::move(*found);
    connections_.erase(found);
    // Possibly inside the notifier's own signal: it goes once that has returned.
    owned->notifier->setEnabled(false);
    owned->notifier->deleteLater();
}

} // namespace hub
