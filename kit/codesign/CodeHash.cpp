#include "kit/codesign/CodeHash.h"

#include "kit/codesign/CodeBytes.h"

#include "kit/support/ParallelFor.h"
#include "kit/support/ReadOnlyFile.h"

#include <atomic>
#include <cstring>
#include <memory>
#include <openssl/evp.h>
#include <stdexcept>

namespace hub {

namespace {

const EVP_MD* algorithm(uint8_t type)
{
    switch (type) {
    case 1: return EVP_sha1();
    case 2:
    case 3: return EVP_sha256();
    case 4: return EVP_sha384();
    default: return nullptr;
    }
}

struct ContextFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

class Hasher {
public:
    explicit Hasher(uint8_t type) : md_(algorithm(type)), context_(EVP_MD_CTX_new()), size_(CodeHash::size(type))
    {
        if (!md_ || !context_)
            throw std::runtime_error("no digest");
    }
    // Writes the (cut) digest into out.
    void hash(const unsigned char* data, size_t length, unsigned char* out)
    {
        begin();
        add(data, length);
        finish(out);
    }
    void begin()
    {
        if (EVP_DigestInit_ex(context_.get(), md_, nullptr) != 1)
            throw std::runtime_error("digest failed");
    }
    void add(const unsigned char* data, size_t length)
    {
        if (EVP_DigestUpdate(context_.get(), data, length) != 1)
            throw std::runtime_error("digest failed");
    }
    void finish(unsigned char* out)
    {
        unsigned char full[EVP_MAX_MD_SIZE];
        unsigned int fullLength = 0;
        if (EVP_DigestFinal_ex(context_.get(), full, &fullLength) != 1 || fullLength < size_)
            throw std::runtime_error("digest failed");
        std::memcpy(out, full, size_);
    }

private:
    const EVP_MD* md_;
    std::unique_ptr<EVP_MD_CTX, ContextFree> context_;
    size_t size_;
};

constexpr size_t chunkBytes = 4 * 1024 * 1024;
constexpr size_t fileWindowBytes = 1024 * 1024;

} // namespace

bool CodeHash::isSupported(uint8_t type)
{
    return algorithm(type) != nullptr;
}

size_t CodeHash::size(uint8_t type)
{
    switch (type) {
    case 1:
    case 3: return 20;
    case 2: return 32;
    case 4: return 48;
    default: return 0;
    }
}

int CodeHash::strength(uint8_t type)
{
    switch (type) {
    case 1: return 1;
    case 3: return 2;
    case 2: return 3;
    case 4: return 4;
    default: return 0;
    }
}

QByteArray CodeHash::digest(uint8_t type, const unsigned char* data, size_t length)
{
    QByteArray out(qsizetype(size(type)), Qt::Uninitialized);
    Hasher(type).hash(data, length, reinterpret_cast<unsigned char*>(out.data()));
    return out;
}

QByteArray CodeHash::digestOfFile(uint8_t type, const ReadOnlyFile& file)
{
    Hasher hasher(type);
    hasher.begin();
    file.readsInOrder();
    const std::unique_ptr<char[]> window(new char[fileWindowBytes]);
    for (uint64_t at = 0;;) {
        const size_t got = file.read(at, window.get(), fileWindowBytes);
        hasher.add(reinterpret_cast<const unsigned char*>(window.get()), got);
        if (got < fileWindowBytes)
            break;
        at += got;
    }
    QByteArray out(qsizetype(size(type)), Qt::Uninitialized);
    hasher.finish(reinterpret_cast<unsigned char*>(out.data()));
    return out;
}

std::optional<size_t> CodeHash::firstMismatch(uint8_t type, const CodeBytes& code, uint64_t offset, size_t length,
                                              size_t pageSize, const unsigned char* expected, size_t count)
{
    const size_t slot = size(type);
    if (pageSize == 0)
        pageSize = length == 0 ? 1 : length;
    const size_t pagesPerChunk = std::max<size_t>(1, chunkBytes / pageSize);
    const size_t chunks = (count + pagesPerChunk - 1) / pagesPerChunk;
    std::atomic<size_t> first{count};
    // A chunk's pages are read a window at a time and hashed as they come; pages past the code's end are empty.
    parallelFor(chunks, [&](size_t chunk) {
        size_t page = chunk * pagesPerChunk;
        const size_t end = std::min(count, page + pagesPerChunk);
        Hasher hasher(type);
        unsigned char out[EVP_MAX_MD_SIZE];
        const auto matches = [&] {
            if (std::memcmp(out, expected + page * slot, slot) == 0)
                return true;
            size_t seen = first.load();
            while (page < seen && !first.compare_exchange_weak(seen, page)) {
            }
            return false;
        };
        const size_t to = std::min(length, end * pageSize);
        size_t at = std::min(length, page * pageSize);
        size_t pageEnd = std::min(length, (page + 1) * pageSize);
        QByteArray buffer;
        hasher.begin();
        while (at < to && page < first) {
            const size_t window = std::min(to - at, fileWindowBytes);
            const unsigned char* bytes = code.bytes(offset + at, window, buffer);
            for (size_t used = 0; used < window;) {
                const size_t take = std::min(window - used, pageEnd - at);
                hasher.add(bytes + used, take);
                used += take;
                at += take;
                if (at == pageEnd) {
                    hasher.finish(out);
                    if (!matches())
                        return;
                    ++page;
                    pageEnd = std::min(length, (page + 1) * pageSize);
                    hasher.begin();
                }
            }
        }
        for (; page < end && page < first; ++page) {
            hasher.hash(nullptr, 0, out);
            if (!matches())
                return;
        }
    });
    if (first.load() < count)
        return first.load();
    return std::nullopt;
}

} // namespace hub
