#include "app/model/Reviews.h"

#include "app/model/Accounts.h"
#include "app/model/Assign.h"
#include "app/model/Banners.h"
#include "app/model/RefreshCycle.h"
#include "app/model/ReviewFailure.h"
#include "app/model/RunOn.h"
#include "kit/api/DecodeRecord.h"
#include "kit/api/MoonbaseError.h"

#include <QDir>
#include <QFile>
#include <QPointer>

namespace hub {

Reviews::Reviews(const Services& services, ModelPools& pools, Parts parts, QObject* parent)
    : QObject(parent), services_(services), pools_(pools), parts_(parts)
{
    // Own reviews belong to the person signed in when they were asked for.
    connect(&parts_.accounts, &Accounts::identitySessionEnded, this, [this] {
        if (assign(myReviews_, QHash<QString, MyReview>()))
            emit myReviewsChanged();
    });
    // What failed while offline is tried again once a refresh is over.
    connect(&parts_.refresh, &RefreshCycle::loadingChanged, this, [this] {
        if (parts_.refresh.loading())
            return;
        for (const QString& productId : QSet<QString>(reviewsUnavailable_))
            loadReviews(productId, false);
    });
}

std::optional<QString> Reviews::fixturePath(const QString& folder, const QString& productId)
{
    if (productId.contains(u'/') || productId.contains(QStringLiteral("..")))
        return std::nullopt;
    return QDir(folder).filePath(QStringLiteral("reviews-") + productId + QStringLiteral(".json"));
}

QCoro::Task<> Reviews::loadReviews(QString productId, bool more)
{
    if (const std::optional<QString> folder = services_.arguments.fixtureDirectory()) {
        loadFixture(*folder, productId);
        co_return;
    }
    std::optional<QString> cursor;
    if (more) {
        const auto shown = reviewPages_.constFind(productId);
        if (shown == reviewPages_.cend() || !shown->nextCursor)
            co_return;
        cursor = shown->nextCursor;
    }
    QPointer<Reviews> self(this);
    const std::shared_ptr<TavrenIDClient> id = services_.tavrenID;
    std::optional<ReviewPage> page;
    try {
        auto fetch = runOn(pools_.reads, [=] { return id->reviews(productId, cursor, pageSize); });
        page = co_await fetch;
    } catch (const std::exception&) {
        // Quiet: a page already shown stays; otherwise the product shows none.
        if (self && !reviewPages_.contains(productId))
            markUnavailable(productId, true);
        co_return;
    }
    if (!self)
        co_return;
    const auto shown = reviewPages_.constFind(productId);
    if (more && shown != reviewPages_.cend()) {
        ReviewPage merged = *shown;
        merged.summary = page->summary;
        merged.nextCursor = page->nextCursor;
        QSet<QString> seen;
        for (const Review& review : merged.reviews)
            seen.insert(review.id);
        for (const Review& review : page->reviews) {
            if (!seen.contains(review.id))
                merged.reviews.append(review);
        }
        storePage(productId, merged);
    } else {
        storePage(productId, *page);
    }
    markUnavailable(productId, false);
}

void Reviews::loadFixture(const QString& folder, const QString& productId)
{
    const std::optional<QString> path = fixturePath(folder, productId);
    QFile file(path.value_or(QString()));
    if (!path || !file.open(QIODevice::ReadOnly)) {
        markUnavailable(productId, true);
        return;
    }
    try {
        storePage(productId, decodeRecord<ReviewPage>(file.readAll()));
    } catch (const std::exception&) {
        markUnavailable(productId, true);
    }
}

QCoro::Task<> Reviews::loadMyReview(QString productId)
{
    if (!parts_.accounts.tavrenProfile()) {
        setMyReview(productId, std::nullopt);
        co_return;
    }
    QPointer<Reviews> self(this);
    const std::shared_ptr<TavrenIDClient> id = services_.tavrenID;
    const quint64 session = parts_.accounts.identitySession();
    try {
        auto fetch = runOn(pools_.reads, [=] { return id->myReview(productId); });
        const MyReview mine = co_await fetch;
        // Another person's review, or nobody's, once the account has changed.
        if (self && parts_.accounts.identitySession() == session)
            setMyReview(productId, mine);
    } catch (const std::exception&) {
        // Quiet: whatever was shown stays.
    }
}

QCoro::Task<> Reviews::submitReview(ReviewDraft draft)
{
    QPointer<Reviews> self(this);
    const std::shared_ptr<TavrenIDClient> id = services_.tavrenID;
    const quint64 session = parts_.accounts.identitySession();
    std::optional<PostedReview> posted;
    std::optional<QString> failure;
    try {
        auto post = runOn(pools_.reads, [=] { return id->postReview(draft); });
        posted = co_await post;
    } catch (const std::exception& error) {
        if (!self)
            throw;
        failure = failureText(error);
    }
    if (failure)
        throw ReviewFailure(*failure);
    if (!self)
        co_return;
    const auto before = myReviews_.constFind(draft.productId);
    const std::optional<QString> basis = before != myReviews_.cend() ? before->basis : std::nullopt;
    if (parts_.accounts.identitySession() == session)
        setMyReview(draft.productId, MyReview{true, basis, posted->review});
    auto reload = loadReviews(draft.productId, false);
    co_await reload;
    if (!self)
        co_return;
    QString text;
    if (posted->review.hidden.value_or(false))
        text = QStringLiteral("Your review is saved. It is waiting for a moderator before it appears.");
    else if (posted->created)
        text = QStringLiteral("Thanks. Your review is posted.");
    else
        text = QStringLiteral("Your review is updated.");
    parts_.banners.flash(Banner::Tone::success, text);
}

QString Reviews::failureText(const std::exception& error)
{
    const auto* store = dynamic_cast<const MoonbaseError*>(&error);
    if (!store)
        throw;
    switch (store->kind) {
    case MoonbaseError::Kind::server:
        if (store->status == 429)
            return QStringLiteral("That is a lot of reviews in a short time. Try again in a little while.");
        if (store->status == 403 && store->text.isEmpty())
            return QStringLiteral("Reviews are open to people who own or have tried this product.");
        // An empty detail would show nothing at all: say what the store returned.
        return store->text.isEmpty() ? store->message() : store->text;
    case MoonbaseError::Kind::notSignedIn:
        parts_.accounts.setTavrenProfile(std::nullopt);
        return QStringLiteral("Your Tavren ID session ended. Sign in again to post.");
    default:
        return store->message();
    }
}

void Reviews::storePage(const QString& productId, const ReviewPage& page)
{
    const auto shown = reviewPages_.constFind(productId);
    if (shown != reviewPages_.cend() && *shown == page)
        return;
    reviewPages_.insert(productId, page);
    emit reviewPagesChanged();
}

void Reviews::markUnavailable(const QString& productId, bool unavailable)
{
    const bool changed = unavailable ? !reviewsUnavailable_.contains(productId) : reviewsUnavailable_.remove(productId);
    if (!changed)
        return;
    if (unavailable)
        reviewsUnavailable_.insert(productId);
    emit reviewsUnavailableChanged();
}

void Reviews::setMyReview(const QString& productId, const std::optional<MyReview>& review)
{
    QHash<QString, MyReview> reviews = myReviews_;
    if (review)
        reviews.insert(productId, *review);
    else
        reviews.remove(productId);
    if (assign(myReviews_, std::move(reviews)))
        emit myReviewsChanged();
}

} // namespace hub
