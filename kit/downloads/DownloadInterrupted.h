#pragma once

#include "kit/downloads/DownloadResumeData.h"
#include "kit/support/Error.h"

#include <optional>

namespace hub {

// A download stopped by its caller: a pause, not a failure. With resume data
// when there are bytes worth keeping and a validator to resume them safely.
class DownloadInterrupted : public Error {
public:
    explicit DownloadInterrupted(std::optional<DownloadResumeData> resumeData = std::nullopt)
        : resumeData(std::move(resumeData))
    {
    }

    QString message() const override { return QStringLiteral("The download was paused."); }
    bool operator==(const DownloadInterrupted&) const = default;

    std::optional<DownloadResumeData> resumeData;
};

} // namespace hub
