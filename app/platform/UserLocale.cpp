#include "app/platform/UserLocale.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace hub::UserLocale {

namespace {

std::optional<icu::Locale>& adoptedDates()
{
    static std::optional<icu::Locale> locale;
    return locale;
}

// Kept apart from ICU's default, which libraries loaded later (the web engine) may reset.
std::optional<icu::Locale>& adoptedMoney()
{
    static std::optional<icu::Locale> locale;
    return locale;
}

QByteArray variable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? QByteArray(value) : QByteArray();
}

} // namespace

QByteArray fromEnvironment(const char* category)
{
    QByteArray value = variable("LC_ALL");
    if (value.isEmpty())
        value = variable(category);
    if (value.isEmpty())
        value = variable("LANG");
    // "de_DE.UTF-8@euro": the code set and the modifier say nothing about formats.
    const qsizetype end = value.indexOf('.') >= 0 ? value.indexOf('.') : value.indexOf('@');
    if (end >= 0)
        value.truncate(end);
    if (value == "C" || value == "POSIX")
        return QByteArrayLiteral("en_US_POSIX");
    return value;
}

void adopt()
{
    const QByteArray money = fromEnvironment("LC_MONETARY");
    if (!money.isEmpty()) {
        UErrorCode status = U_ZERO_ERROR;
        icu::Locale::setDefault(icu::Locale(money.constData()), status);
    }
    adoptedMoney() = icu::Locale::getDefault();
    const QByteArray time = fromEnvironment("LC_TIME");
    if (!time.isEmpty())
        adoptedDates() = icu::Locale(time.constData());
    const std::lconv* numbers = std::localeconv();
    if (std::strcmp(numbers->decimal_point, ".") != 0 || *numbers->thousands_sep != '\0')
        std::setlocale(LC_NUMERIC, "C");
}

icu::Locale money()
{
    return adoptedMoney().value_or(icu::Locale::getDefault());
}

icu::Locale dates()
{
    return adoptedDates().value_or(icu::Locale::getDefault());
}

} // namespace hub::UserLocale
