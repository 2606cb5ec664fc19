#include "app/model/ReviewFailure.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"

#include <QDir>
#include <QJsonDocument>
#include <gtest/gtest.h>

using namespace hub;
using test::await;
using test::failureOf;

namespace {

Review review(const QString& id)
{
    return {id, QStringLiteral("p"), 4, {}, {}, {}, false, {}, {}, {}, {}};
}

QByteArray page(const QStringList& ids, std::optional<QString> cursor, qint64 count)
{
    ReviewPage p;
    p.productId = QStringLiteral("p");
    p.summary.count = count;
    for (const QString& id : ids)
        p.reviews.append(review(id));
    p.nextCursor = std::move(cursor);
    return QJsonDocument(p.toJson()).toJson();
}

QStringList ids(const ReviewPage& page)
{
    QStringList out;
    for (const Review& r : page.reviews)
        out.append(r.id);
    return out;
}

void write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

} // namespace

TEST(Reviews, PagesMergeWithoutRepeatsFailuresKeepWhatIsShownAndRefreshRetriesThem)
{
    ModelHarness harness;
    harness.identity->route("GET", "/id/reviews?product=p", 200, page({"r1", "r2"}, "c1", 3));
    harness.identity->route("GET", "/id/reviews?product=p&limit=10&cursor=c1", 200, page({"r2", "r3"}, std::nullopt, 4));
    const auto model = harness.makeModel();
    Reviews& reviews = model->reviews();

    await(reviews.loadReviews("p", true));
    EXPECT_TRUE(harness.identity->requests().isEmpty()) << "nothing shown, nothing more to load";
    await(reviews.loadReviews("p", false));
    await(reviews.loadReviews("p", true));
    const ReviewPage merged = reviews.reviewPages().value("p");
    EXPECT_EQ(ids(merged), QStringList({"r1", "r2", "r3"}));
    EXPECT_EQ(merged.summary.count, 4);
    EXPECT_EQ(merged.nextCursor, std::nullopt);
    const qsizetype sent = harness.identity->requests().size();
    await(reviews.loadReviews("p", true));
    EXPECT_EQ(harness.identity->requests().size(), sent) << "the last page has no cursor";

    harness.identity->route("GET", "/id/reviews", 500, "{}");
    await(reviews.loadReviews("p", false));
    await(reviews.loadReviews("q", false));
    EXPECT_EQ(reviews.reviewPages().value("p"), merged);
    EXPECT_EQ(reviews.reviewsUnavailable(), QSet<QString>({"q"}));
    EXPECT_TRUE(ModelHarness::bannerTexts(*model).isEmpty());

    // A refresh asks again for what failed, and only that.
    harness.identity->route("GET", "/id/reviews", 200, page({"r7"}, std::nullopt, 1));
    await(model->refresh().refreshAll());
    EXPECT_TRUE(test::eventually([&] { return reviews.reviewsUnavailable().isEmpty(); }));
    EXPECT_EQ(ids(reviews.reviewPages().value("q")), QStringList({"r7"}));
    EXPECT_EQ(reviews.reviewPages().value("p"), merged);
}

TEST(Reviews, FixturesAreReadFromTheFolderOnly)
{
    ModelHarness harness;
    // Without the guard, the last id would read the file beside the folder.
    QDir().mkpath(harness.path("fixtures/reviews-a"));
    write(harness.path("fixtures/reviews-p.json"), page({"r1"}, "c1", 1));
    write(harness.path("reviews-x.json"), page({"r9"}, std::nullopt, 1));
    harness.arguments += {"--snapshot", harness.path("shots"), "--fixtures", harness.path("fixtures")};
    const auto model = harness.makeModel();

    for (const char* id : {"p", "missing", "a/../../reviews-x"})
        await(model->reviews().loadReviews(id, true));
    EXPECT_EQ(ids(model->reviews().reviewPages().value("p")), QStringList({"r1"}));
    EXPECT_EQ(model->reviews().reviewsUnavailable(), QSet<QString>({"missing", "a/../../reviews-x"}));
    EXPECT_TRUE(harness.identity->requests().isEmpty());
}

TEST(Reviews, SubmittingSaysHowItWent)
{
    ModelHarness harness;
    harness.holdIdentitySession();
    harness.identity->route("GET", "/id/reviews?product=p", 200, page({"r1"}, std::nullopt, 1));
    const auto model = harness.makeModel();
    ReviewDraft draft{QStringLiteral("p"), 5, QStringLiteral("Great"), QStringLiteral("Works well."), std::nullopt};

    const struct {
        int status;
        QByteArray body;
        QString text;
    } failures[] = {
        {429, "{}", "That is a lot of reviews in a short time. Try again in a little while."},
        {403, R"({"message":""})", "Reviews are open to people who own or have tried this product."},
        {403, R"({"message":"Buy it first."})", "Buy it first."},
        {500, R"({"message":"Down."})", "Down."},
        {500, R"({"message":""})", "The store returned 500. "},
    };
    for (const auto& f : failures) {
        harness.identity->route("POST", "/id/reviews", f.status, f.body);
        EXPECT_EQ(QCoro::waitFor(failureOf(model->reviews().submitReview(draft))), f.text);
    }
    draft.rating = 9;
    EXPECT_NE(QCoro::waitFor(failureOf(model->reviews().submitReview(draft))), std::nullopt) << "the draft's own check";
    draft.rating = 5;

    for (const bool hidden : {false, true}) {
        Review posted = review("mine");
        posted.hidden = hidden;
        harness.identity->route("POST", "/id/reviews", 200, QJsonDocument(PostedReview{posted, true}.toJson()).toJson());
        EXPECT_EQ(QCoro::waitFor(failureOf(model->reviews().submitReview(draft))), std::nullopt);
        EXPECT_EQ(model->reviews().myReviews().value("p").review, posted);
    }
    EXPECT_EQ(ModelHarness::bannerTexts(*model), QStringList({"Thanks. Your review is posted.",
        "Your review is saved. It is waiting for a moderator before it appears."}));
    EXPECT_EQ(ids(model->reviews().reviewPages().value("p")), QStringList({"r1"}));

    harness.identity->route("POST", "/id/reviews", 401, "{}");
    EXPECT_EQ(QCoro::waitFor(failureOf(model->reviews().submitReview(draft))), "Your Tavren ID session ended. Sign in again to post.");
    await(model->reviews().loadMyReview("p"));
    EXPECT_FALSE(model->reviews().myReviews().contains("p")) << "signed out, the stored review goes";
}

TEST(Reviews, OwnReviewsAreForgottenWheneverTheIdentitySessionChanges)
{
    ModelHarness harness;
    const auto model = harness.makeModel();
    Accounts& accounts = model->accounts();
    const std::pair<std::function<void()>, bool> changes[] = {
        {[&] { accounts.setTavrenProfile(Fixtures::profile("bob@example.test")); }, true},
        {[&] { accounts.clearTavrenID(); }, true},
        {[&] { accounts.setTavrenProfile(Fixtures::profile("ada@example.test", QStringList{"p"})); }, false}, // the same ID
    };
    for (const auto& [change, forgotten] : changes) {
        accounts.setTavrenProfile(Fixtures::profile("ada@example.test"));
        for (const char* id : {"p", "q"}) // neither on screen
            model->reviews().setMyReview(id, MyReview{true, QStringLiteral("owner"), review("ada's")});
        change();
        EXPECT_EQ(model->reviews().myReviews().isEmpty(), forgotten);
    }
}
