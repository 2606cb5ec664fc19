#include <libsecret/secret.h>

#include "kit/api/KeychainTokenPersistence.h"
#include "kit/platform/SecretService.h"
#include "kit/security/KeychainError.h"
#include "kit/security/KeychainItem.h"
#include "tests/testkit/KeychainAssertions.h"
#include "tests/testkit/OwnSession.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using hub::KeychainError;
using hub::KeychainItem;

// Locking the default collection would disturb every other keychain test of the
// shared session, so the locked case runs again in a D-Bus session of its own.
TEST(LockedKeychain, RunsInASessionOfItsOwn)
{
    if (qEnvironmentVariableIsSet("HUB_LOCKED_KEYCHAIN_CHILD"))
        GTEST_SKIP() << "inside the child";
    QTemporaryDir sandbox;
    ASSERT_TRUE(sandbox.isValid());
    EXPECT_EQ(hub::test::runInOwnSession(hub::test::sandboxedEnvironment(sandbox.path(), QStringLiteral("HUB_LOCKED_KEYCHAIN_CHILD")),
                                         {QStringLiteral("--gtest_filter=LockedKeychain.ChildFailsWithTheLockedStatus")}, 120'000),
              0);
}

TEST(LockedKeychain, ChildFailsWithTheLockedStatus)
{
    if (!qEnvironmentVariableIsSet("HUB_LOCKED_KEYCHAIN_CHILD"))
        GTEST_SKIP() << "runs only in its own session";
    const KeychainItem item{QStringLiteral("com.tavren.hub.test"), QStringLiteral("moonbase-session")};
    item.write("stored while unlocked");

    GError* error = nullptr;
    SecretService* service = secret_service_get_sync(SECRET_SERVICE_NONE, nullptr, &error);
    ASSERT_EQ(error, nullptr) << error->message;
    SecretCollection* collection = secret_collection_for_alias_sync(service, SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE, nullptr, &error);
    ASSERT_EQ(error, nullptr) << error->message;
    ASSERT_NE(collection, nullptr);
    GList* objects = g_list_append(nullptr, collection);
    secret_service_lock_sync(service, objects, nullptr, nullptr, &error);
    g_list_free(objects);
    g_object_unref(collection);
    g_object_unref(service);
    ASSERT_EQ(error, nullptr) << error->message;

    const KeychainError locked(hub::SecretService::interactionNotAllowed);
    EXPECT_EQ(locked.message(), QStringLiteral("Keyring error -25308: The keyring is locked."));
    hub::test::expectEveryOperationFails(item, locked);
    EXPECT_THROW(hub::KeychainTokenPersistence(item.service, item.account).load(), KeychainError);

    const KeychainItem missing{QStringLiteral("com.tavren.hub.test"), QStringLiteral("never-written")};
    EXPECT_EQ(missing.read(), std::nullopt);
    EXPECT_NO_THROW(missing.remove());
}
