#include "app/views/kit/GalleryPresenter.h"
#include "kit/security/HostPolicy.h"

#include <gtest/gtest.h>

using namespace hub;
using Viewer = GalleryPresenter::Viewer;

TEST(GalleryPresenter, ShotsAndStandInCards)
{
    const HostPolicy policy{QStringLiteral("api.example.com"), {QStringLiteral("img.example.com")}, {}};
    CatalogExtras extras;
    extras.media.insert(QStringLiteral("p"), ProductMedia{{QStringLiteral("https://img.example.com/1.png"),
        QStringLiteral("http://img.example.com/2.png"), QStringLiteral("https://elsewhere.example/3.png")}});
    EXPECT_EQ(GalleryPresenter::shots(extras, QStringLiteral("p"), policy), QList<QUrl>{QUrl("https://img.example.com/1.png")});
    EXPECT_TRUE(GalleryPresenter::shots(extras, QStringLiteral("q"), policy).isEmpty());
    EXPECT_TRUE(GalleryPresenter::shots(std::nullopt, QStringLiteral("p"), policy).isEmpty());

    QList<int> variants;
    for (const QString& key : GalleryPresenter::placeholderKeys())
        variants.append(GalleryPresenter::variant(key));
    EXPECT_EQ(variants, QList<int>({0, 1, 2}));
    EXPECT_EQ(GalleryPresenter::variant(QStringLiteral("placeholder-x")), 0);
    EXPECT_EQ(GalleryPresenter::variant(QString()), 0);

    // Even cards run from the top leading corner; only card 1 glows there.
    EXPECT_EQ(GalleryPresenter::card(0), (GalleryPresenter::Card{true, false}));
    EXPECT_EQ(GalleryPresenter::card(1), (GalleryPresenter::Card{false, true}));
    EXPECT_EQ(GalleryPresenter::card(2), (GalleryPresenter::Card{true, false}));
    EXPECT_EQ(GalleryPresenter::card(3), (GalleryPresenter::Card{false, false}));
    EXPECT_EQ(GalleryPresenter::cellLabel(2, 5), "Screenshot 3 of 5");
}

TEST(GalleryPresenter, ViewerStaysWithinTheList)
{
    struct Case {
        const char* what;
        int index;
        qsizetype count;
        std::optional<Viewer> viewer;
    } cases[] = {
        {"one shot", 0, 1, Viewer{0, "1 of 1", false, false}},
        {"first", 0, 4, Viewer{0, "1 of 4", false, true}},
        {"third", 2, 4, Viewer{2, "3 of 4", true, true}},
        {"last", 3, 4, Viewer{3, "4 of 4", true, false}},
        {"list shortened under it", 5, 2, Viewer{1, "2 of 2", true, false}},
        {"negative", -1, 2, Viewer{0, "1 of 2", false, true}},
        {"nothing left", 0, 0, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GalleryPresenter::viewer(c.index, c.count), c.viewer) << c.what;

    struct Step {
        int index;
        int delta;
        qsizetype count;
        int after;
    } steps[] = {
        {0, -1, 3, 0}, {2, 1, 3, 2}, {1, 1, 3, 2}, {1, -1, 3, 0}, {0, 1, 1, 0}, {0, 1, 0, 0}, {0, -1, 0, 0}, {4, -1, 3, 2},
    };
    for (const Step& s : steps)
        EXPECT_EQ(GalleryPresenter::step(s.index, s.delta, s.count), s.after) << s.index << " " << s.delta << " " << s.count;
}
