#pragma once

#include "kit/support/Error.h"

namespace hub {

// Registering or unregistering the background updater's systemd units failed.
class LaunchAgentError : public Error {
public:
    enum class Kind { cannotWrite, systemctlFailed, lineBreakInPath };

    LaunchAgentError(Kind kind, QString detail) : kind(kind), detail(std::move(detail)) {}

    QString message() const override;
    bool operator==(const LaunchAgentError&) const = default;

    Kind kind;
    QString detail; // the file system's or systemctl's own words (systemctl's are logged, not shown), or the path
};

} // namespace hub
