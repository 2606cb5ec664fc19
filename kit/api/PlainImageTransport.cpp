#include "kit/api/PlainImageTransport.h"

namespace hub {

PlainImageTransport::PlainImageTransport(ConnectionOptions options) : exchange_(options) {}

HttpResponse PlainImageTransport::send(const HttpRequest& request)
{
    return exchange_.send(request, {requestTimeout, request.timeout, request.deadline});
}

} // namespace hub
