#pragma once

#include <QCoroTask>
#include <chrono>
#include <functional>

namespace hub {

// Waits the given time on a clock that keeps running while the machine sleeps,
// then resumes on the caller's thread. Injected, so tests advance time by hand.
using Sleeper = std::function<QCoro::Task<>(std::chrono::milliseconds)>;

} // namespace hub
