#include "kit/support/ParallelFor.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <stdexcept>

TEST(ParallelFor, RunsEachIndexOnceWithWhateverThreadsStartAndRethrowsAFailure)
{
    pthread_attr_t saved, huge;
    pthread_getattr_default_np(&saved);
    pthread_attr_init(&huge);
    pthread_attr_setstacksize(&huge, size_t(1) << 50); // larger than the address space: no thread starts
    for (const bool threadsStart : {true, false}) {
        pthread_setattr_default_np(threadsStart ? &saved : &huge);
        std::vector<std::atomic<int>> runs(1000);
        hub::parallelFor(runs.size(), [&](size_t i) { ++runs[i]; }, 4);
        EXPECT_EQ(std::vector<int>(runs.begin(), runs.end()), std::vector<int>(1000, 1)) << threadsStart;
        const auto failAtTen = [](size_t i) {
            if (i == 10)
                throw std::runtime_error("body failed");
        };
        EXPECT_THROW(hub::parallelFor(1000, failAtTen, 4), std::runtime_error) << threadsStart;
    }
    pthread_setattr_default_np(&saved);
    pthread_attr_destroy(&huge);
    pthread_attr_destroy(&saved);
}
