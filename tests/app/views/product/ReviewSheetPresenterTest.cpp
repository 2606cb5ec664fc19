#include "app/views/product/ReviewSheetPresenter.h"

#include <gtest/gtest.h>

using namespace hub;
using Counter = ReviewSheetPresenter::Counter;

namespace {

ReviewSheetPresenter::Input ready()
{
    ReviewSheetPresenter::Input input;
    input.productId = QStringLiteral("tv-reverb");
    input.rating = 4;
    input.title = QStringLiteral("Lovely");
    input.body = QStringLiteral("Warm and clear.");
    return input;
}

} // namespace

TEST(ReviewSheetPresenter, CountersCountWhatIsTypedInCharacters)
{
    const QString family = QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467"); // one character, 8 code units
    const QString accented = QStringLiteral("e\u0301");                                   // one character, 2 code units
    struct Case {
        QString text;
        qsizetype limit;
        Counter counter;
    } cases[] = {
        {"", 80, {"0/80", false}},
        {QString(80, u'a'), 80, {"80/80", false}},
        {QString(81, u'a'), 80, {"81/80", true}},
        {QString(79, u'a') + "   ", 80, {"82/80", true}},
        {family.repeated(40), 40, {"40/40", false}},
        {accented.repeated(41), 40, {"41/40", true}},
        {"a\nb", 2000, {"3/2000", false}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReviewSheetPresenter::counter(c.text, c.limit), c.counter) << c.text.size();
}

TEST(ReviewSheetPresenter, ProblemsHoldTheSubmitButton)
{
    struct Case {
        const char* what;
        std::function<void(ReviewSheetPresenter::Input&)> change;
        std::optional<QString> problem;
    } cases[] = {
        {"ready", [](auto&) {}, std::nullopt},
        {"no rating", [](auto& in) { in.rating = 0; }, "Choose a rating from one to five stars."},
        {"seeded out of range", [](auto& in) { in.rating = 9; }, "Choose a rating from one to five stars."},
        {"title of spaces", [](auto& in) { in.title = "   "; }, "Add a title."},
        {"title at the limit", [](auto& in) { in.title = QString(80, u'a'); }, std::nullopt},
        {"title over by spaces only", [](auto& in) { in.title = QString(79, u'a') + "   "; }, std::nullopt},
        {"title over", [](auto& in) { in.title = QString(81, u'a'); }, "Keep the title under 80 characters."},
        {"no text", [](auto& in) { in.body = "\n"; }, "Write a few words about it."},
        {"text over", [](auto& in) { in.body = QString(2001, u'a'); }, "Keep the review under 2000 characters."},
        {"empty name is no name", [](auto& in) { in.name = "  "; }, std::nullopt},
        {"name over", [](auto& in) { in.name = QString(41, u'n'); }, "Keep the name under 40 characters."},
    };
    for (const Case& c : cases) {
        ReviewSheetPresenter::Input input = ready();
        c.change(input);
        const ReviewSheetPresenter::Screen screen = ReviewSheetPresenter::screen(input);
        EXPECT_EQ(screen.problem, c.problem) << c.what;
        EXPECT_EQ(screen.canSubmit, !c.problem) << c.what;
    }
}

TEST(ReviewSheetPresenter, NewEditingAndSending)
{
    ReviewSheetPresenter::Input input;
    input.productId = QStringLiteral("tv-reverb");
    ReviewSheetPresenter::Screen screen = ReviewSheetPresenter::screen(input);
    EXPECT_EQ(screen.heading, "Write a Review");
    EXPECT_EQ(screen.submit, "Post");
    EXPECT_EQ(screen.caption, "Choose a rating");
    EXPECT_EQ(screen.filledStars, 0);
    EXPECT_EQ(screen.title, (Counter{"0/80", false}));
    EXPECT_EQ(screen.body, (Counter{"0/2000", false}));
    EXPECT_EQ(screen.name, (Counter{"0/40", false}));
    EXPECT_EQ(screen.problem, "Choose a rating from one to five stars.");

    input = ready();
    input.editing = true;
    input.rating = 3;
    screen = ReviewSheetPresenter::screen(input);
    EXPECT_EQ(screen.heading, "Edit Your Review");
    EXPECT_EQ(screen.submit, "Save");
    EXPECT_EQ(screen.caption, "Good");
    EXPECT_EQ(screen.filledStars, 3);
    EXPECT_TRUE(screen.canSubmit);

    input.sending = true;
    screen = ReviewSheetPresenter::screen(input);
    EXPECT_EQ(screen.submit, "") << "the spinner shows instead";
    EXPECT_FALSE(screen.canSubmit);

    const QStringList words{"Choose a rating", "Poor", "Fair", "Good", "Very good", "Excellent", "Choose a rating"};
    for (int rating = 0; rating <= 6; ++rating)
        EXPECT_EQ(ReviewSheetPresenter::caption(rating), words.at(rating));
    EXPECT_EQ(ReviewSheetPresenter::starLabel(1), "1 star");
    EXPECT_EQ(ReviewSheetPresenter::starLabel(3), "3 stars");

    // The texts go as typed, with the name always given.
    input.name = QStringLiteral(" Ada ");
    const ReviewDraft draft = ReviewSheetPresenter::draft(input);
    EXPECT_EQ(draft.displayName, " Ada ");
    EXPECT_EQ(draft.normalized().displayName, "Ada");
}
