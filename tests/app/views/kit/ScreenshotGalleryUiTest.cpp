#include "app/model/AppModel.h"
#include "app/views/kit/CachedImage.h"
#include "app/views/kit/ImageMemory.h"
#include "app/views/kit/Motion.h"
#include "app/views/kit/PlaceholderShot.h"
#include "app/views/kit/ScreenshotGallery.h"
#include "app/views/kit/ScreenshotViewer.h"
#include "kit/security/HostPolicy.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/DrawnImage.h"
#include "tests/app/fakes/ModelHarness.h"
#include "tests/app/fakes/PngBytes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <QToolButton>
#include <gtest/gtest.h>
#include <utility>

using namespace hub;
using test::eventually;

namespace {

CatalogExtras shots(int count)
{
    const QString host = *HostPolicy::tavren().assetHosts.cbegin();
    ProductMedia media;
    for (int i = 1; i <= count; ++i)
        media.screenshots.append(QStringLiteral("https://%1/shot-%2.png").arg(host).arg(i));
    CatalogExtras extras;
    extras.media.insert(QStringLiteral("p"), media);
    return extras;
}

QList<int> placeholderVariants(const ScreenshotGallery& gallery)
{
    QList<int> variants;
    for (QWidget* cell : gallery.cells())
        if (auto* card = qobject_cast<PlaceholderShot*>(cell))
            variants.append(card->variant());
    return variants;
}

} // namespace

TEST(ScreenshotGalleryUi, ViewerFollowsTheFeed)
{
    Motion::setEnabled(false);
    ImageMemory::setFetch([](const QUrl&) { return std::nullopt; });
    ModelHarness harness;
    const auto model = harness.makeModel();
    QWidget window;
    auto* gallery = new ScreenshotGallery(model->catalog(), QStringLiteral("p"), QStringLiteral("P"), std::nullopt, Qt::red, &window);
    window.show();

    EXPECT_EQ(placeholderVariants(*gallery), QList<int>({0, 1, 2})) << "no feed yet";
    EXPECT_TRUE(gallery->showsCaption());

    model->catalog().setExtras(shots(4));
    ASSERT_TRUE(eventually([&] { return gallery->cells().size() == 4 && placeholderVariants(*gallery).isEmpty(); }));
    EXPECT_FALSE(gallery->showsCaption());
    EXPECT_EQ(gallery->cells().at(2)->accessibleName(), "Screenshot 3 of 4");
    static_cast<QAbstractButton*>(gallery->cells().at(2))->click();
    ScreenshotViewer* viewer = gallery->viewer();
    ASSERT_TRUE(viewer);
    EXPECT_EQ(viewer->counter(), "3 of 4");
    viewer->step(5);
    EXPECT_EQ(viewer->counter(), "4 of 4");
    EXPECT_FALSE(viewer->forwardButton()->isEnabled());

    // A shorter list keeps the viewer within it.
    model->catalog().setExtras(shots(2));
    ASSERT_TRUE(eventually([&] { return viewer->shots().size() == 2; }));
    EXPECT_EQ(viewer->index(), 1);
    EXPECT_EQ(viewer->counter(), "2 of 2");
    EXPECT_EQ(viewer->image()->url(), viewer->shots().at(1));

    // No screenshots left: the viewer closes and the cards come back.
    const QPointer<ScreenshotViewer> open(viewer);
    model->catalog().setExtras(CatalogExtras{});
    ASSERT_TRUE(eventually([&] { return open.isNull(); }));
    EXPECT_EQ(placeholderVariants(*gallery), QList<int>({0, 1, 2}));
    gallery->open(0);
    EXPECT_EQ(gallery->viewer(), nullptr) << "nothing to open";
    ImageMemory::setFetch({});
}

