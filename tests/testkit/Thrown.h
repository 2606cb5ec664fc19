#pragma once

#include <gtest/gtest.h>
#include <stdexcept>

namespace hub::test {

// The error of type E that `run` throws; a test failure when it throws nothing or
// something else (which is then rethrown).
template <class E, class F>
E thrown(F&& run)
{
    try {
        run();
    } catch (const E& error) {
        return error;
    } catch (const std::exception& other) {
        ADD_FAILURE() << "threw something else: " << other.what();
        throw;
    }
    ADD_FAILURE() << "threw nothing";
    throw std::logic_error("threw nothing");
}

} // namespace hub::test
