#include "kit/api/LoopbackReceiver.h"

#include "kit/support/CancellationError.h"

#include <QHash>
#include <QUrl>
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <deque>
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/rand.h>
#include <openssl/sha.h>
#include <poll.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace hub {

namespace {

QByteArray randomBytes(int count)
{
    QByteArray bytes(count, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(bytes.data()), count) != 1)
        throw LoopbackFailure::listenerFailed(QStringLiteral("the system could not provide random bytes"));
    return bytes;
}

QByteArray sha256(const QByteArray& bytes)
{
    QByteArray digest(SHA256_DIGEST_LENGTH, '\0');
    SHA256(reinterpret_cast<const unsigned char*>(bytes.constData()), static_cast<size_t>(bytes.size()),
        reinterpret_cast<unsigned char*>(digest.data()));
    return digest;
}

QString systemText(int error) { return QString::fromStdString(std::system_category().message(error)); }

void closeQuietly(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

QString percentDecoded(QStringView text) { return QUrl::fromPercentEncoding(text.toUtf8()); }

} // namespace

QString LoopbackReceiver::base64url(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

LoopbackReceiver::LoopbackReceiver()
    : state(base64url(randomBytes(24))), verifier(base64url(randomBytes(32))),
      challenge(base64url(sha256(verifier.toUtf8())))
{
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listener_ < 0)
        throw std::system_error(errno, std::system_category(), "socket");
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        const int error = errno;
        closeQuietly(listener_);
        throw std::system_error(error, std::system_category(), "pipe");
    }
    wakeRead_ = wake[0];
    wakeWrite_ = wake[1];
}

LoopbackReceiver::~LoopbackReceiver()
{
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake();
    if (thread_.joinable())
        thread_.join();
    closeQuietly(listener_);
    closeQuietly(wakeRead_);
    closeQuietly(wakeWrite_);
}

quint16 LoopbackReceiver::start()
{
    const std::lock_guard lock(mutex_);
    if (serving_)
        return port_;
    if (listenerClosed_)
        throw Failure::listenerFailed(QStringLiteral("the sign-in attempt has ended"));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = 0;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
        || ::listen(listener_, SOMAXCONN) != 0
        || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw Failure::listenerFailed(systemText(errno));
    port_ = ntohs(address.sin_port);
    serving_ = true;
    thread_ = std::thread([this] { run(); });
    return port_;
}

LoopbackReceiver::Callback LoopbackReceiver::wait(std::chrono::duration<double> timeout, std::stop_token stop)
{
    using Clock = std::chrono::steady_clock;
    // Beyond a year is as good as forever, and keeps the deadline from overflowing.
    const auto span = std::chrono::duration<double>(std::clamp(timeout.count(), 0.0, 365.0 * 24 * 3600));
    const Clock::time_point deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(span);

    std::unique_lock lock(mutex_);
    if (!changed_.wait_until(lock, stop, deadline, [this] { return finished_; })) {
        if (stop.stop_requested())
            finishLocked(std::make_exception_ptr(CancellationError()));
        else
            finishLocked(std::make_exception_ptr(Failure::timedOut()));
    }
    changed_.wait(lock, [this] { return listenerClosed_; });
    if (callback_)
        return *callback_;
    std::rethrow_exception(error_);
}

void LoopbackReceiver::cancel()
{
    const std::lock_guard lock(mutex_);
    finishLocked(std::make_exception_ptr(CancellationError()));
}

void LoopbackReceiver::finishLocked(std::exception_ptr error, std::optional<Callback> callback)
{
    if (finished_)
        return;
    finished_ = true;
    callback_ = std::move(callback);
    error_ = std::move(error);
    if (!serving_) {
        // No serving thread owns the listener yet: close it here.
        closeQuietly(listener_);
        listenerClosed_ = true;
    }
    changed_.notify_all();
    wake();
}

void LoopbackReceiver::wake()
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeWrite_, &byte, 1); // a full pipe wakes all the same
}

void LoopbackReceiver::run()
{
    using Clock = std::chrono::steady_clock;
    std::deque<int> open; // accepted connections waiting for their one read, oldest first
    // Out of descriptors, a waiting connection keeps the listener readable: it is
    // left alone for a while instead of being polled in a busy loop.
    std::optional<Clock::time_point> acceptAgainAt;
    const auto acceptAll = [&] {
        while (true) {
            const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (connection < 0) {
                if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
                    acceptAgainAt = Clock::now() + acceptBackOff;
                return;
            }
            open.push_back(connection);
            if (open.size() > static_cast<size_t>(maxOpenConnections)) {
                ::close(open.front());
                open.pop_front();
            }
        }
    };

    while (true) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_)
                break;
            if (finished_ && !listenerClosed_) {
                acceptAll(); // connections the system already took are still answered
                closeQuietly(listener_);
                listenerClosed_ = true;
                changed_.notify_all();
            }
        }

        int pollTimeout = -1;
        if (acceptAgainAt) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(*acceptAgainAt - Clock::now());
            if (left.count() > 0)
                pollTimeout = int(left.count());
            else
                acceptAgainAt.reset();
        }
        const bool accepting = listener_ >= 0 && !acceptAgainAt;
        std::vector<pollfd> watched{{wakeRead_, POLLIN, 0}};
        if (accepting)
            watched.push_back({listener_, POLLIN, 0});
        for (const int connection : open)
            watched.push_back({connection, POLLIN, 0});
        if (::poll(watched.data(), watched.size(), pollTimeout) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }

        char drained[64];
        while (::read(wakeRead_, drained, sizeof drained) > 0) {
        }
        size_t next = 1;
        if (accepting && watched[next++].revents != 0)
            acceptAll();
        std::vector<int> ready;
        for (; next < watched.size(); ++next) {
            if (watched[next].revents != 0)
                ready.push_back(watched[next].fd);
        }
        for (const int connection : ready) {
            const auto found = std::find(open.begin(), open.end(), connection);
            if (found == open.end())
                continue; // closed meanwhile to make room
            open.erase(found);
            serve(connection);
        }
    }

    for (int connection : open)
        closeQuietly(connection);
    const std::lock_guard lock(mutex_);
    closeQuietly(listener_);
    listenerClosed_ = true;
    changed_.notify_all();
}

