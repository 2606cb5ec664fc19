#pragma once

#include "kit/api/ConnectionOptions.h"
#include "kit/api/HTTPTransport.h"
#include "kit/security/PinnedTrust.h"

#include <QByteArrayView>
#include <chrono>
#include <functional>
#include <optional>
#include <stop_token>

namespace hub {

// One HTTPS request on its own curl handle, the one place where curl and the
// pins meet: TLS 1.2 at least, HTTPS only, no redirects followed, no cookies,
// no cache, no proxy, no TLS session reuse. Server trust is decided by
// PinnedTrust::accepts alone, inside the TLS handshake, over the chain OpenSSL
// verified; a refusal ends the handshake before any request byte is sent.
// Built without pins, it trusts what OpenSSL's ordinary evaluation for the host
// accepts (the image hosts that have no pins).
class PinnedExchange {
public:
    struct Timeouts {
        std::chrono::milliseconds connect;
        std::chrono::milliseconds idle;  // longest stretch without a byte arriving
        std::chrono::milliseconds total; // zero: no bound
    };

    // The head of the final response (1xx are passed over). Return false to stop.
    using HeadSink = std::function<bool(int status, const HttpHeaders& headers)>;
    // Each piece of the body, in order. Return false to stop.
    using BodySink = std::function<bool(QByteArrayView bytes)>;

    enum class Outcome {
        completed, // the whole response arrived
        stopped,   // a sink returned false or the stop token was triggered
    };

    // Cheap to build: default options stand for ConnectionOptions::deployed(), which the
    // first request reads (as it sets up curl), so a transport nobody uses costs nothing.
    PinnedExchange(const PinnedTrust& trust, const ConnectionOptions& options);
    explicit PinnedExchange(const ConnectionOptions& options);

    // Sends the request and delivers the response to the sinks. Throws
    // TransportError for anything that is not a complete response (connection,
    // refused trust, time-out, malformed response).
    Outcome perform(const HttpRequest& request, const Timeouts& timeouts, const HeadSink& onHead,
                    const BodySink& onBody, std::stop_token stop = {}) const;

    // The whole response in memory; what the transports send with.
    HttpResponse send(const HttpRequest& request, const Timeouts& timeouts) const;

    // Does now, once for the process, the set-up the first request would do (opening libcurl
    // among it). Optional: for a caller with a wait of its own to hide that set-up behind.
    // Throws like the first request.
    static void prepare();

private:
    std::optional<PinnedTrust> trust_; // none: ordinary evaluation
    ConnectionOptions options_;
};

} // namespace hub
