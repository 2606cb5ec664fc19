#pragma once

#include "app/model/Sleeper.h"

#include <QList>
#include <coroutine>
#include <vector>

namespace hub {

// A sleeper on a clock that only moves when the test says so. advance() resumes,
// in deadline order and on the calling thread, every sleep that has come due,
// including sleeps begun by the coroutines it resumes.
class FakeSleeper {
public:
    FakeSleeper() = default;
    FakeSleeper(const FakeSleeper&) = delete;
    FakeSleeper& operator=(const FakeSleeper&) = delete;

    Sleeper sleeper();
    void advance(std::chrono::milliseconds by);
    std::chrono::milliseconds now() const { return now_; }
    // The durations left of the sleeps under way, soonest first.
    QList<std::chrono::milliseconds> pending() const;

private:
    struct Waiter {
        std::chrono::milliseconds deadline;
        quint64 order;
        std::coroutine_handle<> handle;
    };
    struct Awaiter;

    QCoro::Task<> sleep(std::chrono::milliseconds duration);

    std::chrono::milliseconds now_{0};
    quint64 next_ = 0;
    std::vector<Waiter> waiters_;
};

} // namespace hub
