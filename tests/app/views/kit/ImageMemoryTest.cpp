#include "app/views/kit/ImageMemory.h"

#include "app/views/kit/IconPalette.h"
#include "tests/app/fakes/CraftedImage.h"
#include "tests/testkit/ForkedChild.h"

#include <gtest/gtest.h>
#include <thread>

namespace hub {
namespace {

// 0 when `body` succeeds in a child (no thread of Qt's image scaling runs here before a fork) given 16 times `growth`
// more address space, its resident memory growing by at most `growth`.
int withinMemory(const std::function<bool()>& body, qint64 growth = 64 << 20)
{
    const auto measured = [&] {
        const qint64 before = test::peakResident();
        return !body() ? 1 : test::peakResident() - before <= growth ? 0 : 2;
    };
    return test::runInChild(measured, growth * 16);
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
    for (const QByteArray& bomb : {test::gifOnLargeScreen(), test::icoHoldingPng({6000, 6000})}) {
        EXPECT_EQ(withinMemory([&] { return !ImageMemory::decode(bomb, 2048); }), 0) << bomb.left(4).toHex().constData();
        // Any other reader of Qt's is capped at the same canvas, as the app sets it.
        EXPECT_EQ(withinMemory([&] { ImageMemory::limitAllocation(); return QImage::fromData(bomb).isNull(); }), 0);
    }
    const QByteArray atBounds = test::jpegDeclaring({maxCanvasSide, tallest}, false);
    EXPECT_EQ(withinMemory([&] { return ImageMemory::decode(atBounds, 512).value_or(QImage()).size() == QSize(512, 128); }), 0);
    const QByteArray large = test::jpegDeclaring({maxCanvasSide, 2048}, false);
    EXPECT_EQ(withinMemory([&] { return IconPalette::averageOf(large).has_value(); }), 0);
}

// Images within the bounds decode, deep colour and CMYK included, what they cost read before decoding: six decodes at
// once hold no more than the budget together, a JPEG of too many scans is refused, a PNG's text is never read.
TEST(ImageMemory, ImagesWithinTheBoundsDecodeWithinTheBudget)
{
    const std::pair<QByteArray, QSize> rows[] = {
        {test::pngOfZeros({5120, 2880}, 16), {2048, 1152}},
        {test::pngOfZeros({2896, 2896}, 16), {2048, 2048}},
        {test::cmykJpegDeclaring({4096, 4096}), {2048, 2048}},
        {test::cmykJpegDeclaring({2048, 2048}, 10'000), {}}, // refused
        {test::pngOfZeros({64, 64}, 8, 900), {64, 64}},
    };
    for (const auto& [bytes, decoded] : rows) {
        const auto sixAtOnce = [&] {
            ImageMemory::limitAllocation();
            std::optional<QImage> images[6];
            for (std::vector<std::jthread> threads; auto& image : images) // joined as the loop ends
                threads.emplace_back([&] { image = ImageMemory::decode(bytes, 2048); });
            return std::all_of(std::begin(images), std::end(images), [&](const std::optional<QImage>& image) {
                return (image ? image->size() : QSize()) == decoded && (!image || image->textKeys().isEmpty());
            });
        };
        EXPECT_EQ(withinMemory(sixAtOnce, ImageMemory::decodeBudget), 0) << bytes.left(4).toHex().constData() << " " << bytes.size();
    }
}

} // namespace
} // namespace hub
