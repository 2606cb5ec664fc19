#pragma once

#include "kit/api/MyReview.h"
#include "kit/api/ReviewPage.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace hub {

// The ratings and reviews section of a product page: what it shows for the held
// page, the header's write control, the pending notice, and the stars and bars.
struct ReviewsPresenter {
    static constexpr double barWidth = 220;

    struct Input {
        QString productName;
        std::optional<ReviewPage> page;
        bool unavailable = false; // the first page failed with nothing held
        std::optional<MyReview> mine;
        bool signedIn = false;       // Tavren ID
        bool storeConnected = false; // a store account
        bool loadingMore = false;
    };

    enum class Content { loading, unavailable, empty, reviews };

    struct Bar {
        int level = 0;
        double fraction = 0; // of the bar's width, within 0 to 1
        QString label;       // "14 of 23", read by assistive technology
        bool operator==(const Bar&) const = default;
    };
    struct Summary {
        QString average; // "4.3"
        QList<Bar> bars; // levels 5 to 1
        QString count;   // "1 rating", "23 ratings"
        bool operator==(const Summary&) const = default;
    };

    enum class Write { none, signIn, notEligible, write };
    struct WriteControl {
        Write kind = Write::none;
        QString title;
        QString help;
        bool operator==(const WriteControl&) const = default;
    };

    struct Screen {
        Content content = Content::loading;
        QString message; // the empty or unavailable text
        std::optional<Summary> summary;
        QList<Review> reviews;
        bool showsMore = false;
        bool moreEnabled = false;
        bool pending = false; // the user's own review waits for a moderator
        WriteControl write;
    };

    static Screen screen(const Input& input);
    static Summary summary(const ReviewSummary& summary);
    static WriteControl writeControl(const Input& input);

    // The five glyphs of a rating, left to right.
    static QStringList stars(double rating);
    // "4.5 out of 5 stars".
    static QString starsLabel(double rating);
    static QString countText(qint64 count);
    // A share of the ratings as a bar's fill, clamped for drawing.
    static double barFraction(double share);

    // One review card's second-line and footer facts.
    struct Card {
        std::optional<QString> date;
        bool verified = false;
        bool edited = false;
        bool operator==(const Card&) const = default;
    };
    static Card card(const Review& review);
};

} // namespace hub
