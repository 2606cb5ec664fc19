#pragma once

#include "app/model/ModelPools.h"
#include "app/model/Services.h"
#include "kit/api/MyReview.h"
#include "kit/api/ReviewDraft.h"
#include "kit/api/ReviewPage.h"

#include <QCoroTask>
#include <QHash>
#include <QObject>
#include <QSet>

namespace hub {

class Accounts;
class Banners;
class RefreshCycle;

// Each product's reviews as loaded so far, the products whose reviews could not be
// loaded (asked again at the end of every refresh), and the signed-in user's own
// review and eligibility per product (all of them forgotten whenever the identity
// session changes).
class Reviews : public QObject {
    Q_OBJECT
    Q_PROPERTY(QHash<QString, hub::ReviewPage> reviewPages READ reviewPages NOTIFY reviewPagesChanged)
    Q_PROPERTY(QSet<QString> reviewsUnavailable READ reviewsUnavailable NOTIFY reviewsUnavailableChanged)
    Q_PROPERTY(QHash<QString, hub::MyReview> myReviews READ myReviews NOTIFY myReviewsChanged)

public:
    static constexpr qint64 pageSize = 10;

    struct Parts {
        Banners& banners;
        Accounts& accounts;
        RefreshCycle& refresh;
    };

    Reviews(const Services& services, ModelPools& pools, Parts parts, QObject* parent = nullptr);

    const QHash<QString, ReviewPage>& reviewPages() const { return reviewPages_; }
    const QSet<QString>& reviewsUnavailable() const { return reviewsUnavailable_; }
    const QHash<QString, MyReview>& myReviews() const { return myReviews_; }

    // The first page, or (`more`) the next one merged after what is shown. Never
    // throws; a failure only marks a product with nothing shown as unavailable.
    QCoro::Task<> loadReviews(QString productId, bool more);
    // The user's own review; signed out of Tavren ID it is forgotten. Never throws.
    QCoro::Task<> loadMyReview(QString productId);
    // Posts the draft, reloads the first page and says how it went. Throws
    // ReviewFailure with the text the editor shows, or another error unchanged.
    QCoro::Task<> submitReview(ReviewDraft draft);

    // The fixture file of a product's reviews; none for an id that could leave the folder.
    static std::optional<QString> fixturePath(const QString& folder, const QString& productId);

    void storePage(const QString& productId, const ReviewPage& page);
    void markUnavailable(const QString& productId, bool unavailable);
    void setMyReview(const QString& productId, const std::optional<MyReview>& review);

signals:
    void reviewPagesChanged();
    void reviewsUnavailableChanged();
    void myReviewsChanged();

private:
    void loadFixture(const QString& folder, const QString& productId);
    // What the editor shows for a failed post; rethrows errors that are not the store's.
    QString failureText(const std::exception& error);

    const Services& services_;
    ModelPools& pools_;
    Parts parts_;
    QHash<QString, ReviewPage> reviewPages_;
    QSet<QString> reviewsUnavailable_;
    QHash<QString, MyReview> myReviews_;
};

} // namespace hub
