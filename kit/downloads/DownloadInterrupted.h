#pragma once

#include "kit/downloads/DownloadResumeData.h"
#include "kit/support/Error.h"

#include <optional>

namespace hub {

// A download that ended before the whole file arrived, with resume data when there
// are bytes worth keeping and a validator to resume them safely. Stopped by its
// caller it is a pause; a connection that was lost or stalled is a failure that
// the resume data lets a retry continue.
class DownloadInterrupted : public Error {
public:
    enum class Cause { stopped, connectionLost };

    explicit DownloadInterrupted(std::optional<DownloadResumeData> resumeData = std::nullopt, Cause cause = Cause::stopped)
        : resumeData(std::move(resumeData)), cause(cause)
    {
    }

    QString message() const override
    {
        return cause == Cause::stopped ? QStringLiteral("The download was paused.") : QStringLiteral("The connection was lost.");
    }
    bool operator==(const DownloadInterrupted&) const = default;

    std::optional<DownloadResumeData> resumeData;
    Cause cause;
};

} // namespace hub
