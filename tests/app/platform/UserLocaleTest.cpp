// Prices and dates follow the user's locale variables, whether or not the system has
// that locale installed, and the set-up leaves the rest of the process as it was.

#include "app/model/Prices.h"
#include "app/platform/UserLocale.h"
#include "app/views/kit/Formats.h"

#include <QProcess>
#include <clocale>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <string>

using namespace hub;

namespace {

const char* const variables[] = {"LANG", "LC_ALL", "LC_MONETARY", "LC_TIME"};

// Sets exactly the given locale variables for one test, and puts everything back after.
class LocaleEnvironment {
public:
    explicit LocaleEnvironment(const std::map<std::string, std::string>& values)
    {
        for (const char* name : variables) {
            if (const char* value = std::getenv(name))
                saved_[name] = value;
            unsetenv(name);
        }
        for (const auto& [name, value] : values)
            setenv(name.c_str(), value.c_str(), 1);
    }
    ~LocaleEnvironment()
    {
        for (const char* name : variables)
            unsetenv(name);
        for (const auto& [name, value] : saved_)
            setenv(name.c_str(), value.c_str(), 1);
        UErrorCode status = U_ZERO_ERROR;
        icu::Locale::setDefault(icu::Locale("en_US"), status);
    }

private:
    std::map<std::string, std::string> saved_;
};

} // namespace

TEST(UserLocale, PricesAndDatesFollowTheEnvironmentAndNothingElseChanges)
{
    struct Case {
        std::map<std::string, std::string> environment;
        QString price;
        QString date;
    };
    const Case cases[] = {
        {{{"LANG", "de_DE.UTF-8"}}, QStringLiteral("69,00\u00a0€"), QStringLiteral("8. Dez. 2026")},
        {{{"LANG", "fr_FR.UTF-8"}}, QStringLiteral("69,00\u00a0€"), QStringLiteral("8 déc. 2026")},
        {{{"LANG", "en_US.UTF-8"}, {"LC_TIME", "de_DE.UTF-8"}}, QStringLiteral("€69.00"), QStringLiteral("8. Dez. 2026")},
        {{{"LANG", "fr_FR.UTF-8"}, {"LC_MONETARY", "de_DE.UTF-8"}, {"LC_ALL", "en_US.UTF-8"}}, QStringLiteral("€69.00"),
            QStringLiteral("Dec 8, 2026")},
    };
    for (const Case& c : cases) {
        const LocaleEnvironment environment(c.environment);
        const QStringList processEnvironment = QProcess::systemEnvironment();
        const std::string cLocale = std::setlocale(LC_ALL, nullptr);

        UserLocale::adopt();

        const std::string name = c.environment.begin()->second;
        EXPECT_EQ(Prices::money(69, QStringLiteral("EUR")), c.price) << name;
        EXPECT_EQ(Formats::mediumDate(QDate(2026, 12, 8)), c.date) << name;
        EXPECT_EQ(QProcess::systemEnvironment(), processEnvironment) << name;
        EXPECT_EQ(std::setlocale(LC_ALL, nullptr), cLocale) << name;

        // A library that resets ICU's default later changes no price on screen.
        UErrorCode status = U_ZERO_ERROR;
        icu::Locale::setDefault(icu::Locale("en_US_POSIX"), status);
        EXPECT_EQ(Prices::money(69, QStringLiteral("EUR")), c.price) << name;
    }
}

TEST(UserLocale, ReadsTheVariablesInTheCLibrarysOrder)
{
    struct Case {
        std::map<std::string, std::string> environment;
        QByteArray monetary;
    };
    const Case cases[] = {
        {{}, {}},
        {{{"LANG", "de_DE.UTF-8@euro"}}, "de_DE"},
        {{{"LANG", "C.UTF-8"}}, "en_US_POSIX"},
        {{{"LANG", "de_DE.UTF-8"}, {"LC_MONETARY", "fr_CH.UTF-8"}}, "fr_CH"},
        {{{"LC_MONETARY", "fr_CH.UTF-8"}, {"LC_ALL", "POSIX"}}, "en_US_POSIX"},
        {{{"LANG", "de_AT"}, {"LC_ALL", ""}}, "de_AT"}, // an empty variable counts as unset
    };
    for (const Case& c : cases) {
        const LocaleEnvironment environment(c.environment);
        EXPECT_EQ(UserLocale::fromEnvironment("LC_MONETARY"), c.monetary) << c.monetary.constData();
    }
}
