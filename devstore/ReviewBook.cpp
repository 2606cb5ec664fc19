#include "devstore/ReviewBook.h"

#include <QJsonArray>
#include <QUuid>

namespace hub::devstore {

namespace {

const QString demoUser = QStringLiteral("id-demo");

QJsonObject review(const QString& productId, int index, int rating, const QString& user, bool verified)
{
    const QString date = QStringLiteral("2026-11-%1T09:15:00Z").arg(28 - index % 27, 2, 10, QLatin1Char('0'));
    QJsonObject object{{"id", QStringLiteral("%1-review-%2").arg(productId).arg(index)},
                       {"productId", productId},
                       {"rating", rating},
                       {"title", QStringLiteral("Review %1 of %2").arg(index + 1).arg(productId)},
                       {"body", QStringLiteral("Used it on a few sessions. It does what it says and the presets are a good start.")},
                       {"displayName", QStringLiteral("Listener %1").arg(index + 1)},
                       {"verifiedPurchase", verified},
                       {"createdAt", date},
                       {"userId", user}};
    if (index == 1) {
        object.insert("edited", true);
        object.insert("updatedAt", QStringLiteral("2026-12-01T10:00:00Z"));
    }
    return object;
}

QJsonObject visible(QJsonObject review)
{
    review.remove("userId");
    return review;
}

bool eligible(const QString& productId, const QStringList& owned)
{
    return owned.contains(productId);
}

} // namespace

ReviewBook::ReviewBook()
{
    // tv-reverb: 23 visible reviews with the distribution 14/5/2/1/1.
    const QList<int> ratings{5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 4, 4, 4, 4, 4, 3, 3, 2, 1};
    for (int i = 0; i < ratings.size(); ++i)
        of(QStringLiteral("tv-reverb")).append(review(QStringLiteral("tv-reverb"), i, ratings[i], QStringLiteral("u%1").arg(i), i % 3 != 0));
    of(QStringLiteral("tv-compressor")) = {review(QStringLiteral("tv-compressor"), 0, 5, demoUser, true),
                                          review(QStringLiteral("tv-compressor"), 1, 4, QStringLiteral("u1"), true),
                                          review(QStringLiteral("tv-compressor"), 2, 3, QStringLiteral("u2"), false)};
    QJsonObject hidden = review(QStringLiteral("tv-gate"), 0, 2, demoUser, true);
    hidden.insert("hidden", true);
    of(QStringLiteral("tv-gate")) = {hidden};
}

QJsonObject ReviewBook::summary(const QString& productId) const
{
    int count = 0;
    double total = 0;
    QJsonObject distribution{{"1", 0}, {"2", 0}, {"3", 0}, {"4", 0}, {"5", 0}};
    for (const QJsonObject& one : reviews_.value(productId)) {
        if (one.value("hidden").toBool())
            continue;
        const int rating = one.value("rating").toInt();
        ++count;
        total += rating;
        distribution.insert(QString::number(rating), distribution.value(QString::number(rating)).toInt() + 1);
    }
    QJsonObject out{{"count", count}};
    if (count > 0) {
        out.insert("average", std::round(total / count * 10) / 10);
        out.insert("distribution", distribution);
    }
    return out;
}

DevstoreReply ReviewBook::page(const DevstoreRequest& request) const
{
    const QString productId = request.queryValue(QStringLiteral("product")).value_or(QString());
    if (productId.isEmpty())
        return DevstoreReply::message(400, QStringLiteral("Name a product."));
    const int limit = std::clamp(request.queryValue(QStringLiteral("limit")).value_or(QStringLiteral("10")).toInt(), 1, 50);
    const int start = request.queryValue(QStringLiteral("cursor")).value_or(QStringLiteral("0")).toInt();
    QList<QJsonObject> shown;
    for (const QJsonObject& one : reviews_.value(productId)) {
        if (!one.value("hidden").toBool())
            shown << one;
    }
    QJsonArray reviews;
    for (int i = start; i < shown.size() && i < start + limit; ++i)
        reviews.append(visible(shown[i]));
    QJsonObject body{{"productId", productId}, {"summary", summary(productId)}, {"reviews", reviews}};
    if (start + limit < shown.size())
        body.insert("nextCursor", QString::number(start + limit));
    return DevstoreReply::json(body);
}

DevstoreReply ReviewBook::mine(const QString& productId, const QString& userId, const QStringList& owned) const
{
    QJsonObject body{{"eligible", eligible(productId, owned)}, {"basis", eligible(productId, owned) ? "owner" : "not-owned"}};
    for (const QJsonObject& one : reviews_.value(productId)) {
        if (one.value("userId").toString() == userId)
            body.insert("review", visible(one));
    }
    return DevstoreReply::json(body);
}

DevstoreReply ReviewBook::post(const QJsonObject& draft, const QString& userId, const QStringList& owned)
{
    const QString productId = draft.value("productId").toString();
    if (!eligible(productId, owned))
        return DevstoreReply::json({}, 403);
    const int rating = draft.value("rating").toInt();
    const QString title = draft.value("title").toString().trimmed();
    const QString body = draft.value("body").toString().trimmed();
    const QString name = draft.value("displayName").toString().trimmed();
    if (rating < 1 || rating > 5 || title.isEmpty() || title.size() > 80 || body.isEmpty() || body.size() > 2000
        || name.size() > 40)
        return DevstoreReply::message(422, QStringLiteral("A rating of 1 to 5, a title of up to 80 characters and a body "
                                                          "of up to 2000 are needed."));
    QList<QDateTime>& times = posts_[userId];
    const QDateTime now = QDateTime::currentDateTimeUtc();
    times.removeIf([&](const QDateTime& time) { return time.secsTo(now) > 3600; });
    if (times.size() >= postsPerHour)
        return DevstoreReply::message(429, QStringLiteral("Too many reviews."));
    times << now;

    QList<QJsonObject>& list = of(productId);
    bool created = true;
    QJsonObject stored{{"id", QUuid::createUuid().toString(QUuid::WithoutBraces)},
                       {"productId", productId},
                       {"rating", rating},
                       {"title", title},
                       {"body", body},
                       {"displayName", name.isEmpty() ? QStringLiteral("Tavren customer") : name},
                       {"verifiedPurchase", true},
                       {"createdAt", now.toString(Qt::ISODate)},
                       {"userId", userId}};
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list[i].value("userId").toString() == userId) {
            stored.insert("id", list[i].value("id"));
            stored.insert("createdAt", list[i].value("createdAt"));
            stored.insert("updatedAt", now.toString(Qt::ISODate));
            stored.insert("edited", true);
            list.removeAt(i);
            created = false;
            break;
        }
    }
    if (body.contains(QStringLiteral("http"), Qt::CaseInsensitive))
        stored.insert("hidden", true);
    list.prepend(stored);
    return DevstoreReply::json({{"review", visible(stored)}, {"created", created}});
}

} // namespace hub::devstore
