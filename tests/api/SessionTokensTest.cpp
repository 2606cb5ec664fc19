#include "kit/api/InMemoryTokenPersistence.h"
#include "kit/api/SessionTokens.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using hub::InMemoryTokenPersistence;
using hub::SessionTokens;

namespace {

QDateTime utc(int y, int mo, int d, int h, int mi, int s, int ms = 0) { return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC); }

QString base64url(const char* json)
{
    return QString::fromLatin1(QByteArray(json).toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

} // namespace

TEST(SessionTokens, ExpiryIsStoredAsSecondsSince2001)
{
    const SessionTokens tokens{QStringLiteral("a"), QStringLiteral("r"), utc(2001, 1, 1, 0, 1, 40)};
    const QJsonObject stored = QJsonDocument::fromJson(tokens.toJson()).object();
    EXPECT_EQ(stored.value(u"expiresAt").toDouble(), 100.0);
    EXPECT_EQ(stored.value(u"accessToken").toString(), QStringLiteral("a"));
    EXPECT_EQ(stored.value(u"refreshToken").toString(), QStringLiteral("r"));
    EXPECT_EQ(stored.size(), 3);
    EXPECT_FALSE(tokens.toJson().contains('\n'));

    EXPECT_EQ(SessionTokens::fromJson(R"({"refreshToken":"r","expiresAt":-0.5,"accessToken":"a","other":1})"),
              (SessionTokens{QStringLiteral("a"), QStringLiteral("r"), utc(2000, 12, 31, 23, 59, 59, 500)}));
    const SessionTokens fraction{QStringLiteral("x"), QStringLiteral("y"), utc(2031, 7, 8, 9, 10, 11, 125)};
    EXPECT_EQ(SessionTokens::fromJson(fraction.toJson()), fraction);
}

TEST(SessionTokens, StoredFormThatDoesNotFitReadsAsNothing)
{
    for (const char* text : {"", "[]", "null", R"({"accessToken":"a","refreshToken":"r"})",
                             R"({"accessToken":"a","refreshToken":"r","expiresAt":"100"})",
                             R"({"accessToken":null,"refreshToken":"r","expiresAt":1})",
                             R"({"accessToken":1,"refreshToken":"r","expiresAt":1})",
                             R"({"accessToken":"a","refreshToken":"r","expiresAt":1e300})"}) {
        EXPECT_EQ(SessionTokens::fromJson(text), std::nullopt) << text;
    }
}

TEST(SessionTokens, NeedsRefreshWithLessThanAMinuteLeft)
{
    const QDateTime now = utc(2024, 3, 1, 12, 0, 0);
    const auto expiringIn = [&](qint64 ms) { return SessionTokens{{}, {}, now.addMSecs(ms)}.needsRefresh(now); };
    EXPECT_TRUE(expiringIn(59'900));
    EXPECT_FALSE(expiringIn(60'000));
    EXPECT_TRUE(expiringIn(-5'000));
}

TEST(JWT, ExpiryOfTokens)
{
    const QString payload = base64url(R"({"exp":1700000000.5,"n":"???>>>"})"); // has "-" and "_"
    ASSERT_TRUE(payload.contains(u'-') && payload.contains(u'_'));
    const QDateTime expected = utc(2023, 11, 14, 22, 13, 20, 500);
    const QString fourK = base64url(R"({"exp":1234})");
    ASSERT_EQ(fourK.size() % 4, 0);

    struct Case {
        QString token;
        std::optional<QDateTime> expiry;
    };
    const Case cases[] = {
        {QStringLiteral("h.") + payload + QStringLiteral(".s"), expected},
        {QStringLiteral("h.") + payload + QStringLiteral(".s."), expected},               // trailing dot
        {QStringLiteral(".h..") + payload + QStringLiteral(".s"), expected},              // empty pieces dropped
        {QStringLiteral("h.") + base64url(R"({"exp":1})") + QStringLiteral(".s"), utc(1970, 1, 1, 0, 0, 1)}, // one "="
        {QStringLiteral("h.") + base64url(R"({"exp":10})") + QStringLiteral(".s"), utc(1970, 1, 1, 0, 0, 10)}, // two "="
        {QStringLiteral("h.") + fourK + QStringLiteral(".s"), utc(1970, 1, 1, 0, 20, 34)},
        {QStringLiteral("h.") + payload, std::nullopt},                                  // two pieces
        {QStringLiteral("h.") + payload + QStringLiteral("."), std::nullopt},            // third piece empty
        {QStringLiteral("h.") + payload + QStringLiteral(".s.x"), std::nullopt},         // four pieces
        {QStringLiteral("h.") + fourK + QStringLiteral("A.s"), std::nullopt},            // length 4k+1
        {QStringLiteral("h.") + fourK.left(8) + QStringLiteral("*") + fourK.mid(9) + QStringLiteral(".s"), std::nullopt},
        {QStringLiteral("h.") + base64url("not json") + QStringLiteral(".s"), std::nullopt},
        {QStringLiteral("h.") + base64url("[1700000000]") + QStringLiteral(".s"), std::nullopt},
        {QStringLiteral("h.") + base64url("{}") + QStringLiteral(".s"), std::nullopt},
        {QStringLiteral("h.") + base64url(R"({"sub":"x"})") + QStringLiteral(".s"), std::nullopt},
        {QStringLiteral("h.") + base64url(R"({"exp":"1700000000"})") + QStringLiteral(".s"), std::nullopt},
        {QStringLiteral("h.") + base64url(R"({"exp":null})") + QStringLiteral(".s"), std::nullopt},
        {QStringLiteral("h.") + base64url(R"({"exp":true})") + QStringLiteral(".s"), std::nullopt},
        {QStringLiteral("h.") + base64url(R"({"exp":[1]})") + QStringLiteral(".s"), std::nullopt},
        {QStringLiteral("h.") + base64url(R"({"exp":1e300})") + QStringLiteral(".s"), std::nullopt},
        {QStringLiteral("h.") + base64url(R"({"exp":-1})") + QStringLiteral(".s"), utc(1969, 12, 31, 23, 59, 59)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(hub::JWT::expiry(c.token), c.expiry) << c.token.toStdString();
}

TEST(InMemoryTokenPersistence, KeepsOneValuePerObject)
{
    InMemoryTokenPersistence one, two;
    const SessionTokens tokens{QStringLiteral("a"), QStringLiteral("r"), utc(2030, 1, 1, 0, 0, 0)};
    EXPECT_EQ(one.load(), std::nullopt);
    one.save(tokens);
    EXPECT_EQ(one.load(), tokens);
    EXPECT_EQ(two.load(), std::nullopt);
    one.clear();
    EXPECT_EQ(one.load(), std::nullopt);
}

TEST(InMemoryTokenPersistence, ConcurrentUseNeverTearsAValue)
{
    InMemoryTokenPersistence persistence;
    constexpr int writers = 4, rounds = 2000;
    std::vector<std::thread> threads;
    std::atomic<int> torn = 0;
    for (int w = 0; w < writers; ++w) {
        threads.emplace_back([&, w] {
            for (int i = 0; i < rounds; ++i) {
                const QString tag = QString::number(w) + u'-' + QString::number(i);
                if (i % 10 == 9)
                    persistence.clear();
                else
                    persistence.save({tag, tag, utc(2030, 1, 1, 0, 0, 0).addSecs(w)});
                if (const auto seen = persistence.load(); seen && (seen->accessToken != seen->refreshToken
                        || seen->expiresAt != utc(2030, 1, 1, 0, 0, 0).addSecs(seen->accessToken.section(u'-', 0, 0).toInt())))
                    ++torn;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(torn, 0);
    persistence.save({QStringLiteral("last"), QStringLiteral("last"), {}});
    EXPECT_EQ(persistence.load()->accessToken, QStringLiteral("last"));
}
