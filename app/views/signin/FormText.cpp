#include "app/views/signin/FormText.h"

#include "app/views/kit/Graphemes.h"

#include <unicode/uchar.h>

namespace hub::FormText {

namespace {

bool isSpace(char32_t c)
{
    return c == U'\t' || u_charType(UChar32(c)) == U_SPACE_SEPARATOR;
}

} // namespace

QString trimmed(const QString& text)
{
    const QList<uint> points = text.toUcs4();
    qsizetype first = 0;
    qsizetype last = points.size();
    while (first < last && isSpace(points[first]))
        ++first;
    while (last > first && isSpace(points[last - 1]))
        --last;
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(points.constData() + first), last - first);
}

int numberCount(const QString& text)
{
    int count = 0;
    for (const QString& character : graphemes(text)) {
        const char32_t first = character.toUcs4().value(0);
        if (u_getIntPropertyValue(UChar32(first), UCHAR_NUMERIC_TYPE) != U_NT_NONE)
            ++count;
    }
    return count;
}

int characterCount(const QString& text)
{
    return int(graphemes(text).size());
}

} // namespace hub::FormText
