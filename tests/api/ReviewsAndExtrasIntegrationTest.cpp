// Reviews through the Tavren ID client and the extras feed, against the devstore.

#include "tests/devstore/DevstoreTest.h"

#include "kit/api/CatalogExtrasClient.h"
#include "kit/api/TavrenIDClient.h"

using namespace hub;
using Route = ExtrasItem::InstallRoute;

namespace {
class ReviewsAndExtras : public test::DevstoreTest {};
} // namespace

TEST_F(ReviewsAndExtras, ThreePagesTheUsersOwnReviewAndAHeldPost)
{
    const QString host = QStringLiteral("https://") + Deployment::current().identityHost;
    TavrenIDClient client(QUrl(host + "/id"), QUrl(host + "/auth"), std::make_shared<URLSessionTransport>(PinnedTrust::tavren()),
        std::make_shared<InMemoryTokenPersistence>());
    QList<ReviewPage> pages{client.reviews("tv-reverb", std::nullopt, 10)};
    while (pages.last().nextCursor && pages.size() < 5)
        pages << client.reviews("tv-reverb", pages.last().nextCursor, 10);
    ASSERT_EQ(pages.size(), 3);
    EXPECT_EQ(pages[2].reviews.size(), 3);
    EXPECT_EQ(pages[0].summary.count, 23);
    EXPECT_DOUBLE_EQ(pages[0].summary.share(5), 14.0 / 23);

    const QString email = QStringLiteral("demo@tavren.test");
    client.requestCode(email);
    client.completeCode(email, store->control("GET", "/__devstore/code?email=" + QUrl::toPercentEncoding(email))["code"].toString());
    const MyReview mine = client.myReview("tv-compressor");
    EXPECT_TRUE(mine.eligible);
    EXPECT_EQ(mine.review.value_or(Review()).rating, 5);

    const ReviewDraft draft{"tv-reverb", 5, QString::fromUtf8("Big rooms \U0001F3B9"), "See https://example.com", " "};
    const PostedReview posted = client.postReview(draft);
    EXPECT_TRUE(posted.created);
    EXPECT_EQ(posted.review.hidden, true) << "a body with a link waits for a moderator";
    EXPECT_FALSE(client.postReview(draft).created) << "a second post replaces the first";
    EXPECT_EQ(client.reviews("tv-reverb", std::nullopt, 10).summary.count, 23);
}

TEST_F(ReviewsAndExtras, TheFeedWithItsMediaRoutedByTheStorefront)
{
    const auto transport = std::make_shared<URLSessionTransport>(PinnedTrust::tavren());
    const std::optional<CatalogExtras> extras = CatalogExtrasClient(CatalogExtras::feedURL(), HostPolicy::tavren(), transport).fetch();
    ASSERT_TRUE(extras);
    const auto ids = [](const QList<ExtrasItem>& items) {
        QStringList out;
        for (const ExtrasItem& item : items)
            out << item.id;
        return out;
    };
    EXPECT_EQ(ids(extras->freeTools()), (QStringList{"tv-panner-tool", "tv-midi-monitor", "tv-sysex-tool", "tv-old-util"}));
    EXPECT_EQ(ids(extras->earlyAccess()), (QStringList{"tv-game-ea", "tv-granular"}));
    EXPECT_EQ(extras->screenshots("tv-compressor", HostPolicy::tavren()).size(), 4);

    const Storefront storefront = client()->storefront();
    const auto hasMacDownload = [&storefront](const QString& id) {
        return std::any_of(storefront.products.begin(), storefront.products.end(),
            [&id](const StorefrontProduct& p) { return p.id == id && !p.macDownloads().isEmpty(); });
    };
    EXPECT_EQ(extras->items[0].installRoute(hasMacDownload), Route::hub("tv-panner"));
    EXPECT_EQ(extras->items[3].installRoute(hasMacDownload), Route::unavailable()) << "not offered, page not https";
    EXPECT_EQ(extras->items[4].installRoute(hasMacDownload), Route::browser(QUrl("https://github.com/tavren-audio/tv-game/releases")));
}
