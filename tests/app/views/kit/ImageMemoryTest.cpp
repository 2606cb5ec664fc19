#include "app/views/kit/ImageMemory.h"

#include "app/views/kit/DecodeAccount.h"
#include "app/views/kit/IconPalette.h"
#include "tests/app/fakes/CraftedImage.h"
#include "tests/testkit/ForkedChild.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
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

// The most a channel of one pixel differs from the other's.
int apart(QRgb a, QRgb b)
{
    const auto by = [&](int (*channel)(QRgb)) { return std::abs(channel(a) - channel(b)); };
    return std::max({by(qRed), by(qGreen), by(qBlue), by(qAlpha)});
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
    const QByteArray atBounds = test::jpegOf(test::picture({maxCanvasSide, tallest}));
    EXPECT_EQ(withinMemory([&] { return ImageMemory::decode(atBounds, 512).value_or(QImage()).size() == QSize(512, 128); }), 0);
    const QByteArray progressive = test::jpegOf(test::picture({4096, 4096}), {.progressive = true});
    EXPECT_EQ(withinMemory([&] { return ImageMemory::decode(progressive, 512).value_or(QImage()).size() == QSize(512, 512); }, 128 << 20), 0);
    EXPECT_EQ(withinMemory([&] { return IconPalette::averageOf(atBounds).has_value(); }), 0);
}

