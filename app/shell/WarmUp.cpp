#include "app/shell/WarmUp.h"

#include "app/platform/UserLocale.h"
#include "app/views/kit/Formats.h"
#include "kit/api/CurlLibrary.h"
#include "kit/api/HTTPTransport.h"

#include <QFontDatabase>

namespace hub {

WarmUp::WarmUp()
    : thread_([locale = UserLocale::dates()] {
          QFontDatabase::families();
          Formats::datePattern(locale, icu::UnicodeString(u"yMMMd"));
          try {
              CurlLibrary::get();
          } catch (const TransportError&) {
              // The first request says so.
          }
      })
{
}

} // namespace hub
