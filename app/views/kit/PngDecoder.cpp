#include "app/views/kit/PngDecoder.h"

#include "app/views/kit/DecodeAccount.h"
#include "app/views/kit/ImageMemory.h"

#include <csetjmp>
#include <cstring>
#include <png.h>
#include <utility>
#include <vector>

namespace hub {

struct PngDecoder::State {
    State(const QByteArray& bytes, DecodeAccount& account) : bytes(bytes), account(account) {}

    QByteArray bytes;
    DecodeAccount& account;
    qsizetype at = 0; // what libpng has read of the bytes
    png_structp png = nullptr;
    png_infop info = nullptr;
    bool headerRead = false;
    QImage image;
    std::vector<png_bytep> rows;
    qint64 imageBytes = 0;
};

namespace {

using State = PngDecoder::State;

qint64 area(QSize size) { return qint64(size.width()) * size.height(); }

// What libpng holds for a canvas `width` wide: its structures, the inflater and its window, a few rows of 8
// bytes a pixel.
qint64 libpngState(int width) { return (qint64(1) << 20) + qint64(width) * 32; }

// Each allocation is counted with its size before it.
constexpr size_t sizeHeader = alignof(std::max_align_t);

png_voidp allocate(png_structp png, png_alloc_size_t size)
{
    auto& state = *static_cast<State*>(png_get_mem_ptr(png));
    if (size > PNG_SIZE_MAX - sizeHeader || !state.account.take(qint64(size + sizeHeader)))
        return nullptr;
    auto* block = static_cast<unsigned char*>(std::malloc(size + sizeHeader));
    if (!block) {
        state.account.give(qint64(size + sizeHeader));
        return nullptr;
    }
    std::memcpy(block, &size, sizeof size);
    return block + sizeHeader;
}

void release(png_structp png, png_voidp pointer)
{
    if (!pointer)
        return;
    auto* block = static_cast<unsigned char*>(pointer) - sizeHeader;
    png_alloc_size_t size = 0;
    std::memcpy(&size, block, sizeof size);
    static_cast<State*>(png_get_mem_ptr(png))->account.give(qint64(size + sizeHeader));
    std::free(block);
}

[[noreturn]] void fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void warned(png_structp, png_const_charp) {}

void readBytes(png_structp png, png_bytep out, size_t size)
{
    auto& state = *static_cast<State*>(png_get_io_ptr(png));
    if (size > size_t(state.bytes.size() - state.at))
        png_error(png, "read past the end");
    std::memcpy(out, state.bytes.constData() + state.at, size);
    state.at += qsizetype(size);
}

} // namespace

PngDecoder::PngDecoder(const QByteArray& bytes, DecodeAccount& account) : state_(std::make_unique<State>(bytes, account))
{
    State& state = *state_;
    state.png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, nullptr, fail, warned, &state, allocate, release);
    state.info = state.png ? png_create_info_struct(state.png) : nullptr;
    if (!state.info || setjmp(png_jmpbuf(state.png)))
        return;
    png_set_user_limits(state.png, ImageMemory::maxCanvasSide, ImageMemory::maxCanvasSide);
    png_set_chunk_cache_max(state.png, 64);
    png_set_chunk_malloc_max(state.png, 64 << 10);
    // Every ancillary chunk but tRNS is passed over, text and profiles with the rest, never inflated.
    png_set_keep_unknown_chunks(state.png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_set_read_fn(state.png, &state, readBytes);
    png_read_info(state.png, state.info);
    state.headerRead = true;
}

PngDecoder::~PngDecoder()
{
    if (state_->png)
        png_destroy_read_struct(&state_->png, state_->info ? &state_->info : nullptr, nullptr);
}

QSize PngDecoder::canvas() const
{
    if (!state_->headerRead)
        return {};
    return QSize(int(png_get_image_width(state_->png, state_->info)), int(png_get_image_height(state_->png, state_->info)));
}

QSize PngDecoder::readSize(QSize) const { return canvas(); }

qint64 PngDecoder::peakBytes(QSize) const
{
    const QSize size = canvas();
    return libpngState(size.width()) + area(size) * 4 + qint64(size.height()) * qint64(sizeof(png_bytep));
}

QImage PngDecoder::read(QSize)
{
    State& state = *state_;
    const QSize size = canvas();
    if (size.isEmpty())
        return {};
    png_structp png = state.png;
    png_infop info = state.info;
    const int colour = png_get_color_type(png, info);
    const bool alpha = (colour & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
    const qint64 imageBytes = area(size) * 4 + qint64(size.height()) * qint64(sizeof(png_bytep));
    if (setjmp(png_jmpbuf(png))) {
        state.image = QImage();
        state.rows = {};
        state.account.give(std::exchange(state.imageBytes, 0));
        png_destroy_read_struct(&state.png, &state.info, nullptr);
        return {};
    }
    // A palette, grey of fewer bits and a colour key (matched before the 16 bits are brought to 8) become RGB
    // and alpha, of 8 bits, four bytes a pixel in QImage's order.
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    if (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
        png_set_bgr(png);
        if (!alpha)
            png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    } else if (alpha) {
        png_set_swap_alpha(png);
    } else {
        png_set_filler(png, 0xFF, PNG_FILLER_BEFORE);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t(size.width()) * 4 || !state.account.take(imageBytes))
        png_error(png, "unexpected rows");
    state.imageBytes = imageBytes;
    state.image = QImage(size, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (state.image.isNull())
        png_error(png, "no image");
    state.rows.resize(size_t(size.height()));
    for (int y = 0; y < size.height(); ++y)
        state.rows[size_t(y)] = state.image.scanLine(y);
    png_read_image(png, state.rows.data());
    png_destroy_read_struct(&state.png, &state.info, nullptr);
    state.rows = {};
    state.account.give(std::exchange(state.imageBytes, 0) - area(size) * 4);
    return std::exchange(state.image, QImage());
}

} // namespace hub
