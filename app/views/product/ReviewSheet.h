#pragma once

#include "app/views/product/ReviewSheetPresenter.h"
#include "kit/api/Review.h"
#include "kit/api/StorefrontProduct.h"

#include <QCoroTask>
#include <QDialog>
#include <QList>
#include <QPointer>
#include <optional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace hub {

class Reviews;
class Spinner;
class SymbolLabel;

// The sheet in which a signed-in user writes a review or edits their own: stars,
// title, text and the name shown, with live counters; the submit button stays off
// while the draft has a problem. A post that fails leaves the sheet open with its
// message; one that succeeds closes it. Closed before the answer comes, the sheet
// is left alone by it.
class ReviewSheet : public QDialog {
    Q_OBJECT

public:
    ReviewSheet(Reviews& reviews, const StorefrontProduct& product, const std::optional<Review>& existing,
        QWidget* parent = nullptr);

    ReviewSheetPresenter::Input input() const;
    const std::optional<QString>& error() const { return error_; }
    bool isSending() const { return sending_; }
    QList<QToolButton*> starButtons() const { return stars_; }
    QLineEdit* titleField() const { return title_; }
    QPlainTextEdit* bodyField() const { return body_; }
    QLineEdit* nameField() const { return name_; }
    QPushButton* submitButton() const { return submit_; }
    // The counters' texts: title, review, name.
    QStringList counters() const;

    // Submits the draft; returns at once.
    void send(const ReviewDraft& draft);

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    static QCoro::Task<> post(QPointer<ReviewSheet> sheet, Reviews& reviews, ReviewDraft draft);
    void finish(const std::optional<QString>& failure);
    void setRating(int rating);
    void render();
    QWidget* field(const QString& label, QLabel*& counter, QWidget* input);

    Reviews& reviews_;
    StorefrontProduct product_;
    std::optional<Review> existing_;
    qint64 rating_ = 0;
    std::optional<QString> error_;
    bool sending_ = false;
    bool seeded_ = false;
    bool closed_ = false;

    QList<QToolButton*> stars_;
    QLabel* caption_;
    QLineEdit* title_;
    QPlainTextEdit* body_;
    QLineEdit* name_;
    QLabel* titleCount_ = nullptr;
    QLabel* bodyCount_ = nullptr;
    QLabel* nameCount_ = nullptr;
    SymbolLabel* errorRow_;
    QPushButton* submit_;
    Spinner* spinner_;
};

} // namespace hub
