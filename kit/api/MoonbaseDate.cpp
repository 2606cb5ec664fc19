#include "kit/api/MoonbaseDate.h"

#include <QRegularExpression>

namespace hub::MoonbaseDate {

namespace {

// full-date "T" time [fraction] zone, zone "Z" or "+hh:mm" / "-hh:mm"
std::optional<QDateTime> parseInternetDateTime(const QString& text)
{
    static const QRegularExpression form(QStringLiteral(
        "^([0-9]{4})-([0-9]{2})-([0-9]{2})T([0-9]{2}):([0-9]{2}):([0-9]{2})(?:\\.([0-9]{1,3}))?(?:(Z)|([+-])([0-9]{2}):([0-9]{2}))$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const auto number = [&](int group) { return match.capturedView(group).toInt(); };
    const QDate date(number(1), number(2), number(3));
    const int hour = number(4), minute = number(5), second = number(6);
    if (!date.isValid() || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    int milliseconds = 0;
    if (match.hasCaptured(7)) {
        const QString fraction = match.captured(7).leftJustified(3, u'0');
        milliseconds = fraction.toInt();
    }
    QDateTime result(date, QTime(hour, minute, second, milliseconds), Qt::UTC);
    if (!match.hasCaptured(8)) {
        const int offsetHours = number(10), offsetMinutes = number(11);
        if (offsetHours > 23 || offsetMinutes > 59)
            return std::nullopt;
        const int offset = (offsetHours * 60 + offsetMinutes) * 60;
        result = result.addSecs(match.capturedView(9) == u"+" ? -offset : offset);
    }
    return result;
}

} // namespace

std::optional<QDateTime> parse(QStringView text)
{
    static const QRegularExpression longFraction(QStringLiteral("(\\.[0-9]{3})[0-9]+"));
    QString cut = text.toString();
    cut.replace(longFraction, QStringLiteral("\\1"));
    if (auto date = parseInternetDateTime(cut))
        return date;
    return parseInternetDateTime(cut + u'Z');
}

QDateTime read(const JsonReader& json, QStringView key)
{
    const QString text = json.string(key);
    const auto date = parse(text);
    if (!date)
        json.fail(key, QStringLiteral("Unrecognised date ") + text);
    return *date;
}

std::optional<QDateTime> readOptional(const JsonReader& json, QStringView key)
{
    if (!json.has(key))
        return std::nullopt;
    return read(json, key);
}

} // namespace hub::MoonbaseDate
