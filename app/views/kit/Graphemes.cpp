#include "app/views/kit/Graphemes.h"

#include <unicode/ubrk.h>

namespace hub {

QString firstGrapheme(const QString& text)
{
    const QStringList characters = graphemes(text);
    return characters.isEmpty() ? QString() : characters.first();
}

QStringList graphemes(const QString& text)
{
    QStringList characters;
    if (text.isEmpty())
        return characters;
    UErrorCode status = U_ZERO_ERROR;
    UBreakIterator* iterator = ubrk_open(UBRK_CHARACTER, "", reinterpret_cast<const UChar*>(text.utf16()),
        int32_t(text.size()), &status);
    if (U_FAILURE(status)) {
        for (const QChar c : text)
            characters.append(QString(c));
        return characters;
    }
    int32_t start = ubrk_first(iterator);
    for (int32_t end = ubrk_next(iterator); end != UBRK_DONE; start = end, end = ubrk_next(iterator))
        characters.append(text.mid(start, end - start));
    ubrk_close(iterator);
    return characters;
}

} // namespace hub
