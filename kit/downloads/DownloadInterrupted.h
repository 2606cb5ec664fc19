#pragma once

#include "kit/downloads/DownloadResumeData.h"
#include "kit/support/Error.h"

#include <optional>

namespace hub {

// A download that ended before the whole file arrived, with resume data when there
// are bytes worth keeping and a validator to resume them safely. Stopped by its
// caller it is a pause; a connection that was lost or stalled, or a resumed
// download that failed before the server said anything about the bytes kept
// (`failed`, with that failure's text as `reason`), is a failure that the resume
// data lets a retry continue.
class DownloadInterrupted : public Error {
public:
    enum class Cause { stopped, connectionLost, failed };

    explicit DownloadInterrupted(std::optional<DownloadResumeData> resumeData = std::nullopt, Cause cause = Cause::stopped,
                                 QString reason = {})
        : resumeData(std::move(resumeData)), cause(cause), reason(std::move(reason))
    {
    }

    QString message() const override
    {
        switch (cause) {
        case Cause::stopped: return QStringLiteral("The download was paused.");
        case Cause::connectionLost: return QStringLiteral("The connection was lost.");
        case Cause::failed: return reason;
        }
        return {};
    }
    bool operator==(const DownloadInterrupted&) const = default;

    std::optional<DownloadResumeData> resumeData;
    Cause cause;
    QString reason; // failed only
};

} // namespace hub
