#include "app/views/signin/SignInSheetPresenter.h"

#include <gtest/gtest.h>

namespace hub {
namespace {

using Form = SignInSheetPresenter::Form;
using Mode = SignInSheetPresenter::Mode;

TEST(SignInSheetPresenter, ThePurposeDecidesTheTextsThePickerAndTheForm)
{
    const QString general = QStringLiteral("Use your Tavren ID, or the store account from your purchases. Either one shows your library.");
    const QString ended = QStringLiteral("Your store session ended. Sign in again to continue.");
    const struct {
        SignInPurpose purpose;
        Mode mode;
        SignInSheetPresenter::Screen screen;
    } cases[] = {
        {SignInPurpose::general(), Mode::tavrenID, {"Sign in to Tavren", general, true, Form::tavrenID}},
        {SignInPurpose::general(), Mode::store, {"Sign in to Tavren", general, true, Form::store}},
        {SignInPurpose::connectStore(ended), Mode::tavrenID, {"Connect your store account", ended, false, Form::store}},
        {SignInPurpose::connectStore(ended), Mode::store, {"Connect your store account", ended, false, Form::store}},
        {SignInPurpose::connectStore({}), Mode::tavrenID, {"Connect your store account", {}, false, Form::store}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SignInSheetPresenter::screen(c.purpose, c.mode), c.screen) << c.purpose.reason.toStdString();

    ASSERT_EQ(SignInSheetPresenter::modes().size(), 2);
    EXPECT_EQ(SignInSheetPresenter::modes()[0], std::make_pair(Mode::tavrenID, QStringLiteral("Tavren ID")));
    EXPECT_EQ(SignInSheetPresenter::modes()[1], std::make_pair(Mode::store, QStringLiteral("Store account")));
    EXPECT_EQ(SignInSheetPresenter::keychainNote, "Sessions are kept in the system keyring on this computer. Passwords are never stored.");
}

TEST(SignInSheetPresenter, TheStoreFormIsPrefilledWithTheIdentitysOwnAddress)
{
    EXPECT_EQ(SignInSheetPresenter::prefill(QStringList{"id@example.test", "linked@example.test"}), "id@example.test");
    EXPECT_EQ(SignInSheetPresenter::prefill(QStringList{}), std::nullopt);
    EXPECT_EQ(SignInSheetPresenter::prefill(std::nullopt), std::nullopt);
}

} // namespace
} // namespace hub