TEST(ScreenshotGalleryUi, APlainWheelScrollsTheStripUntilItsEnd)
{
    ImageMemory::setFetch([](const QUrl&) { return std::nullopt; });
    ModelHarness harness;
    const auto model = harness.makeModel();
    model->catalog().setExtras(shots(4));
    ScreenshotGallery gallery(model->catalog(), QStringLiteral("p"), QStringLiteral("P"), std::nullopt, Qt::red);
    gallery.resize(600, 320);
    gallery.show();
    ASSERT_TRUE(eventually([&] { return gallery.cells().size() == 4; }));
    auto* scroll = gallery.findChild<QScrollArea*>();
    QScrollBar* strip = scroll->horizontalScrollBar();
    ASSERT_GT(strip->maximum(), 0);

    // As the wheel reaches the strip on its way up from the cell under the pointer.
    const auto wheel = [&](int dy) {
        const QPointF at(10, 10);
        QWheelEvent event(at, scroll->viewport()->mapToGlobal(at), QPoint(), QPoint(0, dy), Qt::NoButton, Qt::NoModifier,
            Qt::NoScrollPhase, false);
        QApplication::sendEvent(scroll->viewport(), &event);
        return event.isAccepted();
    };
    EXPECT_FALSE(wheel(120)) << "at the start, up goes on to the page";
    EXPECT_TRUE(wheel(-120));
    EXPECT_GT(strip->value(), 0) << "down moves the strip sideways";
    for (int turn = 0; turn < 100 && strip->value() < strip->maximum(); ++turn)
        wheel(-120);
    EXPECT_EQ(strip->value(), strip->maximum());
    EXPECT_FALSE(wheel(-120)) << "at the end, down goes on to the page";
    ImageMemory::waitForIdle(); // the loads still running use the fetch
    ImageMemory::setFetch({});
}

// A screenshot with transparency shows no drawn card through it, once it is there and when it was already there.
TEST(ScreenshotGalleryUi, TheCardLeavesOnceItsScreenshotIsThere)
{
    Motion::setEnabled(false);
    QImage clear(120, 75, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    const QByteArray png = test::pngBytes(clear);
    ImageMemory::setFetch([&](const QUrl&) { return png; });
    ModelHarness harness;
    const auto model = harness.makeModel();
    model->catalog().setExtras(shots(2));
    const auto cardsShown = [](const ScreenshotGallery& gallery) {
        int shown = 0;
        for (QWidget* cell : gallery.cells())
            shown += cell->findChild<PlaceholderShot*>()->isVisible();
        return shown;
    };
    for (const char* when : {"arrived", "held already"}) {
        ScreenshotGallery gallery(model->catalog(), QStringLiteral("p"), QStringLiteral("P"), std::nullopt, Qt::red);
        gallery.resize(900, 320); // both in view
        gallery.show();
        ASSERT_EQ(gallery.cells().size(), 2);
        ImageMemory::waitForIdle();
        EXPECT_EQ(cardsShown(gallery), 0) << when;
    }
    ImageMemory::setFetch({});
}

// Tab onto each screenshot of the strip: each shows its ring, wholly on view.
TEST(ScreenshotGalleryUi, ATabbedScreenshotShowsItsRingOnView)
{
    ModelHarness harness;
    const auto model = harness.makeModel();
    model->catalog().setExtras(shots(4));
    ScreenshotGallery gallery(model->catalog(), QStringLiteral("p"), QStringLiteral("P"), std::nullopt, Qt::red);
    gallery.resize(500, 400);
    gallery.show();
    QApplication::setActiveWindow(&gallery);
    QCoreApplication::processEvents();
    ASSERT_EQ(gallery.cells().size(), 4);
    QStringList bare;
    QWidget* from = &gallery;
    for (QWidget* cell : gallery.cells()) {
        const QImage before = cell->grab().toImage();
        QTest::keyClick(std::exchange(from, cell), Qt::Key_Tab);
        if (QApplication::focusWidget() != cell || cell->visibleRegion().boundingRect() != cell->rect()
            || !test::ringShows(*cell, before, cell->rect()))
            bare << cell->accessibleName();
    }
    EXPECT_EQ(bare, QStringList());
}
