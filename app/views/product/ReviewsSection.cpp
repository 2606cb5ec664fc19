#include "app/views/product/ReviewsSection.h"

#include "app/model/AppModel.h"
#include "app/views/kit/Accessibility.h"
#include "app/views/kit/FlowGrid.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/Rebuilder.h"
#include "app/views/kit/Spinner.h"
#include "app/views/kit/Symbols.h"
#include "app/views/kit/Theme.h"
#include "app/views/product/ReviewCard.h"
#include "app/views/product/ReviewSheet.h"
#include "app/views/product/Stars.h"
#include "app/views/product/SymbolLabel.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace hub {

namespace {

// A rating bar: a faint track and the share's fill, both capsules.
class Bar : public QWidget {
public:
    Bar(const ReviewsPresenter::Bar& bar, QWidget* parent) : QWidget(parent), fraction_(bar.fraction)
    {
        setFixedSize(int(ReviewsPresenter::barWidth), 5);
        Accessibility::setRole(this, QAccessible::StaticText);
        setAccessibleName(bar.label);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::primary(0.1));
        painter.drawRoundedRect(rect(), 2.5, 2.5);
        if (fraction_ <= 0)
            return;
        painter.setBrush(Theme::primary(0.55));
        painter.drawRoundedRect(QRectF(0, 0, width() * fraction_, height()), 2.5, 2.5);
    }

private:
    double fraction_;
};

} // namespace

ReviewsSection::ReviewsSection(AppModel& model, const StorefrontProduct& product, QWidget* parent)
    : QWidget(parent), model_(model), product_(product), rebuilder_(new Rebuilder(this, [this] { rebuild(); }))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(14);

    auto* header = new QHBoxLayout;
    header->addWidget(Labels::plain(QStringLiteral("Ratings and Reviews"), TextStyle::title2, this, QFont::Bold));
    header->addStretch();
    writeSlot_ = new QWidget(this);
    auto* slot = new QHBoxLayout(writeSlot_);
    slot->setContentsMargins(0, 0, 0, 0);
    header->addWidget(writeSlot_);
    column->addLayout(header);

    contentLayout_ = new QVBoxLayout;
    contentLayout_->setContentsMargins(0, 0, 0, 0);
    column->addLayout(contentLayout_);

    pending_ = new SymbolLabel(QStringLiteral("clock"), QStringLiteral("Your review is waiting for a moderator before it appears."),
        TextStyle::callout, Theme::secondary(), this);
    column->addWidget(pending_);

    rebuilder_->watch(&model_.reviews(), &Reviews::reviewPagesChanged);
    rebuilder_->watch(&model_.reviews(), &Reviews::reviewsUnavailableChanged);
    rebuilder_->watch(&model_.reviews(), &Reviews::myReviewsChanged);
    rebuilder_->watch(&model_.accounts(), &Accounts::storeUserChanged);
    rebuilder_->watch(&model_.accounts(), &Accounts::tavrenProfileChanged);
    connect(&model_.accounts(), &Accounts::tavrenProfileChanged, this, [this] {
        if (shownOnce_ && myReviewKey() != myKey_)
            load();
    });
    rebuild();
}

QString ReviewsSection::myReviewKey() const
{
    const std::optional<TavrenIDProfile>& profile = model_.accounts().tavrenProfile();
    return product_.id + u'|' + (profile ? profile->user.id : QString());
}

void ReviewsSection::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Each time it comes on screen (a kept page coming back too), not when a window is restored.
    if (event->spontaneous())
        return;
    shownOnce_ = true;
    model_.reviews().loadReviews(product_.id, false);
    load();
}

void ReviewsSection::load()
{
    myKey_ = myReviewKey();
    model_.reviews().loadMyReview(product_.id);
}

void ReviewsSection::setProduct(const StorefrontProduct& product)
{
    if (product == product_)
        return;
    product_ = product;
    rebuilder_->request();
}

QList<ReviewCard*> ReviewsSection::cards() const
{
    QList<ReviewCard*> shown;
    for (const Review& review : screen_.reviews) {
        if (ReviewCard* card = cards_.value(review.id))
            shown.append(card);
    }
    return shown;
}

