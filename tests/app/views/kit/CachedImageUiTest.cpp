#include "app/model/AppModel.h"
#include "app/shell/DetailView.h"
#include "app/views/kit/CachedImage.h"
#include "app/views/kit/ImageMemory.h"
#include "app/views/kit/Motion.h"
#include "app/views/kit/PlaceholderShot.h"
#include "app/views/kit/ScreenshotGallery.h"
#include "app/views/product/ProductPage.h"
#include "kit/security/HostPolicy.h"
#include "tests/app/fakes/Await.h"
#include "tests/app/fakes/Fixtures.h"
#include "tests/app/fakes/ModelHarness.h"
#include "tests/app/fakes/PngBytes.h"

#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>
#include <gtest/gtest.h>

using namespace hub;
using test::eventually;

namespace {

CachedImage* shotOf(QWidget* cell) { return cell->findChild<CachedImage*>(QString(), Qt::FindDirectChildrenOnly); }

// Each cell shows its screenshot or its card, never nothing.
bool neverBlank(const ScreenshotGallery& gallery)
{
    return std::ranges::all_of(gallery.cells(),
                               [](QWidget* cell) { return shotOf(cell)->hasImage() != cell->findChild<PlaceholderShot*>()->isVisible(); });
}

qsizetype holding(const QWidget& root) { return std::ranges::count_if(root.findChildren<CachedImage*>(), &CachedImage::hasImage); }

} // namespace

// A page behind another on the path holds none of its pictures, and a strip's cell far out of view none of its own.
// Back brings them from the kept images at once or, once those are gone, loads them again with the cards meanwhile.
// The wheel down the page's strip to its end then leaves its first cells without, and the last show theirs.
TEST(CachedImageUi, OnlyAViewShownWithinReachHoldsItsPicture)
{
    Motion::setEnabled(false);
    QImage shot(120, 75, QImage::Format_RGB32);
    shot.fill(Qt::darkCyan);
    const QByteArray png = test::pngBytes(shot);
    ImageMemory::setFetch([&](const QUrl&) { return png; });
    CatalogExtras extras;
    const QString host = *HostPolicy::tavren().assetHosts.cbegin();
    for (const QString id : {"a", "b"})
        for (int i = 0; i < 40; ++i)
            extras.media[id].screenshots.append(QStringLiteral("https://%1/%2-%3.png").arg(host, id).arg(i));
    for (const bool crowded : {false, true}) {
        ModelHarness harness;
        const auto model = harness.makeModel();
        model->catalog().setStorefront(Fixtures::storefront({Fixtures::product("a", "Alpha"), Fixtures::product("b", "Beta")}));
        model->catalog().setExtras(extras);
        DetailView detail(*model);
        detail.resize(1000, 700);
        detail.show();
        model->navigation().show(QStringLiteral("a"));
        ProductPage* first = nullptr;
        ASSERT_TRUE(eventually([&] { return first = qobject_cast<ProductPage*>(detail.current()); }));
        ImageMemory::waitForIdle();
        CachedImage* const firstShot = shotOf(first->gallery()->cells().first());
        EXPECT_TRUE(firstShot->hasImage());
        EXPECT_LT(holding(*first->gallery()), 12) << "only those within reach";
        model->navigation().show(QStringLiteral("b"));
        ASSERT_TRUE(eventually([&] { return detail.current() != first; }));
        ImageMemory::waitForIdle();
        EXPECT_EQ(holding(*first), 0) << "kept for Back";
        EXPECT_GT(holding(*detail.current()), 0);
        QImage other(1024, 1024, QImage::Format_RGB32);
        for (int n = 0; crowded && n <= ImageMemory::keptBytes / other.sizeInBytes(); ++n)
            ImageMemory::remember(QUrl(QStringLiteral("https://assets.test/other-%1.png").arg(n)), other);
        model->navigation().goBack();
        ASSERT_TRUE(eventually([&] { return detail.current() == first; }));
        EXPECT_EQ(firstShot->hasImage(), !crowded) << "taken at once when kept";
        EXPECT_TRUE(neverBlank(*first->gallery()));
        ImageMemory::waitForIdle();
        EXPECT_TRUE(firstShot->hasImage());
        ScreenshotGallery& gallery = *first->gallery();
        auto* scroll = gallery.findChild<QScrollArea*>();
        while (scroll->horizontalScrollBar()->value() < scroll->horizontalScrollBar()->maximum()) {
            const QPoint at(10, 10);
            QWheelEvent wheel(at, scroll->viewport()->mapToGlobal(at), {}, {0, -120}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
            QApplication::sendEvent(scroll->viewport(), &wheel);
            QCoreApplication::processEvents();
            ASSERT_TRUE(neverBlank(gallery));
        }
        ImageMemory::waitForIdle();
        EXPECT_FALSE(firstShot->hasImage()) << "far out of view";
        EXPECT_TRUE(shotOf(gallery.cells().last())->hasImage());
        EXPECT_LT(holding(gallery), 12);
        EXPECT_TRUE(neverBlank(gallery));
    }
    ImageMemory::setFetch({});
}
