// The screenshot generator in-process, its waits injected: which images it writes for
// which model, and that each one shows the window drawn.

#include "app/shell/Snapshotter.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/DrawnImage.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"

#include <QCoroTimer>
#include <QDir>
#include <QImage>
#include <gtest/gtest.h>

using namespace hub;

namespace {

// A wait that only lets the event loop turn, and remembers how long it was meant to be.
struct RecordedWaits {
    QList<qint64> asked;
    Sleeper sleeper()
    {
        return [this](std::chrono::milliseconds duration) -> QCoro::Task<> {
            asked.append(duration.count());
            co_await QCoro::sleepFor(std::chrono::milliseconds(0));
        };
    }
};

QStringList written(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
}

TEST(Snapshotter, WritesEveryShotTheModelAllows)
{
    ModelHarness harness;
    auto model = harness.makeModel();
    model->catalog().setStorefront(Fixtures::storefront({Fixtures::product(QStringLiteral("tv-delay"), QStringLiteral("TV Delay")),
        Fixtures::product(QStringLiteral("tv-reverb"), QStringLiteral("TV Reverb"))}));
    model->catalog().setExtras(Fixtures::extras({QStringLiteral("Free EQ")}));
    model->navigation().setSelection(HubSection::library);

    QTemporaryDir box;
    const QString folder = box.filePath(QStringLiteral("shots/new"));
    RecordedWaits waits;
    test::await(Snapshotter::run(folder, *model, waits.sleeper()));

    EXPECT_EQ(written(folder), QStringList({"account.png", "apps.png", "browse.png", "discover.png", "free-tool-page.png",
                                   "free-tools.png", "free.png", "product-full.png", "product.png", "review-sheet.png",
                                   "search.png", "security.png", "sign-in.png", "splash-early.png", "splash-late.png"}));
    EXPECT_EQ(waits.asked, QList<qint64>({4000, 4000, 4000, 4000, 4000, 4000, 4000, 4000, 4000, 1000, 5000, 1000, 1000, 1000, 1000}));
    for (const QString& name : written(folder)) {
        const QImage image(QDir(folder).filePath(name));
        if (name == u"sign-in.png") {
            EXPECT_EQ(image.width(), 480);
            EXPECT_GT(test::sampledColours(image), 4);
            continue;
        }
        const QSize size = name.startsWith(u"splash")       ? QSize(1100, 700)
                           : name == u"product-full.png" ? QSize(1440, 2300)
                           : name == u"security.png"     ? QSize(520, 560)
                           : name == u"review-sheet.png" ? QSize(520, 600)
                                                          : QSize(1440, 900);
        EXPECT_EQ(image.size(), size) << name.toStdString();
        EXPECT_GT(test::sampledColours(image), 4) << name.toStdString();
    }
    // The page product is the one with the fixed id, not the first; the search is emptied.
    EXPECT_EQ(model->navigation().path(), QStringList{QStringLiteral("tv-reverb")});
    EXPECT_EQ(model->navigation().search(), QString());
}

TEST(Snapshotter, AnEmptyStoreStillWritesTheProductShotAndNoPage)
{
    ModelHarness harness;
    auto model = harness.makeModel();
    EXPECT_EQ(Snapshotter::pageProduct({}), std::nullopt);
    EXPECT_EQ(Snapshotter::pageProduct({Fixtures::product(QStringLiteral("a"), QStringLiteral("A"))})->id, QStringLiteral("a"));

    QTemporaryDir box;
    RecordedWaits waits;
    test::await(Snapshotter::run(box.path(), *model, waits.sleeper()));
    EXPECT_EQ(written(box.path()), QStringList({"account.png", "apps.png", "browse.png", "discover.png", "free.png", "product.png",
                                       "search.png", "security.png", "sign-in.png", "splash-early.png", "splash-late.png"}));
    EXPECT_EQ(waits.asked.size(), 11);
}

} // namespace
