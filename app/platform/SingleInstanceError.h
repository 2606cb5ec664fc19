#pragma once

#include "kit/support/Error.h"

namespace hub {

// A start could neither become the one windowed hub nor hand over to it. The message is
// printed after the program's name, so it starts in lower case.
class SingleInstanceError : public Error {
public:
    enum class Kind { cannotLock, cannotListen, unanswered };

    SingleInstanceError(Kind kind, QString path, int error = 0) : kind(kind), path(std::move(path)), error(error) {}

    QString message() const override;
    bool operator==(const SingleInstanceError&) const = default;

    Kind kind;
    QString path; // the lock file or the socket
    int error;    // the system's errno for what stands in the way of a lock or a socket
};

} // namespace hub
