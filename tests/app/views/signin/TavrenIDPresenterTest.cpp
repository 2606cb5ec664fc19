#include "app/views/signin/FormText.h"
#include "app/views/signin/TavrenIDPresenter.h"

#include <gtest/gtest.h>

namespace hub {
namespace {

TavrenIDPresenter::Input state(const QString& email, const QString& code = {}, bool codeSent = false, std::optional<QString> busy = {})
{
    return {email, code, codeSent, std::move(busy), std::nullopt};
}

TEST(TavrenIDPresenter, EmailMeACodeAndSignInNeedTheirFieldsAndNothingRunning)
{
    const struct {
        const char* email;
        const char* code;
        std::optional<QString> busy;
        bool request;
        bool signIn;
    } cases[] = {
        {"", "123456", {}, false, true},
        {"ada.example.test", "12345", {}, false, false},
        {"@", "1234567", {}, true, true},
        {"  ada@example.test  ", "12-34-56", {}, true, true},
        {"a@b", "123 45", {}, true, false},
        {"a@b", "١٢٣٤٥٦", {}, true, true},   // Arabic-Indic digits
        {"a@b", "१२३४५६", {}, true, true},   // Devanagari digits
        {"a@b", "1234½①", {}, true, true},   // a fraction and a circled number are numbers
        {"a@b", "12345a", {}, true, false},
        {"a@b", "1.2,3!4?5", {}, true, false},
        {"a@b", "123456", QStringLiteral("request"), false, false},
        {"a@b", "123456", QStringLiteral("apple"), false, false},
    };
    for (const auto& c : cases) {
        const TavrenIDPresenter::Input input = state(QString::fromUtf8(c.email), QString::fromUtf8(c.code), false, c.busy);
        const TavrenIDPresenter::Screen screen = TavrenIDPresenter::screen(input);
        EXPECT_EQ(screen.requestEnabled, c.request) << c.email << " " << c.code;
        EXPECT_EQ(screen.signInEnabled, c.signIn) << c.email << " " << c.code;
        EXPECT_EQ(TavrenIDPresenter::canRequest(input), c.request) << c.email;
        EXPECT_EQ(TavrenIDPresenter::canComplete(input), c.signIn) << c.code;
    }
    EXPECT_EQ(FormText::numberCount(QString::fromUtf8("1\u0301 2")), 2) << "a digit with a mark counts once";
}

TEST(TavrenIDPresenter, WhatRunsDecidesTheProviderButtonsAndTheWaitingRow)
{
    const struct {
        std::optional<QString> busy;
        QList<bool> enabled; // apple, google, github
        int spinner;         // the provider button with a spinner, -1 none
    } cases[] = {
        {std::nullopt, {true, true, true}, -1},
        {QStringLiteral("request"), {false, false, false}, -1},
        {QStringLiteral("code"), {false, false, false}, -1},
        {QStringLiteral("apple"), {true, false, false}, 0},
        {QStringLiteral("github"), {false, false, true}, 2},
    };
    for (const auto& c : cases) {
        const TavrenIDPresenter::Screen screen = TavrenIDPresenter::screen(state("a@b", "123456", false, c.busy));
        const std::string what = c.busy.value_or("idle").toStdString();
        ASSERT_EQ(screen.providers.size(), 3);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(screen.providers[i].enabled, c.enabled[i]) << what << i;
            EXPECT_EQ(screen.providers[i].spinner, i == c.spinner) << what << i;
        }
        EXPECT_EQ(screen.waiting, c.spinner >= 0) << what;
        EXPECT_EQ(screen.requestSpinner, c.busy == "request") << what;
    }
    const TavrenIDPresenter::Screen idle = TavrenIDPresenter::screen(state("a@b"));
    EXPECT_EQ(idle.providers[0].title, "Continue with Apple");
    EXPECT_EQ(idle.providers[1].title, "Continue with Google");
    EXPECT_EQ(idle.providers[2].title, "Continue with GitHub");

    const TavrenIDPresenter::Screen checking = TavrenIDPresenter::screen(state("a@b", "123456", true, QStringLiteral("code")));
    EXPECT_FALSE(checking.requestShown);
    EXPECT_FALSE(checking.emailEnabled);
    EXPECT_TRUE(checking.signInSpinner);
}

} // namespace
} // namespace hub
