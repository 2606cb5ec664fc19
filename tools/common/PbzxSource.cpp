#include "tools/common/PbzxSource.h"

#include "tools/common/SafeUnpacker.h"
#include "tools/common/ToolSupport.h"

#include <archive.h>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <lzma.h>
#include <vector>

namespace hub::tools {

namespace {

constexpr std::size_t bufferSize = 1 << 20;
// What one chunk's xz decoder may allocate: real payloads need a few MiB; a header
// that asks for gigabytes of dictionary is refused.
constexpr std::uint64_t decoderMemoryLimit = std::uint64_t(128) << 20;

struct Pbzx {
    std::FILE* file = nullptr;
    std::uint64_t storedLeft = 0; // bytes of the current chunk still in the file
    bool rawChunk = false;
    bool inChunk = false;
    bool decoderActive = false;
    lzma_stream stream = LZMA_STREAM_INIT;
    std::vector<std::uint8_t> input = std::vector<std::uint8_t>(bufferSize);
    std::vector<std::uint8_t> output = std::vector<std::uint8_t>(bufferSize);

    ~Pbzx()
    {
        if (decoderActive)
            lzma_end(&stream);
        if (file)
            std::fclose(file);
    }
};

bool readBigEndian64(std::FILE* file, std::uint64_t& value, bool& atEnd)
{
    std::array<std::uint8_t, 8> bytes{};
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    atEnd = got == 0 && std::feof(file);
    if (got != bytes.size())
        return false;
    value = 0;
    for (const auto byte : bytes)
        value = (value << 8) | byte;
    return true;
}

la_ssize_t readCallback(struct archive* reader, void* data, const void** buffer)
{
    auto* pbzx = static_cast<Pbzx*>(data);
    for (;;) {
        if (!pbzx->inChunk) {
            std::uint64_t decoded = 0;
            std::uint64_t stored = 0;
            bool atEnd = false;
            if (!readBigEndian64(pbzx->file, decoded, atEnd)) {
                if (atEnd)
                    return 0;
                archive_set_error(reader, EINVAL, "truncated pbzx chunk header");
                return -1;
            }
            if (!readBigEndian64(pbzx->file, stored, atEnd)) {
                archive_set_error(reader, EINVAL, "truncated pbzx chunk header");
                return -1;
            }
            pbzx->inChunk = true;
            pbzx->storedLeft = stored;
            pbzx->rawChunk = stored == decoded;
            if (!pbzx->rawChunk) {
                pbzx->stream = LZMA_STREAM_INIT;
                if (lzma_stream_decoder(&pbzx->stream, decoderMemoryLimit, 0) != LZMA_OK) {
                    archive_set_error(reader, ENOMEM, "cannot start the xz decoder");
                    return -1;
                }
                pbzx->decoderActive = true;
            }
        }

        if (pbzx->rawChunk) {
            if (pbzx->storedLeft == 0) {
                pbzx->inChunk = false;
                continue;
            }
            const std::size_t want = std::min<std::uint64_t>(pbzx->storedLeft, bufferSize);
            const std::size_t got = std::fread(pbzx->output.data(), 1, want, pbzx->file);
            if (got == 0) {
                archive_set_error(reader, EINVAL, "truncated pbzx chunk");
                return -1;
            }
            pbzx->storedLeft -= got;
            *buffer = pbzx->output.data();
            return static_cast<la_ssize_t>(got);
        }

        lzma_stream& stream = pbzx->stream;
        stream.next_out = pbzx->output.data();
        stream.avail_out = bufferSize;
        while (stream.avail_out > 0) {
            if (stream.avail_in == 0 && pbzx->storedLeft > 0) {
                const std::size_t want = std::min<std::uint64_t>(pbzx->storedLeft, bufferSize);
                const std::size_t got = std::fread(pbzx->input.data(), 1, want, pbzx->file);
                if (got == 0) {
                    archive_set_error(reader, EINVAL, "truncated pbzx chunk");
                    return -1;
                }
                pbzx->storedLeft -= got;
                stream.next_in = pbzx->input.data();
                stream.avail_in = got;
            }
            const bool last = stream.avail_in == 0 && pbzx->storedLeft == 0;
            const lzma_ret ret = lzma_code(&stream, last ? LZMA_FINISH : LZMA_RUN);
            if (ret == LZMA_STREAM_END) {
                lzma_end(&stream);
                pbzx->decoderActive = false;
                pbzx->inChunk = false;
                if (stream.avail_in != 0 || pbzx->storedLeft != 0) {
                    archive_set_error(reader, EINVAL, "data after the end of a pbzx chunk");
                    return -1;
                }
                break;
            }
            if (ret == LZMA_MEMLIMIT_ERROR) {
                archive_set_error(reader, ENOMEM, "a pbzx chunk needs more memory than its decoder may use");
                return -1;
            }
            if (ret != LZMA_OK) {
                archive_set_error(reader, EINVAL, "damaged xz data in a pbzx chunk");
                return -1;
            }
        }
        const std::size_t produced = bufferSize - stream.avail_out;
        if (produced > 0) {
            *buffer = pbzx->output.data();
            return static_cast<la_ssize_t>(produced);
        }
    }
}

int closeCallback(struct archive*, void* data)
{
    delete static_cast<Pbzx*>(data);
    return ARCHIVE_OK;
}

} // namespace

bool isPbzx(const std::filesystem::path& file)
{
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f)
        return false;
    char magic[4] = {};
    const bool yes = std::fread(magic, 1, 4, f) == 4 && std::memcmp(magic, "pbzx", 4) == 0;
    std::fclose(f);
    return yes;
}

void openPbzx(struct archive* reader, const std::filesystem::path& file)
{
    auto* pbzx = new Pbzx;
    pbzx->file = std::fopen(file.c_str(), "rb");
    char magic[4] = {};
    std::uint64_t chunkSize = 0;
    bool atEnd = false;
    if (!pbzx->file || std::fread(magic, 1, 4, pbzx->file) != 4 || std::memcmp(magic, "pbzx", 4) != 0
        || !readBigEndian64(pbzx->file, chunkSize, atEnd)) {
        delete pbzx;
        throw ToolFailure(file.string() + ": not a pbzx stream");
    }
    if (archive_read_open(reader, pbzx, nullptr, readCallback, closeCallback) != ARCHIVE_OK)
        throw ToolFailure(file.string() + ": " + archiveError(reader));
}

} // namespace hub::tools
