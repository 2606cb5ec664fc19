#include "app/views/product/ReviewSheetPresenter.h"

#include <algorithm>

namespace hub {

ReviewDraft ReviewSheetPresenter::draft(const Input& input)
{
    return {input.productId, input.rating, input.title, input.body, input.name};
}

ReviewSheetPresenter::Screen ReviewSheetPresenter::screen(const Input& input)
{
    Screen screen;
    screen.heading = input.editing ? QStringLiteral("Edit Your Review") : QStringLiteral("Write a Review");
    screen.submit = input.sending ? QString() : input.editing ? QStringLiteral("Save") : QStringLiteral("Post");
    screen.caption = caption(input.rating);
    screen.filledStars = int(std::clamp<qint64>(input.rating, 0, 5));
    screen.title = counter(input.title, ReviewDraft::titleLimit);
    screen.body = counter(input.body, ReviewDraft::bodyLimit);
    screen.name = counter(input.name, ReviewDraft::nameLimit);
    screen.problem = draft(input).problem();
    screen.canSubmit = !input.sending && !screen.problem;
    return screen;
}

QString ReviewSheetPresenter::caption(qint64 rating)
{
    switch (rating) {
    case 1: return QStringLiteral("Poor");
    case 2: return QStringLiteral("Fair");
    case 3: return QStringLiteral("Good");
    case 4: return QStringLiteral("Very good");
    case 5: return QStringLiteral("Excellent");
    default: return QStringLiteral("Choose a rating");
    }
}

ReviewSheetPresenter::Counter ReviewSheetPresenter::counter(const QString& text, qsizetype limit)
{
    const qsizetype count = ReviewDraft::characterCount(text);
    return {QStringLiteral("%1/%2").arg(count).arg(limit), count > limit};
}

QString ReviewSheetPresenter::starLabel(int stars)
{
    return QStringLiteral("%1 star%2").arg(stars).arg(stars == 1 ? QString() : QStringLiteral("s"));
}

} // namespace hub
