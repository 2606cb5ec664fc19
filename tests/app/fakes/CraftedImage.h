#pragma once

#include "tests/testkit/Crc32.h"

#include <QBuffer>
#include <QDataStream>
#include <QImage>
#include <QImageWriter>
#include <QtEndian>
#include <array>
#include <cmath>
#include <cstdio>
#include <jpeglib.h>
#include <png.h>

namespace hub::test {

// A JPEG of a few hundred bytes, a 16 x 16 picture whose frame header declares `canvas`; empty when it cannot be made.
inline QByteArray jpegDeclaring(QSize canvas, bool progressive)
{
    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(10);
    writer.setOptimizedWrite(true);
    writer.setProgressiveScanWrite(progressive);
    // The frame header: marker (2), length (2), precision (1), height (2), width (2).
    const qsizetype at = buffer.open(QIODevice::WriteOnly) && writer.write(picture) ? bytes.indexOf(progressive ? "\xFF\xC2" : "\xFF\xC0") : -1;
    if (at < 0)
        return {};
    qToBigEndian(quint16(canvas.height()), bytes.data() + at + 5);
    qToBigEndian(quint16(canvas.width()), bytes.data() + at + 7);
    return bytes;
}

// A progressive JPEG in CMYK declaring `canvas`, of 133 bytes for one scan: its tables, then `scans` scans of the
// components' DC, each of a header alone.
inline QByteArray cmykJpegDeclaring(QSize canvas, int scans = 1)
{
    QByteArray jpeg = QByteArray("\xFF\xD8\xFF\xDB\0\x43\0", 7) + QByteArray(64, '\x01')
        + QByteArray("\xFF\xC2\0\x14\x08hhww\x04\x01\x11\0\x02\x11\0\x03\x11\0\x04\x11\0\xFF\xC4\0\x14\0\x01", 28) + QByteArray(16, '\0')
        + QByteArray("\xFF\xDA\0\x0E\x04\x01\0\x02\0\x03\0\x04\0\0\0\0", 16).repeated(scans) + "\xFF\xD9";
    qToBigEndian(quint16(canvas.height()), jpeg.data() + 76);
    qToBigEndian(quint16(canvas.width()), jpeg.data() + 78);
    return jpeg;
}

// A PNG chunk: length, type, data, CRC.
inline QByteArray pngChunk(const char* type, const QByteArray& data)
{
    QByteArray chunk = QByteArray(4, '\0') + type + data + QByteArray(4, '\0');
    qToBigEndian(quint32(data.size()), chunk.data());
    qToBigEndian(crc32Of(chunk.sliced(4, data.size() + 4)), chunk.end() - 4);
    return chunk;
}

// A PNG in RGBA (or grey, 0; RGB, 2; grey and alpha, 4) of `canvas`, every pixel 0, `depth` bits a channel,
// compressed about 1000 to 1 (110 KB for 5120 x 2880 at 16 bits), with `texts` zTXt chunks before its data, each
// inflating to 7.5 MB.
inline QByteArray pngOfZeros(QSize canvas, int depth, int texts = 0, int colour = 6)
{
    const int channels = colour == 0 ? 1 : colour == 2 ? 3 : colour == 4 ? 2 : 4;
    const auto zeros = [](qint64 size) { return qCompress(QByteArray(size, '\0'), 9).sliced(4); };
    QByteArray header(13, '\0');
    qToBigEndian(quint32(canvas.width()), header.data());
    qToBigEndian(quint32(canvas.height()), header.data() + 4);
    header[8] = char(depth);
    header[9] = char(colour);
    return "\x89PNG\r\n\x1A\n" + pngChunk("IHDR", header) + pngChunk("zTXt", QByteArray("Comment\0\0", 9) + zeros(7'500'000)).repeated(texts)
        + pngChunk("IDAT", zeros((1 + canvas.width() * channels * depth / 8) * qint64(canvas.height()))) + pngChunk("IEND", {});
}

// A GIF of 35 bytes: one 1 x 1 frame on a 8192 x 8192 screen, which its decoder paints whole.
inline QByteArray gifOnLargeScreen()
{
    return QByteArray("GIF89a\0\x20\0\x20\x80\0\0" "\0\0\0\xFF\xFF\xFF" "\x2C\0\0\0\0\x01\0\x01\0\0" "\x02\x02\x44\x01\0\x3B", 35);
}

// A JPEG of a 227 x 149 picture (or `canvas`) with `count` segments of `marker` after its start, each of the most
// a segment holds (65533 bytes): comments (0xFE) or ICC profile parts (0xE2). 120 comments make about 7.9 MB.
inline QByteArray jpegWithSegments(uchar marker, int count, QSize canvas = {227, 149})
{
    QImage picture(canvas, QImage::Format_RGB32);
    picture.fill(QColor(40, 120, 200));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !QImageWriter(&buffer, "jpeg").write(picture))
        return {};
    QByteArray segments;
    for (int index = 0; index < count; ++index) {
        QByteArray segment = QByteArray("\xFF") + char(marker) + "\xFF\xFF";
        if (marker == 0xE2)
            segment += QByteArray("ICC_PROFILE\0", 12) + char(index + 1) + char(count);
        segments += segment + QByteArray(65537 - segment.size(), marker == 0xFE ? 'c' : '\0');
    }
    return bytes.insert(2, segments);
}

