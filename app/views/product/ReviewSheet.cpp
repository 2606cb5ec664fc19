#include "app/views/product/ReviewSheet.h"

#include "app/model/Reviews.h"
#include "app/views/kit/Labels.h"
#include "app/views/kit/ProductIcon.h"
#include "app/views/kit/Spinner.h"
#include "app/views/kit/Symbols.h"
#include "app/views/kit/Theme.h"
#include "app/views/product/SymbolLabel.h"
#include "kit/support/Error.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace hub {

namespace {

QString failureText(const std::exception& error)
{
    if (const auto* known = dynamic_cast<const Error*>(&error))
        return known->message();
    return QString::fromLocal8Bit(error.what());
}

} // namespace

ReviewSheet::ReviewSheet(Reviews& reviews, const StorefrontProduct& product, const std::optional<Review>& existing,
    QWidget* parent)
    : QDialog(parent), reviews_(reviews), product_(product), existing_(existing)
{
    setWindowTitle(existing ? QStringLiteral("Edit Your Review") : QStringLiteral("Write a Review"));
    setFixedWidth(520);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(16);

    auto* header = new QHBoxLayout;
    header->setSpacing(12);
    header->addWidget(new ProductIcon(product.iconUrl, product.name, 44, this));
    auto* heading = new QVBoxLayout;
    heading->setSpacing(2);
    heading->addWidget(Labels::plain(windowTitle(), TextStyle::title3, this, QFont::Bold));
    heading->addWidget(Labels::secondary(Labels::plain(product.name, TextStyle::body, this)));
    header->addLayout(heading, 1);
    column->addLayout(header);

    auto* rating = new QHBoxLayout;
    rating->setSpacing(6);
    for (int n = 1; n <= 5; ++n) {
        auto* star = new QToolButton(this);
        star->setAutoRaise(true);
        star->setIconSize(QSize(24, 24));
        star->setAccessibleName(ReviewSheetPresenter::starLabel(n));
        star->setFocusPolicy(Qt::TabFocus);
        connect(star, &QToolButton::clicked, this, [this, n] { setRating(n); });
        stars_.append(star);
        rating->addWidget(star);
    }
    caption_ = Labels::secondary(Labels::plain(QString(), TextStyle::callout, this));
    caption_->setContentsMargins(6, 0, 0, 0);
    rating->addWidget(caption_);
    rating->addStretch();
    column->addLayout(rating);

    title_ = new QLineEdit(this);
    title_->setPlaceholderText(QStringLiteral("Sum it up in a line"));
    column->addWidget(field(QStringLiteral("Title"), titleCount_, title_));
    body_ = new QPlainTextEdit(this);
    body_->setFont(Typography::font(TextStyle::body));
    body_->setMinimumHeight(150);
    Theme::setRole(body_, "field");
    column->addWidget(field(QStringLiteral("Review"), bodyCount_, body_));
    name_ = new QLineEdit(this);
    name_->setPlaceholderText(QStringLiteral("Tavren customer"));
    column->addWidget(field(QStringLiteral("Name shown with your review"), nameCount_, name_));
    column->addWidget(Labels::secondary(
        Labels::plain(QStringLiteral("Plain text only. Your email address is never shown."), TextStyle::caption, this)));

    errorRow_ = new SymbolLabel(QStringLiteral("exclamationmark.triangle.fill"), QString(), TextStyle::callout, Theme::systemOrange(), this);
    column->addWidget(errorRow_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(cancel);
    submit_ = new QPushButton(this);
    submit_->setDefault(true);
    submit_->setMinimumWidth(72);
    spinner_ = new Spinner(14, submit_);
    connect(submit_, &QPushButton::clicked, this, [this] { send(ReviewSheetPresenter::draft(input())); });
    buttons->addWidget(submit_);
    column->addLayout(buttons);

    connect(title_, &QLineEdit::textChanged, this, &ReviewSheet::render);
    connect(body_, &QPlainTextEdit::textChanged, this, &ReviewSheet::render);
    connect(name_, &QLineEdit::textChanged, this, &ReviewSheet::render);
    render();
}

QWidget* ReviewSheet::field(const QString& label, QLabel*& counter, QWidget* input)
{
    auto* box = new QWidget(this);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    auto* head = new QHBoxLayout;
    head->addWidget(Labels::plain(label, TextStyle::callout, box, QFont::Medium));
    head->addStretch();
    counter = Labels::monospacedDigits(Labels::plain(QString(), TextStyle::caption, box));
    head->addWidget(counter);
    column->addLayout(head);
    column->addWidget(input);
    return box;
}

ReviewSheetPresenter::Input ReviewSheet::input() const
{
    return {product_.id, existing_.has_value(), rating_, title_->text(), body_->toPlainText(), name_->text(), sending_};
}

QStringList ReviewSheet::counters() const
{
    return {titleCount_->text(), bodyCount_->text(), nameCount_->text()};
}

void ReviewSheet::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (seeded_)
        return;
    seeded_ = true;
    if (!existing_)
        return;
    // Stored texts exactly as they are; the error and sending state stay.
    rating_ = existing_->rating;
    title_->setText(existing_->title);
    body_->setPlainText(existing_->body);
    name_->setText(existing_->displayName);
    render();
}

void ReviewSheet::done(int result)
{
    closed_ = true;
    QDialog::done(result);
}

void ReviewSheet::setRating(int rating)
{
    rating_ = rating;
    render();
}

void ReviewSheet::send(const ReviewDraft& draft)
{
    sending_ = true;
    error_.reset();
    render();
    post(QPointer<ReviewSheet>(this), reviews_, draft);
}

QCoro::Task<> ReviewSheet::post(QPointer<ReviewSheet> sheet, Reviews& reviews, ReviewDraft draft)
{
    std::optional<QString> failure;
    try {
        auto submitted = reviews.submitReview(std::move(draft));
        co_await submitted;
    } catch (const std::exception& error) {
        failure = failureText(error);
    }
    if (sheet && !sheet->closed_)
        sheet->finish(failure);
}

void ReviewSheet::finish(const std::optional<QString>& failure)
{
    if (!failure) {
        accept();
        sending_ = false;
        return;
    }
    error_ = failure;
    sending_ = false;
    render();
}

void ReviewSheet::render()
{
    const ReviewSheetPresenter::Screen screen = ReviewSheetPresenter::screen(input());
    for (int n = 1; n <= stars_.size(); ++n) {
        const bool filled = n <= screen.filledStars;
        stars_.at(n - 1)->setIcon(QIcon(Symbols::pixmap(filled ? QStringLiteral("star.fill") : QStringLiteral("star"), 24,
            filled ? Theme::orange() : Theme::secondary())));
    }
    caption_->setText(screen.caption);
    const auto count = [](QLabel* label, const ReviewSheetPresenter::Counter& counter) {
        label->setText(counter.text);
        Labels::setColor(label, counter.over ? Theme::systemOrange() : Theme::secondary());
    };
    count(titleCount_, screen.title);
    count(bodyCount_, screen.body);
    count(nameCount_, screen.name);
    errorRow_->setText(error_.value_or(QString()));
    errorRow_->setVisible(error_.has_value());
    submit_->setText(screen.submit);
    submit_->setEnabled(screen.canSubmit);
    Labels::setToolTip(submit_, screen.problem.value_or(QString()));
    spinner_->setVisible(sending_);
    spinner_->move((submit_->width() - spinner_->width()) / 2, (submit_->height() - spinner_->height()) / 2);
}

} // namespace hub
