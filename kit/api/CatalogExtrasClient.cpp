#include "kit/api/CatalogExtrasClient.h"

namespace hub {

std::optional<CatalogExtras> CatalogExtrasClient::fetch() const noexcept
{
    try {
        // Plain HTTPS to one of the asset hosts.
        if (!policy.allowsImage(url))
            return std::nullopt;
        HttpRequest request;
        request.url = url.toEncoded();
        request.headers = {{"Accept", "application/json"}, {"User-Agent", "Tavren Hub (macOS)"}};
        request.timeout = std::chrono::seconds(60);
        request.maxBodyBytes = maxFeedBytes;
        const HttpResponse response = transport->send(request);
        if (response.status != 200 || response.body.size() > maxFeedBytes)
            return std::nullopt;
        return CatalogExtras::decode(response.body);
    } catch (...) {
        return std::nullopt;
    }
}

} // namespace hub
