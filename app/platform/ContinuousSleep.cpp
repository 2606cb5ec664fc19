#include "app/platform/ContinuousSleep.h"

#include <QCoroTimer>
#include <QTimer>
#include <algorithm>
#include <time.h>

namespace hub {

namespace {

std::chrono::milliseconds bootTime()
{
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::nanoseconds(now.tv_nsec));
}

} // namespace

QCoro::Task<> sleepContinuously(std::chrono::milliseconds duration)
{
    // Timers stop while the machine sleeps; wake at least once a minute to look at the clock.
    constexpr std::chrono::milliseconds step = std::chrono::minutes(1);
    const std::chrono::milliseconds deadline = bootTime() + duration;
    // A precise timer: a coarse one may fire up to 5% late.
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    for (std::chrono::milliseconds left = duration; left.count() > 0; left = deadline - bootTime()) {
        timer.start(std::min(left, step));
        co_await timer;
    }
}

} // namespace hub