void ReviewsSection::loadMore()
{
    if (loadingMore_ || !screen_.showsMore)
        return;
    loadingMore_ = true;
    rebuild();
    nextPage(QPointer<ReviewsSection>(this), model_.reviews(), product_.id);
}

QCoro::Task<> ReviewsSection::nextPage(QPointer<ReviewsSection> section, Reviews& reviews, QString productId)
{
    auto more = reviews.loadReviews(productId, true);
    co_await more;
    if (!section)
        co_return;
    section->loadingMore_ = false;
    section->rebuild();
}

void ReviewsSection::write()
{
    if (sheet_)
        return;
    const MyReview mine = model_.reviews().myReviews().value(product_.id);
    auto* sheet = new ReviewSheet(model_.reviews(), product_, mine.review, window());
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setWindowModality(Qt::WindowModal);
    sheet_ = sheet;
    sheet->open();
}

void ReviewsSection::rebuild()
{
    ReviewsPresenter::Input input;
    input.productName = product_.name;
    const Reviews& reviews = model_.reviews();
    const auto page = reviews.reviewPages().constFind(product_.id);
    if (page != reviews.reviewPages().cend())
        input.page = *page;
    input.unavailable = reviews.reviewsUnavailable().contains(product_.id);
    const auto mine = reviews.myReviews().constFind(product_.id);
    if (mine != reviews.myReviews().cend())
        input.mine = *mine;
    input.signedIn = model_.accounts().tavrenProfile().has_value();
    input.storeConnected = model_.accounts().storeUser().has_value();
    input.loadingMore = loadingMore_;
    const ReviewsPresenter::WriteControl before = screen_.write;
    screen_ = ReviewsPresenter::screen(input);

    if (!writeSlot_->layout()->count() || !(before == screen_.write))
        buildWrite();
    buildContent();
    pending_->setVisible(screen_.pending);
}

