#pragma once

#include "kit/support/Error.h"

namespace hub {

// The caller stopped waiting (its std::stop_token was stopped, or the operation was cancelled).
// Callers that asked for the stop show nothing for it.
class CancellationError : public Error {
public:
    QString message() const override { return QStringLiteral("The operation was cancelled."); }
    bool operator==(const CancellationError&) const = default;
};

} // namespace hub
