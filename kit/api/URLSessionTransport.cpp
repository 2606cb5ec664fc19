#include "kit/api/URLSessionTransport.h"

namespace hub {

URLSessionTransport::URLSessionTransport(PinnedTrust trust, ConnectionOptions options)
    : trust_(std::move(trust)), exchange_(trust_, options)
{
}

HttpResponse URLSessionTransport::send(const HttpRequest& request)
{
    return exchange_.send(request, {requestTimeout, requestTimeout, request.timeout});
}

} // namespace hub
