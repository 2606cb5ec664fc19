#include "kit/support/ParallelFor.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <stdexcept>

using hub::parallelFor;

namespace {

// Makes every thread started meanwhile ask for a stack larger than the address space.
class ThreadsCannotStart {
public:
    ThreadsCannotStart()
    {
        pthread_getattr_default_np(&saved_);
        pthread_attr_t huge;
        pthread_attr_init(&huge);
        pthread_attr_setstacksize(&huge, size_t(1) << 50);
        pthread_setattr_default_np(&huge);
        pthread_attr_destroy(&huge);
    }
    ~ThreadsCannotStart()
    {
        pthread_setattr_default_np(&saved_);
        pthread_attr_destroy(&saved_);
    }

private:
    pthread_attr_t saved_;
};

std::vector<int> runsOf(size_t count, size_t maxThreads)
{
    std::vector<std::atomic<int>> runs(count);
    parallelFor(count, [&](size_t i) { ++runs[i]; }, maxThreads);
    return {runs.begin(), runs.end()};
}

} // namespace

TEST(ParallelFor, RunsEachIndexOnceWithWhateverThreadsStartAndRethrowsAFailure)
{
    for (const size_t threads : {size_t(1), size_t(4)}) {
        EXPECT_EQ(runsOf(1000, threads), std::vector<int>(1000, 1)) << threads;
        const ThreadsCannotStart refused;
        EXPECT_EQ(runsOf(1000, threads), std::vector<int>(1000, 1)) << threads << " refused";
        const auto failAtTen = [](size_t i) {
            if (i == 10)
                throw std::runtime_error("body failed");
        };
        EXPECT_THROW(parallelFor(1000, failAtTen, threads), std::runtime_error);
    }
    EXPECT_TRUE(runsOf(0, 4).empty());
}
