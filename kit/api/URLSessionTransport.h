#pragma once

#include "kit/api/ConnectionOptions.h"
#include "kit/api/HTTPTransport.h"
#include "kit/api/PinnedExchange.h"
#include "kit/security/PinnedTrust.h"

namespace hub {

// The pinned transport of the API clients: one curl handle per request, TLS 1.2
// at least, no cookies, no cache, redirects returned as the response, server
// trust decided by the pins alone (see PinnedExchange). Connect times out after
// 30 s; the request's own timeout is the longest wait for the next data, so a slow
// answer that keeps moving is never cut off.
class URLSessionTransport : public HTTPTransport {
public:
    explicit URLSessionTransport(const PinnedTrust& trust, const ConnectionOptions& options = {});

    // Throws TransportError when no HTTP response arrives, trust refusals included.
    HttpResponse send(const HttpRequest& request) override;

    static constexpr std::chrono::seconds requestTimeout{30};

private:
    PinnedExchange exchange_;
};

} // namespace hub
