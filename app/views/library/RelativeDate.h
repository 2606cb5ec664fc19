#pragma once

#include <QDateTime>
#include <QString>

namespace hub {

// A date relative to now in named English phrases for near dates and whole unit
// words otherwise: "now", "5 minutes ago", "yesterday", "last week", "in 3 days".
namespace RelativeDate {

QString named(const QDateTime& when, const QDateTime& now);

} // namespace RelativeDate

} // namespace hub
