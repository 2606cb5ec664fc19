#include "tests/testkit/LoopbackTlsServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace hub {

namespace {

constexpr qsizetype maxHead = 1 << 20;
constexpr qint64 writePiece = 1 << 20;

QByteArray reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 204: return "No Content";
    case 206: return "Partial Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 307: return "Temporary Redirect";
    case 308: return "Permanent Redirect";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 416: return "Range Not Satisfiable";
    case 500: return "Internal Server Error";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

bool writeAll(SSL* ssl, const char* data, qint64 length)
{
    while (length > 0) {
        const int written = SSL_write(ssl, data, int(std::min<qint64>(length, writePiece)));
        if (written <= 0)
            return false;
        data += written;
        length -= written;
    }
    return true;
}

bool writeAll(SSL* ssl, const QByteArray& bytes) { return writeAll(ssl, bytes.constData(), bytes.size()); }

// Reads one request (head and Content-Length body) from `pending` and the connection.
std::optional<ReceivedRequest> readRequest(SSL* ssl, QByteArray& pending)
{
    char buffer[16384];
    auto fill = [&]() {
        const int read = SSL_read(ssl, buffer, sizeof buffer);
        if (read <= 0)
            return false;
        pending.append(buffer, read);
        return true;
    };
    qsizetype headEnd;
    while ((headEnd = pending.indexOf("\r\n\r\n")) < 0) {
        if (pending.size() > maxHead || !fill())
            return std::nullopt;
    }
    headEnd += 4;

    ReceivedRequest request;
    const QList<QByteArray> lines = pending.left(headEnd - 4).split('\n');
    const QList<QByteArray> start = lines.value(0).trimmed().split(' ');
    request.method = start.value(0);
    request.target = start.value(1);
    request.path = request.target.first(request.target.contains('?') ? request.target.indexOf('?') : request.target.size());
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.append({lines[i].left(colon).trimmed(), lines[i].mid(colon + 1).trimmed()});
    }
    const qint64 bodyLength = request.header("Content-Length").value_or("0").toLongLong();
    while (pending.size() < headEnd + bodyLength) {
        if (!fill())
            return std::nullopt;
    }
    request.raw = pending.left(headEnd + bodyLength);
    request.body = pending.mid(headEnd, bodyLength);
    pending.remove(0, headEnd + bodyLength);
    return request;
}

// `block` turned so that it starts at `offset` of its repetition.
QByteArray rotated(const QByteArray& block, qint64 offset)
{
    if (block.isEmpty())
        return block;
    const qsizetype start = qsizetype(offset % block.size());
    return start == 0 ? block : block.mid(start) + block.left(start);
}

} // namespace

LoopbackTlsServer::LoopbackTlsServer(const QList<IssuedCertificate>& served)
{
    std::signal(SIGPIPE, SIG_IGN);
    if (served.isEmpty())
        throw std::invalid_argument("the server needs a leaf certificate");
    context_.reset(SSL_CTX_new(TLS_server_method()), SSL_CTX_free);
    SSL_CTX* context = context_.get();
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    if (SSL_CTX_use_certificate(context, served.first().x509()) != 1
        || SSL_CTX_use_PrivateKey(context, served.first().key()) != 1)
        throw std::runtime_error("the server's certificate or key was refused");
    for (qsizetype i = 1; i < served.size(); ++i)
        SSL_CTX_add1_chain_cert(context, served[i].x509());

    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::listen(listener_, 64) != 0
        || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("the loopback server could not listen");
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

LoopbackTlsServer::~LoopbackTlsServer()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        ::shutdown(listener_, SHUT_RDWR);
        for (int socket : std::as_const(openSockets_))
            ::shutdown(socket, SHUT_RDWR);
    }
    stopped_.notify_all();
    acceptor_.join();
    for (std::thread& worker : workers_)
        worker.join();
    ::close(listener_);
}

void LoopbackTlsServer::acceptLoop()
{
    while (true) {
        const int socket = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        std::lock_guard lock(mutex_);
        if (stopping_) {
            if (socket >= 0)
                ::close(socket);
            return;
        }
        if (socket < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return;
        }
        ++connections_;
        openSockets_.append(socket);
        workers_.emplace_back([this, socket] { serve(socket); });
    }
}

bool LoopbackTlsServer::waitFor(std::chrono::milliseconds delay)
{
    std::unique_lock lock(mutex_);
    return !stopped_.wait_for(lock, delay, [this] { return stopping_; });
}

