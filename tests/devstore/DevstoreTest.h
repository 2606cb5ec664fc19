#pragma once

#include "tests/devstore/DevstoreProcess.h"

#include "kit/api/InMemoryTokenPersistence.h"
#include "kit/api/MoonbaseClient.h"
#include "kit/security/HostPolicy.h"

#include <gtest/gtest.h>

namespace hub::test {

// A fixture over one devstore per test suite, with this process's deployment values
// pointed at it; skipped unless the build is the demo flavour.
class DevstoreTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { store = std::make_unique<DevstoreProcess>(); }
    static void TearDownTestSuite() { store.reset(); }

    void SetUp() override
    {
        if (!store->useDemoDeployment())
            GTEST_SKIP() << "the demo flavour is off (configure with -DHUB_DEMO=ON)";
    }

    // A store client over the deployment's transport, keeping its session in memory.
    static std::shared_ptr<MoonbaseClient> client()
    {
        return std::make_shared<MoonbaseClient>(HostPolicy::tavren(), std::make_shared<URLSessionTransport>(PinnedTrust::tavren()),
                                                std::make_shared<InMemoryTokenPersistence>());
    }

    static inline std::unique_ptr<DevstoreProcess> store;
};

} // namespace hub::test
