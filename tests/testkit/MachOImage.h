#pragma once

#include "tests/testkit/BundleSpec.h"
#include "tests/testkit/EmbeddedSignature.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace hub::test {

// Synthetic Mach-O files for the test signer: 64-bit little-endian slices with __TEXT (one __text
// section) and __LINKEDIT segments, thin or in a fat wrapper (big-endian header, slices 16 KiB aligned).
class MachOImage {
public:
    enum : quint32 { execute = 2, dylib = 6, bundle = 8 }; // file types

    // One unsigned slice; the __text bytes are pseudo-random, fixed by seed and architecture.
    static QByteArray slice(Architecture architecture, const QString& seed, qint64 codeSize, quint32 fileType);
    static QByteArray fat(const QList<QByteArray>& slices);
    // The slices of a thin or fat image (a thin image is its own one slice).
    static QList<QByteArray> slices(const QByteArray& image);
    // Reassembles an image of the same shape as original (thin stays thin) from new slices.
    static QByteArray replaceSlices(const QByteArray& original, const QList<QByteArray>& slices);
    static Architecture architecture(const QByteArray& slice);

    // The slice without LC_CODE_SIGNATURE and without the signature bytes.
    static QByteArray strip(const QByteArray& slice);
    // The slice signed: LC_CODE_SIGNATURE appended to the load commands, the signature at the end of
    // __LINKEDIT. input.base gives identifier, flags and special slots; code, limit and execSeg are set here.
    static QByteArray sign(const QByteArray& slice, EmbeddedSignature::Input input, const SigningIdentity& identity);
    // The superblob of a signed slice (empty when unsigned).
    static QByteArray signature(const QByteArray& slice);
    // File offset and size of the __text section.
    static QPair<qint64, qint64> textSection(const QByteArray& slice);
};

} // namespace hub::test
