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

// Bytes whose decoder would hold buffers far over the bounds are refused before decoding: a few hundred bytes declaring
// such a canvas, a GIF painting a 1 x 1 frame on a large screen, an ICO entry of 256 x 256 holding a large PNG. At the
// bounds an image is decoded at the size asked; the palette decodes a small sample.
TEST(ImageMemory, ACanvasOverTheBoundsIsRefusedAndWhatIsDecodedIsSmall)
{
    using ImageMemory::maxCanvasPixels, ImageMemory::maxCanvasSide;
    const int tallest = int(maxCanvasPixels / maxCanvasSide);
    const std::pair<const char*, QByteArray> bombs[] = {
        {"JPEG 24000 x 24000", test::jpegDeclaring({24000, 24000}, true)},
        {"JPEG 12000 x 12000", test::jpegDeclaring({12000, 12000}, true)},
        {"JPEG one over the longest side", test::jpegDeclaring({maxCanvasSide + 1, 16}, true)},
        {"JPEG over the pixels", test::jpegDeclaring({maxCanvasSide, tallest + 16}, true)},
        {"GIF 1 x 1 on a 5792 x 5792 screen", test::gifOnScreen({5792, 5792})},
        {"ICO of 256 x 256 holding a 5600 x 5600 PNG", test::icoHoldingPng({5600, 5600})},
    };
    for (const auto& [what, bomb] : bombs) {
        ASSERT_FALSE(bomb.isEmpty()) << what;
        EXPECT_EQ(withinMemory([&] { return !ImageMemory::decode(bomb, 2048); }), 0) << what;
    }
    const QByteArray atBounds = test::jpegDeclaring({maxCanvasSide, tallest}, false);
    EXPECT_EQ(withinMemory([&] { return ImageMemory::decode(atBounds, 512).value_or(QImage()).size() == QSize(512, 128); }), 0);
    const QByteArray large = test::jpegDeclaring({maxCanvasSide, 2048}, false);
    EXPECT_EQ(withinMemory([&] { return IconPalette::averageOf(large).has_value(); }), 0);
}

} // namespace
} // namespace hub