void ReviewsSection::buildWrite()
{
    QLayout* slot = writeSlot_->layout();
    while (QLayoutItem* item = slot->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    writeButton_ = nullptr;
    const ReviewsPresenter::WriteControl& control = screen_.write;
    switch (control.kind) {
    case ReviewsPresenter::Write::none:
        slot->addWidget(new QWidget(writeSlot_));
        return;
    case ReviewsPresenter::Write::notEligible:
        slot->addWidget(Labels::secondary(Labels::plain(control.title, TextStyle::callout, writeSlot_)));
        return;
    case ReviewsPresenter::Write::signIn:
        writeButton_ = new QPushButton(control.title, writeSlot_);
        writeButton_->setToolTip(control.help);
        connect(writeButton_, &QPushButton::clicked, this, [this] {
            model_.accounts().setSignInPurpose(SignInPurpose::general());
            model_.accounts().setShowSignIn(true);
        });
        break;
    case ReviewsPresenter::Write::write:
        writeButton_ = new QPushButton(QIcon(Symbols::pixmap(QStringLiteral("square.and.pencil"), 14, Theme::primary())),
            control.title, writeSlot_);
        connect(writeButton_, &QPushButton::clicked, this, &ReviewsSection::write);
        break;
    }
    writeButton_->setAutoDefault(false);
    slot->addWidget(writeButton_);
}

void ReviewsSection::buildContent()
{
    using Content = ReviewsPresenter::Content;
    if (builtKind_ != screen_.content || screen_.content != Content::reviews) {
        if (content_)
            content_->deleteLater();
        content_ = nullptr;
        grid_ = nullptr;
        moreButton_ = nullptr;
        cards_.clear();
        builtKind_ = screen_.content;
        switch (screen_.content) {
        case Content::loading:
            content_ = new QWidget(this);
            content_->setFixedHeight(110);
            content_->setAttribute(Qt::WA_StyledBackground);
            Theme::setRole(content_, "card");
            break;
        case Content::unavailable:
        case Content::empty: {
            QLabel* text = Labels::secondary(Labels::plain(screen_.message, TextStyle::body, this));
            text->setWordWrap(true);
            content_ = text;
            break;
        }
        case Content::reviews: {
            content_ = new QWidget(this);
            auto* column = new QVBoxLayout(content_);
            column->setContentsMargins(0, 0, 0, 0);
            column->setSpacing(16);
            column->addWidget(new QWidget(content_)); // the summary, replaced below
            grid_ = new QWidget(content_);
            new FlowGrid(320, 16, grid_);
            column->addWidget(grid_);
            moreButton_ = new QPushButton(QStringLiteral("More Reviews"), content_);
            moreButton_->setAutoDefault(false);
            new Spinner(14, moreButton_);
            connect(moreButton_, &QPushButton::clicked, this, &ReviewsSection::loadMore);
            column->addWidget(moreButton_, 0, Qt::AlignLeft);
            break;
        }
        }
        contentLayout_->addWidget(content_);
    }
    if (screen_.content != Content::reviews)
        return;

    auto* column = static_cast<QVBoxLayout*>(content_->layout());
    QLayoutItem* old = column->takeAt(0);
    delete old->widget();
    delete old;
    column->insertWidget(0, summaryBlock(*screen_.summary));

    // Cards are kept by review id while the review stays the same.
    QLayout* flow = grid_->layout();
    while (QLayoutItem* item = flow->takeAt(0))
        delete item;
    QHash<QString, ReviewCard*> kept;
    for (const Review& review : screen_.reviews) {
        if (kept.contains(review.id))
            continue; // a repeated id shows once
        ReviewCard* card = cards_.take(review.id);
        if (card && !(card->review() == review)) {
            card->parentWidget()->deleteLater();
            card = nullptr;
        }
        if (!card) {
            auto* cell = new QWidget(grid_);
            auto* inset = new QVBoxLayout(cell);
            inset->setContentsMargins(0, 0, 0, 16);
            card = new ReviewCard(review, cell);
            inset->addWidget(card);
        }
        kept.insert(review.id, card);
        flow->addWidget(card->parentWidget());
    }
    for (ReviewCard* dropped : std::as_const(cards_))
        dropped->parentWidget()->deleteLater();
    cards_ = kept;

    // While the button waits disabled or once it goes, the section holds the focus,
    // which would otherwise move on to the next control (the search field, say).
    const bool usable = screen_.showsMore && screen_.moreEnabled;
    if (!usable && moreButton_->hasFocus())
        setFocus(Qt::OtherFocusReason);
    moreButton_->setVisible(screen_.showsMore);
    moreButton_->setEnabled(screen_.moreEnabled);
    if (usable && hasFocus())
        moreButton_->setFocus(Qt::OtherFocusReason);
    moreButton_->setText(loadingMore_ ? QString() : QStringLiteral("More Reviews"));
    auto* spinner = moreButton_->findChild<Spinner*>();
    spinner->setVisible(loadingMore_);
    spinner->move((moreButton_->sizeHint().width() - spinner->width()) / 2, (moreButton_->sizeHint().height() - spinner->height()) / 2);
}

QWidget* ReviewsSection::summaryBlock(const ReviewsPresenter::Summary& summary)
{
    auto* block = new QWidget(content_);
    auto* row = new QHBoxLayout(block);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(32);

    auto* average = new QVBoxLayout;
    average->setSpacing(2);
    QLabel* number = Labels::plain(summary.average, TextStyle::body, block);
    number->setFont(Typography::font(54, QFont::Bold));
    number->setAlignment(Qt::AlignHCenter);
    average->addWidget(number);
    average->addWidget(Labels::secondary(Labels::plain(QStringLiteral("out of 5"), TextStyle::callout, block, QFont::DemiBold)),
        0, Qt::AlignHCenter);
    row->addLayout(average);

    auto* bars = new QVBoxLayout;
    bars->setSpacing(3);
    for (const ReviewsPresenter::Bar& bar : summary.bars) {
        auto* line = new QHBoxLayout;
        line->setSpacing(8);
        line->addStretch();
        auto* stars = new Stars(bar.level, 8, block);
        auto* dim = new QGraphicsOpacityEffect(stars);
        dim->setOpacity(0.85);
        stars->setGraphicsEffect(dim);
        line->addWidget(stars);
        line->addWidget(new Bar(bar, block));
        bars->addLayout(line);
    }
    QLabel* count = Labels::secondary(Labels::plain(summary.count, TextStyle::callout, block));
    count->setContentsMargins(0, 4, 0, 0);
    bars->addWidget(count, 0, Qt::AlignRight);
    row->addLayout(bars);
    row->addStretch();
    return block;
}

} // namespace hub
