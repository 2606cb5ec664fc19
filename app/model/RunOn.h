#pragma once

#include <QCoroFuture>
#include <QCoroTask>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <exception>
#include <optional>
#include <type_traits>

namespace hub {

// Runs blocking kit work on one of the model's pools and resumes the awaiting
// coroutine on its own thread. The work's exception is rethrown there as it was
// thrown, so callers catch MoonbaseError and friends by type. After the await the
// caller re-checks whatever may have changed meanwhile (its QPointer first).
//
// Name the task before awaiting it (auto fetch = runOn(...); co_await fetch;):
// g++ 12 destroys the temporaries of a co_await expression twice when the
// awaited task throws.
template <typename Work>
auto runOn(QThreadPool& pool, Work work) -> QCoro::Task<std::invoke_result_t<Work>>
{
    using T = std::invoke_result_t<Work>;
    struct Outcome {
        std::optional<std::conditional_t<std::is_void_v<T>, bool, T>> value;
        std::exception_ptr error;
    };
    QFuture<Outcome> future = QtConcurrent::run(&pool, [work = std::move(work)]() mutable {
        Outcome result;
        try {
            if constexpr (std::is_void_v<T>) {
                work();
                result.value = true;
            } else {
                result.value = work();
            }
        } catch (...) {
            result.error = std::current_exception();
        }
        return result;
    });
    Outcome outcome = co_await future;
    if (outcome.error)
        std::rethrow_exception(outcome.error);
    if constexpr (!std::is_void_v<T>)
        co_return std::move(*outcome.value);
}

} // namespace hub