void LoopbackTlsServer::serve(int socket)
{
    std::unique_ptr<SSL, decltype(&SSL_free)> ssl(SSL_new(context_.get()), SSL_free);
    SSL_set_fd(ssl.get(), socket);
    if (SSL_accept(ssl.get()) == 1) {
        QByteArray pending;
        while (std::optional<ReceivedRequest> request = readRequest(ssl.get(), pending)) {
            Handler handler;
            {
                std::lock_guard lock(mutex_);
                requests_.append(*request);
                handler = routes_.value(request->path);
            }
            const ScriptedResponse response = handler ? handler(*request) : ScriptedResponse{.status = 404};
            if (response.delay.count() > 0 && !waitFor(response.delay))
                break;
            if (response.raw) {
                writeAll(ssl.get(), *response.raw);
                break;
            }

            const bool close = response.chunked || response.contentLength
                || request->header("Connection").value_or("").compare("close", Qt::CaseInsensitive) == 0;
            QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reason(response.status) + "\r\n";
            for (const auto& [name, value] : response.headers)
                head += name + ": " + value + "\r\n";
            head += response.chunked ? QByteArray("Transfer-Encoding: chunked\r\n")
                                     : "Content-Length: " + QByteArray::number(response.contentLength.value_or(response.size())) + "\r\n";
            if (close)
                head += "Connection: close\r\n";
            head += "\r\n";
            if (!writeAll(ssl.get(), head))
                break;

            const qint64 size = request->method == "HEAD" || response.body.isEmpty() ? 0 : response.size();
            bool written = true;
            for (qint64 sent = 0; written && sent < size;) {
                const qint64 at = sent % response.body.size();
                if (at == 0 && response.pace.count() > 0 && !waitFor(response.pace))
                    break;
                const qint64 piece = std::min({size - sent, response.body.size() - at, writePiece});
                if (response.chunked)
                    written = writeAll(ssl.get(), QByteArray::number(piece, 16) + "\r\n");
                written = written && writeAll(ssl.get(), response.body.constData() + at, piece);
                if (response.chunked)
                    written = written && writeAll(ssl.get(), "\r\n");
                sent += piece;
            }
            if (written && response.chunked)
                written = writeAll(ssl.get(), "0\r\n\r\n");
            if (!written || close)
                break;
        }
        SSL_shutdown(ssl.get());
    }
    ERR_clear_error();
    ssl.reset();
    std::lock_guard lock(mutex_);
    openSockets_.removeOne(socket);
    ::close(socket);
}

void LoopbackTlsServer::route(const QByteArray& path, ScriptedResponse response)
{
    route(path, [response](const ReceivedRequest&) { return response; });
}

void LoopbackTlsServer::route(const QByteArray& path, Handler handler)
{
    std::lock_guard lock(mutex_);
    routes_.insert(path, std::move(handler));
}

QList<ReceivedRequest> LoopbackTlsServer::requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

int LoopbackTlsServer::connections() const
{
    std::lock_guard lock(mutex_);
    return connections_;
}

ScriptedResponse LoopbackTlsServer::redirect(int status, const QByteArray& location)
{
    return {.status = status, .headers = {{"Location", location}}};
}

LoopbackTlsServer::Handler LoopbackTlsServer::sequence(QList<ScriptedResponse> responses)
{
    struct State {
        std::mutex mutex;
        QList<ScriptedResponse> responses;
        qsizetype next = 0;
    };
    auto state = std::make_shared<State>();
    state->responses = std::move(responses);
    return [state](const ReceivedRequest&) {
        std::lock_guard lock(state->mutex);
        if (state->responses.isEmpty())
            return ScriptedResponse{.status = 404};
        const ScriptedResponse& response = state->responses[std::min(state->next, state->responses.size() - 1)];
        ++state->next;
        return response;
    };
}

LoopbackTlsServer::Handler LoopbackTlsServer::file(QByteArray content, FileOptions options)
{
    return [content, options](const ReceivedRequest& request) {
        const qint64 total = options.size >= 0 ? options.size : content.size();
        ScriptedResponse response{.status = 200, .headers = options.headers, .body = content, .bodySize = total};
        response.headers.append({QByteArray("Accept-Ranges"), QByteArray("bytes")});
        if (!options.etag.isEmpty())
            response.headers.append({QByteArray("ETag"), options.etag});
        if (!options.lastModified.isEmpty())
            response.headers.append({QByteArray("Last-Modified"), options.lastModified});

        const std::optional<QByteArray> range = request.header("Range");
        const std::optional<QByteArray> ifRange = request.header("If-Range");
        const bool validatorMatches = !ifRange
            || (!options.etag.isEmpty() && *ifRange == options.etag)
            || (!options.lastModified.isEmpty() && *ifRange == options.lastModified);
        if (!range || options.ignoreRanges || !validatorMatches || !range->startsWith("bytes="))
            return response;
        const QList<QByteArray> bounds = range->mid(6).split('-');
        bool startOk = false;
        const qint64 start = bounds.value(0).toLongLong(&startOk);
        bool endOk = false;
        qint64 end = bounds.value(1).toLongLong(&endOk);
        if (!startOk || bounds.size() != 2 || (!bounds[1].isEmpty() && !endOk))
            return response;
        if (start >= total) {
            return ScriptedResponse{.status = 416,
                                    .headers = {{"Content-Range", "bytes */" + QByteArray::number(total)}}};
        }
        end = bounds[1].isEmpty() ? total - 1 : std::min(end, total - 1);
        response.status = 206;
        response.headers.append({QByteArray("Content-Range"), "bytes " + QByteArray::number(start) + '-' + QByteArray::number(end)
                                                      + '/' + QByteArray::number(total)});
        response.body = rotated(content, start);
        response.bodySize = end - start + 1;
        return response;
    };
}

} // namespace hub
