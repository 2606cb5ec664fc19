#pragma once

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace hub {

// The UDIF trailer of a disk image: the last 512 bytes, beginning "koly". A signed image keeps
// its embedded signature between the image data and the trailer, at the trailer's code-signature
// offset and length.
struct DiskImageTrailer {
    static constexpr size_t size = 512;

    QByteArray header; // the 512 bytes as stored
    uint64_t signatureOffset = 0;
    uint64_t signatureLength = 0;

    // The trailer of the file, or nothing when it does not end in one.
    static std::optional<DiskImageTrailer> read(const unsigned char* data, size_t length);
    // The header as the signature binds it: with the code-signature length set to zero (it is not
    // known before the signature is made).
    QByteArray headerWithoutSignature() const;
};

} // namespace hub