// Images within the bounds decode, deep colour included, holding (as the decode counts) no more than the row says, six at
// once no more than the budget: a PNG's text, a JPEG's comments, profiles and 8 MiB of markers take no room.
TEST(ImageMemory, ImagesWithinTheBoundsDecodeWithinTheBudget)
{
    constexpr qint64 mib = 1 << 20;
    const std::tuple<QByteArray, QSize, qint64> rows[] = {
        {test::pngOfZeros({5120, 2880}, 16), {2048, 1152}, 68 * mib},
        {test::pngOfZeros({2896, 2896}, 16), {2048, 2048}, 50 * mib},
        {test::pngOfZeros({8192, 2048}, 8, 0, 0), {2048, 512}, 72 * mib},
        {test::pngOfZeros({64, 64}, 8, 900), {64, 64}, 2 * mib},
        {test::jpegWithSegments(0xFE, 120), {227, 149}, 2 * mib},
        {test::jpegWithSegments(0xE2, 120), {227, 149}, 2 * mib},
        {test::jpegAfterMarkers("\xFF\xD0"), {64, 64}, 2 * mib},
        {test::jpegAfterMarkers("\xFF\x01"), {64, 64}, 2 * mib},
        {test::jpegAfterMarkers(test::jpegSegment(0xE0, QByteArray("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14))), {64, 64}, 2 * mib},
        {test::jpegAfterMarkers(test::jpegSegment(0xEE, QByteArray("Adobe\0\x64\0\0\0\0\x01", 12))), {64, 64}, 2 * mib},
    };
    for (const auto& [bytes, decoded, peak] : rows) {
        ASSERT_FALSE(bytes.isEmpty());
        SCOPED_TRACE((bytes.left(4).toHex() + " " + QByteArray::number(bytes.size())).constData());
        DecodeAccount::takePeakOfAll();
        EXPECT_EQ(ImageMemory::decode(bytes, 2048).value_or(QImage()).size(), decoded);
        EXPECT_LE(DecodeAccount::takePeakOfAll(), peak);
        std::optional<QImage> images[6];
        for (std::vector<std::jthread> threads; auto& image : images) // joined as the loop ends
            threads.emplace_back([&] { image = ImageMemory::decode(bytes, 2048); });
        EXPECT_LE(DecodeAccount::takePeakOfAll(), ImageMemory::decodeBudget);
        EXPECT_TRUE(std::ranges::all_of(images, [&](const auto& image) { return image && image->size() == decoded; }));
    }
}

// What libjpeg makes of a 4096 x 2304 picture, in every coding and sampling, is shown.
TEST(ImageMemory, JpegsOfEveryCodingDecode)
{
    const QImage picture = test::picture({4096, 2304});
    for (int coding = 0; coding < 12; ++coding) { // progressive or not, arithmetic or not; 4:2:0, 4:2:2, 4:4:4
        const QByteArray bytes = test::jpegOf(picture, {.progressive = bool(coding & 1), .arithmetic = bool(coding & 2),
                                                        .lumaAcross = coding < 8 ? 2 : 1, .lumaDown = coding < 4 ? 2 : 1});
        const QImage image = ImageMemory::decode(bytes, 2048).value_or(QImage());
        ASSERT_EQ(image.size(), QSize(2048, 1152)) << coding;
        EXPECT_LE(apart(image.pixel(1024, 576), picture.pixel(2048, 1152)), 12) << coding;
    }
}

// JPEGs whose decode would take seconds are stopped, whatever an empty DNL hides: many scans by the scan limit, the
// costliest arithmetic coding by the share of time, Huffman scans of no data by the first warning; a cut frame header.
TEST(ImageMemory, JpegsTooCostlyToDecodeAreStopped)
{
    const QByteArray rows[] = {
        test::cmykJpegDeclaring({4096, 4096}),
        test::cmykJpegDeclaring({2048, 2048}, 10'000),
        test::arithmeticProgressiveJpeg(), // 64 scans of headers alone
        test::withEmptyDnl(test::cmykJpegDeclaring({2048, 2048}, 10'000)),
        test::withEmptyDnl(test::arithmeticProgressiveJpeg({1024, 1024}, ImageMemory::maxScans + 64)),
        test::withEmptyDnl(test::jpegOfLargeCoefficients({4096, 4096})),
        QByteArray("\xFF\xD8\xFF\xC0\0\x02", 6),
    };
    for (const QByteArray& bytes : rows) {
        ASSERT_FALSE(bytes.isEmpty());
        EXPECT_FALSE(ImageMemory::decode(bytes, 2048)) << bytes.size();
    }
}

// A decode gives Qt's reader's own pixels, upright: every Exif orientation in both byte orders, grey, RGB, CMYK, YCCK, fill
// bytes before a restart or a stuffed zero, a JFIF thumbnail, PNGs of every colour type and depth, palettes, colour keys.
TEST(ImageMemory, ImagesDecodeToQtsOwnPixels)
{
    const QImage picture = test::picture({40, 24});
    QImage translucent = picture.convertToFormat(QImage::Format_ARGB32), few(9, 5, QImage::Format_RGB32); // few: of 12 colours
    for (int x = 0; x < translucent.width(); ++x)
        translucent.setPixel(x, 3, qRgba(10, 200, 30, x * 6));
    for (int y = 0; y < few.height(); ++y)
        for (int x = 0; x < few.width(); ++x)
            few.setPixel(x, y, QColor::fromHsv(x % 4 * 80, 200, y % 3 * 100 + 50).rgb());
    const QByteArray jpeg = test::jpegOf(picture);
    QList<QByteArray> rows;
    for (int orientation = 1; orientation <= 8; ++orientation)
        rows << test::withExifOrientation(jpeg, orientation, true) << test::withExifOrientation(jpeg, orientation, false);
    for (const J_COLOR_SPACE space : {JCS_GRAYSCALE, JCS_RGB, JCS_CMYK, JCS_YCCK})
        rows << test::jpegOf(picture, {.space = space});
    const QByteArray restarts = test::jpegOf(test::picture({640, 480}), {.restartRows = 1, .quality = 100});
    for (const char* const marker : {"\xFF\xD0", "\xFF\x00"}) {
        const qsizetype at = restarts.indexOf(QByteArray(marker, 2), restarts.indexOf("\xFF\xDA"));
        ASSERT_GT(at, 0);
        rows << QByteArray(restarts).insert(at, '\xFF');
    }
    const QByteArray thumbnail = QByteArray("JFIF\0\x01\x01\0\0\x01\0\x01\x02\x02", 14) + QByteArray(12, '\x7F'); // 2 x 2
    rows << QByteArray(jpeg).insert(2, test::jpegSegment(0xE0, thumbnail));
    rows << test::pngOf(translucent, 8, 6, false) << test::pngOf(translucent, 16, 6, true) << test::pngOf(picture, 8, 2, true)
         << test::pngOf(picture, 16, 2, false) << test::pngOf(translucent, 8, 4, true) << test::pngOf(picture, 16, 0, false)
         << test::pngOf(picture, 1, 0, false) << test::pngOf(picture, 4, 0, true) << test::pngOf(few, 8, 3, false, {0x10, 0x80, 0xFF})
         << test::pngOf(few, 4, 3, true) << test::pngOf(picture, 8, 0, false, {0x80}) << test::pngOf(few, 8, 2, false, {0x32, 0x32, 0x32});
    for (const QByteArray& bytes : rows) {
        ASSERT_FALSE(bytes.isEmpty());
        QBuffer buffer;
        buffer.setData(bytes);
        QImageReader reader(&buffer);
        reader.setAutoTransform(true);
        const QImage expected = reader.read().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const QImage image = ImageMemory::decode(bytes, 0).value_or(QImage()).convertToFormat(expected.format());
        SCOPED_TRACE(bytes.left(24).toHex().constData());
        ASSERT_FALSE(expected.isNull());
        ASSERT_EQ(image.size(), expected.size());
        int off = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                off += apart(image.pixel(x, y), expected.pixel(x, y)) > 1;
        EXPECT_EQ(off, 0);
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
