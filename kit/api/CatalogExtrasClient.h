#pragma once

#include "kit/api/CatalogExtras.h"
#include "kit/api/HTTPTransport.h"

#include <memory>

namespace hub {

// Downloads and reads the catalog-extras feed. Holds no state between fetches; any thread.
class CatalogExtrasClient {
public:
    static constexpr qint64 maxFeedBytes = 1'999'999;

    CatalogExtrasClient(QUrl url, HostPolicy policy, std::shared_ptr<HTTPTransport> transport)
        : url(std::move(url)), policy(std::move(policy)), transport(std::move(transport))
    {
    }

    // The feed, or nothing: an address the policy does not allow for images (then
    // nothing is sent), a failed request, a status other than 200, a body past
    // maxFeedBytes, or a document that does not read. Never throws. Blocks.
    std::optional<CatalogExtras> fetch() const noexcept;

    const QUrl url;
    const HostPolicy policy;
    const std::shared_ptr<HTTPTransport> transport;
};

} // namespace hub
