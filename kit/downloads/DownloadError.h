#pragma once

#include "kit/support/Error.h"

namespace hub {

// A download that failed for a reason of its own (statuses of the network and
// the file system pass through as their own errors).
class DownloadError : public Error {
public:
    enum class Kind { httpStatus, insecureRedirect, tooLarge, wrongRange, overrun };

    static DownloadError httpStatus(int code) { return {Kind::httpStatus, code}; }
    static DownloadError insecureRedirect(QString host) { return {Kind::insecureRedirect, 0, std::move(host)}; }
    static DownloadError tooLarge() { return {Kind::tooLarge}; }
    // A resumed download answered with a part that does not continue the bytes kept.
    static DownloadError wrongRange() { return {Kind::wrongRange}; }
    // The body went on past the length or range its head announced.
    static DownloadError overrun() { return {Kind::overrun}; }

    QString message() const override;
    bool operator==(const DownloadError&) const = default;

    Kind kind;
    int status = 0; // httpStatus only
    QString host;   // insecureRedirect only

private:
    DownloadError(Kind kind, int status = 0, QString host = {}) : kind(kind), status(status), host(std::move(host)) {}
};

} // namespace hub
