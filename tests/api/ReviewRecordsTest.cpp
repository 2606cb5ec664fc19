#include "kit/api/MyReview.h"
#include "kit/api/PostedReview.h"
#include "kit/api/ReviewDraft.h"
#include "kit/api/ReviewPage.h"

#include <QJsonDocument>
#include <gtest/gtest.h>

using namespace hub;

namespace {

QString repeated(const QString& unit, int times) { return unit.repeated(times); }

const QString family = QString::fromUtf8("\U0001F468\u200D\U0001F469\u200D\U0001F467"); // one character, 8 units
const QString flag = QString::fromUtf8("\U0001F1E9\U0001F1EA");
const QString accented = QString::fromUtf8("e\u0301\u0302"); // e with two combining marks

ReviewDraft valid() { return ReviewDraft{"tv-reverb", 4, "Lovely", "Warm tails.", std::nullopt}; }

template <typename T>
std::optional<T> decoded(const char* json)
{
    try {
        return T::fromJson(JsonReader::parse(QByteArray(json)));
    } catch (const JsonError&) {
        return std::nullopt;
    }
}

} // namespace

TEST(ReviewDraftTest, ProblemsInOrderWithLimitsInCharacters)
{
    struct Case {
        const char* what;
        ReviewDraft draft;
        std::optional<QString> problem;
    };
    const auto with = [](auto change) {
        ReviewDraft d = valid();
        change(d);
        return d;
    };
    const Case cases[] = {
        {"valid", valid(), std::nullopt},
        {"rating 0 beats everything", ReviewDraft{"p", 0, "", "", std::nullopt}, "Choose a rating from one to five stars."},
        {"rating 6", with([](auto& d) { d.rating = 6; }), "Choose a rating from one to five stars."},
        {"blank title", with([](auto& d) { d.title = " \n\t\u2028 "; }), "Add a title."},
        {"blank body", with([](auto& d) { d.body = QString::fromUtf8("\u00A0\r\n\u0085"); }), "Write a few words about it."},
        {"80 letters with spaces around", with([](auto& d) { d.title = "  " + repeated("a", 80) + "\n"; }), std::nullopt},
        {"81 letters", with([](auto& d) { d.title = repeated("a", 81); }), "Keep the title under 80 characters."},
        {"80 family emoji", with([](auto& d) { d.title = repeated(family, 80); }), std::nullopt},
        {"81 flags", with([](auto& d) { d.title = repeated(flag, 81); }), "Keep the title under 80 characters."},
        {"2000 combining", with([](auto& d) { d.body = repeated(accented, 2000); }), std::nullopt},
        {"2001 letters", with([](auto& d) { d.body = repeated("b", 2001); }), "Keep the review under 2000 characters."},
        {"40 emoji name", with([](auto& d) { d.displayName = repeated(family, 40); }), std::nullopt},
        {"41 letters name", with([](auto& d) { d.displayName = repeated("n", 41); }), "Keep the name under 40 characters."},
        {"blank name is not checked", with([](auto& d) { d.displayName = "   "; }), std::nullopt},
        {"title before body", with([](auto& d) { d.title = repeated("a", 81); d.body = ""; }),
            "Keep the title under 80 characters."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.draft.problem(), c.problem) << c.what;

    EXPECT_EQ(ReviewDraft::characterCount(family + flag + accented + "x"), 4);
    EXPECT_EQ(ReviewDraft::characterCount(u""), 0);
}

TEST(ReviewDraftTest, NormalizedTrimsTheEndsOnlyAndPostsTheTrimmedForm)
{
    ReviewDraft draft{"tv-reverb", 5, QString::fromUtf8("\u3000 Big  room \n"), "\tLine one\nLine two\r\n",
        QString::fromUtf8(" Ada\u2029")};
    const ReviewDraft n = draft.normalized();
    EXPECT_EQ(n, (ReviewDraft{"tv-reverb", 5, "Big  room", "Line one\nLine two", QString("Ada")}));
    // Zero-width space is not white space; it stays.
    EXPECT_EQ(ReviewDraft::trimmed(QString::fromUtf8("\u200Bx\u200B")), QString::fromUtf8("\u200Bx\u200B"));

    draft.displayName = " \n";
    const QJsonObject body = draft.normalized().toJson();
    EXPECT_FALSE(body.contains("displayName"));
    EXPECT_EQ(body.value("title").toString(), "Big  room");
    EXPECT_EQ(body.value("rating").toInteger(), 5);
    EXPECT_EQ(body.size(), 4);
}

TEST(ReviewRecordsTest, DecodingRequiredOptionalAndWrongTypes)
{
    const char* review = R"({"id":"r1","productId":"p","rating":4,"title":"T","body":"B","displayName":"D",
        "verifiedPurchase":true,"createdAt":"2026-11-02T09:15:00Z","edited":null,"extra":[1]})";
    const std::optional<Review> r = decoded<Review>(review);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->rating, 4);
    EXPECT_FALSE(r->edited);
    EXPECT_FALSE(r->hidden);
    EXPECT_EQ(Review::fromJson(JsonReader(r->toJson())), *r);

    EXPECT_FALSE(decoded<Review>(R"({"id":"r","productId":"p","rating":1,"title":"","body":"","displayName":""})"))
        << "verifiedPurchase is required";
    EXPECT_FALSE(decoded<Review>(R"({"id":"r","productId":"p","rating":"1","title":"","body":"","displayName":"",
        "verifiedPurchase":false})")) << "rating as text";

    const std::optional<MyReview> bare = decoded<MyReview>(R"({"eligible":false})");
    ASSERT_TRUE(bare);
    EXPECT_EQ(*bare, (MyReview{false, std::nullopt, std::nullopt}));
    EXPECT_FALSE(decoded<MyReview>(R"({"basis":"owner"})"));

    const std::optional<ReviewPage> empty =
        decoded<ReviewPage>(R"({"productId":"p","summary":{"count":0},"reviews":[]})");
    ASSERT_TRUE(empty);
    EXPECT_FALSE(empty->nextCursor);
    EXPECT_FALSE(decoded<ReviewPage>(R"({"productId":"p","summary":{"count":1},"reviews":[{"id":"x"}]})"));
    EXPECT_FALSE(decoded<ReviewPage>(R"({"productId":"p","summary":{"count":1,"distribution":{"5":"1"}},"reviews":[]})"));

    const std::optional<PostedReview> posted = decoded<PostedReview>(R"({"created":false,"review":{"id":"r",
        "productId":"p","rating":5,"title":"t","body":"b","displayName":"d","verifiedPurchase":false,"hidden":true}})");
    ASSERT_TRUE(posted);
    EXPECT_FALSE(posted->created);
    EXPECT_EQ(posted->review.hidden, true);
    EXPECT_EQ(qHash(*posted), qHash(PostedReview::fromJson(JsonReader(posted->toJson()))));
}

TEST(ReviewRecordsTest, DateAndShare)
{
    Review r;
    EXPECT_FALSE(r.date());
    r.createdAt = "2026-11-02T09:15:00Z";
    EXPECT_EQ(r.date(), QDateTime::fromString("2026-11-02T09:15:00Z", Qt::ISODate));
    r.updatedAt = "yesterday";
    EXPECT_FALSE(r.date()) << "an unreadable updatedAt does not fall back";

    const ReviewSummary four{4, 4.5, QMap<QString, qint64>{{"5", 3}, {"4", 1}}};
    EXPECT_DOUBLE_EQ(four.share(5), 0.75);
    EXPECT_DOUBLE_EQ(four.share(1), 0);
    EXPECT_DOUBLE_EQ((ReviewSummary{0, std::nullopt, QMap<QString, qint64>{{"5", 3}}}).share(5), 0);
    EXPECT_DOUBLE_EQ((ReviewSummary{2, std::nullopt, std::nullopt}).share(5), 0);
    EXPECT_DOUBLE_EQ((ReviewSummary{1, std::nullopt, QMap<QString, qint64>{{"3", 2}}}).share(3), 2) << "not clamped";
}
