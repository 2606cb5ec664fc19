#include "kit/api/TavrenIDProfile.h"
#include "kit/api/TavrenIDProvider.h"
#include "kit/api/TavrenIDPurchase.h"
#include "kit/api/TavrenIDSession.h"

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

TEST(TavrenIDRecordsTest, DecodingEncodingEqualityAndProviders)
{
    const QByteArray user = R"({"user":{"id":"u","email":"a@x.test")";
    const auto full = decoded<TavrenIDProfile>(user + R"(,"createdAt":null,"x":1},"externalAccounts":[{"provider":"gitlab"}],"products":[],"y":[]})");
    const std::pair<bool, bool> cases[] = { // decoded, expected
        {full.has_value(), true},
        {decoded<TavrenIDProfile>(user + R"(,"createdAt":17}})").has_value(), false},
        {decoded<TavrenIDProfile>(R"({"user":{"id":"u"}})").has_value(), false},
        {decoded<TavrenIDProfile>(user + R"(},"recoveryCodesRemaining":1.5})").has_value(), false},
        {decoded<TavrenIDProfile>(user + R"(},"linkedEmails":["a",1]})").has_value(), false},
        {decoded<TavrenIDSession>(R"({"id":"s","label":"Mac","current":null})").has_value(), true},
        {decoded<TavrenIDSession>(R"({"id":"s","label":"Mac","current":"true"})").has_value(), false},
        {decoded<TavrenIDPurchase>(R"({"id":"o","productId":"p","gifted":true})").has_value(), false},
    };
    for (qsizetype i = 0; i < qsizetype(std::size(cases)); ++i)
        EXPECT_EQ(cases[i].first, cases[i].second) << i;
    ASSERT_TRUE(full);
    EXPECT_EQ(full->externalAccounts, (QList<TavrenIDConnection>{{"gitlab", std::nullopt, std::nullopt}}));
    EXPECT_EQ(TavrenIDProfile::fromJson(JsonReader(full->toJson())), full);

    TavrenIDProfile profile = *decoded<TavrenIDProfile>(user + "}}"), empty = profile;
    empty.linkedEmails = QStringList{};
    EXPECT_NE(profile, empty); // absent and empty differ, in hashing too
    EXPECT_NE(qHash(profile), qHash(empty));
    profile.linkedEmails = QStringList{"b@x.test", "a@x.test"};
    EXPECT_EQ(profile.allEmails(), (QStringList{"a@x.test", "b@x.test", "a@x.test"}));
    EXPECT_EQ((TavrenIDSession{"s", "Mac", std::nullopt, "2024", std::nullopt}).toJson().keys(), (QStringList{"createdAt", "id", "label"}));

    QStringList seen;
    for (const TavrenIDProvider provider : allTavrenIDProviders())
        seen << toString(provider) + u':' + title(provider) + u':' + toString(*tavrenIDProviderFromString(toString(provider)));
    EXPECT_EQ(seen, (QStringList{"apple:Apple:apple", "google:Google:google", "github:GitHub:github"}));
    for (const char* text : {"Apple", "apple ", ""})
        EXPECT_FALSE(tavrenIDProviderFromString(QString::fromLatin1(text))) << text;
}
