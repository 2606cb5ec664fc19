#include "kit/api/MyReview.h"
#include "kit/api/PostedReview.h"
#include "kit/api/ReviewDraft.h"
#include "kit/api/ReviewPage.h"

#include <gtest/gtest.h>

using namespace hub;

namespace {

const QString family = QString::fromUtf8("\U0001F468\u200D\U0001F469\u200D\U0001F467"); // one character, 8 units
const QString flag = QString::fromUtf8("\U0001F1E9\U0001F1EA");
const QString accented = QString::fromUtf8("e\u0301\u0302");

template <typename T>
bool decodes(const char* json)
{
    try {
        return T::fromJson(JsonReader(T::fromJson(JsonReader::parse(json)).toJson())) == T::fromJson(JsonReader::parse(json));
    } catch (const JsonError&) {
        return false;
    }
}

} // namespace

TEST(ReviewDraftTest, ProblemsInOrderWithLimitsInCharacters)
{
    const auto draft = [](qint64 rating, QString title, QString body, std::optional<QString> name = std::nullopt) {
        return ReviewDraft{"tv-reverb", rating, title, body, name};
    };
    const std::pair<ReviewDraft, std::optional<QString>> cases[] = {
        {draft(4, "Lovely", "Warm."), std::nullopt},
        {draft(0, "", ""), "Choose a rating from one to five stars."},
        {draft(5, " \n\t\u2028 ", "Warm."), "Add a title."},
        {draft(5, "T", QString::fromUtf8("\u00A0\r\n\u0085\u3000")), "Write a few words about it."},
        {draft(5, "  " + QString("a").repeated(80) + "\n", "b"), std::nullopt},
        {draft(5, QString("a").repeated(81), ""), "Keep the title under 80 characters."},
        {draft(5, family.repeated(80), "b"), std::nullopt},
        {draft(5, (family + flag).repeated(40) + "x", "b"), "Keep the title under 80 characters."},
        {draft(5, "T", accented.repeated(2000)), std::nullopt},
        {draft(5, "T", QString("b").repeated(2001)), "Keep the review under 2000 characters."},
        {draft(5, "T", "b", QString("n").repeated(41)), "Keep the name under 40 characters."},
        {draft(5, "T", "b", "   "), std::nullopt},
    };
    for (const auto& [d, problem] : cases)
        EXPECT_EQ(d.problem(), problem) << d.title.size() << " " << d.body.size();
    EXPECT_EQ(ReviewDraft::characterCount(family + flag + accented + "x"), 4);
}

TEST(ReviewDraftTest, NormalizedTrimsTheEndsOnly)
{
    const ReviewDraft draft{"p", 5, QString::fromUtf8("\u3000 Big  room \n"), "\tOne\nTwo\r\n", QString::fromUtf8(" Ada\u2029")};
    EXPECT_EQ(draft.normalized(), (ReviewDraft{"p", 5, "Big  room", "One\nTwo", QString("Ada")}));
    EXPECT_EQ(ReviewDraft::trimmed(QString::fromUtf8("\u200Bx\u200B")), QString::fromUtf8("\u200Bx\u200B"));
    ReviewDraft blankName = draft;
    blankName.displayName = " \n";
    const QJsonObject body = blankName.normalized().toJson();
    EXPECT_EQ(body.keys(), (QStringList{"body", "productId", "rating", "title"}));
    EXPECT_EQ(body.value("rating").toInteger(), 5);
}

TEST(ReviewRecordsTest, DecodingAndDerivedValues)
{
    const char* review = R"({"id":"r","productId":"p","rating":4,"title":"","body":"","displayName":"")";
    EXPECT_TRUE(decodes<Review>(QByteArray(review) + R"(,"verifiedPurchase":true,"edited":null,"extra":[1]})"));
    EXPECT_FALSE(decodes<Review>(QByteArray(review) + "}"));
    EXPECT_FALSE(decodes<Review>(QByteArray(review) + R"(,"verifiedPurchase":true,"hidden":"no"})"));
    EXPECT_TRUE(decodes<MyReview>(R"({"eligible":false})"));
    EXPECT_FALSE(decodes<MyReview>(R"({"basis":"owner"})"));
    EXPECT_TRUE(decodes<ReviewPage>(R"({"productId":"p","summary":{"count":0},"reviews":[]})"));
    EXPECT_FALSE(decodes<ReviewPage>(R"({"productId":"p","summary":{"count":1,"distribution":{"5":"1"}},"reviews":[]})"));
    EXPECT_TRUE(decodes<PostedReview>((R"({"created":false,"review":)" + QByteArray(review) + R"(,"verifiedPurchase":false}})")));

    Review r;
    EXPECT_FALSE(r.date());
    r.createdAt = "2026-11-02T09:15:00Z";
    EXPECT_EQ(r.date(), QDateTime::fromString("2026-11-02T09:15:00Z", Qt::ISODate));
    r.updatedAt = "yesterday";
    EXPECT_FALSE(r.date()) << "an unreadable updatedAt does not fall back";

    const QMap<QString, qint64> levels{{"5", 3}, {"4", 1}};
    EXPECT_DOUBLE_EQ((ReviewSummary{4, 4.5, levels}).share(5), 0.75);
    EXPECT_DOUBLE_EQ((ReviewSummary{0, std::nullopt, levels}).share(5), 0);
    EXPECT_DOUBLE_EQ((ReviewSummary{2, std::nullopt, std::nullopt}).share(5), 0);
    EXPECT_DOUBLE_EQ((ReviewSummary{1, std::nullopt, levels}).share(5), 3) << "not clamped";
}
