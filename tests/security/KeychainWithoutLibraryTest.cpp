// This executable finds a libsecret without its functions first on its library path (the
// test's environment points there): the keychain fails with its own status, never a crash.

#include "kit/platform/SecretService.h"
#include "kit/security/KeychainError.h"
#include "kit/security/KeychainItem.h"
#include "tests/testkit/KeychainAssertions.h"

#include <future>
#include <gtest/gtest.h>
#include <vector>

using hub::KeychainError;
using hub::KeychainItem;
namespace SecretService = hub::SecretService;

TEST(KeychainWithoutLibrary, EveryOperationFailsAsWithoutAKeyring)
{
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("LD_LIBRARY_PATH")) << "run through ctest";
    // The first calls, from several threads at once, open the library once between them.
    std::vector<std::future<std::int32_t>> first;
    for (int i = 0; i < 4; ++i)
        first.push_back(std::async(std::launch::async, [] {
            QByteArray data;
            return SecretService::copy(QStringLiteral("com.tavren.hub.test"), QStringLiteral("moonbase-session"), data);
        }));
    for (auto& status : first)
        EXPECT_EQ(status.get(), SecretService::notAvailable);

    const KeychainItem item{QStringLiteral("com.tavren.hub.test"), QStringLiteral("moonbase-session")};
    hub::test::expectEveryOperationFails(item, KeychainError(SecretService::notAvailable));
}
