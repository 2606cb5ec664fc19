#include "kit/support/PropertyListGuard.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace hub {

namespace {

// The binary format: "bplist00", the objects, the offset table, and a 32-byte trailer.
class BinaryList {
public:
    explicit BinaryList(const QByteArray& bytes)
        : data_(reinterpret_cast<const unsigned char*>(bytes.constData())), size_(uint64_t(bytes.size()))
    {
        valid_ = readTrailer();
    }

    bool admits(int maxDepth) const
    {
        if (!valid_)
            return false;
        // Depth first over the references, counting every visit: a shared object counts each time.
        std::vector<std::pair<uint64_t, int>> pending{{root_, 0}};
        uint64_t visits = 0;
        while (!pending.empty()) {
            const auto [index, depth] = pending.back();
            pending.pop_back();
            if (++visits > size_ || depth > maxDepth)
                return false;
            const auto at = offsetOf(index);
            if (!at)
                return false;
            const unsigned type = data_[*at] >> 4;
            if (type != 0xA && type != 0xC && type != 0xD)
                continue;
            uint64_t refs = 0;
            const auto count = lengthAt(*at, refs);
            if (!count || (type == 0xD && *count > UINT64_MAX / 2))
                return false;
            const uint64_t total = type == 0xD ? *count * 2 : *count;
            if (total > (tableOffset_ - refs) / refSize_)
                return false;
            for (uint64_t i = 0; i < total; ++i) {
                const uint64_t child = readInt(refs + i * refSize_, refSize_);
                if (child >= objects_)
                    return false;
                if (type == 0xD && i < *count) {
                    if (++visits > size_ || !isPlainKey(child))
                        return false;
                    continue;
                }
                pending.emplace_back(child, depth + 1);
            }
        }
        return true;
    }

private:
    bool readTrailer()
    {
        if (size_ < 8 + 32)
            return false;
        const uint64_t trailer = size_ - 32;
        offsetSize_ = data_[trailer + 6];
        refSize_ = data_[trailer + 7];
        objects_ = readInt(trailer + 8, 8);
        root_ = readInt(trailer + 16, 8);
        tableOffset_ = readInt(trailer + 24, 8);
        return offsetSize_ >= 1 && offsetSize_ <= 8 && refSize_ >= 1 && refSize_ <= 8 && objects_ > 0 && root_ < objects_
            && tableOffset_ >= 8 && tableOffset_ <= trailer && objects_ <= (trailer - tableOffset_) / offsetSize_;
    }

    uint64_t readInt(uint64_t at, unsigned bytes) const
    {
        uint64_t value = 0;
        for (unsigned i = 0; i < bytes; ++i)
            value = value << 8 | data_[at + i];
        return value;
    }

    // Where an object starts; nothing when that is outside the object area.
    std::optional<uint64_t> offsetOf(uint64_t index) const
    {
        const uint64_t at = readInt(tableOffset_ + index * offsetSize_, offsetSize_);
        if (at < 8 || at >= tableOffset_)
            return std::nullopt;
        return at;
    }

    // The element count of the object at `at` (its low nibble, or a following integer object) and
    // where its contents begin.
    std::optional<uint64_t> lengthAt(uint64_t at, uint64_t& contents) const
    {
        const unsigned low = data_[at] & 0xF;
        if (low != 0xF) {
            contents = at + 1;
            return low;
        }
        if (at + 2 > tableOffset_ || data_[at + 1] >> 4 != 0x1)
            return std::nullopt;
        const unsigned bytes = 1u << (data_[at + 1] & 0xF);
        if (bytes > 8 || at + 2 + bytes > tableOffset_)
            return std::nullopt;
        contents = at + 2 + bytes;
        return readInt(at + 2, bytes);
    }

