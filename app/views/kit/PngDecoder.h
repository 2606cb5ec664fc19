#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <memory>

namespace hub {

class DecodeAccount;

// A PNG decoded by libpng under its own limits (a side of ImageMemory::maxCanvasSide at most, a few ancillary
// chunks kept and none large), everything it allocates counted in the account, which refuses what passes its
// limit. Of the ancillary chunks only tRNS is read: text, profiles and the rest are passed over unread.
class PngDecoder {
public:
    // What reading the header may hold.
    static constexpr qint64 headerBytes = qint64(1) << 20;

    // Reads the header of `bytes`, which outlive the decoder; `account` outlives it too.
    PngDecoder(const QByteArray& bytes, DecodeAccount& account);
    ~PngDecoder();
    PngDecoder(const PngDecoder&) = delete;
    PngDecoder& operator=(const PngDecoder&) = delete;

    // The canvas; empty when the header was not read.
    QSize canvas() const;
    // The size read() gives: the canvas, whatever the target.
    QSize readSize(QSize target) const;
    // What read() holds at most: libpng's rows and inflater, the image and its row pointers.
    qint64 peakBytes(QSize target) const;
    // The whole image at 8 bits a channel, in RGB32, or ARGB32 when it has alpha or a colour key (matched on
    // the file's own bits, 16 included); null when the decode fails. Once; libpng lets go of its memory before
    // it returns, and the image's bytes stay taken in the account for the caller to give.
    QImage read(QSize target);
    // 1: upright.
    int orientation() const { return 1; }

    struct State;

private:
    std::unique_ptr<State> state_;
};

} // namespace hub
