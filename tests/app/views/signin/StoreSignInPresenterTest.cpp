#include "app/views/signin/StoreSignInPresenter.h"

#include <gtest/gtest.h>

namespace hub {
namespace {

using Input = StoreSignInPresenter::Input;

Input form(const QString& email, const QString& password, std::optional<QString> name = std::nullopt, bool busy = false)
{
    Input input;
    input.email = email;
    input.password = password;
    input.creating = name.has_value();
    input.name = name.value_or(QString());
    input.busy = busy;
    return input;
}

TEST(StoreSignInPresenter, ThePrimaryButtonAndForgotPasswordReadTheFieldsAsTyped)
{
    const QString eightEmoji = QString::fromUtf8("😀😀😀😀😀😀👍🏽🇩🇪"); // 8 characters, 20 UTF-16 units
    const struct {
        const char* what;
        Input input;
        bool submit;
    } cases[] = {
        {"both filled, no at sign", form("ada", "pw"), true},
        {"an address of spaces", form("   ", "pw"), true},
        {"only an at sign", form("@", ""), false},
        {"no email", form("", "pw"), false},
        {"busy", form("ada@example.test", "pw", std::nullopt, true), false},
        {"new: seven characters", form("a@b", "1234567", "Ada"), false},
        {"new: eight characters", form("a@b", "12345678", "Ada"), true},
        {"new: eight emoji", form("a@b", eightEmoji, "Ada"), true},
        {"new: seven emoji", form("a@b", eightEmoji.left(eightEmoji.size() - 4), "Ada"), false},
        {"new: no name", form("a@b", "12345678", ""), false},
        {"new: a name of spaces", form("a@b", "12345678", "  "), true},
    };
    for (const auto& c : cases) {
        const StoreSignInPresenter::Screen screen = StoreSignInPresenter::screen(c.input);
        EXPECT_EQ(screen.primaryEnabled, c.submit) << c.what;
        EXPECT_EQ(StoreSignInPresenter::canSubmit(c.input), c.submit) << c.what;
        if (!c.input.creating) {
            EXPECT_EQ(screen.forgotEnabled, c.input.email.contains(u'@') && !c.input.busy) << c.what;
        }
    }
}

TEST(StoreSignInPresenter, EachModeHasItsTextsAndRows)
{
    Input failed = form("ada@example.test", "");
    failed.error = QStringLiteral("That email and password did not match a Tavren store account.");
    failed.resetSent = true;
    StoreSignInPresenter::Screen expected;
    expected.passwordPlaceholder = "Password";
    expected.error = failed.error;
    expected.resetNote = true;
    expected.forgotShown = expected.forgotEnabled = true;
    expected.switchTitle = "Create an account";
    expected.primaryTitle = "Sign In";
    EXPECT_EQ(StoreSignInPresenter::screen(failed), expected);

    expected = {};
    expected.nameField = expected.consent = expected.primarySpinner = true;
    expected.passwordPlaceholder = "Choose a password";
    expected.switchTitle = "I have an account";
    expected.primaryTitle = "Create Account";
    EXPECT_EQ(StoreSignInPresenter::screen(form("ada@example.test", "12345678", "Ada", true)), expected);
}

TEST(StoreSignInPresenter, SubmissionsTrimSpacesAndPrefillsFillOnlyAnEmptyField)
{
    Input input = form(" \tada@example.test\u00A0", " pass word ", " Ada Lovelace\t");
    input.newsletter = true;
    EXPECT_EQ(StoreSignInPresenter::submission(input),
        (StoreSignInPresenter::Submission{true, "Ada Lovelace", "ada@example.test", " pass word ", true}));
    input.creating = false;
    input.email = QStringLiteral(" ada@example.test\n");
    EXPECT_EQ(StoreSignInPresenter::submission(input), (StoreSignInPresenter::Submission{false, {}, "ada@example.test\n", " pass word ", false}));

    EXPECT_EQ(StoreSignInPresenter::shownEmail("", QStringLiteral(" id@example.test")), " id@example.test");
    EXPECT_EQ(StoreSignInPresenter::shownEmail("typed", QStringLiteral("id@example.test")), "typed");
    EXPECT_EQ(StoreSignInPresenter::shownEmail("", std::nullopt), "");
}

} // namespace
} // namespace hub
