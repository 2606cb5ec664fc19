#include "tools/common/ToolSupport.h"

#include "kit/support/InstallerToolProtocol.h"
#include "kit/support/SymlinkResolver.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace fs = std::filesystem;

namespace hub::tools {

WriteBudget takeLimitOption(std::vector<std::string>& args)
{
    static constexpr std::string_view prefix = "--limit-bytes=";
    WriteBudget budget;
    for (auto it = args.begin(); it != args.end();) {
        if (std::string_view(*it).starts_with(prefix)) {
            const std::string_view digits = std::string_view(*it).substr(prefix.size());
            std::int64_t value = -1;
            const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
            if (ec != std::errc() || end != digits.data() + digits.size() || value < 0)
                throw ToolFailure("invalid byte limit: " + std::string(digits));
            budget.limit = value;
            it = args.erase(it);
        } else {
            ++it;
        }
    }
    return budget;
}

void useUtf8Locale()
{
    setenv("LANG", "C.UTF-8", 1);
    std::setlocale(LC_ALL, "C.UTF-8");
}

bool isValidUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        int extra;
        char32_t code;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            code = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            code = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            code = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= text.size())
            return false;
        for (int k = 1; k <= extra; ++k) {
            const auto n = static_cast<unsigned char>(text[i + k]);
            if ((n & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (n & 0x3F);
        }
        static constexpr char32_t smallest[] = {0, 0x80, 0x800, 0x10000};
        if (code < smallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

static std::vector<std::string_view> components(std::string_view path)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t slash = path.find('/', start);
        const std::size_t end = slash == std::string_view::npos ? path.size() : slash;
        parts.push_back(path.substr(start, end - start));
        if (slash == std::string_view::npos)
            break;
        start = slash + 1;
    }
    return parts;
}

bool isSafeRelativePath(std::string_view path)
{
    if (path.empty() || path.front() == '/')
        return false;
    bool named = false;
    for (const auto part : components(path)) {
        if (part == "..")
            return false;
        if (!part.empty() && part != ".")
            named = true;
    }
    return named;
}

bool namesRoot(std::string_view path)
{
    if (path.empty() || path.front() == '/')
        return false;
    const auto parts = components(path);
    return std::all_of(parts.begin(), parts.end(), [](std::string_view part) { return part.empty() || part == "."; });
}

bool linkStaysInside(std::string_view linkPath, std::string_view target)
{
    if (target.empty() || target.front() == '/')
        return false;
    // Depth of the folder holding the link, then walk the target from there.
    int depth = 0;
    auto linkParts = components(linkPath);
    linkParts.pop_back();
    for (const auto part : linkParts) {
        if (!part.empty() && part != ".")
            ++depth;
    }
    for (const auto part : components(target)) {
        if (part == "..") {
            if (--depth < 0)
                return false;
        } else if (!part.empty() && part != ".") {
            ++depth;
        }
    }
    return true;
}

fs::path findOutwardLink(const fs::path& root)
{
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, fs::directory_options::none, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_symlink(ec))
            continue;
        const fs::path target = fs::read_symlink(it->path(), ec);
        if (ec)
            return it->path();
        const fs::path joined = target.is_absolute() ? target : it->path().parent_path() / target;
        if (!SymlinkResolver::contains(root.native(), joined.native()))
            return it->path();
    }
    if (ec)
        throw ToolFailure("cannot walk " + root.string() + ": " + ec.message());
    return {};
}

int limitReached(const char* tool, const WriteBudget& budget)
{
    std::fprintf(stderr, "%s: stopped after %lld bytes: over the limit of %lld bytes\n", tool,
                 static_cast<long long>(budget.written), static_cast<long long>(budget.limit));
    return InstallerToolProtocol::limitReachedStatus;
}

int runTool(const char* tool, int (*fn)(std::vector<std::string>&), int argc, char** argv)
{
    useUtf8Locale();
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        return fn(args);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "%s: %s\n", tool, failure.what());
        return 1;
    }
}

} // namespace hub::tools
