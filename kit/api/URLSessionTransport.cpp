#include "kit/api/URLSessionTransport.h"

#include <optional>

namespace hub {

URLSessionTransport::URLSessionTransport(const PinnedTrust& trust, const ConnectionOptions& options, std::stop_token lifetime)
    : exchange_(trust, options), lifetime_(std::move(lifetime))
{
}

HttpResponse URLSessionTransport::send(const HttpRequest& request)
{
    const PinnedExchange::Timeouts timeouts{requestTimeout, request.timeout, request.deadline};
    if (!lifetime_.stop_possible())
        return exchange_.send(request, timeouts);
    // Either the request's own stop or the transport's ends it.
    std::stop_source either;
    std::optional<std::stop_callback<std::function<void()>>> byRequest;
    if (request.stop.stop_possible())
        byRequest.emplace(request.stop, [&either] { either.request_stop(); });
    const std::stop_callback<std::function<void()>> byLifetime(lifetime_, [&either] { either.request_stop(); });
    HttpRequest stoppable = request;
    stoppable.stop = either.get_token();
    return exchange_.send(stoppable, timeouts);
}

} // namespace hub
