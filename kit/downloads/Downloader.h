#pragma once

#include "kit/api/ConnectionOptions.h"
#include "kit/api/PinnedExchange.h"
#include "kit/downloads/DownloadError.h"
#include "kit/downloads/DownloadInterrupted.h"
#include "kit/downloads/DownloadResumeData.h"
#include "kit/security/HostPolicy.h"
#include "kit/security/PinnedTrust.h"

#include <QString>
#include <QUrl>
#include <functional>
#include <optional>
#include <stop_token>

namespace hub {

// Fetches one product download into a file, over the pinned exchange: only to
// download hosts of the policy (every redirect hop is checked), never past a
// byte cap, streamed to a 0600 file in the work folder and moved into place.
// Thread-safe; each call blocks its caller.
class Downloader {
public:
    using Progress = std::function<void(qint64 received, qint64 expected)>; // expected -1: unknown

    // Partial files go to the install engine's work folder (AppDirectories::work(),
    // made if missing; throws std::system_error when it cannot be).
    Downloader(HostPolicy policy, PinnedTrust trust, ConnectionOptions options = {});
    // Partial files go to `workFolder`, which must exist.
    Downloader(HostPolicy policy, PinnedTrust trust, QString workFolder, ConnectionOptions options = {},
               PinnedExchange::Timeouts timeouts = standardTimeouts);

    // Downloads `url` to `destination` (replacing what lies there) and returns
    // `destination`. With resume data whose partial file is still there, asks
    // for the rest with Range and If-Range; a 200 answer, or a 206 for another
    // version of the file, starts again from zero. Only a file of the announced
    // size is put in place; a stop after its last byte comes too late to pause.
    // Throws MoonbaseError::blockedURL, DownloadError, DownloadInterrupted (when
    // `stop` is triggered, with resume data when there are bytes to keep; with
    // resume data, as Cause::connectionLost when the connection is lost or stalls
    // after the server answered with a validator, and as Cause::failed when a
    // resumed download fails before its server says anything about the bytes kept:
    // a transport failure, an error status), TransportError or std::system_error.
    QString download(const QUrl& url, const std::optional<DownloadResumeData>& resumeData, const QString& destination,
                     qint64 maxBytes, const Progress& progress, std::stop_token stop = {}) const;

    // The same downloader with its partial files in `workFolder`, which must exist.
    Downloader inFolder(const QString& workFolder) const
    {
        Downloader moved = *this;
        moved.workFolder_ = workFolder;
        return moved;
    }

    static constexpr int maxRedirects = 10;
    // A stalled transfer ends after the idle time; a slow one that keeps moving ends
    // after an hour.
    static constexpr PinnedExchange::Timeouts standardTimeouts{std::chrono::seconds(60), std::chrono::seconds(60),
                                                              std::chrono::seconds(3600)};

private:
    PinnedExchange::Timeouts timeouts_;
    HostPolicy policy_;
    QString workFolder_;
    PinnedExchange exchange_;
};

} // namespace hub
