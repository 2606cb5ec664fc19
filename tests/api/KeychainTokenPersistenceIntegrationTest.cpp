#include "kit/api/KeychainTokenPersistence.h"

#include <QUuid>
#include <gtest/gtest.h>

using hub::KeychainTokenPersistence;
using hub::SessionTokens;

namespace {

KeychainTokenPersistence fresh()
{
    return {QStringLiteral("com.tavren.hub.test.") + QUuid::createUuid().toString(QUuid::WithoutBraces),
            QStringLiteral("moonbase-session")};
}

} // namespace

TEST(KeychainTokenPersistence, SavesLoadsAndClears)
{
    KeychainTokenPersistence persistence = fresh();
    EXPECT_EQ(persistence.load(), std::nullopt);
    EXPECT_NO_THROW(persistence.clear());

    const SessionTokens tokens{QStringLiteral("access"), QStringLiteral("refresh"),
                               QDateTime(QDate(2030, 5, 6), QTime(7, 8, 9, 250), Qt::UTC)};
    persistence.save(tokens);
    EXPECT_EQ(persistence.load(), tokens);
    EXPECT_EQ(SessionTokens::fromJson(*persistence.item.read()), tokens);

    persistence.clear();
    EXPECT_EQ(persistence.load(), std::nullopt);
}

TEST(KeychainTokenPersistence, DamagedItemLoadsAsNoSessionAndStays)
{
    KeychainTokenPersistence persistence = fresh();
    for (const QByteArray& damaged : {QByteArray("not json"), QByteArray(R"({"accessToken":"a","refreshToken":"r"})"),
                                      QByteArray("\xff\xfe", 2)}) {
        persistence.item.write(damaged);
        EXPECT_EQ(persistence.load(), std::nullopt) << damaged.toStdString();
        EXPECT_EQ(persistence.item.read(), damaged);
    }
    persistence.clear();
}
