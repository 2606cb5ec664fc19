#include "tests/app/fakes/CraftedImage.h"

#include <QList>
#include <QScopeGuard>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <functional>
#include <jpeglib.h>

namespace hub::test {

namespace {

QByteArray segment(uchar marker, const QByteArray& payload)
{
    QByteArray bytes = QByteArray("\xFF") + char(marker) + QByteArray(2, '\0') + payload;
    qToBigEndian(quint16(payload.size() + 2), bytes.data() + 2);
    return bytes;
}

// Where each segment or scan header of `jpeg` starts, by its marker.
QList<qsizetype> markersOf(const QByteArray& jpeg, uchar marker)
{
    QList<qsizetype> found;
    for (qsizetype at = jpeg.indexOf('\xFF', 2); at >= 0 && at + 1 < jpeg.size(); at = jpeg.indexOf('\xFF', at + 2)) {
        if (uchar(jpeg[at + 1]) == marker)
            found.append(at);
    }
    return found;
}

} // namespace

QByteArray jpegWithSegments(uchar marker, int count, QSize canvas)
{
    QImage picture(canvas, QImage::Format_RGB32);
    picture.fill(QColor(40, 120, 200));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !QImageWriter(&buffer, "jpeg").write(picture))
        return {};
    constexpr int most = 65533;
    QByteArray segments;
    for (int index = 0; index < count; ++index) {
        QByteArray payload;
        if (marker == 0xE2)
            payload = QByteArray("ICC_PROFILE\0", 12) + char(index + 1) + char(count);
        else if (marker == 0xE1) // little-endian TIFF, one IFD of one entry: orientation (0x112), a short, 1
            payload = QByteArray("Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\x01\0\0\0\0\0\0\0", 32);
        payload += QByteArray(most - payload.size(), marker == 0xFE ? 'c' : '\0');
        segments += segment(marker, payload);
    }
    return bytes.insert(2, segments);
}

QByteArray arithmeticProgressiveJpeg(QSize canvas, int scans)
{
    void* library = dlopen("libjpeg.so.62", RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return {};
    const auto close = qScopeGuard([library] { dlclose(library); });
#define HUB_JPEG(name) const auto name = reinterpret_cast<decltype(&::name)>(dlsym(library, #name))
    HUB_JPEG(jpeg_std_error);
    HUB_JPEG(jpeg_CreateCompress);
    HUB_JPEG(jpeg_set_defaults);
    HUB_JPEG(jpeg_mem_dest);
    HUB_JPEG(jpeg_start_compress);
    HUB_JPEG(jpeg_write_scanlines);
    HUB_JPEG(jpeg_finish_compress);
    HUB_JPEG(jpeg_destroy_compress);
#undef HUB_JPEG
    if (!jpeg_std_error || !jpeg_CreateCompress || !jpeg_set_defaults || !jpeg_mem_dest || !jpeg_start_compress || !jpeg_write_scanlines
        || !jpeg_finish_compress || !jpeg_destroy_compress)
        return {};
    // The scans of `rows` coded as a DC scan, a first pass of 1-63 to bit 1 and its refinement.
    const auto scansOf = [&](const std::function<QByteArray(int)>& rows) {
        jpeg_compress_struct info {};
        jpeg_error_mgr errors {};
        info.err = jpeg_std_error(&errors);
        jpeg_CreateCompress(&info, JPEG_LIB_VERSION, sizeof info);
        unsigned char* written = nullptr;
        unsigned long writtenSize = 0;
        jpeg_mem_dest(&info, &written, &writtenSize);
        info.image_width = JDIMENSION(canvas.width());
        info.image_height = JDIMENSION(canvas.height());
        info.input_components = 1;
        info.in_color_space = JCS_GRAYSCALE;
        jpeg_set_defaults(&info);
        info.arith_code = TRUE;
        const jpeg_scan_info script[] = {{1, {0}, 0, 0, 0, 0}, {1, {0}, 1, 63, 0, 1}, {1, {0}, 1, 63, 1, 0}};
        info.scan_info = script;
        info.num_scans = 3;
        jpeg_start_compress(&info, TRUE);
        while (info.next_scanline < info.image_height) {
            QByteArray row = rows(int(info.next_scanline));
            auto* line = reinterpret_cast<JSAMPLE*>(row.data());
            jpeg_write_scanlines(&info, &line, 1);
        }
        jpeg_finish_compress(&info);
        jpeg_destroy_compress(&info);
        const QByteArray jpeg(reinterpret_cast<const char*>(written), qsizetype(writtenSize));
        free(written);
        return jpeg;
    };
    // Every block the basis pattern of the last coefficient alone: its one coefficient is coded once, and every
    // refinement then decides each of the 63 coefficients of every block anew in next to no bits.
    const auto basis = [](int at) { return std::cos((2 * (at % 8) + 1) * 7 * M_PI / 16); };
    const QByteArray pattern = scansOf([&](int y) {
        QByteArray row(canvas.width(), '\0');
        for (int x = 0; x < row.size(); ++x)
            row[x] = char(qRound(128 + 32 * basis(x) * basis(y)));
        return row;
    });
    // A first pass that finds every block empty leaves the refined coefficients as they are.
    const QByteArray flat = scansOf([&](int) { return QByteArray(canvas.width(), char(128)); });
    const QList<qsizetype> starts = markersOf(pattern, 0xDA);
    const QList<qsizetype> flatStarts = markersOf(flat, 0xDA);
    if (starts.size() != 3 || flatStarts.size() != 3)
        return {};
    const QByteArray refine = pattern.sliced(starts[2], pattern.size() - 2 - starts[2]);
    const QByteArray empty = flat.sliced(flatStarts[1], flatStarts[2] - flatStarts[1]);
    QByteArray jpeg = pattern.left(starts[2]);
    for (int index = 2; index < scans; ++index)
        jpeg += index % 2 == 0 ? refine : empty;
    return jpeg + "\xFF\xD9";
}

} // namespace hub::test
