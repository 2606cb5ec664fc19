#include "app/views/kit/Graphemes.h"

#include <unicode/ubrk.h>

namespace hub {

QString firstGrapheme(const QString& text)
{
    if (text.isEmpty())
        return {};
    UErrorCode status = U_ZERO_ERROR;
    UBreakIterator* iterator = ubrk_open(UBRK_CHARACTER, "", reinterpret_cast<const UChar*>(text.utf16()),
        int32_t(text.size()), &status);
    if (U_FAILURE(status))
        return text.left(1);
    ubrk_first(iterator);
    const int32_t end = ubrk_next(iterator);
    ubrk_close(iterator);
    return end == UBRK_DONE ? text : text.left(end);
}

} // namespace hub