void LoopbackReceiver::serve(int connection)
{
    std::vector<char> buffer(static_cast<size_t>(maxRequestBytes));
    const ssize_t received = ::recv(connection, buffer.data(), buffer.size(), 0);
    const QString request = received > 0 ? QString::fromUtf8(buffer.data(), received) : QString();

    const std::optional<Outcome> outcome = parse(request, state);
    const QByteArray answer = reply(outcome);
    [[maybe_unused]] const ssize_t sent = ::send(connection, answer.constData(), answer.size(), MSG_NOSIGNAL);
    ::shutdown(connection, SHUT_WR);
    // Discard what is already queued, so that closing does not reset the
    // connection before the browser has read the page.
    qsizetype discarded = 0;
    ssize_t chunk = 0;
    while (discarded < 64 * maxRequestBytes
        && (chunk = ::recv(connection, buffer.data(), buffer.size(), MSG_DONTWAIT)) > 0)
        discarded += chunk;
    ::close(connection);

    if (!outcome)
        return;
    const std::lock_guard lock(mutex_);
    if (const Callback* callback = std::get_if<Callback>(&*outcome))
        finishLocked(nullptr, *callback);
    else if (const Failure& failure = std::get<Failure>(*outcome); failure.kind != Failure::Kind::stateMismatch)
        finishLocked(std::make_exception_ptr(failure));
}

std::optional<LoopbackReceiver::Outcome> LoopbackReceiver::parse(QStringView request, QStringView expectedState)
{
    // The request line: the first non-empty piece between CR LF pairs.
    qsizetype begin = 0;
    while (request.sliced(begin).startsWith(u"\r\n"))
        begin += 2;
    if (begin >= request.size())
        return std::nullopt;
    qsizetype end = request.indexOf(u"\r\n", begin);
    if (end < 0)
        end = request.size();
    const QList<QStringView> words = request.sliced(begin, end - begin).split(u' ', Qt::SkipEmptyParts);
    if (words.size() < 2 || words[0] != u"GET")
        return std::nullopt;

    const QUrl url(QStringLiteral("http://127.0.0.1") + words[1].toString(), QUrl::StrictMode);
    if (!url.isValid() || url.path(QUrl::FullyDecoded) != u"/cb")
        return std::nullopt;

    QHash<QString, QString> parameters;
    const QString query = url.query(QUrl::FullyEncoded);
    if (!query.isEmpty()) {
        for (const QStringView item : QStringView(query).split(u'&')) {
            const qsizetype equals = item.indexOf(u'=');
            const QString name = percentDecoded(equals < 0 ? item : item.first(equals));
            if (!parameters.contains(name))
                parameters.insert(name, equals < 0 ? QString() : percentDecoded(item.sliced(equals + 1)));
        }
    }
    const auto given = parameters.constFind(QStringLiteral("state"));
    if (given == parameters.constEnd())
        return std::nullopt;
    if (!constantTimeEqual(*given, expectedState))
        return Failure::stateMismatch();
    const QString code = parameters.value(QStringLiteral("hub_code"));
    if (code.isEmpty())
        return Failure::serverTooOld();
    return Callback{code};
}

bool LoopbackReceiver::constantTimeEqual(QStringView a, QStringView b)
{
    const QByteArray left = a.toUtf8();
    const QByteArray right = b.toUtf8();
    const qsizetype length = std::max(left.size(), right.size());
    unsigned accumulator = left.size() == right.size() ? 0 : 1;
    for (qsizetype i = 0; i < length; ++i) {
        const unsigned char x = i < left.size() ? static_cast<unsigned char>(left[i]) : 0;
        const unsigned char y = i < right.size() ? static_cast<unsigned char>(right[i]) : 0;
        accumulator |= static_cast<unsigned>(x ^ y);
    }
    return accumulator == 0;
}

QByteArray LoopbackReceiver::reply(const std::optional<Outcome>& outcome)
{
    QByteArray status = "400 Bad Request";
    QByteArray message = "Sign-in could not finish. Return to Tavren Hub.";
    if (!outcome) {
        status = "404 Not Found";
        message.clear();
    } else if (std::holds_alternative<Callback>(*outcome)) {
        status = "200 OK";
        message = "You are signed in to Tavren Hub. You can close this tab.";
    } else if (std::get<Failure>(*outcome).kind == Failure::Kind::stateMismatch) {
        message = "This sign-in link belongs to a different window.";
    }
    const QByteArray page = "<!doctype html><meta charset=utf-8><title>Tavren Hub</title>"
                            "<body style=\"font:16px -apple-system;padding:48px;text-align:center\">"
        + message + "</body>";
    return "HTTP/1.1 " + status
        + "\r\n"
          "Content-Type: text/html; charset=utf-8\r\n"
          "Cache-Control: no-store\r\n"
          "Referrer-Policy: no-referrer\r\n"
          "Connection: close\r\n"
          "Content-Length: "
        + QByteArray::number(page.size()) + "\r\n\r\n" + page;
}

} // namespace hub
