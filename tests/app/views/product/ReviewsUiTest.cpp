// The review editor and the reviews section against a scripted identity service
// whose answers the test holds back and lets go.

#include "app/views/kit/Motion.h"
#include "app/views/product/ReviewCard.h"
#include "app/views/product/ReviewSheet.h"
#include "app/views/product/ReviewsSection.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"

#include <QJsonDocument>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSemaphore>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace hub;
using test::eventually;

namespace {

Review review(const QString& id)
{
    Review r;
    r.id = id;
    r.productId = QStringLiteral("p");
    r.rating = 5;
    r.title = QStringLiteral("Title ") + id;
    r.body = QStringLiteral("Body");
    r.displayName = QStringLiteral("Ada");
    return r;
}

QByteArray page(const QStringList& ids, std::optional<QString> cursor)
{
    ReviewPage p;
    p.productId = QStringLiteral("p");
    p.summary.count = 6;
    p.summary.average = 4.5;
    for (const QString& id : ids)
        p.reviews.append(review(id));
    p.nextCursor = std::move(cursor);
    return QJsonDocument(p.toJson()).toJson();
}

// An answer that waits until the test lets it go.
ScriptedTransport::Handler held(QSemaphore& gate, int status, QByteArray body)
{
    return [&gate, status, body](const HttpRequest&) {
        gate.acquire();
        return ScriptedTransport::response(status, body);
    };
}

void fill(ReviewSheet& sheet)
{
    sheet.starButtons().at(3)->click();
    sheet.titleField()->setText(QStringLiteral("Lovely"));
    sheet.bodyField()->setPlainText(QStringLiteral("Warm and clear."));
}

QStringList shownIds(const ReviewsSection& section)
{
    QStringList ids;
    for (const ReviewCard* card : section.cards())
        ids.append(card->review().id);
    return ids;
}

} // namespace

TEST(ReviewsUi, ASheetClosedWhilePostingIsLeftAloneByTheAnswer)
{
    Motion::setEnabled(false);
    ModelHarness harness;
    harness.holdIdentitySession();
    QSemaphore refused;
    QSemaphore accepted;
    harness.identity->route("GET", "/id/reviews?product=p", 200, page({"a"}, std::nullopt));
    harness.identity->route("POST", "/id/reviews", held(refused, 429, "{}"));
    const auto model = harness.makeModel();
    const StorefrontProduct product = Fixtures::product(QStringLiteral("p"), QStringLiteral("P"));

    // A failed post with the sheet open: the message shows, the sheet stays.
    ReviewSheet open(model->reviews(), product, std::nullopt);
    open.show();
    fill(open);
    ASSERT_TRUE(open.submitButton()->isEnabled());
    open.submitButton()->click();
    EXPECT_TRUE(open.isSending());
    EXPECT_FALSE(open.submitButton()->isEnabled());
    refused.release();
    ASSERT_TRUE(eventually([&] { return !open.isSending(); }));
    EXPECT_EQ(open.error(), "That is a lot of reviews in a short time. Try again in a little while.");
    EXPECT_TRUE(open.isVisible());

    // A success after Cancel: the model takes the review and says so, the closed sheet stays as it was.
    const PostedReview posted{review("mine"), true};
    harness.identity->route("POST", "/id/reviews", held(accepted, 200, QJsonDocument(posted.toJson()).toJson()));
    ReviewSheet cancelled(model->reviews(), product, std::nullopt);
    cancelled.show();
    fill(cancelled);
    cancelled.submitButton()->click();
    cancelled.reject();
    accepted.release();
    ASSERT_TRUE(eventually([&] { return ModelHarness::bannerTexts(*model).size() == 1; }));
    EXPECT_EQ(ModelHarness::bannerTexts(*model).last(), "Thanks. Your review is posted.");
    EXPECT_EQ(model->reviews().myReviews().value("p").review, review("mine"));
    EXPECT_EQ(cancelled.result(), QDialog::Rejected) << "not accepted by the late answer";
    EXPECT_FALSE(cancelled.isVisible());
    EXPECT_EQ(cancelled.error(), std::nullopt);

    // The same with the sheet already destroyed.
    auto* gone = new ReviewSheet(model->reviews(), product, std::nullopt);
    gone->setAttribute(Qt::WA_DeleteOnClose);
    const QPointer<ReviewSheet> watch(gone);
    gone->show();
    fill(*gone);
    gone->submitButton()->click();
    gone->reject();
    ASSERT_TRUE(eventually([&] { return watch.isNull(); }));
    accepted.release();
    ASSERT_TRUE(eventually([&] { return ModelHarness::bannerTexts(*model).size() == 2; }));
}

TEST(ReviewsUi, MoreReviewsLoadsOnePageAtATime)
{
    Motion::setEnabled(false);
    ModelHarness harness;
    QSemaphore second;
    harness.identity->route("GET", "/id/reviews?product=p", 200, page({"a", "b"}, "c1"));
    harness.identity->route("GET", "/id/reviews?product=p&limit=10&cursor=c1", held(second, 200, page({"b", "c", "d"}, "c2")));
    harness.identity->route("GET", "/id/reviews?product=p&limit=10&cursor=c2", 200, page({"e"}, std::nullopt));
    const auto model = harness.makeModel();

    ReviewsSection section(*model, Fixtures::product(QStringLiteral("p"), QStringLiteral("P")));
    section.resize(900, 600);
    section.show();
    ASSERT_TRUE(eventually([&] { return section.cards().size() == 2; }));
    ASSERT_TRUE(eventually([&] { return section.moreButton() && section.moreButton()->isVisible(); }));
    EXPECT_EQ(section.writeButton()->text(), "Sign In to Review");

    section.moreButton()->click();
    section.moreButton()->click();
    section.loadMore();
    EXPECT_TRUE(section.isLoadingMore());
    EXPECT_FALSE(section.moreButton()->isEnabled());
    QList<ReviewCard*> before = section.cards();
    second.release(3);
    ASSERT_TRUE(eventually([&] { return !section.isLoadingMore(); }));
    EXPECT_EQ(harness.identity->requestsTo("/id/reviews?product=p&limit=10&cursor=c1").size(), 1);
    EXPECT_EQ(shownIds(section), QStringList({"a", "b", "c", "d"}));
    EXPECT_EQ(section.cards().mid(0, 2), before) << "cards already shown are kept";

    section.moreButton()->click();
    ASSERT_TRUE(eventually([&] { return shownIds(section).size() == 5; }));
    ASSERT_TRUE(eventually([&] { return !section.isLoadingMore(); }));
    EXPECT_FALSE(section.moreButton()->isVisible()) << "the last page has no cursor";
}

TEST(ReviewsUi, APageThatRepeatsAReviewLeavesNoStaleCard)
{
    Motion::setEnabled(false);
    ModelHarness harness;
    harness.identity->route("GET", "/id/reviews?product=p", 200, page({"a", "a", "b"}, std::nullopt));
    const auto model = harness.makeModel();
    ReviewsSection section(*model, Fixtures::product(QStringLiteral("p"), QStringLiteral("P")));
    section.resize(900, 600);
    section.show();
    const auto alive = [&] { return section.findChildren<ReviewCard*>().size(); };
    EXPECT_TRUE(eventually([&] { return alive() == 2; })) << alive();

    harness.identity->route("GET", "/id/reviews?product=p", 200, page({"b"}, std::nullopt));
    test::await(model->reviews().loadReviews(QStringLiteral("p"), false));
    EXPECT_TRUE(eventually([&] { return alive() == 1; })) << alive();
}
