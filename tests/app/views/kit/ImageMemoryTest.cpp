#include "app/views/kit/ImageMemory.h"

#include "app/views/kit/EncodedImage.h"
#include "app/views/kit/IconPalette.h"
#include "tests/app/fakes/CraftedImage.h"
#include "tests/testkit/ForkedChild.h"

#include <QFile>
#include <gtest/gtest.h>
#include <malloc.h>
#include <thread>

namespace hub {
namespace {

// 0 when `body` succeeds in a child (no thread of Qt's image scaling runs here before a fork) given 16 times `growth`
// more address space, its resident memory growing by at most `growth`. The child first hands back what the parent
// freed, which would otherwise serve its first allocations unseen.
int withinMemory(const std::function<bool()>& body, qint64 growth = 64 << 20)
{
    const auto measured = [&] {
        malloc_trim(0);
        if (QFile peak("/proc/self/clear_refs"); peak.open(QIODevice::WriteOnly))
            peak.write("5"); // the peak from here
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
    const QByteArray progressive = test::jpegDeclaring({4096, 4096}, true); // libjpeg's usual progression
    EXPECT_EQ(withinMemory([&] { return ImageMemory::decode(progressive, 512).value_or(QImage()).size() == QSize(512, 512); }, 128 << 20), 0);
    const QByteArray large = test::jpegDeclaring({maxCanvasSide, 2048}, false);
    EXPECT_EQ(withinMemory([&] { return IconPalette::averageOf(large).has_value(); }), 0);
}

// Images within the bounds decode, deep colour and CMYK included, what they cost read before decoding: one decode holds
// no more than that, six at once no more than the budget together; a JPEG of too many scans or of scans too costly to
// decode is refused; a PNG's text, a JPEG's comments and profiles never reach the reader, nor take room beside it.
TEST(ImageMemory, ImagesWithinTheBoundsDecodeWithinTheBudget)
{
    const std::pair<QByteArray, QSize> rows[] = {
        {test::pngOfZeros({5120, 2880}, 16), {2048, 1152}},
        {test::pngOfZeros({2896, 2896}, 16), {2048, 2048}},
        {test::pngOfZeros({8192, 2048}, 8, 0, 0), {2048, 512}},
        {test::cmykJpegDeclaring({4096, 4096}), {2048, 2048}},
        {test::cmykJpegDeclaring({2048, 2048}, 10'000), {}}, // refused
        {test::arithmeticProgressiveJpeg(), {}}, // refused
        {test::pngOfZeros({64, 64}, 8, 900), {64, 64}},
        {test::jpegWithSegments(0xFE, 120), {227, 149}},
        {test::jpegWithSegments(0xE2, 120), {227, 149}},
    };
    for (const auto& [bytes, decoded] : rows) {
        ASSERT_FALSE(bytes.isEmpty());
        const std::optional<EncodedImage> encoded = EncodedImage::read(bytes);
        ASSERT_TRUE(encoded);
        const QSize target = encoded->canvas.scaled(encoded->canvas.boundedTo({2048, 2048}), Qt::KeepAspectRatio);
        const auto decodes = [&](const std::optional<QImage>& image) {
            return (image ? image->size() : QSize()) == decoded && (!image || image->textKeys().isEmpty());
        };
        const auto sixAtOnce = [&] {
            ImageMemory::limitAllocation();
            std::optional<QImage> images[6];
            for (std::vector<std::jthread> threads; auto& image : images) // joined as the loop ends
                threads.emplace_back([&] { image = ImageMemory::decode(bytes, 2048); });
            return std::all_of(std::begin(images), std::end(images), decodes);
        };
        const auto one = [&] { return decodes(ImageMemory::decode(bytes, 2048)); };
        const QByteArray row = bytes.left(4).toHex() + " " + QByteArray::number(bytes.size());
        EXPECT_EQ(withinMemory(one, encoded->peakBytes(target)), 0) << row.constData();
        EXPECT_EQ(withinMemory(sixAtOnce, ImageMemory::decodeBudget), 0) << row.constData();
        if (!encoded->readable.isSharedWith(bytes)) {
            EXPECT_LT(encoded->readable.capacity(), encoded->readable.size() + 64) << row.constData();
        }
    }
}

// Qt's reader scrambles 16-bit RGB with a colour key: the pixels of the key's colour are transparent, those of any
// other, however near, opaque and as they are.
TEST(ImageMemory, AColourKeyOfSixteenBitRgbMakesItsColourTransparent)
{
    QByteArray header(13, '\0');
    qToBigEndian(quint32(3), header.data());
    qToBigEndian(quint32(1), header.data() + 4);
    header[8] = 16;
    header[9] = 2;
    const QByteArray key = QByteArray::fromHex("111122223333");
    const QByteArray row = QByteArray(1, '\0') + key + QByteArray::fromHex("111222223333") + QByteArray::fromHex("abab0000ffff");
    const QByteArray png = "\x89PNG\r\n\x1A\n" + test::pngChunk("IHDR", header) + test::pngChunk("tRNS", key)
        + test::pngChunk("IDAT", qCompress(row).sliced(4)) + test::pngChunk("IEND", {});
    const QImage image = ImageMemory::decode(png, 0).value_or(QImage());
    ASSERT_EQ(image.size(), QSize(3, 1));
    EXPECT_EQ(image.pixel(0, 0), 0u);
    EXPECT_EQ(image.pixel(1, 0), qRgb(0x11, 0x22, 0x33));
    EXPECT_EQ(image.pixel(2, 0), qRgb(0xAB, 0x00, 0xFF));
}

} // namespace
} // namespace hub
