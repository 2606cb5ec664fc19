#include "app/views/product/ReviewsPresenter.h"

#include <gtest/gtest.h>
#include <limits>

using namespace hub;
using Content = ReviewsPresenter::Content;
using Write = ReviewsPresenter::Write;

namespace {

Review review(const QString& id, bool hidden = false)
{
    Review r;
    r.id = id;
    r.rating = 4;
    r.hidden = hidden;
    return r;
}

ReviewPage page(qint64 count, QStringList ids, std::optional<QString> cursor = std::nullopt)
{
    ReviewPage p;
    p.summary.count = count;
    for (const QString& id : ids)
        p.reviews.append(review(id));
    p.nextCursor = std::move(cursor);
    return p;
}

} // namespace

TEST(ReviewsPresenter, ContentDecision)
{
    struct Case {
        const char* what;
        std::optional<ReviewPage> page;
        bool unavailable;
        bool loadingMore;
        Content content;
        QString message;
        qsizetype reviews;
        bool showsMore;
        bool moreEnabled;
    } cases[] = {
        {"loading", std::nullopt, false, false, Content::loading, "", 0, false, false},
        {"failed with nothing held", std::nullopt, true, false, Content::unavailable, "Reviews could not be loaded right now.", 0, false, false},
        {"count 0 wins over a list", page(0, {"a"}), true, false, Content::empty,
            "No reviews yet. If you own or have tried Reverb, yours can be the first.", 0, false, false},
        {"a held page wins over the mark", page(2, {"a", "b"}, "c1"), true, false, Content::reviews, "", 2, true, true},
        {"more is loading", page(2, {"a", "b"}, "c1"), false, true, Content::reviews, "", 2, true, false},
        {"last page", page(2, {"a", "b"}), false, false, Content::reviews, "", 2, false, false},
    };
    for (const Case& c : cases) {
        ReviewsPresenter::Input input;
        input.productName = QStringLiteral("Reverb");
        input.page = c.page;
        input.unavailable = c.unavailable;
        input.loadingMore = c.loadingMore;
        const ReviewsPresenter::Screen screen = ReviewsPresenter::screen(input);
        EXPECT_EQ(screen.content, c.content) << c.what;
        EXPECT_EQ(screen.message, c.message) << c.what;
        EXPECT_EQ(screen.reviews.size(), c.reviews) << c.what;
        EXPECT_EQ(screen.showsMore, c.showsMore) << c.what;
        EXPECT_EQ(screen.moreEnabled, c.moreEnabled) << c.what;
        EXPECT_EQ(screen.summary.has_value(), c.content == Content::reviews) << c.what;
    }
}

TEST(ReviewsPresenter, StarsDrawHalvesFromTheHalfPoint)
{
    const QString full = "star.fill", half = "star.leadinghalf.filled", empty = "star";
    struct Case {
        double rating;
        QStringList glyphs;
    } cases[] = {
        {-3, {empty, empty, empty, empty, empty}},
        {0, {empty, empty, empty, empty, empty}},
        {3.49, {full, full, full, empty, empty}},
        {3.5, {full, full, full, half, empty}},
        {4.5, {full, full, full, full, half}},
        {4.49, {full, full, full, full, empty}},
        {5, {full, full, full, full, full}},
        {7, {full, full, full, full, full}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReviewsPresenter::stars(c.rating), c.glyphs) << c.rating;
    EXPECT_EQ(ReviewsPresenter::starsLabel(4.5), "4.5 out of 5 stars");
}

TEST(ReviewsPresenter, SummaryBarsAreClampedForDrawing)
{
    ReviewSummary summary;
    summary.count = 4;
    summary.average = 4.26;
    // A distribution that disagrees with the count: more fives than ratings, a negative two.
    summary.distribution = QMap<QString, qint64>{{"5", 9}, {"4", 2}, {"2", -1}};
    const ReviewsPresenter::Summary shown = ReviewsPresenter::summary(summary);
    EXPECT_EQ(shown.average, "4.3");
    EXPECT_EQ(shown.count, "4 ratings");
    EXPECT_EQ(shown.bars, (QList<ReviewsPresenter::Bar>{
                              {5, 1.0, "4 of 4"}, {4, 0.5, "2 of 4"}, {3, 0, "0 of 4"}, {2, 0, "0 of 4"}, {1, 0, "0 of 4"}}));
    EXPECT_GT(summary.share(5), 1.0) << "the share itself stays as it is";

    ReviewSummary bare;
    bare.count = 1;
    const ReviewsPresenter::Summary one = ReviewsPresenter::summary(bare);
    EXPECT_EQ(one.average, "0.0");
    EXPECT_EQ(one.count, "1 rating");
    for (const ReviewsPresenter::Bar& bar : one.bars)
        EXPECT_EQ(bar.fraction, 0);
    EXPECT_EQ(ReviewsPresenter::barFraction(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(ReviewsPresenter, WriteControlAndPendingNotice)
{
    const MyReview none{true, std::nullopt, std::nullopt};
    const MyReview mine{true, QStringLiteral("owner"), review("m")};
    const MyReview waiting{false, std::nullopt, review("m", true)};
    struct Case {
        const char* what;
        bool signedIn;
        bool store;
        std::optional<MyReview> entry;
        Write kind;
        QString title;
        bool pending;
    } cases[] = {
        {"signed out", false, false, std::nullopt, Write::signIn, "Sign In to Review", false},
        {"signed out with a store account", false, true, std::nullopt, Write::signIn, "Sign in with Tavren ID to Review", false},
        {"answer not in yet", true, false, std::nullopt, Write::none, "", false},
        {"not eligible, review waiting", true, false, waiting, Write::notEligible, "Open to people who own or have tried it", true},
        {"eligible, no review", true, false, none, Write::write, "Write a Review", false},
        {"eligible, own review", true, true, mine, Write::write, "Edit Your Review", false},
    };
    for (const Case& c : cases) {
        ReviewsPresenter::Input input;
        input.signedIn = c.signedIn;
        input.storeConnected = c.store;
        input.mine = c.entry;
        input.unavailable = true;
        const ReviewsPresenter::Screen screen = ReviewsPresenter::screen(input);
        EXPECT_EQ(screen.write.kind, c.kind) << c.what;
        EXPECT_EQ(screen.write.title, c.title) << c.what;
        EXPECT_EQ(screen.write.help, c.kind == Write::signIn ? "Reviews are written with a Tavren ID" : "") << c.what;
        EXPECT_EQ(screen.pending, c.pending) << c.what;
    }
}

TEST(ReviewsPresenter, CardDateAndMarks)
{
    Review plain = review("a");
    EXPECT_EQ(ReviewsPresenter::card(plain), ReviewsPresenter::Card{});
    plain.createdAt = QStringLiteral("2026-03-01T10:00:00Z");
    plain.updatedAt = QStringLiteral("2026-12-08T12:00:00Z");
    plain.edited = true;
    plain.verifiedPurchase = true;
    EXPECT_EQ(ReviewsPresenter::card(plain), (ReviewsPresenter::Card{QStringLiteral("Dec 8, 2026"), true, true}));
}
