#include "kit/api/TavrenIDProfile.h"
#include "kit/api/TavrenIDProvider.h"
#include "kit/api/TavrenIDPurchase.h"
#include "kit/api/TavrenIDSession.h"

#include <QJsonDocument>
#include <gtest/gtest.h>

using namespace hub;

namespace {

template <typename T>
std::optional<T> decoded(const QByteArray& json)
{
    try {
        return T::fromJson(JsonReader::parse(json));
    } catch (const JsonError&) {
        return std::nullopt;
    }
}

} // namespace

TEST(TavrenIDRecordsTest, DecodingRequiredOptionalNullWrongTypeAndUnknownKeys)
{
    struct Case {
        const char* what;
        QByteArray json;
        bool decodes;
    };
    const Case profiles[] = {
        {"user only", R"({"user":{"id":"u1","email":"a@x.test"}})", true},
        {"everything, unknown keys too",
            R"({"user":{"id":"u1","email":"a@x.test","createdAt":"yesterday","emailVerifiedAt":null,"x":1},
               "externalAccounts":[{"provider":"gitlab","email":"g@x.test","linkedAt":"2024"}],
               "linkedEmails":["b@x.test"],"recoveryCodesRemaining":7,"products":["p1"],"extra":{"a":[]}})",
            true},
        {"createdAt null", R"({"user":{"id":"u1","email":"e","createdAt":null}})", true},
        {"createdAt a number", R"({"user":{"id":"u1","email":"e","createdAt":17}})", false},
        {"no user", R"({"linkedEmails":[]})", false},
        {"user without email", R"({"user":{"id":"u1"}})", false},
        {"user id null", R"({"user":{"id":null,"email":"e"}})", false},
        {"a connection without provider", R"({"user":{"id":"u","email":"e"},"externalAccounts":[{"email":"x"}]})", false},
        {"recovery codes as text", R"({"user":{"id":"u","email":"e"},"recoveryCodesRemaining":"7"})", false},
        {"recovery codes fractional", R"({"user":{"id":"u","email":"e"},"recoveryCodesRemaining":1.5})", false},
        {"linked emails holding a number", R"({"user":{"id":"u","email":"e"},"linkedEmails":["a",1]})", false},
    };
    for (const Case& c : profiles)
        EXPECT_EQ(decoded<TavrenIDProfile>(c.json).has_value(), c.decodes) << c.what;

    const Case sessions[] = {
        {"minimal", R"({"id":"s1","label":"Mac"})", true},
        {"current null", R"({"id":"s1","label":"Mac","current":null})", true},
        {"current as text", R"({"id":"s1","label":"Mac","current":"true"})", false},
        {"no label", R"({"id":"s1"})", false},
    };
    for (const Case& c : sessions)
        EXPECT_EQ(decoded<TavrenIDSession>(c.json).has_value(), c.decodes) << c.what;

    const Case purchases[] = {
        {"minimal", R"({"id":"o1","productId":"p","status":"paid"})", true},
        {"no status", R"({"id":"o1","productId":"p"})", false},
        {"gifted as text", R"({"id":"o1","productId":"p","status":"paid","gifted":"yes"})", false},
        {"everything", R"({"id":"o1","productId":"p","source":"store","buyerEmail":"b","status":"refunded","purchasedAt":"x","gifted":true})", true},
    };
    for (const Case& c : purchases)
        EXPECT_EQ(decoded<TavrenIDPurchase>(c.json).has_value(), c.decodes) << c.what;

    const auto full = decoded<TavrenIDProfile>(profiles[1].json);
    ASSERT_TRUE(full);
    EXPECT_EQ(full->user, (TavrenIDUser{"u1", "a@x.test", "yesterday", std::nullopt}));
    EXPECT_EQ(full->externalAccounts, (QList<TavrenIDConnection>{{"gitlab", "g@x.test", "2024"}}));
    EXPECT_EQ(full->recoveryCodesRemaining, 7);
    EXPECT_EQ(full->products, QStringList{"p1"});
}

TEST(TavrenIDRecordsTest, EmailsEqualityHashingAndEncoding)
{
    TavrenIDProfile profile{{"u1", "a@x.test", std::nullopt, std::nullopt}, std::nullopt, std::nullopt, std::nullopt, std::nullopt};
    EXPECT_EQ(profile.allEmails(), QStringList{"a@x.test"});
    TavrenIDProfile linked = profile;
    linked.linkedEmails = QStringList{"b@x.test", "a@x.test"};
    EXPECT_EQ(linked.allEmails(), (QStringList{"a@x.test", "b@x.test", "a@x.test"}));

    // Absent and empty differ, in equality and in hashing.
    TavrenIDProfile empty = profile;
    empty.linkedEmails = QStringList{};
    EXPECT_NE(profile, empty);
    EXPECT_NE(qHash(profile), qHash(empty));
    EXPECT_EQ(qHash(profile), qHash(TavrenIDProfile(profile)));

    // Absent optionals are left out; a round trip keeps every field.
    const TavrenIDSession session{"s1", "Mac", std::nullopt, "2024-01-01", std::nullopt};
    const QJsonObject json = session.toJson();
    EXPECT_FALSE(json.contains(u"current"));
    EXPECT_EQ(json.keys(), (QStringList{"createdAt", "id", "label"}));
    EXPECT_EQ(TavrenIDSession::fromJson(JsonReader(json)), session);
    const auto full = decoded<TavrenIDProfile>(
        R"({"user":{"id":"u","email":"e"},"externalAccounts":[{"provider":"apple"}],"linkedEmails":[],"products":["p"]})");
    ASSERT_TRUE(full);
    EXPECT_EQ(TavrenIDProfile::fromJson(JsonReader(full->toJson())), *full);
    const TavrenIDPurchase purchase{"o", "p", std::nullopt, "b", "paid", std::nullopt, false};
    EXPECT_EQ(TavrenIDPurchase::fromJson(JsonReader(purchase.toJson())), purchase);
}

TEST(TavrenIDRecordsTest, ProvidersByRawValueWithTheirTitles)
{
    QStringList raws;
    QStringList titles;
    for (const TavrenIDProvider provider : allTavrenIDProviders()) {
        raws << toString(provider);
        titles << title(provider);
        EXPECT_EQ(tavrenIDProviderFromString(toString(provider)), provider);
    }
    EXPECT_EQ(raws, (QStringList{"apple", "google", "github"}));
    EXPECT_EQ(titles, (QStringList{"Apple", "Google", "GitHub"}));
    for (const char* text : {"Apple", "apple ", "GitHub", "", "gitlab"})
        EXPECT_FALSE(tavrenIDProviderFromString(QString::fromLatin1(text))) << text;
}
