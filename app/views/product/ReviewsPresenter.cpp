#include "app/views/product/ReviewsPresenter.h"

#include "app/views/kit/Formats.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace hub {

namespace {

QString oneDecimal(double value)
{
    return QLocale::c().toString(value, 'f', 1);
}

} // namespace

ReviewsPresenter::Screen ReviewsPresenter::screen(const Input& input)
{
    Screen screen;
    screen.write = writeControl(input);
    if (input.mine && input.mine->review)
        screen.pending = input.mine->review->hidden.value_or(false);
    if (input.page) {
        if (input.page->summary.count == 0) {
            screen.content = Content::empty;
            screen.message = QStringLiteral("No reviews yet. If you own or have tried %1, yours can be the first.").arg(input.productName);
            return screen;
        }
        screen.content = Content::reviews;
        screen.summary = summary(input.page->summary);
        screen.reviews = input.page->reviews;
        screen.showsMore = input.page->nextCursor.has_value();
        screen.moreEnabled = screen.showsMore && !input.loadingMore;
        return screen;
    }
    if (input.unavailable) {
        screen.content = Content::unavailable;
        screen.message = QStringLiteral("Reviews could not be loaded right now.");
    }
    return screen;
}

ReviewsPresenter::Summary ReviewsPresenter::summary(const ReviewSummary& summary)
{
    Summary shown;
    shown.average = oneDecimal(summary.average.value_or(0));
    for (int level = 5; level >= 1; --level) {
        const qint64 ratings = summary.distribution ? summary.distribution->value(QString::number(level)) : 0;
        shown.bars.append({level, barFraction(summary.share(level)),
            QStringLiteral("%1 of %2").arg(std::clamp<qint64>(ratings, 0, std::max<qint64>(summary.count, 0))).arg(summary.count)});
    }
    shown.count = countText(summary.count);
    return shown;
}

ReviewsPresenter::WriteControl ReviewsPresenter::writeControl(const Input& input)
{
    if (!input.signedIn) {
        return {Write::signIn,
            input.storeConnected ? QStringLiteral("Sign in with Tavren ID to Review") : QStringLiteral("Sign In to Review"),
            QStringLiteral("Reviews are written with a Tavren ID")};
    }
    if (!input.mine)
        return {};
    if (!input.mine->eligible)
        return {Write::notEligible, QStringLiteral("Open to people who own or have tried it"), {}};
    return {Write::write, input.mine->review ? QStringLiteral("Edit Your Review") : QStringLiteral("Write a Review"), {}};
}

QStringList ReviewsPresenter::stars(double rating)
{
    QStringList glyphs;
    for (int i = 1; i <= 5; ++i) {
        if (rating >= i)
            glyphs.append(QStringLiteral("star.fill"));
        else if (rating >= i - 0.5)
            glyphs.append(QStringLiteral("star.leadinghalf.filled"));
        else
            glyphs.append(QStringLiteral("star"));
    }
    return glyphs;
}

QString ReviewsPresenter::starsLabel(double rating)
{
    return oneDecimal(rating) + QStringLiteral(" out of 5 stars");
}

QString ReviewsPresenter::countText(qint64 count)
{
    return count == 1 ? QStringLiteral("1 rating") : QStringLiteral("%1 ratings").arg(count);
}

double ReviewsPresenter::barFraction(double share)
{
    if (std::isnan(share))
        return 0;
    return std::clamp(share, 0.0, 1.0);
}

ReviewsPresenter::Card ReviewsPresenter::card(const Review& review)
{
    Card card;
    if (const std::optional<QDateTime> date = review.date())
        card.date = Formats::mediumDate(date->toLocalTime().date());
    card.verified = review.verifiedPurchase;
    card.edited = review.edited.value_or(false);
    return card;
}

} // namespace hub