// A progressive grey JPEG of `canvas`, arithmetic-coded, of headers alone (700 bytes for 64 scans): a DC scan, then
// `scans` - 1 scans of coefficients 1-63, by turns a first pass to bit 1 and its refinement, which the decoder works
// through for every block however little the bytes hold.
inline QByteArray arithmeticProgressiveJpeg(QSize canvas = {4096, 4096}, int scans = 64)
{
    QByteArray jpeg = QByteArray("\xFF\xD8\xFF\xDB\0\x43\0", 7) + QByteArray(64, '\x01')
        + QByteArray("\xFF\xCA\0\x0B\x08hhww\x01\x01\x11\0\xFF\xDA\0\x08\x01\x01\0\0\0\0", 23);
    for (int scan = 1; scan < scans; ++scan)
        jpeg += QByteArray("\xFF\xDA\0\x08\x01\x01\0\x01\x3F", 9) + char(scan % 2 ? 0x01 : 0x10);
    qToBigEndian(quint16(canvas.height()), jpeg.data() + 76);
    qToBigEndian(quint16(canvas.width()), jpeg.data() + 78);
    return jpeg + "\xFF\xD9";
}

// An ICO whose one entry says 256 x 256 but holds a PNG of `canvas`, of one colour (about 100 KB for 6000 x 6000).
inline QByteArray icoHoldingPng(QSize canvas)
{
    const QByteArray png = pngOfZeros(canvas, 8);
    QByteArray directory("\0\0\x01\0\x01\0" "\0\0\0\0\x01\0\x20\0" "size" "\x16\0\0\0", 22); // 32 bits, at 22
    qToLittleEndian(quint32(png.size()), directory.data() + 14);
    return directory + png;
}

// A picture of smooth gradients and waves, as a photograph of little detail is, with noise of up to `grain`.
inline QImage picture(QSize size, int grain = 0)
{
    QImage image(size, QImage::Format_RGB32);
    quint32 noise = 2463534242;
    const auto grained = [&](int value) {
        noise ^= noise << 13, noise ^= noise >> 17, noise ^= noise << 5;
        return std::clamp(value + (grain ? int(noise % quint32(2 * grain + 1)) - grain : 0), 0, 255);
    };
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(grained(x * 255 / size.width()), grained(y * 255 / size.height()),
                                      grained(int(128 + 100 * std::sin(x / 37.0) * std::cos(y / 23.0)))));
    return image;
}

// A JPEG marker segment: the marker, the length of `data` and of itself, `data`.
inline QByteArray jpegSegment(uchar marker, const QByteArray& data)
{
    return "\xFF" + QByteArray(1, char(marker)) + char((data.size() + 2) >> 8) + char(data.size() + 2) + data;
}

// What libjpeg writes of a `size` image of `components` in `space`, its defaults set, as `write` compresses with it.
template <typename Write>
QByteArray jpegWritten(QSize size, int components, J_COLOR_SPACE space, Write write)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long length = 0;
    jpeg_mem_dest(&info, &out, &length);
    info.image_width = JDIMENSION(size.width());
    info.image_height = JDIMENSION(size.height());
    info.input_components = components;
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    write(info);
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(length));
    std::free(out);
    return bytes;
}

