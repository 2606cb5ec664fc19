#pragma once

#include "app/views/product/ReviewSheet.h"
#include "app/views/product/ReviewsPresenter.h"
#include "kit/api/StorefrontProduct.h"

#include <QCoroTask>
#include <QHash>
#include <QPointer>
#include <QWidget>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace hub {

class AppModel;
class Rebuilder;
class ReviewCard;
class Reviews;

// "Ratings and Reviews" of a product page: the summary with its five bars, the
// reviews in a grid with "More Reviews", the notice while the user's own review
// waits for a moderator, and the header's sign-in or write button. Loads the first
// page and the user's own review each time it comes on screen, and the own review
// again when the Tavren ID changes.
class ReviewsSection : public QWidget {
    Q_OBJECT

public:
    ReviewsSection(AppModel& model, const StorefrontProduct& product, QWidget* parent = nullptr);

    const ReviewsPresenter::Screen& screen() const { return screen_; }
    // The header's button; null when the header shows none.
    QPushButton* writeButton() const { return writeButton_; }
    QPushButton* moreButton() const { return moreButton_; }
    QList<ReviewCard*> cards() const;
    ReviewSheet* sheet() const { return sheet_; }
    bool isLoadingMore() const { return loadingMore_; }

    // The product as the model has it now (the same id).
    void setProduct(const StorefrontProduct& product);
    // What "More Reviews" does: one further page at a time.
    void loadMore();
    // Opens the editor with the user's own review, if any.
    void write();

protected:
    void showEvent(QShowEvent* event) override;

private:
    static QCoro::Task<> nextPage(QPointer<ReviewsSection> section, Reviews& reviews, QString productId);
    void load();
    void rebuild();
    void buildWrite();
    void buildContent();
    QWidget* summaryBlock(const ReviewsPresenter::Summary& summary);
    QString myReviewKey() const;

    AppModel& model_;
    StorefrontProduct product_;
    Rebuilder* rebuilder_;
    ReviewsPresenter::Screen screen_;
    bool loadingMore_ = false;
    bool shownOnce_ = false;
    QString myKey_;
    QPointer<ReviewSheet> sheet_;

    QWidget* writeSlot_;
    QPushButton* writeButton_ = nullptr;
    QVBoxLayout* contentLayout_;
    QWidget* content_ = nullptr;
    std::optional<ReviewsPresenter::Content> builtKind_;
    QWidget* grid_ = nullptr;
    QHash<QString, ReviewCard*> cards_;
    QPushButton* moreButton_ = nullptr;
    QWidget* pending_;
};

} // namespace hub
