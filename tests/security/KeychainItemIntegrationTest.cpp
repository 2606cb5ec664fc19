#include "kit/platform/SecretService.h"
#include "kit/security/KeychainError.h"
#include "kit/security/KeychainItem.h"

#include <QUuid>
#include <gtest/gtest.h>

using hub::KeychainError;
using hub::KeychainItem;

namespace {

// A service name of its own per test, so parallel runs never share items.
QString freshService() { return QStringLiteral("com.tavren.hub.test.") + QUuid::createUuid().toString(QUuid::WithoutBraces); }

} // namespace

TEST(KeychainItem, WriteReadReplaceDelete)
{
    const KeychainItem item{freshService(), QStringLiteral("moonbase-session")};
    EXPECT_EQ(item.read(), std::nullopt);

    item.write("first");
    EXPECT_EQ(item.read(), QByteArray("first"));

    const QByteArray binary("\x00\xff{not text}\x80", 13);
    item.write(binary);
    EXPECT_EQ(item.read(), binary);

    item.remove();
    EXPECT_EQ(item.read(), std::nullopt);
    EXPECT_NO_THROW(item.remove());
}

TEST(KeychainItem, AccountsAndServicesAreIndependent)
{
    const QString service = freshService();
    const KeychainItem store{service, QStringLiteral("moonbase-session")};
    const KeychainItem identity{service, QStringLiteral("tavren-id-session")};
    const KeychainItem elsewhere{freshService(), QStringLiteral("moonbase-session")};

    store.write("store");
    identity.write("identity");
    EXPECT_EQ(store.read(), QByteArray("store"));
    EXPECT_EQ(identity.read(), QByteArray("identity"));
    EXPECT_EQ(elsewhere.read(), std::nullopt);

    store.remove();
    EXPECT_EQ(store.read(), std::nullopt);
    EXPECT_EQ(identity.read(), QByteArray("identity"));
    identity.remove();
}

TEST(KeychainError, DescriptionCarriesTheStatus)
{
    EXPECT_EQ(KeychainError(hub::SecretService::itemNotFound).message(),
              QStringLiteral("Keyring error -25300: The specified item could not be found in the keyring."));
    EXPECT_EQ(KeychainError(-1).message(), QStringLiteral("Keyring error -1: unknown"));
    EXPECT_EQ(KeychainError(12345).message(), QStringLiteral("Keyring error 12345: unknown"));
    EXPECT_EQ(QString::fromUtf8(KeychainError(-1).what()), QStringLiteral("Keyring error -1: unknown"));
}