// How jpegOf() codes a picture: the sampling of luma against chroma (2 x 2: 4:2:0, 2 x 1: 4:2:2, 1 x 1: 4:4:4), restart
// markers every so many rows, the colour space written (grey, YCbCr, or Adobe's inverted CMYK as it is or as YCCK).
struct JpegCoding {
    bool progressive = false, arithmetic = false;
    int lumaAcross = 2, lumaDown = 2, restartRows = 0, quality = 75;
    J_COLOR_SPACE space = JCS_YCbCr;
};

// `image` coded by libjpeg as `coding` says.
inline QByteArray jpegOf(const QImage& image, const JpegCoding& coding = {})
{
    const bool grey = coding.space == JCS_GRAYSCALE, cmyk = coding.space == JCS_CMYK || coding.space == JCS_YCCK;
    const J_COLOR_SPACE given = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
    return jpegWritten(image.size(), grey ? 1 : cmyk ? 4 : 3, given, [&](jpeg_compress_struct& info) {
        jpeg_set_colorspace(&info, coding.space);
        jpeg_set_quality(&info, coding.quality, TRUE);
        info.comp_info[0].h_samp_factor = grey ? 1 : coding.lumaAcross;
        info.comp_info[0].v_samp_factor = grey ? 1 : coding.lumaDown;
        info.arith_code = coding.arithmetic;
        info.restart_in_rows = coding.restartRows;
        if (coding.progressive)
            jpeg_simple_progression(&info);
        jpeg_start_compress(&info, TRUE);
        std::vector<JSAMPLE> row;
        for (int y = 0; y < image.height(); ++y) {
            row.clear();
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                const int r = qRed(pixel), g = qGreen(pixel), b = qBlue(pixel), k = std::max({r, g, b, 1}); // inverted: 255 is no ink
                const std::array inks{r * 255 / k, g * 255 / k, b * 255 / k, k}, rgb{r, g, b, 0}, gray{qGray(pixel), 0, 0, 0};
                const std::array<int, 4>& samples = grey ? gray : cmyk ? inks : rgb;
                row.insert(row.end(), samples.begin(), samples.begin() + info.input_components);
            }
            JSAMPROW rows[] = {row.data()};
            jpeg_write_scanlines(&info, rows, 1);
        }
    });
}

// `jpeg` with a DNL marker of length 0, which libjpeg passes over, where the coded data of its first scan ends: at the
// first marker after the scan's header that is neither a stuffed zero nor a restart.
inline qsizetype scanEnd(const QByteArray& jpeg, qsizetype scan)
{
    qsizetype at = scan + 2 + qFromBigEndian<quint16>(jpeg.constData() + scan + 2);
    while (at + 1 < jpeg.size() && !(uchar(jpeg[at]) == 0xFF && jpeg[at + 1] != 0 && (uchar(jpeg[at + 1]) & 0xF8) != 0xD0))
        ++at;
    return at;
}
inline QByteArray withEmptyDnl(QByteArray jpeg)
{
    const qsizetype scan = jpeg.indexOf("\xFF\xDA");
    return scan < 0 ? QByteArray() : jpeg.insert(scanEnd(jpeg, scan), QByteArray("\xFF\xDC\0\0", 4));
}

// An arithmetic progressive CMYK JPEG of `canvas` whose every AC coefficient is 16384 (about 30 decisions each to decode):
// for each component a DC scan and one of coefficients 1-63, the bytes libjpeg codes once for a grey image.
inline QByteArray jpegOfLargeCoefficients(QSize canvas)
{
    const QByteArray grey = jpegWritten(canvas, 1, JCS_GRAYSCALE, [&](jpeg_compress_struct& info) {
        info.arith_code = TRUE;
        static const jpeg_scan_info script[] = {{1, {0}, 0, 0, 0, 0}, {1, {0}, 1, 63, 0, 0}};
        info.scan_info = script;
        info.num_scans = 2;
        const auto common = reinterpret_cast<j_common_ptr>(&info);
        const auto across = JDIMENSION((canvas.width() + 7) / 8), down = JDIMENSION((canvas.height() + 7) / 8);
        jvirt_barray_ptr blocks = info.mem->request_virt_barray(common, JPOOL_IMAGE, TRUE, across, down, 1);
        info.mem->realize_virt_arrays(common);
        for (JDIMENSION y = 0; y < down; ++y) {
            JBLOCKROW row = info.mem->access_virt_barray(common, blocks, y, 1, TRUE)[0];
            for (JBLOCKROW block = row; block < row + across; ++block)
                std::fill(*block + 1, *block + 64, JCOEF(16384));
        }
        jpeg_write_coefficients(&info, &blocks);
    });
    const qsizetype tables = grey.indexOf("\xFF\xDB"), dc = grey.indexOf("\xFF\xDA"), ac = grey.indexOf("\xFF\xDA", dc + 2);
    if (tables < 0 || dc < 0 || ac < 0)
        return {};
    QByteArray jpeg = "\xFF\xD8" + grey.sliced(tables, 2 + qFromBigEndian<quint16>(grey.constData() + tables + 2));
    jpeg += jpegSegment(0xCA, cmykJpegDeclaring(canvas).sliced(75, 18)); // its frame of components 1 to 4, arithmetic
    for (char component = 1; component <= 4; ++component)
        for (const qsizetype scan : {dc, ac}) // the grey scan's header and data, of this component
            jpeg += grey.sliced(scan, 5) + component + grey.sliced(scan + 6, scanEnd(grey, scan) - scan - 6);
    return jpeg + "\xFF\xD9";
}

