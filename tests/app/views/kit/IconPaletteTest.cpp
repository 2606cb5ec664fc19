#include "app/views/kit/IconPalette.h"

#include "app/views/kit/ImageMemory.h"
#include "app/views/kit/Theme.h"
#include "kit/security/HostPolicy.h"
#include "tests/app/fakes/PngBytes.h"

#include <QCoreApplication>
#include <QMutex>
#include <gtest/gtest.h>

namespace hub {
namespace {

StorefrontProduct product(const QString& id, std::optional<QString> icon)
{
    StorefrontProduct p;
    p.id = id;
    p.name = id;
    p.iconUrl = std::move(icon);
    return p;
}

// Lets every started task finish and its continuation run.
void settle()
{
    ImageMemory::waitForIdle();
    for (int turn = 0; turn < 3; ++turn)
        QCoreApplication::processEvents();
}

TEST(IconPalette, AveragesStoredComponentsIgnoringAlpha)
{
    QImage solid(4, 4, QImage::Format_ARGB32);
    solid.fill(QColor(10, 200, 30));
    EXPECT_EQ(IconPalette::average(solid), QColor(10, 200, 30));

    QImage halves(2, 1, QImage::Format_ARGB32);
    halves.setPixelColor(0, 0, QColor(0, 0, 0));
    halves.setPixelColor(1, 0, QColor(255, 100, 51, 0)); // fully transparent still counts
    const QColor mixed = *IconPalette::average(halves);
    EXPECT_EQ((std::tuple{mixed.red(), mixed.green(), mixed.blue(), mixed.alpha()}), (std::tuple{128, 50, 26, 255}));
    EXPECT_FALSE(IconPalette::average(QImage()));
}

TEST(IconPalette, EachProductIsTriedOnceAndNeverAgain)
{
    QMutex mutex;
    QHash<QString, int> fetches;
    ImageMemory::setFetch([&](const QUrl& url) -> std::optional<QByteArray> {
        QMutexLocker lock(&mutex);
        ++fetches[url.path()];
        if (url.path() == "/red.png") {
            QImage red(3, 3, QImage::Format_ARGB32);
            red.fill(Qt::red);
            return test::pngBytes(red);
        }
        return QByteArray("not an image");
    });
    const HostPolicy policy{"api.test", {"assets.test"}, {}};
    QObject model;
    IconPalette palette(policy, &model);

    // Refused before any work: no address, malformed, wrong host; checked again each time.
    for (const auto& refused : {product("a", std::nullopt), product("b", "::bad"), product("c", "https://other.test/x.png")}) {
        EXPECT_EQ(palette.color(refused), Theme::accent());
        EXPECT_EQ(palette.color(refused), Theme::accent());
        EXPECT_FALSE(palette.isPending(refused.id));
    }

    const StorefrontProduct red = product("red", "https://assets.test/red.png");
    const StorefrontProduct broken = product("broken", "https://assets.test/broken.png");
    EXPECT_EQ(palette.color(red), Theme::accent());
    EXPECT_EQ(palette.color(red), Theme::accent()); // still pending: no second task
    EXPECT_EQ(palette.color(broken), Theme::accent());
    settle();
    EXPECT_EQ(palette.color(red), QColor(255, 0, 0));
    EXPECT_EQ(palette.color(broken), Theme::accent());
    EXPECT_EQ(palette.color(broken), Theme::accent());
    EXPECT_TRUE(palette.isPending("broken")); // never cleared, never retried
    EXPECT_EQ(fetches.value("/red.png"), 1);
    EXPECT_EQ(fetches.value("/broken.png"), 1);
    EXPECT_EQ(fetches.size(), 2);
    ImageMemory::setFetch({});
}

TEST(IconPalette, OnePalettePerModel)
{
    QObject model;
    IconPalette& first = IconPalette::of(model);
    EXPECT_EQ(&IconPalette::of(model), &first);
    QObject other;
    EXPECT_NE(&IconPalette::of(other), &first);
}

} // namespace
} // namespace hub