    // A dictionary key: an ASCII or UTF-16 string without NUL characters.
    bool isPlainKey(uint64_t index) const
    {
        const auto at = offsetOf(index);
        if (!at)
            return false;
        const unsigned type = data_[*at] >> 4;
        uint64_t text = 0;
        const auto length = lengthAt(*at, text);
        if (!length || (type != 0x5 && type != 0x6))
            return false;
        const uint64_t unit = type == 0x6 ? 2 : 1;
        if (*length > (tableOffset_ - text) / unit)
            return false;
        for (uint64_t i = 0; i < *length; ++i) {
            if (readInt(text + i * unit, unsigned(unit)) == 0)
                return false;
        }
        return true;
    }

    const unsigned char* data_;
    uint64_t size_;
    unsigned offsetSize_ = 0;
    unsigned refSize_ = 0;
    uint64_t objects_ = 0;
    uint64_t root_ = 0;
    uint64_t tableOffset_ = 0;
    bool valid_ = false;
};

// The end of the tag that opens at `at` (its '>'), quoted attribute values skipped; -1 when there is none.
qsizetype tagEnd(const QByteArray& text, qsizetype at)
{
    char quote = 0;
    for (qsizetype i = at + 1; i < text.size(); ++i) {
        const char c = text.at(i);
        if (quote)
            quote = c == quote ? 0 : quote;
        else if (c == '"' || c == '\'')
            quote = c;
        else if (c == '>')
            return i;
    }
    return -1;
}

QByteArray tagName(const QByteArray& text, qsizetype from, qsizetype end)
{
    qsizetype stop = from;
    while (stop < end && !QByteArrayView(" \t\r\n/").contains(text.at(stop)))
        ++stop;
    return text.mid(from, stop - from);
}

// Any reference to character 0: &#0; &#x00; and the like.
bool refersToNul(const QByteArray& text)
{
    for (qsizetype ref = text.indexOf("&#"); ref >= 0; ref = text.indexOf("&#", ref + 2)) {
        const bool hex = ref + 2 < text.size() && (text.at(ref + 2) == 'x' || text.at(ref + 2) == 'X');
        const qsizetype first = ref + 2 + (hex ? 1 : 0);
        qsizetype digit = first;
        while (digit < text.size() && text.at(digit) == '0')
            ++digit;
        if (digit > first && digit < text.size() && text.at(digit) == ';')
            return true;
    }
    return false;
}

// The XML format: follows the open elements, skipping comments, declarations and character data.
// Refuses a closing tag that does not match, a NUL byte, or a reference to character 0.
bool xmlAdmits(const QByteArray& text, int maxDepth)
{
    if (text.contains('\0') || refersToNul(text))
        return false;
    // Open at once: <plist>, maxDepth + 1 levels of containers and a leaf inside the deepest.
    const qsizetype maxOpen = maxDepth + 3;
    std::vector<QByteArray> open;
    qsizetype at = 0;
    auto skipPast = [&](const char* end) {
        const qsizetype found = text.indexOf(end, at);
        at = found < 0 ? text.size() : found + qsizetype(std::strlen(end));
    };
    while ((at = text.indexOf('<', at)) >= 0) {
        const QByteArrayView rest = QByteArrayView(text).sliced(at);
        if (rest.startsWith("<!--")) {
            skipPast("-->");
        } else if (rest.startsWith("<![CDATA[")) {
            skipPast("]]>");
        } else if (rest.startsWith("<?")) {
            skipPast("?>");
        } else if (rest.startsWith("<!")) {
            skipPast(">");
        } else {
            const qsizetype end = tagEnd(text, at);
            if (end < 0)
                return true; // unterminated: libplist refuses it without going deeper
            if (rest.startsWith("</")) {
                if (open.empty() || open.back() != tagName(text, at + 2, end))
                    return false;
                open.pop_back();
            } else if (text.at(end - 1) != '/') {
                open.push_back(tagName(text, at + 1, end));
                if (qsizetype(open.size()) > maxOpen)
                    return false;
            }
            at = end + 1;
        }
    }
    return true;
}

} // namespace

bool PropertyListGuard::admits(const QByteArray& bytes, int maxDepth)
{
    if (bytes.startsWith("bplist00"))
        return BinaryList(bytes).admits(maxDepth);
    return xmlAdmits(bytes, maxDepth);
}

} // namespace hub