// `jpeg` with an APP1 after its start: an Exif in either byte order of one entry, `orientation`.
inline QByteArray withExifOrientation(QByteArray jpeg, int orientation, bool little)
{
    QByteArray tiff;
    QDataStream out(&tiff, QIODevice::WriteOnly);
    out.setByteOrder(little ? QDataStream::LittleEndian : QDataStream::BigEndian);
    out.writeRawData(little ? "II" : "MM", 2);
    out << quint16(42) << quint32(8) << quint16(1) << quint16(0x112) << quint16(3) << quint32(1) << quint16(orientation) << quint16(0)
        << quint32(0);
    return jpeg.insert(2, jpegSegment(0xE1, QByteArray("Exif\0\0", 6) + tiff));
}

// A 64 x 64 JPEG after `marker` over and over, 8 MiB of them.
inline QByteArray jpegAfterMarkers(const QByteArray& marker)
{
    return jpegOf(picture({64, 64})).insert(2, marker.repeated((8 << 20) / marker.size()));
}

// A PNG of `image` coded by libpng: `depth` bits a channel of `colour` (a PNG colour type; a palette of the image's
// colours for 3), interlaced or not, with `key` as its tRNS when given: the palette's alphas, or the grey or RGB key.
inline QByteArray pngOf(const QImage& image, int depth, int colour, bool interlaced, const QList<int>& key = {})
{
    QByteArray bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png); // an error of libpng's ends the test
    png_set_write_fn(png, &bytes, [](png_structp png, png_bytep data, size_t size) {
        static_cast<QByteArray*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), qsizetype(size)); }, nullptr);
    png_set_IHDR(png, info, png_uint_32(image.width()), png_uint_32(image.height()), depth, colour,
        interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    QList<QRgb> palette;
    std::vector<png_color> entries;
    std::vector<png_byte> samples; // row after row, each as long
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (colour == 3 && !palette.contains(pixel)) {
                palette.append(pixel);
                entries.push_back({png_byte(qRed(pixel)), png_byte(qGreen(pixel)), png_byte(qBlue(pixel))});
            }
            QList<int> channels = colour == 3 ? QList{int(palette.indexOf(pixel))}
                : colour & 2                  ? QList{qRed(pixel), qGreen(pixel), qBlue(pixel)}
                                              : QList{qGray(pixel)};
            if (colour & 4)
                channels << qAlpha(pixel);
            for (const int sample : channels) {
                const int scaled = colour == 3 ? sample : sample * ((1 << depth) - 1) / 255; // below 8 bits packed by libpng
                if (depth == 16)
                    samples.push_back(png_byte(scaled >> 8));
                samples.push_back(png_byte(scaled));
            }
        }
    std::vector<png_bytep> rows;
    for (int y = 0; y < image.height(); ++y)
        rows.push_back(samples.data() + samples.size() / size_t(image.height()) * size_t(y));
    if (colour == 3)
        png_set_PLTE(png, info, entries.data(), int(entries.size()));
    std::vector<png_byte> alphas(key.begin(), key.end());
    const auto sample = [&](int index) { return png_uint_16(key.value(index)); };
    png_color_16 value{0, sample(0), sample(1), sample(2), sample(0)};
    if (!key.isEmpty())
        png_set_tRNS(png, info, alphas.data(), colour == 3 ? int(alphas.size()) : 0, colour == 3 ? nullptr : &value);
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, depth < 8 ? PNG_TRANSFORM_PACKING : PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

} // namespace hub::test
