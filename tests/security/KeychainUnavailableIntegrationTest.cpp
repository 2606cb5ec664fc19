#include "kit/api/KeychainTokenPersistence.h"
#include "kit/platform/SecretService.h"
#include "kit/security/KeychainError.h"
#include "kit/security/KeychainItem.h"
#include "tests/testkit/KeychainAssertions.h"

#include <gtest/gtest.h>

using hub::KeychainError;
using hub::KeychainItem;

// This executable never reaches a session bus: the address is pointed at nothing
// before the first keychain call (the bus connection is made once per process).
class NoSecretService : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tavren-hub-test/bus");
    }
};

TEST_F(NoSecretService, EveryOperationFailsWithItsOwnStatus)
{
    const KeychainItem item{QStringLiteral("com.tavren.hub.test"), QStringLiteral("moonbase-session")};
    const KeychainError expected(hub::SecretService::notAvailable);

    hub::test::expectEveryOperationFails(item, expected);
    EXPECT_EQ(expected.message(),
              QStringLiteral("Keyring error -25291: No keyring is available: no secret service is running in this session."));
}

TEST_F(NoSecretService, TheSessionIsUnknownAndSavingReportsIt)
{
    hub::KeychainTokenPersistence persistence(QStringLiteral("com.tavren.hub.test"), QStringLiteral("moonbase-session"));
    EXPECT_THROW(persistence.load(), KeychainError); // not "signed out"
    EXPECT_THROW(persistence.save({QStringLiteral("a"), QStringLiteral("r"), QDateTime::currentDateTimeUtc()}), KeychainError);
    EXPECT_THROW(persistence.clear(), KeychainError);
}
