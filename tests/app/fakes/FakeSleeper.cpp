#include "tests/app/fakes/FakeSleeper.h"

#include <algorithm>

namespace hub {

struct FakeSleeper::Awaiter {
    FakeSleeper& sleeper;
    std::chrono::milliseconds duration;

    bool await_ready() const noexcept { return duration.count() <= 0; }
    void await_suspend(std::coroutine_handle<> handle)
    {
        sleeper.waiters_.push_back({sleeper.now_ + duration, sleeper.next_++, handle});
    }
    void await_resume() const noexcept {}
};

Sleeper FakeSleeper::sleeper()
{
    return [this](std::chrono::milliseconds duration) { return sleep(duration); };
}

QCoro::Task<> FakeSleeper::sleep(std::chrono::milliseconds duration)
{
    co_await Awaiter{*this, duration};
}

void FakeSleeper::advance(std::chrono::milliseconds by)
{
    const std::chrono::milliseconds target = now_ + by;
    for (;;) {
        const auto due = std::min_element(waiters_.begin(), waiters_.end(), [](const Waiter& a, const Waiter& b) {
            return a.deadline != b.deadline ? a.deadline < b.deadline : a.order < b.order;
        });
        if (due == waiters_.end() || due->deadline > target)
            break;
        const Waiter waiter = *due;
        waiters_.erase(due);
        now_ = waiter.deadline;
        waiter.handle.resume();
    }
    now_ = target;
}

QList<std::chrono::milliseconds> FakeSleeper::pending() const
{
    QList<std::chrono::milliseconds> left;
    for (const Waiter& waiter : waiters_)
        left.append(waiter.deadline - now_);
    std::sort(left.begin(), left.end());
    return left;
}

} // namespace hub
