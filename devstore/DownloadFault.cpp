#include "devstore/DownloadFault.h"

#include <array>
#include <utility>

namespace hub::devstore {

namespace {

constexpr std::array names{
    std::pair{DownloadFault::none, "none"},
    std::pair{DownloadFault::longerLength, "longer-length"},
    std::pair{DownloadFault::oneByteMore, "one-byte-more"},
    std::pair{DownloadFault::oneByteLess, "one-byte-less"},
    std::pair{DownloadFault::redirectHttp, "redirect-http"},
    std::pair{DownloadFault::redirectOffDomain, "redirect-off-domain"},
    std::pair{DownloadFault::notFound, "not-found"},
    std::pair{DownloadFault::serverError, "server-error"},
    std::pair{DownloadFault::stall, "stall"},
    std::pair{DownloadFault::expired, "expired"},
};

} // namespace

QString toString(DownloadFault fault)
{
    for (const auto& [value, name] : names) {
        if (value == fault)
            return QString::fromLatin1(name);
    }
    return {};
}

std::optional<DownloadFault> downloadFaultFromString(const QString& text)
{
    for (const auto& [value, name] : names) {
        if (text == QLatin1String(name))
            return value;
    }
    return std::nullopt;
}

} // namespace hub::devstore
