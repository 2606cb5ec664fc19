#include "kit/api/ReviewDraft.h"

#include <memory>
#include <unicode/ubrk.h>

namespace hub {

namespace {

bool isTrimmed(char16_t c)
{
    if ((c >= 0x09 && c <= 0x0D) || c == 0x85)
        return true;
    switch (QChar::category(char32_t(c))) {
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

// Counts characters up to one past `stopAfter`. ICU's rules, because Qt's finder
// splits a flag that follows an emoji sequence.
qsizetype countCharacters(QStringView text, qsizetype stopAfter)
{
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UBreakIterator, decltype(&ubrk_close)> breaks(
        ubrk_open(UBRK_CHARACTER, "", reinterpret_cast<const UChar*>(text.utf16()), static_cast<int32_t>(text.size()),
            &status),
        &ubrk_close);
    qsizetype count = 0;
    if (U_FAILURE(status)) { // no break rules: count code points
        for (auto it = text.cbegin(); it != text.cend() && count <= stopAfter; ++it) {
            if (!it->isLowSurrogate())
                ++count;
        }
        return count;
    }
    while (count <= stopAfter && ubrk_next(breaks.get()) != UBRK_DONE)
        ++count;
    return count;
}

bool exceeds(QStringView text, qsizetype limit)
{
    // A character is at least one UTF-16 unit.
    return text.size() > limit && countCharacters(text, limit) > limit;
}

QString tooLong(const char* what, qsizetype limit)
{
    return QStringLiteral("Keep the %1 under %2 characters.").arg(QLatin1String(what)).arg(limit);
}

} // namespace

qsizetype ReviewDraft::characterCount(QStringView text)
{
    return countCharacters(text, text.size());
}

QString ReviewDraft::trimmed(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    // Every character of the set lies in the Basic Multilingual Plane, so a surrogate never matches.
    while (begin < end && isTrimmed(text[begin].unicode()))
        ++begin;
    while (end > begin && isTrimmed(text[end - 1].unicode()))
        --end;
    return text.sliced(begin, end - begin).toString();
}

ReviewDraft ReviewDraft::normalized() const
{
    ReviewDraft out = *this;
    out.title = trimmed(title);
    out.body = trimmed(body);
    if (displayName) {
        out.displayName = trimmed(*displayName);
        if (out.displayName->isEmpty())
            out.displayName.reset();
    }
    return out;
}

std::optional<QString> ReviewDraft::problem() const
{
    const ReviewDraft draft = normalized();
    if (draft.rating < 1 || draft.rating > 5)
        return QStringLiteral("Choose a rating from one to five stars.");
    if (draft.title.isEmpty())
        return QStringLiteral("Add a title.");
    if (exceeds(draft.title, titleLimit))
        return tooLong("title", titleLimit);
    if (draft.body.isEmpty())
        return QStringLiteral("Write a few words about it.");
    if (exceeds(draft.body, bodyLimit))
        return tooLong("review", bodyLimit);
    if (draft.displayName && exceeds(*draft.displayName, nameLimit))
        return tooLong("name", nameLimit);
    return std::nullopt;
}

ReviewDraft ReviewDraft::fromJson(const JsonReader& json)
{
    return ReviewDraft{
        json.string(u"productId"),
        json.integer(u"rating"),
        json.string(u"title"),
        json.string(u"body"),
        json.optionalString(u"displayName"),
    };
}

QJsonObject ReviewDraft::toJson() const
{
    QJsonObject object{
        {QStringLiteral("productId"), productId},
        {QStringLiteral("rating"), rating},
        {QStringLiteral("title"), title},
        {QStringLiteral("body"), body},
    };
    json::putOptional(object, QStringLiteral("displayName"), displayName);
    return object;
}

} // namespace hub
