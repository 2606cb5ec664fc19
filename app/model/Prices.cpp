#include "app/model/Prices.h"

#include "app/platform/UserLocale.h"

#include <QLocale>
#include <map>
#include <memory>
#include <unicode/numfmt.h>
#include <unicode/unistr.h>

namespace hub {

namespace {

QString plain(double amount)
{
    return QLocale::c().toString(amount, 'g', QLocale::FloatingPointShortest);
}

} // namespace

std::optional<double> Prices::amount(const PriceMap& table, const QString& currency)
{
    if (table.isEmpty())
        return std::nullopt;
    const auto entry = table.constFind(currency);
    return entry != table.cend() ? *entry : table.cbegin().value();
}

QString Prices::price(const PricingVariation& variation, const QString& currency)
{
    const std::optional<double> value = amount(variation.price, currency);
    if (!value)
        return {};
    if (*value == 0 && !variation.hasDiscount)
        return QStringLiteral("Free");
    return format(*value, variation, variation.price, currency);
}

QString Prices::format(double amount, const PricingVariation& variation, const PriceMap& table, const QString& currency)
{
    std::optional<QString> code;
    if (!table.isEmpty())
        code = table.contains(currency) ? currency : table.firstKey();
    QString text = money(amount, code);
    const Recurrence& recurrence = variation.recurrence;
    if (recurrence.isRecurring() && recurrence.cycleLength)
        text += QStringLiteral(" / ") + recurrence.cycleLength->toLower();
    return text;
}

QString Prices::total(const QList<CartLine>& lines, const QString& currency)
{
    double sum = 0;
    for (const CartLine& line : lines)
        sum += line.variation.price.value(currency, 0);
    return money(sum, currency);
}

namespace {

// A currency formatter of the adopted money locale for `code` (none: the locale's own
// currency); nothing when ICU has none. Made once per locale and code on each thread:
// making one reads the locale's data, and prices are drawn by the dozen.
const icu::NumberFormat* currencyFormatter(const std::optional<QString>& code)
{
    thread_local std::map<std::pair<std::string, QString>, std::unique_ptr<icu::NumberFormat>> made;
    const icu::Locale locale = UserLocale::money();
    auto [at, added] = made.try_emplace({std::string(locale.getName()), code.value_or(QString())});
    if (!added)
        return at->second.get();
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::NumberFormat> formatter(icu::NumberFormat::createCurrencyInstance(locale, status));
    if (U_SUCCESS(status) && code) {
        // ICU takes a three-letter code; anything else leaves no currency to format in.
        const std::u16string iso = code->toStdU16String();
        if (iso.size() == 3)
            formatter->setCurrency(iso.c_str(), status);
        else
            status = U_ILLEGAL_ARGUMENT_ERROR;
    }
    if (U_SUCCESS(status))
        at->second = std::move(formatter);
    return at->second.get();
}

} // namespace

QString Prices::money(double amount, const std::optional<QString>& code)
{
    const icu::NumberFormat* formatter = currencyFormatter(code);
    if (!formatter)
        return plain(amount);
    icu::UnicodeString text;
    formatter->format(amount, text);
    if (text.isEmpty())
        return plain(amount);
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

} // namespace hub
