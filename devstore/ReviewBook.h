#pragma once

#include "devstore/DevstoreReply.h"
#include "devstore/DevstoreRequest.h"

#include <QDateTime>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QStringList>

namespace hub::devstore {

// Reviews of the fixture products: pages of ten with a cursor, the caller's own review
// and eligibility, and posting (one review per user and product, replaced on a new post).
class ReviewBook {
public:
    ReviewBook();

    static constexpr int postsPerHour = 5;

    DevstoreReply page(const DevstoreRequest& request) const;
    // `owned`: the products the caller owns.
    DevstoreReply mine(const QString& productId, const QString& userId, const QStringList& owned) const;
    DevstoreReply post(const QJsonObject& draft, const QString& userId, const QStringList& owned);

private:
    QJsonObject summary(const QString& productId) const;
    QList<QJsonObject>& of(const QString& productId) { return reviews_[productId]; }

    QHash<QString, QList<QJsonObject>> reviews_; // per product, newest first; "userId" kept inside
    QHash<QString, QList<QDateTime>> posts_;     // per user
};

} // namespace hub::devstore
