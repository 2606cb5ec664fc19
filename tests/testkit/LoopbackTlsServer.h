#pragma once

// An HTTPS/1.1 server on 127.0.0.1 for tests and benchmarks.
//
// It listens on a free port, serves a certificate chain without its root (so
// clients must find the root in their trust store), and answers each request
// with a scripted response chosen by the request's path (query ignored).
// Unrouted paths get 404. Every request that arrives is recorded raw.
//
//   auto chain = CertificateFactory::chain("bucket.objects.test");
//   LoopbackTlsServer server(chain);
//   server.route("/hello", {.status = 200, .headers = {{"Set-Cookie", "a=b"}}, .body = "hi"});
//   server.route("/moved", LoopbackTlsServer::redirect(302, "https://other.test/x"));
//   server.route("/file", LoopbackTlsServer::file(bytes, {.etag = "\"v1\""}));  // Range, If-Range
//   server.route("/twice", LoopbackTlsServer::sequence({first, second}));      // one per request
//   server.route("/any", [](const ReceivedRequest& r) { return ScriptedResponse{...}; });
//   // clients: ConnectionOptions{.connectTo = {{"bucket.objects.test", server.port()}}}
//   server.requests();       // what arrived, e.g. to show no Cookie came back
//   server.connections();    // TCP connections accepted (a refused TLS client still counts)
//
// Bodies: `body` is sent as is; with `bodySize` set, `body` is repeated to that
// many bytes and streamed without being built in memory (1 GiB is fine).
// `contentLength` announces a length other than the one sent (a lying server);
// `chunked` sends the body chunked with no length at all. Either way the
// connection is closed after such a response; otherwise it is kept alive.

#include "kit/api/HTTPTransport.h"
#include "tests/testkit/CertificateFactory.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

using SSL_CTX = struct ssl_ctx_st;

namespace hub {

struct ReceivedRequest {
    QByteArray raw;      // request line, headers and body exactly as received
    QByteArray method;   // "GET"
    QByteArray target;   // "/path?query"
    QByteArray path;     // "/path"
    HttpHeaders headers;
    QByteArray body;

    std::optional<QByteArray> header(QByteArrayView name) const { return headerValue(headers, name); }
};

struct ScriptedResponse {
    int status = 200;
    HttpHeaders headers;                  // sent in order after the status line
    QByteArray body;                      // the body, or the block repeated to bodySize
    qint64 bodySize = -1;                 // when >= 0: body is repeated to this many bytes
    std::optional<qint64> contentLength;  // announce this instead of the true length
    bool chunked = false;                 // chunked transfer coding, no Content-Length
    std::chrono::milliseconds delay{0};   // wait before sending the head
    std::chrono::milliseconds pace{0};    // wait before each repetition of body (a slow, moving answer)
    std::optional<QByteArray> raw;        // sent instead of the whole response; the connection closes after it

    qint64 size() const { return bodySize >= 0 ? bodySize : body.size(); }
};

// How LoopbackTlsServer::file serves its content.
struct ServedFileOptions {
    QByteArray etag;           // sent as ETag when not empty
    QByteArray lastModified;   // sent as Last-Modified when not empty
    bool ignoreRanges = false; // answer every request with 200 and the whole file
    qint64 size = -1;          // when >= 0: content repeated to this many bytes
    HttpHeaders headers;       // further headers on every answer
};

class LoopbackTlsServer {
public:
    using Handler = std::function<ScriptedResponse(const ReceivedRequest&)>;

    // `served`: leaf first, then intermediates; the leaf's key signs the handshake.
    explicit LoopbackTlsServer(const QList<IssuedCertificate>& served);
    explicit LoopbackTlsServer(const CertificateFactory::Chain& chain) : LoopbackTlsServer(chain.served()) {}
    ~LoopbackTlsServer();
    LoopbackTlsServer(const LoopbackTlsServer&) = delete;
    LoopbackTlsServer& operator=(const LoopbackTlsServer&) = delete;

    quint16 port() const { return port_; }

    // Routes a path to a fixed response or a handler; replaces an earlier route.
    void route(const QByteArray& path, ScriptedResponse response);
    void route(const QByteArray& path, Handler handler);

    QList<ReceivedRequest> requests() const;
    int connections() const;

    // Handlers for the usual scripts.
    static ScriptedResponse redirect(int status, const QByteArray& location);
    // Answers each request with the next response; the last one repeats.
    static Handler sequence(QList<ScriptedResponse> responses);

    using FileOptions = ServedFileOptions;
    // A file: 200 with the whole content, or 206 for "Range: bytes=a-" / "a-b"
    // when an If-Range matches the ETag or Last-Modified (or there is none),
    // 416 for a range past the end.
    static Handler file(QByteArray content, FileOptions options = {});

private:
    void acceptLoop();
    void serve(int socket);
    bool waitFor(std::chrono::milliseconds delay);

    std::shared_ptr<SSL_CTX> context_;
    int listener_ = -1;
    quint16 port_ = 0;

    mutable std::mutex mutex_;
    std::condition_variable stopped_;
    bool stopping_ = false;
    QHash<QByteArray, Handler> routes_;
    QList<ReceivedRequest> requests_;
    QList<int> openSockets_;
    int connections_ = 0;
    std::vector<std::thread> workers_;
    std::thread acceptor_;
};

} // namespace hub
