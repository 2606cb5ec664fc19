// Decodes JPEGs that libjpeg makes of a 4096 x 2304 picture (arithmetic, progressive, 4:4:4), files made to cost
// the decoder much CPU and 8 MiB of markers before a small image, each through ImageMemory::decode at 2048 pixels,
// and prints the thread's CPU time a decode (the best of three), whether it gave an image, and the most memory
// the decode counted, beside the ratio of its time to a baseline JPEG's of the same picture in the same run.
// Aim: each of the first files under 2 s; each costly one stopped or under 2 s; the markers within 2 MiB.

#include "app/views/kit/DecodeAccount.h"
#include "app/views/kit/ImageMemory.h"
#include "tests/app/fakes/CraftedImage.h"

#include <cstdio>
#include <ctime>

using namespace hub;

namespace {

double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

struct Measured {
    double seconds = 1e9;
    bool decoded = false;
    qint64 peak = 0;
};

Measured measure(const QByteArray& bytes, int rounds)
{
    Measured best;
    for (int round = 0; round < rounds; ++round) {
        DecodeAccount::takePeakOfAll();
        const double start = threadSeconds();
        best.decoded = ImageMemory::decode(bytes, 2048).has_value();
        best.seconds = std::min(best.seconds, threadSeconds() - start);
        best.peak = std::max(best.peak, DecodeAccount::takePeakOfAll());
    }
    return best;
}

} // namespace

int main()
{
    const QImage picture = test::picture({4096, 2304}, 12);
    const double baseline = measure(test::jpegOf(picture), 3).seconds;
    std::printf("baseline (Huffman, 4:2:0): %.3f s\n", baseline);
    const struct {
        const char* what;
        QByteArray bytes;
        int rounds;
    } rows[] = {
        {"arithmetic progressive 4:2:0", test::jpegOf(picture, {.progressive = true, .arithmetic = true}), 3},
        {"arithmetic 4:4:4", test::jpegOf(picture, {.arithmetic = true, .lumaAcross = 1, .lumaDown = 1}), 3},
        {"Huffman progressive 4:4:4", test::jpegOf(picture, {.progressive = true, .lumaAcross = 1, .lumaDown = 1}), 3},
        {"arithmetic progressive 4:4:4", test::jpegOf(picture, {.progressive = true, .arithmetic = true, .lumaAcross = 1, .lumaDown = 1}), 3},
        {"every AC coefficient 16384, CMYK 4096 x 4096", test::jpegOfLargeCoefficients({4096, 4096}), 1},
        {"every AC coefficient 16384, CMYK 2048 x 2048", test::jpegOfLargeCoefficients({2048, 2048}), 1},
        {"CMYK progressive 4096 x 4096 of 133 bytes", test::cmykJpegDeclaring({4096, 4096}), 1},
        {"empty DNL, then 10,000 CMYK scans", test::withEmptyDnl(test::cmykJpegDeclaring({2048, 2048}, 10'000)), 1},
        {"empty DNL, then 576 arithmetic scans of 4096 x 4096", test::withEmptyDnl(test::arithmeticProgressiveJpeg({4096, 4096}, 576)), 1},
        {"64 arithmetic scans of 4096 x 4096", test::arithmeticProgressiveJpeg(), 1},
        {"8 MiB of restart markers", test::jpegAfterMarkers("\xFF\xD0"), 1},
        {"8 MiB of two-byte markers", test::jpegAfterMarkers("\xFF\x01"), 1},
        {"8 MiB of JFIF headers", test::jpegAfterMarkers(QByteArray("\xFF\xE0\0\x10JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 18)), 1},
        {"8 MiB of Adobe headers", test::jpegAfterMarkers(QByteArray("\xFF\xEE\0\x0E" "Adobe\0\x64\0\0\0\0\x01", 16)), 1},
        {"a 5120 x 2880 PNG of 16 bits a channel", test::pngOfZeros({5120, 2880}, 16), 3},
    };
    for (const auto& row : rows) {
        const Measured measured = measure(row.bytes, row.rounds);
        std::printf("%-52s %7.3f s (%5.1f x baseline) %-8s peak %8.2f MiB\n", row.what, measured.seconds, measured.seconds / baseline,
                    measured.decoded ? "decoded" : "refused", double(measured.peak) / (1 << 20));
    }
    return 0;
}
