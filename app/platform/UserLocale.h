#pragma once

#include <QByteArray>
#include <unicode/locid.h>

namespace hub {

// The user's locale for what the hub formats itself (prices, currency names, dates),
// taken from the environment as the C library reads it, whether or not the system has
// that locale installed. Nothing else of the process changes: the environment stays
// as it is, so programs the hub starts get the user's locale too.
namespace UserLocale {

// The value of LC_ALL, else of `category` ("LC_MONETARY", "LC_TIME"), else of LANG,
// as an ICU locale id ("de_DE" from "de_DE.UTF-8@euro"); empty when none is set.
// "C" and "POSIX" name ICU's "en_US_POSIX".
QByteArray fromEnvironment(const char* category);

// Run once the application object exists (it applies the environment to the C library):
// ICU's default locale follows LC_MONETARY, dates follow LC_TIME, and the C library's
// number conversions stay in the portable form ("1.5") that stored files and property
// lists are read and written in.
void adopt();

// The locale prices are written in: LC_MONETARY's once adopted, else ICU's default.
icu::Locale money();

// The locale dates are written in: LC_TIME's once adopted, else ICU's default.
icu::Locale dates();

} // namespace UserLocale

} // namespace hub
