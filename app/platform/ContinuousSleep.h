#pragma once

#include <QCoroTask>
#include <chrono>

namespace hub {

// Resumes the caller after `duration` has passed on the boot-time clock, which
// keeps counting while the machine is suspended (a plain timer would not).
QCoro::Task<> sleepContinuously(std::chrono::milliseconds duration);

} // namespace hub
