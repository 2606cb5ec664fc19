#include "app/views/product/ReviewCard.h"

#include "app/views/kit/Accessibility.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/Symbols.h"
#include "app/views/kit/Theme.h"
#include "app/views/product/ReviewsPresenter.h"
#include "app/views/product/Stars.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace hub {

ReviewCard::ReviewCard(const Review& review, QWidget* parent) : QWidget(parent), review_(review)
{
    const ReviewsPresenter::Card card = ReviewsPresenter::card(review);
    setAttribute(Qt::WA_StyledBackground);
    Theme::setRole(this, "card");
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(6);

    auto* top = new QHBoxLayout;
    top->setSpacing(8);
    QLabel* title = Labels::plain(review.title, TextStyle::headline, this);
    title->setWordWrap(true);
    top->addWidget(title, 1, Qt::AlignTop);
    if (card.date)
        top->addWidget(Labels::secondary(Labels::plain(*card.date, TextStyle::caption, this)), 0, Qt::AlignTop);
    column->addLayout(top);

    auto* byline = new QHBoxLayout;
    byline->setSpacing(8);
    byline->addWidget(new Stars(double(review.rating), 11, this));
    byline->addWidget(Labels::secondary(Labels::plain(review.displayName, TextStyle::caption, this)));
    if (card.verified) {
        auto* mark = new QLabel(this);
        mark->setPixmap(Symbols::pixmap(QStringLiteral("checkmark.seal.fill"), 10, Theme::green()));
        Accessibility::hide(mark); // the words beside it say it
        byline->addWidget(mark);
        QLabel* verified = Labels::plain(QStringLiteral("Verified purchase"), TextStyle::caption, this, QFont::DemiBold);
        Labels::setColor(verified, Theme::green());
        byline->addWidget(verified);
    }
    byline->addStretch();
    column->addLayout(byline);

    QLabel* body = Labels::plain(review.body, TextStyle::callout, this);
    body->setWordWrap(true);
    body->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(body);
    if (card.edited) {
        QLabel* edited = Labels::plain(QStringLiteral("Edited"), TextStyle::caption, this);
        Labels::setColor(edited, Theme::primary(0.35));
        column->addWidget(edited);
    }
    column->addStretch();
}

} // namespace hub
