#include "app/views/library/RelativeDate.h"

#include <array>
#include <cstdlib>

namespace hub::RelativeDate {

namespace {

struct Unit {
    qint64 seconds; // the unit's length
    qint64 below;   // used while the distance is below this many seconds
    const char* one;
    const char* many;
    const char* lastNamed; // the named phrase for one unit back, if any
    const char* nextNamed;
};

constexpr qint64 minute = 60;
constexpr qint64 hour = 60 * minute;
constexpr qint64 day = 24 * hour;
constexpr qint64 week = 7 * day;
constexpr qint64 month = 30 * day;
constexpr qint64 year = 365 * day;

constexpr std::array<Unit, 7> units{{
    {1, minute, "second", "seconds", nullptr, nullptr},
    {minute, hour, "minute", "minutes", nullptr, nullptr},
    {hour, day, "hour", "hours", nullptr, nullptr},
    {day, week, "day", "days", "yesterday", "tomorrow"},
    {week, month, "week", "weeks", "last week", "next week"},
    {month, year, "month", "months", "last month", "next month"},
    {year, 0, "year", "years", "last year", "next year"},
}};

} // namespace

QString named(const QDateTime& when, const QDateTime& now)
{
    const qint64 distance = when.secsTo(now); // positive: in the past
    const qint64 size = std::llabs(distance);
    if (size < 1)
        return QStringLiteral("now");
    const bool past = distance > 0;
    for (const Unit& unit : units) {
        if (unit.below != 0 && size >= unit.below)
            continue;
        const qint64 count = size / unit.seconds;
        if (count == 1 && unit.lastNamed)
            return QString::fromLatin1(past ? unit.lastNamed : unit.nextNamed);
        const QString amount = QStringLiteral("%1 %2").arg(count).arg(QString::fromLatin1(count == 1 ? unit.one : unit.many));
        return past ? amount + QStringLiteral(" ago") : QStringLiteral("in ") + amount;
    }
    return {};
}

} // namespace hub::RelativeDate
