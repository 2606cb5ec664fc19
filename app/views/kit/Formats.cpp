#include "app/views/kit/Formats.h"

#include "app/platform/UserLocale.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <QMutex>
#include <QTimeZone>
#include <memory>
#include <unicode/dtptngen.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

namespace hub::Formats {

QString byteCount(qint64 bytes)
{
    const QLocale c = QLocale::c();
    if (bytes < 1000)
        return bytes == 1 ? QStringLiteral("1 byte") : c.toString(bytes) + QStringLiteral(" bytes");
    struct Unit {
        const char* name;
        double size;
        int decimals;
    };
    static constexpr Unit units[] = {{"KB", 1e3, 0}, {"MB", 1e6, 1}, {"GB", 1e9, 2}, {"TB", 1e12, 2}};
    const Unit* unit = &units[0];
    for (const Unit& candidate : units) {
        if (double(bytes) >= candidate.size)
            unit = &candidate;
    }
    QString number = c.toString(double(bytes) / unit->size, 'f', unit->decimals);
    // "12.0 MB" reads as "12 MB".
    if (unit->decimals > 0) {
        while (number.endsWith(u'0'))
            number.chop(1);
        if (number.endsWith(u'.'))
            number.chop(1);
    }
    return number + u' ' + QLatin1String(unit->name);
}

QString mediumDate(const QDate& date)
{
    if (!date.isValid())
        return {};
    // Day, abbreviated month name and year in the locale's own order.
    const icu::Locale locale = UserLocale::dates();
    const icu::UnicodeString pattern = datePattern(locale, icu::UnicodeString(u"yMMMd"));
    UErrorCode status = U_ZERO_ERROR;
    icu::SimpleDateFormat format(pattern, locale, status);
    if (pattern.isEmpty() || U_FAILURE(status))
        return QLocale::c().toString(date, QStringLiteral("MMM d, yyyy"));
    const UDate when = double(QDateTime(date, QTime(12, 0), QTimeZone(Qt::UTC)).toMSecsSinceEpoch());
    format.setTimeZone(*icu::TimeZone::getGMT());
    icu::UnicodeString text;
    format.format(when, text);
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

icu::UnicodeString datePattern(const icu::Locale& locale, const icu::UnicodeString& skeleton)
{
    static QMutex mutex;
    static QHash<QByteArray, std::shared_ptr<icu::DateTimePatternGenerator>> generators;
    const QMutexLocker lock(&mutex);
    std::shared_ptr<icu::DateTimePatternGenerator>& generator = generators[QByteArray(locale.getName())];
    UErrorCode status = U_ZERO_ERROR;
    if (!generator) {
        generator.reset(icu::DateTimePatternGenerator::createInstance(locale, status));
        if (U_FAILURE(status))
            generator.reset();
    }
    if (!generator)
        return {};
    const icu::UnicodeString pattern = generator->getBestPattern(skeleton, status);
    return U_SUCCESS(status) ? pattern : icu::UnicodeString();
}

} // namespace hub::Formats
