#include "app/views/kit/ImageMemory.h"

#include "app/views/kit/IconPalette.h"
#include "tests/app/fakes/CraftedImage.h"
#include "tests/testkit/ForkedChild.h"

#include <gtest/gtest.h>

namespace hub {
namespace {

// 0 when `body` succeeds in a child (no thread of Qt's image scaling runs here before a fork) given 1 GiB more
// address space, its resident memory growing by at most 64 MiB.
int withinMemory(const std::function<bool()>& body)
{
    const auto measured = [&] {
        const qint64 before = test::peakResident();
        return !body() ? 1 : test::peakResident() - before <= (64 << 20) ? 0 : 2;
    };
    return test::runInChild(measured, 1 << 30);
}

// A few hundred bytes declaring a canvas over the bounds would have the decoder hold buffers for all of it, as would a
// GIF's screen or an ICO entry's PNG over them: refused before decoding. At the bounds an image is decoded at the size
// asked; the palette decodes a small sample.
TEST(ImageMemory, ACanvasOverTheBoundsIsRefusedAndWhatIsDecodedIsSmall)
{
    using ImageMemory::maxCanvasPixels, ImageMemory::maxCanvasSide;
    const int tallest = int(maxCanvasPixels / maxCanvasSide);
    for (const QSize canvas : {QSize(24000, 24000), QSize(12000, 12000), QSize(maxCanvasSide + 1, 16), QSize(maxCanvasSide, tallest + 16)}) {
        const QByteArray bomb = test::jpegDeclaring(canvas, true);
        ASSERT_FALSE(bomb.isEmpty());
        EXPECT_EQ(withinMemory([&] { return !ImageMemory::decode(bomb, 2048); }), 0) << canvas.width() << "x" << canvas.height();
    }
    for (const QByteArray& bomb : {test::gifOnLargeScreen(), test::icoHoldingPng({5600, 5600})}) {
        EXPECT_EQ(withinMemory([&] { return !ImageMemory::decode(bomb, 2048); }), 0) << bomb.left(4).toHex().constData();
        // Any other reader of Qt's is capped at the same canvas, as the app sets it.
        EXPECT_EQ(withinMemory([&] { ImageMemory::limitAllocation(); return QImage::fromData(bomb).isNull(); }), 0);
    }
    const QByteArray atBounds = test::jpegDeclaring({maxCanvasSide, tallest}, false);
    EXPECT_EQ(withinMemory([&] { return ImageMemory::decode(atBounds, 512).value_or(QImage()).size() == QSize(512, 128); }), 0);
    const QByteArray large = test::jpegDeclaring({maxCanvasSide, 2048}, false);
    EXPECT_EQ(withinMemory([&] { return IconPalette::averageOf(large).has_value(); }), 0);
}

} // namespace
} // namespace hub
