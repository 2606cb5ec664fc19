#pragma once

#include "kit/api/LoopbackFailure.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>
#include <variant>

namespace hub {

// The one-shot HTTP endpoint on 127.0.0.1 to which a browser sign-in comes back:
// one receiver per attempt. It makes the attempt's state and PKCE values, listens
// on a port the system picks, answers every connection once with a small page
// and hands the first finishing callback to `wait`. Connections are served on the
// receiver's own thread; every member may be called from any thread.
class LoopbackReceiver {
public:
    using Failure = LoopbackFailure;

    struct Callback {
        QString code; // the value of "hub_code"
        bool operator==(const Callback&) const = default;
    };
    using Outcome = std::variant<Callback, Failure>;

    static constexpr qsizetype maxRequestBytes = 16384; // the one read of a connection
    static constexpr int maxOpenConnections = 32; // beyond it the oldest is closed unanswered
    // How long the listener rests when an accept fails for lack of descriptors.
    static constexpr std::chrono::milliseconds acceptBackOff{100};

    // Draws the one-time values and makes the listening socket. Throws
    // std::system_error when no socket can be made, and Failure::listenerFailed
    // when the system's random generator fails.
    LoopbackReceiver();
    // Closes the listener and every open connection.
    ~LoopbackReceiver();
    LoopbackReceiver(const LoopbackReceiver&) = delete;
    LoopbackReceiver& operator=(const LoopbackReceiver&) = delete;

    const QString state;     // base64url of 24 random bytes: 32 characters
    const QString verifier;  // base64url of 32 random bytes: 43 characters
    const QString challenge; // base64url of SHA-256 of the verifier's UTF-8 bytes

    // Binds 127.0.0.1 on a port the system picks, starts serving and returns the
    // port. Never blocks beyond the bind; a second call returns the same port.
    // Throws Failure::listenerFailed with the system's description.
    quint16 start();

    // The callback of the first request that finishes the attempt. Throws
    // Failure::timedOut after `timeout`, Failure::serverTooOld, or CancellationError
    // when `stop` is stopped or cancel() was called. An outcome that arrived before
    // the call is returned at once, and so is the same outcome to a later call.
    // The listener is closed when it returns; a connection accepted before is still answered.
    Callback wait(std::chrono::duration<double> timeout, std::stop_token stop = {});

    // Ends a pending or later wait with CancellationError and stops the listener.
    void cancel();

    // Nothing when the request is not a GET of "/cb" with a "state"; otherwise the
    // callback or the failure it stands for.
    static std::optional<Outcome> parse(QStringView request, QStringView expectedState);
    // Compares the UTF-8 bytes without an early exit.
    static bool constantTimeEqual(QStringView a, QStringView b);
    // The whole HTTP reply for a parse outcome.
    static QByteArray reply(const std::optional<Outcome>& outcome);
    // Base64 with "-" and "_" for "+" and "/", and no padding.
    static QString base64url(const QByteArray& bytes);

private:
    void run();
    void serve(int connection);
    // Delivers the first outcome; later ones are ignored. Needs mutex_ held.
    void finishLocked(std::exception_ptr error, std::optional<Callback> callback = std::nullopt);
    void wake();

    int listener_ = -1; // owned by the serving thread once it runs
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::thread thread_;

    std::mutex mutex_;
    std::condition_variable_any changed_;
    bool serving_ = false;
    quint16 port_ = 0;
    bool finished_ = false;
    bool listenerClosed_ = false;
    bool stopping_ = false;
    std::optional<Callback> callback_;
    std::exception_ptr error_;
};

} // namespace hub
