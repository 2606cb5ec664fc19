#include "kit/api/URLSessionTransport.h"

namespace hub {

URLSessionTransport::URLSessionTransport(PinnedTrust trust, ConnectionOptions options)
    : trust_(std::move(trust)), exchange_(trust_, options)
{
}

HttpResponse URLSessionTransport::send(const HttpRequest& request)
{
    HttpResponse response;
    const PinnedExchange::Timeouts timeouts{requestTimeout, requestTimeout, request.timeout};
    exchange_.perform(
        request, timeouts,
        [&response](int status, const HttpHeaders& headers) {
            response.status = status;
            response.headers = headers;
            return true;
        },
        [&response](QByteArrayView bytes) {
            response.body.append(bytes);
            return true;
        });
    return response;
}

} // namespace hub
