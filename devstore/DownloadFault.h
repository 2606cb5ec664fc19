#pragma once

#include <QString>
#include <optional>

namespace hub::devstore {

// What the download host does wrong on purpose, until told otherwise.
enum class DownloadFault {
    none,
    longerLength,    // announces more bytes than the file has
    oneByteMore,     // sends the file and one byte more, and says so
    oneByteLess,     // sends all but the last byte, and says so
    redirectHttp,    // 302 to a plain-http address
    redirectOffDomain, // 302 to a host outside the download domain
    notFound,        // 404
    serverError,     // 500
    stall,           // sends half, then nothing
    expired,         // 403, as for an expired signature
};

QString toString(DownloadFault fault);
std::optional<DownloadFault> downloadFaultFromString(const QString& text);

} // namespace hub::devstore
