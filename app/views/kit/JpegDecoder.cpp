#include "app/views/kit/JpegDecoder.h"

#include "app/views/kit/DecodeAccount.h"
#include "app/views/kit/ImageMemory.h"

#include <QtEndian>
#include <QtMath>
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <ctime>
#include <utility>
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

namespace hub {

struct JpegDecoder::State {
    State(const QByteArray& bytes, DecodeAccount& account) : bytes(bytes), account(account) {}

    jpeg_decompress_struct info{};
    jpeg_error_mgr error{};
    jpeg_progress_mgr progress{};
    std::jmp_buf jump{};
    QByteArray bytes;
    DecodeAccount& account;
    bool created = false;
    bool headerRead = false;
    bool exifSeen = false;
    int orientation = 1;
    qint64 deadline = 0; // of the thread's CPU time, in nanoseconds
    int scan = 0;        // the scan the progress monitor last saw
    int scansOf[MAX_COMPONENTS] = {}; // the scans each component took part in so far
    // What the account holds for each of libjpeg's pools, and what its virtual arrays will take once realized.
    qint64 pooled[JPOOL_NUMPOOLS] = {};
    qint64 requested[JPOOL_NUMPOOLS] = {};
    jpeg_memory_mgr library{}; // libjpeg's own methods, which the counting ones call
    QImage image;
    qint64 imageBytes = 0;
};

namespace {

using State = JpegDecoder::State;

qint64 threadCpu()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

qint64 area(QSize size) { return qint64(size.width()) * size.height(); }

// What libjpeg holds besides coefficients for a canvas `width` wide: tables, a few rows of each component at
// each stage, the slop of its pools.
qint64 libjpegState(int width) { return (qint64(1) << 20) + qint64(width) * 512; }

State& stateOf(j_common_ptr info) { return *static_cast<State*>(info->client_data); }

[[noreturn]] void fail(j_common_ptr info) { std::longjmp(stateOf(info).jump, 1); }

// A warning (level -1) ends the decode as an error does; traces are dropped.
void message(j_common_ptr info, int level)
{
    if (level < 0)
        fail(info);
}

void silent(j_common_ptr) {}

// Called before every row of every scan is read, and every row written.
void monitor(j_common_ptr common)
{
    State& state = stateOf(common);
    const auto info = reinterpret_cast<j_decompress_ptr>(common);
    if (std::exchange(state.scan, info->input_scan_number) != info->input_scan_number) {
        for (int each = 0; each < info->comps_in_scan; ++each) {
            if (++state.scansOf[info->cur_comp_info[each]->component_index] > ImageMemory::maxScans)
                fail(common);
        }
    }
    if (threadCpu() > state.deadline)
        fail(common);
}

void count(j_common_ptr info, int pool, qint64 bytes)
{
    State& state = stateOf(info);
    if (pool < 0 || pool >= JPOOL_NUMPOOLS || !state.account.take(bytes))
        fail(info);
    state.pooled[pool] += bytes;
}

// An object's share of its pool's header and alignment.
constexpr qint64 objectOverhead = 32;

void* allocSmall(j_common_ptr info, int pool, size_t size)
{
    count(info, pool, qint64(size) + objectOverhead);
    return stateOf(info).library.alloc_small(info, pool, size);
}

void* allocLarge(j_common_ptr info, int pool, size_t size)
{
    count(info, pool, qint64(size) + objectOverhead);
    return stateOf(info).library.alloc_large(info, pool, size);
}

JSAMPARRAY allocSamples(j_common_ptr info, int pool, JDIMENSION perRow, JDIMENSION rows)
{
    count(info, pool, qint64(perRow) * rows + qint64(rows) * qint64(sizeof(JSAMPROW)) + objectOverhead);
    return stateOf(info).library.alloc_sarray(info, pool, perRow, rows);
}

JBLOCKARRAY allocBlocks(j_common_ptr info, int pool, JDIMENSION perRow, JDIMENSION rows)
{
    count(info, pool, qint64(perRow) * rows * qint64(sizeof(JBLOCK)) + qint64(rows) * qint64(sizeof(JBLOCKROW)) + objectOverhead);
    return stateOf(info).library.alloc_barray(info, pool, perRow, rows);
}

void request(j_common_ptr info, int pool, qint64 bytes)
{
    if (pool < 0 || pool >= JPOOL_NUMPOOLS)
        fail(info);
    stateOf(info).requested[pool] += bytes;
}

jvirt_sarray_ptr requestSamples(j_common_ptr info, int pool, boolean preZero, JDIMENSION perRow, JDIMENSION rows, JDIMENSION access)
{
    request(info, pool, qint64(perRow) * rows + qint64(rows) * qint64(sizeof(JSAMPROW)) + objectOverhead);
    return stateOf(info).library.request_virt_sarray(info, pool, preZero, perRow, rows, access);
}

jvirt_barray_ptr requestBlocks(j_common_ptr info, int pool, boolean preZero, JDIMENSION perRow, JDIMENSION rows, JDIMENSION access)
{
    request(info, pool, qint64(perRow) * rows * qint64(sizeof(JBLOCK)) + qint64(rows) * qint64(sizeof(JBLOCKROW)) + objectOverhead);
    return stateOf(info).library.request_virt_barray(info, pool, preZero, perRow, rows, access);
}

void realize(j_common_ptr info)
{
    State& state = stateOf(info);
    for (int pool = 0; pool < JPOOL_NUMPOOLS; ++pool)
        count(info, pool, std::exchange(state.requested[pool], 0));
    state.library.realize_virt_arrays(info);
}

void freePool(j_common_ptr info, int pool)
{
    State& state = stateOf(info);
    if (pool >= 0 && pool < JPOOL_NUMPOOLS) {
        state.account.give(std::exchange(state.pooled[pool], 0));
        state.requested[pool] = 0;
    }
    state.library.free_pool(info, pool);
}

void destruct(j_common_ptr info)
{
    State& state = stateOf(info);
    for (int pool = 0; pool < JPOOL_NUMPOOLS; ++pool)
        state.account.give(std::exchange(state.pooled[pool], 0));
    state.library.self_destruct(info);
}

// The orientation an APP1 holds, read as Qt's reader reads it: the first orientation of the first ten IFDs of
// an Exif, each further on than the last; 1 when there is none.
int exifOrientation(QByteArrayView app1)
{
    if (!app1.startsWith(QByteArrayView("Exif\0\0", 6)) || app1.size() < 14)
        return 1;
    const QByteArrayView tiff = app1.sliced(6);
    const bool little = tiff.startsWith("II");
    if (!little && !tiff.startsWith("MM"))
        return 1;
    const auto read16 = [&](qsizetype at) { return little ? qFromLittleEndian<quint16>(tiff.data() + at) : qFromBigEndian<quint16>(tiff.data() + at); };
    const auto read32 = [&](qsizetype at) { return little ? qFromLittleEndian<quint32>(tiff.data() + at) : qFromBigEndian<quint32>(tiff.data() + at); };
    if (read16(2) != 0x2A)
        return 1;
    qint64 end = 8;
    for (qint64 ifd = read32(4), count = 0; count < 10 && ifd >= end && ifd + 2 <= tiff.size(); ++count) {
        end = ifd + 2 + 12 * qint64(read16(ifd));
        for (qint64 entry = ifd + 2; entry + 12 <= std::min<qint64>(end, tiff.size()); entry += 12) {
            if (read16(entry) != 0x112)
                continue;
            const int orientation = read16(entry + 8);
            return read16(entry + 2) == 3 && read32(entry + 4) == 1 && orientation >= 1 && orientation <= 8 ? orientation : 1;
        }
        if (end + 4 > tiff.size())
            return 1;
        ifd = read32(end);
        end += 4;
    }
    return 1;
}

// APP1: the first one's orientation, read in place (the source holds all of the bytes), then passed over.
boolean readApp1(j_decompress_ptr info)
{
    jpeg_source_mgr& source = *info->src;
    const auto common = reinterpret_cast<j_common_ptr>(info);
    if (source.bytes_in_buffer < 2)
        source.fill_input_buffer(info); // past the end of the bytes: a warning, which ends the decode
    if (source.bytes_in_buffer < 2)
        fail(common);
    const size_t length = size_t(source.next_input_byte[0]) << 8 | source.next_input_byte[1];
    source.next_input_byte += 2;
    source.bytes_in_buffer -= 2;
    if (length < 2)
        fail(common);
    State& state = stateOf(common);
    if (!std::exchange(state.exifSeen, true) && length - 2 <= source.bytes_in_buffer)
        state.orientation = exifOrientation(QByteArrayView(source.next_input_byte, qsizetype(length - 2)));
    if (length > 2)
        source.skip_input_data(info, long(length - 2));
    return TRUE;
}

// As Qt's reader picks libjpeg's scale: the least eighth of the canvas that covers the target.
int eighths(QSize canvas, QSize target)
{
    if (canvas.isEmpty() || target.isEmpty())
        return 8;
    return std::clamp(qCeil(8 / std::min(double(canvas.width()) / target.width(), double(canvas.height()) / target.height())), 1, 8);
}

bool isCmyk(const jpeg_decompress_struct& info) { return info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK; }

} // namespace

JpegDecoder::JpegDecoder(const QByteArray& bytes, DecodeAccount& account) : state_(std::make_unique<State>(bytes, account))
{
    State& state = *state_;
    state.deadline = threadCpu() + qint64(ImageMemory::maxDecodeCpu.count()) * 1'000'000;
    state.info.err = jpeg_std_error(&state.error);
    state.error.error_exit = fail;
    state.error.emit_message = message;
    state.error.output_message = silent;
    state.info.client_data = &state;
    if (setjmp(state.jump))
        return;
    jpeg_create_decompress(&state.info);
    state.created = true;
    jpeg_memory_mgr& memory = *state.info.mem;
    state.library = memory;
    memory.alloc_small = allocSmall;
    memory.alloc_large = allocLarge;
    memory.alloc_sarray = allocSamples;
    memory.alloc_barray = allocBlocks;
    memory.request_virt_sarray = requestSamples;
    memory.request_virt_barray = requestBlocks;
    memory.realize_virt_arrays = realize;
    memory.free_pool = freePool;
    memory.self_destruct = destruct;
    memory.max_memory_to_use = long(account.limit());
    state.progress.progress_monitor = monitor;
    state.info.progress = &state.progress;
    jpeg_set_marker_processor(&state.info, JPEG_APP0 + 1, readApp1);
    jpeg_mem_src(&state.info, reinterpret_cast<const unsigned char*>(state.bytes.constData()), static_cast<unsigned long>(state.bytes.size()));
    state.headerRead = jpeg_read_header(&state.info, TRUE) == JPEG_HEADER_OK;
}

JpegDecoder::~JpegDecoder()
{
    if (state_->created)
        jpeg_destroy_decompress(&state_->info);
}

QSize JpegDecoder::canvas() const
{
    const jpeg_decompress_struct& info = state_->info;
    const J_COLOR_SPACE space = info.jpeg_color_space;
    const int components = space == JCS_GRAYSCALE ? 1 : isCmyk(info) ? 4 : space == JCS_YCbCr || space == JCS_RGB ? 3 : 0;
    if (!state_->created || !state_->headerRead || components != info.num_components)
        return {};
    return QSize(int(info.image_width), int(info.image_height));
}

QSize JpegDecoder::readSize(QSize target) const
{
    const QSize whole = canvas();
    const int scale = eighths(whole, target);
    return QSize(int((qint64(whole.width()) * scale + 7) / 8), int((qint64(whole.height()) * scale + 7) / 8));
}

qint64 JpegDecoder::peakBytes(QSize target) const
{
    if (canvas().isEmpty())
        return 0;
    jpeg_decompress_struct& info = state_->info;
    // Several scans: every block's coefficients are kept until the last, in rows of whole sampling units.
    qint64 coefficients = 0;
    if (jpeg_has_multiple_scans(&info)) {
        for (const jpeg_component_info* each = info.comp_info; each < info.comp_info + info.num_components; ++each) {
            const qint64 across = (qint64(each->width_in_blocks) + each->h_samp_factor - 1) / each->h_samp_factor * each->h_samp_factor;
            const qint64 down = (qint64(each->height_in_blocks) + each->v_samp_factor - 1) / each->v_samp_factor * each->v_samp_factor;
            coefficients += down * (across * qint64(sizeof(JBLOCK)) + qint64(sizeof(JBLOCKROW))) + objectOverhead;
        }
    }
    return libjpegState(canvas().width()) + coefficients + area(readSize(target)) * 4;
}

QImage JpegDecoder::read(QSize target)
{
    State& state = *state_;
    const QSize size = readSize(target);
    if (size.isEmpty())
        return {};
    const bool cmyk = isCmyk(state.info);
    const qint64 imageBytes = area(size) * 4;
    if (setjmp(state.jump)) {
        state.image = QImage();
        state.account.give(std::exchange(state.imageBytes, 0));
        jpeg_destroy_decompress(&state.info);
        state.created = false;
        return {};
    }
    // libjpeg's share of the account (it counts what it holds already): the limit less the image.
    state.info.mem->max_memory_to_use = long(std::max<qint64>(state.account.limit() - imageBytes, 1));
    state.info.scale_num = unsigned(eighths(canvas(), target));
    state.info.scale_denom = 8;
    state.info.out_color_space = cmyk ? JCS_CMYK : Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
    jpeg_calc_output_dimensions(&state.info);
    if (QSize(int(state.info.output_width), int(state.info.output_height)) != size || !state.account.take(imageBytes))
        fail(reinterpret_cast<j_common_ptr>(&state.info));
    state.imageBytes = imageBytes;
    state.image = QImage(size, QImage::Format_RGB32);
    if (state.image.isNull())
        fail(reinterpret_cast<j_common_ptr>(&state.info));
    jpeg_start_decompress(&state.info);
    while (state.info.output_scanline < state.info.output_height) {
        uchar* row = state.image.scanLine(int(state.info.output_scanline));
        jpeg_read_scanlines(&state.info, &row, 1);
        if (cmyk) {
            // Adobe's inverted CMYK, each pixel in its own place, as Qt's reader converts it.
            auto* pixel = reinterpret_cast<QRgb*>(row);
            for (const uchar* in = row; in < row + 4 * size.width(); in += 4) {
                const int k = in[3];
                *pixel++ = qRgb(k * in[0] / 255, k * in[1] / 255, k * in[2] / 255);
            }
        }
    }
    jpeg_destroy_decompress(&state.info);
    state.created = false;
    state.imageBytes = 0;
    return std::exchange(state.image, QImage());
}

int JpegDecoder::orientation() const { return state_->orientation; }

} // namespace hub
