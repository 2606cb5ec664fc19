#include "app/views/signin/FormText.h"
#include "app/views/signin/TavrenIDPresenter.h"
#include "tests/app/fakes/QtPrinters.h"

#include <gtest/gtest.h>

namespace hub {
namespace {

using Input = TavrenIDPresenter::Input;

Input state(const QString& email, const QString& code = {}, bool codeSent = false, std::optional<QString> busy = std::nullopt)
{
    return {email, code, codeSent, std::move(busy), std::nullopt};
}

TEST(TavrenIDPresenter, EmailMeACodeNeedsAnAtSignAndNothingRunning)
{
    const struct {
        Input input;
        bool enabled;
    } cases[] = {
        {state(""), false},
        {state("ada.example.test"), false},
        {state("@"), true},
        {state("  ada@example.test  "), true},
        {state("ada@example.test", {}, false, QStringLiteral("request")), false},
        {state("ada@example.test", {}, false, QStringLiteral("apple")), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TavrenIDPresenter::canRequest(c.input), c.enabled) << c.input.email.toStdString();
        EXPECT_EQ(TavrenIDPresenter::screen(c.input).requestEnabled, c.enabled) << c.input.email.toStdString();
    }
}

TEST(TavrenIDPresenter, SignInNeedsSixCharactersThatAreNumbers)
{
    const struct {
        const char* code;
        bool enabled;
    } cases[] = {
        {"12345", false},
        {"123456", true},
        {"1234567", true},
        {"123 456", true},
        {"12-34-56", true},
        {"١٢٣٤٥٦", true},           // Arabic-Indic digits
        {"१२३४५६", true},           // Devanagari digits
        {"12345½", true},            // a fraction is a number
        {"12345①", true},            // so is a circled number
        {"abcdef", false},
        {"12345a", false},
        {"1.2,3!4?5", false},
    };
    for (const auto& c : cases) {
        const Input input = state("ada@example.test", QString::fromUtf8(c.code), true);
        EXPECT_EQ(TavrenIDPresenter::canComplete(input), c.enabled) << c.code;
        EXPECT_EQ(TavrenIDPresenter::screen(input).signInEnabled, c.enabled) << c.code;
    }
    EXPECT_FALSE(TavrenIDPresenter::canComplete(state("a@b", "123456", true, QStringLiteral("code"))));
    EXPECT_EQ(FormText::numberCount(QString::fromUtf8("1\u0301 2")), 2) << "a digit with a mark counts once";
}

TEST(TavrenIDPresenter, WhatRunsDecidesTheButtonsAndTheWaitingRow)
{
    const struct {
        std::optional<QString> busy;
        QList<bool> enabled; // apple, google, github
        int spinner;         // the provider button with a spinner, -1 none
        bool waiting;
    } cases[] = {
        {std::nullopt, {true, true, true}, -1, false},
        {QStringLiteral("request"), {false, false, false}, -1, false},
        {QStringLiteral("code"), {false, false, false}, -1, false},
        {QStringLiteral("apple"), {true, false, false}, 0, true},
        {QStringLiteral("github"), {false, false, true}, 2, true},
    };
    for (const auto& c : cases) {
        const TavrenIDPresenter::Screen screen = TavrenIDPresenter::screen(state("a@b", "123456", false, c.busy));
        ASSERT_EQ(screen.providers.size(), 3);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(screen.providers[i].enabled, c.enabled[i]) << c.busy.value_or("idle").toStdString() << i;
            EXPECT_EQ(screen.providers[i].spinner, i == c.spinner) << c.busy.value_or("idle").toStdString() << i;
        }
        EXPECT_EQ(screen.waiting, c.waiting);
        EXPECT_EQ(screen.requestSpinner, c.busy == "request");
        EXPECT_EQ(screen.requestEnabled, !c.busy);
    }
    const TavrenIDPresenter::Screen idle = TavrenIDPresenter::screen(state("a@b"));
    EXPECT_EQ(idle.providers[0].title, "Continue with Apple");
    EXPECT_EQ(idle.providers[1].title, "Continue with Google");
    EXPECT_EQ(idle.providers[2].title, "Continue with GitHub");

    const TavrenIDPresenter::Screen checking = TavrenIDPresenter::screen(state("a@b", "123456", true, QStringLiteral("code")));
    EXPECT_FALSE(checking.requestShown);
    EXPECT_FALSE(checking.emailEnabled);
    EXPECT_TRUE(checking.signInSpinner);
    EXPECT_FALSE(checking.signInEnabled);
}

TEST(TavrenIDPresenter, AddressesLoseSpacesAndTabsOnlyAtTheirEnds)
{
    const struct {
        const char* typed;
        const char* sent;
    } cases[] = {
        {"  ada@example.test\t", "ada@example.test"},
        {"\u00A0\u2003ada@example.test\u3000", "ada@example.test"},
        {"ada @example.test", "ada @example.test"},
        {"ada@example.test\n", "ada@example.test\n"},
        {" \t ", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormText::trimmed(QString::fromUtf8(c.typed)), QString::fromUtf8(c.sent)) << c.typed;
}

} // namespace
} // namespace hub
