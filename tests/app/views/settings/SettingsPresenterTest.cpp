// The General tab's texts and choices, the background switch's requests, and the
// security statements' sections.

#include "app/views/settings/BackgroundSwitch.h"
#include "app/views/settings/SecurityStatements.h"
#include "app/views/settings/SettingsPresenter.h"

#include <QJsonObject>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace hub;
using Currency = SettingsPresenter::Currency;

namespace {

SettingsPresenter::Input input()
{
    SettingsPresenter::Input in;
    in.info = QJsonObject{{"shortVersion", "0.9.1"}, {"build", "42"}};
    in.currency = "EUR";
    in.home = "/home/ada";
    in.locale = "en_US";
    in.destinations = {"/home/ada/Library/Audio/Plug-Ins", "/home/ada/Applications"};
    return in;
}

TEST(SettingsPresenter, TheCurrenciesOffered)
{
    struct Case {
        const char* what;
        std::optional<QStringList> enabled;
        QString chosen;
        QList<Currency> expected;
        int selected;
    };
    const QList<Case> cases{
        {"before the storefront", std::nullopt, "USD", {{"EUR", "EUR – Euro"}, {"USD", "USD – US Dollar"}}, 1},
        {"the storefront's, in its order", QStringList{"GBP", "EUR"}, "EUR", {{"GBP", "GBP – British Pound"}, {"EUR", "EUR – Euro"}}, 1},
        {"the chosen one not offered", QStringList{"GBP"}, "EUR", {{"GBP", "GBP – British Pound"}}, -1},
        {"a code ICU does not know", QStringList{"QQQ"}, "QQQ", {{"QQQ", "QQQ"}}, 0},
        {"an empty list", QStringList{}, "EUR", {}, -1},
    };
    for (const Case& c : cases) {
        SettingsPresenter::Input in = input();
        in.enabledCurrencies = c.enabled;
        in.currency = c.chosen;
        const SettingsPresenter::Screen screen = SettingsPresenter::present(in);
        EXPECT_EQ(screen.currencies, c.expected) << c.what;
        EXPECT_EQ(screen.selected, c.selected) << c.what;
    }
    EXPECT_EQ(SettingsPresenter::currencyName("EUR", "C"), "Euro") << "English stands in for the C locale";
}

TEST(SettingsPresenter, VersionSwitchesAndInstallFolders)
{
    SettingsPresenter::Input in = input();
    SettingsPresenter::Screen screen = SettingsPresenter::present(in);
    EXPECT_EQ(screen.version, "0.9.1 beta (42)");
    EXPECT_EQ(screen.plugInsFolder, "~/Library/Audio/Plug-Ins");
    EXPECT_EQ(screen.appsFolder, "~/Applications");
    EXPECT_TRUE(screen.backgroundEnabled);
    EXPECT_TRUE(screen.installsEnabled);

    in.info = QJsonObject{{"build", "42"}};
    in.autoUpdate = false;
    in.checksAutomatically = false;
    in.destinations = {};
    screen = SettingsPresenter::present(in);
    EXPECT_EQ(screen.version, "? beta (42)");
    EXPECT_FALSE(screen.backgroundEnabled);
    EXPECT_FALSE(screen.installsEnabled);
    EXPECT_EQ(screen.plugInsFolder, "Not available");

    const QList<std::tuple<QString, QString, QString>> paths{
        {"/home/ada/Library/Audio/Plug-Ins", "/home/ada", "~/Library/Audio/Plug-Ins"},
        {"/home/ada", "/home/ada/", "~"},
        {"/home/adam/Apps", "/home/ada", "/home/adam/Apps"},
        {"/Applications", "/", "/Applications"},
    };
    for (const auto& [path, home, shown] : paths)
        EXPECT_EQ(SettingsPresenter::shortPath(path, home), shown) << path.toStdString();
}

TEST(BackgroundSwitch, ShowsWhatTheSystemReportsAfterOneRequest)
{
    struct Case {
        const char* what;
        bool initially;
        bool wanted;
        bool fails;
        bool registeredAfter;
    };
    const QList<Case> cases{
        {"turned on", false, true, false, true},
        {"registration refused", false, true, true, false},
        {"registration waits for approval", false, true, false, false},
        {"turned off", true, false, false, false},
        {"unregistering fails, still registered", true, false, true, true},
    };
    for (const Case& c : cases) {
        bool registered = c.initially;
        QList<bool> requests;
        BackgroundSwitch toggle({[&registered] { return registered; },
                                 [&](bool on) {
                                     requests.append(on);
                                     if (c.fails)
                                         throw std::runtime_error("refused");
                                     registered = c.registeredAfter;
                                 }});
        EXPECT_EQ(toggle.isOn(), c.initially) << c.what;
        EXPECT_EQ(toggle.request(c.wanted), c.registeredAfter) << c.what;
        EXPECT_EQ(toggle.isOn(), c.registeredAfter) << c.what;
        EXPECT_EQ(requests, QList<bool>{c.wanted}) << c.what << ": one request, never undone by a second";
    }
    BackgroundSwitch nobody({[]() -> bool { throw std::runtime_error("no service manager"); }, nullptr});
    EXPECT_FALSE(nobody.isOn());
    EXPECT_FALSE(nobody.request(true));
}

TEST(SecurityStatements, FourSectionsOfStatementsInForce)
{
    const QList<SecurityStatements::Section> sections = SecurityStatements::sections("store.example.test", "id.example.test");
    QStringList headers;
    qsizetype rows = 0;
    for (const SecurityStatements::Section& section : sections) {
        headers << section.header;
        for (const SecurityStatements::Statement& statement : section.statements) {
            EXPECT_TRUE(statement.ok) << statement.text.toStdString();
            ++rows;
        }
    }
    EXPECT_EQ(headers, QStringList({"Every install", "Network", "Updates to this app", "Account and payment"}));
    EXPECT_EQ(rows, 12);
    EXPECT_TRUE(sections[1].statements[0].text.startsWith("Store and account traffic goes only to store.example.test and "
                                                          "id.example.test, pinned"));
    EXPECT_EQ(SecurityStatements::symbol(true), "checkmark.shield.fill");
    EXPECT_EQ(SecurityStatements::symbol(false), "exclamationmark.shield.fill");
}

} // namespace
