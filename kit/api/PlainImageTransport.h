#pragma once

#include "kit/api/ConnectionOptions.h"
#include "kit/api/HTTPTransport.h"
#include "kit/api/PinnedExchange.h"

namespace hub {

// The transport of image hosts without pins: the same cookie-less, cache-less,
// redirect-refusing connection as the pinned one, with OpenSSL's ordinary
// evaluation of the server for its host name.
class PlainImageTransport : public HTTPTransport {
public:
    explicit PlainImageTransport(ConnectionOptions options = {});

    HttpResponse send(const HttpRequest& request) override;

    static constexpr std::chrono::seconds requestTimeout{30};

private:
    PinnedExchange exchange_;
};

} // namespace hub
