// The session store of the background run, which starts from the session its keychain
// check already read.

#include "app/updater/PrereadTokenPersistence.h"

#include "tests/testkit/FakeTokenPersistence.h"

#include <gtest/gtest.h>

using namespace hub;

namespace {

SessionTokens tokens(const char* access)
{
    return SessionTokens{QString::fromLatin1(access), QStringLiteral("refresh"), QDateTime::currentDateTimeUtc().addDays(1)};
}

TEST(PrereadTokenPersistence, AnswersTheFirstLoadWithWhatWasReadThenReadsTheStore)
{
    for (const std::optional<SessionTokens>& preread : {std::optional<SessionTokens>(tokens("read")), std::optional<SessionTokens>()}) {
        auto store = std::make_shared<FakeTokenPersistence>();
        store->stored = tokens("stored");
        PrereadTokenPersistence persistence(store, preread);
        EXPECT_EQ(persistence.load(), preread);
        EXPECT_EQ(store->loads, 0);
        EXPECT_EQ(persistence.load(), store->stored);
        EXPECT_EQ(store->loads, 1);
    }
}

TEST(PrereadTokenPersistence, AWriteBeforeTheFirstLoadOutdatesWhatWasRead)
{
    auto store = std::make_shared<FakeTokenPersistence>();
    PrereadTokenPersistence saved(store, tokens("read"));
    saved.save(tokens("saved"));
    EXPECT_EQ(saved.load(), tokens("saved"));

    PrereadTokenPersistence cleared(store, tokens("read"));
    cleared.clear();
    EXPECT_EQ(cleared.load(), std::nullopt);
    EXPECT_EQ(store->loads, 2);
}

} // namespace
