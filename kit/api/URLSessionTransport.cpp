#include "kit/api/URLSessionTransport.h"

namespace hub {

URLSessionTransport::URLSessionTransport(const PinnedTrust& trust, const ConnectionOptions& options)
    : exchange_(trust, options)
{
}

HttpResponse URLSessionTransport::send(const HttpRequest& request)
{
    return exchange_.send(request, {requestTimeout, request.timeout, request.deadline});
}

} // namespace hub
