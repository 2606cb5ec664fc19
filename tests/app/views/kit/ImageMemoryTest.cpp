#include "app/views/kit/ImageMemory.h"

#include "app/views/kit/IconPalette.h"
#include "tests/app/fakes/CraftedImage.h"
#include "tests/testkit/ForkedChild.h"

#include <gtest/gtest.h>

namespace hub {
namespace {

constexpr qint64 mebibyte = 1024 * 1024;

// Runs `body` in a child (so that no thread of Qt's image scaling runs in this process before
// a fork) limited to 1 GiB more address space: 0 when it succeeded and the child's
// resident memory grew by at most 64 MiB meanwhile.
int withinMemory(const std::function<bool()>& body)
{
    return test::runInChild(
        [&] {
            const qint64 before = test::peakResident();
            if (!body())
                return 1;
            return test::peakResident() - before <= 64 * mebibyte ? 0 : 2;
        },
        1024 * mebibyte);
}

// A few hundred bytes declaring a huge progressive canvas would have the decoder hold buffers for all of it.
TEST(ImageMemory, ACanvasOverTheBoundsIsRefusedBeforeAnythingIsDecoded)
{
    using ImageMemory::maxCanvasPixels, ImageMemory::maxCanvasSide;
    const QSize refused[] = {{24000, 24000}, {12000, 12000}, {maxCanvasSide + 1, 16},
                             {maxCanvasSide, int(maxCanvasPixels / maxCanvasSide) + 16}};
    for (const QSize canvas : refused) {
        const QByteArray bomb = test::jpegDeclaring(canvas, true);
        ASSERT_TRUE(bomb.size() > 0 && bomb.size() < 600);
        EXPECT_EQ(withinMemory([&] { return !ImageMemory::decode(bomb, 2048); }), 0) << canvas.width() << "x" << canvas.height();
    }
    // At the bounds, decoded and scaled to what is asked.
    const QByteArray atBounds = test::jpegDeclaring({maxCanvasSide, int(maxCanvasPixels / maxCanvasSide)}, false);
    EXPECT_EQ(withinMemory([&] { return ImageMemory::decode(atBounds, 512).value_or(QImage()).size() == QSize(512, 128); }), 0);
}

TEST(ImageMemory, ThePaletteDecodesASmallSample)
{
    const QByteArray large = test::jpegDeclaring({ImageMemory::maxCanvasSide, 2048}, false);
    EXPECT_EQ(withinMemory([&] { return IconPalette::averageOf(large).has_value(); }), 0);
}

} // namespace
} // namespace hub
