#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <memory>

namespace hub {

class DecodeAccount;

// A JPEG decoded by libjpeg under its own limits: any warning ends the decode; everything its memory manager
// allocates is counted in the account, which refuses what passes its limit, and its virtual arrays are held to the
// same limit (max_memory_to_use); a progress monitor ends it once a component takes part in more than
// ImageMemory::maxScans scans, or past ImageMemory::maxDecodeCpu of the thread's CPU time from the header on. Of
// application data only the first APP1's Exif orientation is read, in place; nothing is kept.
class JpegDecoder {
public:
    // What reading the header may hold.
    static constexpr qint64 headerBytes = qint64(1) << 20;

    // Reads the header of `bytes`, which outlive the decoder; `account` outlives it too.
    JpegDecoder(const QByteArray& bytes, DecodeAccount& account);
    ~JpegDecoder();
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;

    // The canvas; empty when the header was not read or is of a kind not decoded (a colour space other than
    // grey, YCbCr, RGB, CMYK or YCCK).
    QSize canvas() const;
    // The size read() gives for `target`: the least eighth of the canvas that covers it.
    QSize readSize(QSize target) const;
    // What read(target) holds at most: libjpeg's tables, rows and (for several scans) coefficients, and the image.
    qint64 peakBytes(QSize target) const;
    // The image at readSize(target) in RGB32 (CMYK as Adobe's inverted CMYK), not turned; null when the decode
    // fails or is stopped. Once; libjpeg lets go of its memory before it returns, and the image's bytes stay
    // taken in the account for the caller to give.
    QImage read(QSize target);
    // The Exif orientation of the first APP1 (1-8; 1 upright).
    int orientation() const;

    struct State;

private:
    std::unique_ptr<State> state_;
};

} // namespace hub
