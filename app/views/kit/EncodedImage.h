#pragma once

#include <QByteArray>
#include <QImage>
#include <QRgba64>
#include <QSize>
#include <optional>

namespace hub {

// What the bytes of a PNG or JPEG declare, read from their chunks or markers alone before anything is
// decoded: the canvas, the bytes Qt's reader is given, and what reading them holds in memory and costs
// in time.
struct EncodedImage {
    enum class Format { Png, Jpeg };

    // Nothing when the bytes are neither (told by their signature), or when their structure is one
    // the decoders refuse: a first chunk that is no header, an unknown critical chunk, a length past
    // what a chunk may hold, no frame or a second one, a frame of a kind or precision libjpeg does not
    // decode, a scan of a component the frame lacks.
    static std::optional<EncodedImage> read(const QByteArray& bytes);

    // What the reader is not given, applied to the image it read of `readable`: a colour key.
    void applyColourKey(QImage& image) const;
    // The reader's name of the format: "png" or "jpeg".
    QByteArray readerFormat() const;
    // Whether the reader itself scales to `target`: a JPEG by eighths as it decodes, a PNG of 8 bits a
    // colour channel, not interlaced, row by row. Otherwise the whole canvas is read and scaled after.
    bool readerScales(QSize target) const;
    // The most memory that decoding to `target` (the canvas or smaller) holds at once: the decoder's own
    // buffers, the image read, the copies made to scale it, turn it upright or bring it to 8 bits a
    // channel, and the bytes given to the reader.
    qint64 peakBytes(QSize target) const;

    Format format = Format::Png;
    QSize canvas;
    // What makes the pixels, none of the text, profiles and other application data, which the readers
    // would keep or inflate: a PNG's critical chunks and tRNS (but a colour key of 16-bit RGB); a JPEG's
    // tables, frame, scans and the markers between, with the JFIF header (no thumbnail), Adobe's colour
    // transform and an Exif of the orientation alone, rebuilt. A copy of that size, or the bytes
    // themselves when that is all of them.
    QByteArray readable;

    // PNG: the bytes a pixel of the image the reader makes of the whole canvas (1, 2, 4 or 8).
    int pixelBytes = 0;
    // PNG: 8 bits a colour channel, not interlaced.
    bool scalesRows = false;
    // PNG: the 16-bit RGB colour that its tRNS makes transparent, left out of `readable`.
    std::optional<QRgba64> colourKey;

    // JPEG: the components (1, 3 or 4), the coefficients kept for the whole image when it has more
    // than one scan (none for one scan), the scans, and the work they ask of the decoder: the blocks of
    // each scan times the coefficients of its band (a refinement as a first pass), all of it nine times
    // over when arithmetic-coded.
    int components = 0;
    qint64 coefficientBytes = 0;
    int scans = 0;
    qint64 scanCost = 0;
};

} // namespace hub
