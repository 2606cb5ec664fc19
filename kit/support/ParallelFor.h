#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace hub {

// Runs body(i) for i in [0, count) on a few threads; the first exception is rethrown
// after all stop. Threads that cannot start leave their share to those that did,
// the calling thread among them.
template <typename Body>
void parallelFor(size_t count, Body&& body, size_t maxThreads = 4)
{
    const size_t threads = std::min({count, maxThreads, size_t(std::max(1u, std::thread::hardware_concurrency()))});
    if (threads <= 1) {
        for (size_t i = 0; i < count; ++i)
            body(i);
        return;
    }
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    std::exception_ptr error;
    std::mutex errorLock;
    auto work = [&] {
        for (size_t i = next++; i < count && !failed; i = next++) {
            try {
                body(i);
            } catch (...) {
                std::lock_guard lock(errorLock);
                if (!error)
                    error = std::current_exception();
                failed = true;
            }
        }
    };
    std::vector<std::thread> pool;
    pool.reserve(threads - 1);
    try {
        for (size_t t = 1; t < threads; ++t)
            pool.emplace_back(work);
    } catch (const std::system_error&) {
    }
    work();
    for (auto& thread : pool)
        thread.join();
    if (error)
        std::rethrow_exception(error);
}

} // namespace hub
