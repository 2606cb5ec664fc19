#include "app/shell/WarmUp.h"

#include "app/platform/UserLocale.h"
#include "app/views/kit/Formats.h"
#include "kit/api/PinnedExchange.h"

#include <QFontDatabase>

namespace hub {

WarmUp::WarmUp()
    : thread_([locale = UserLocale::dates()] {
          QFontDatabase::families();
          Formats::datePattern(locale, icu::UnicodeString(u"yMMMd"));
      })
{
}

void WarmUp::prepareNetwork()
{
    if (network_.joinable())
        return;
    network_ = std::jthread([] {
        try {
            PinnedExchange::prepare();
        } catch (...) {
            // The first request meets the same failure and reports it.
        }
    });
}

} // namespace hub
