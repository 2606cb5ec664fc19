// A PNG or JPEG through the views' decode, whole and scaled down, from bytes of exactly the input's size.
#include "fuzz/FuzzSeeds.h"

#include "app/views/kit/ImageMemory.h"
#include "tests/app/fakes/CraftedImage.h"

using namespace hub;

QList<QByteArray> hub::fuzz::seeds()
{
    const QImage picture = test::picture({40, 24}, 8);
    QImage translucent = picture.convertToFormat(QImage::Format_ARGB32);
    translucent.setPixel(3, 3, qRgba(10, 200, 30, 90));
    return {
        test::jpegOf(picture),
        test::jpegOf(picture, {.progressive = true, .arithmetic = true, .lumaAcross = 1, .lumaDown = 1}),
        test::jpegOf(picture, {.progressive = true, .space = JCS_YCCK}),
        test::jpegOf(picture, {.restartRows = 1, .space = JCS_GRAYSCALE}),
        test::withExifOrientation(test::jpegOf(picture, {.lumaDown = 1}), 6, false),
        test::withEmptyDnl(test::arithmeticProgressiveJpeg({64, 64}, 8)),
        test::cmykJpegDeclaring({64, 64}, 3),
        QByteArray("\xFF\xD8\xFF\xC0\0\x02", 6),
        test::pngOf(translucent, 16, 6, true),
        test::pngOf(picture, 8, 2, false, {8, 8, 8}),
        test::pngOf(picture, 4, 0, true),
        test::pngOfZeros({32, 16}, 8, 1, 3),
    };
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    ImageMemory::decode(bytes, 0);
    ImageMemory::decode(bytes, 16);
    return 0;
}
