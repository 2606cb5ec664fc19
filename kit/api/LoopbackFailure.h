#pragma once

#include "kit/support/Error.h"

namespace hub {

// Why a browser sign-in through the loopback receiver did not finish.
class LoopbackFailure : public Error {
public:
    enum class Kind { listenerFailed, timedOut, stateMismatch, serverTooOld };

    static LoopbackFailure listenerFailed(QString description) { return {Kind::listenerFailed, std::move(description)}; }
    static LoopbackFailure timedOut() { return {Kind::timedOut}; }
    static LoopbackFailure stateMismatch() { return {Kind::stateMismatch}; }
    static LoopbackFailure serverTooOld() { return {Kind::serverTooOld}; }

    QString message() const override;
    bool operator==(const LoopbackFailure&) const = default;

    Kind kind;
    QString description; // listenerFailed only

private:
    LoopbackFailure(Kind kind, QString description = {}) : kind(kind), description(std::move(description)) {}
};

} // namespace hub
