#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace hub::tools {

// A refusal or failure that ends a tool run: printed on standard error, exit status 1.
class ToolFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Bytes a tool may write before it stops. The caller passes "--limit-bytes=N";
// without it the limit is 4 GiB. A run that stops there exits with
// InstallerToolProtocol::limitReachedStatus.
struct WriteBudget {
    static constexpr std::int64_t defaultLimit = std::int64_t(4) << 30;
    std::int64_t limit = defaultLimit;
    std::int64_t written = 0;

    bool exhausted() const { return written > limit; }
};

// Removes every "--limit-bytes=N" from args and returns the budget it sets.
WriteBudget takeLimitOption(std::vector<std::string>& args);

// Sets the C.UTF-8 locale so file names pass through unchanged.
void useUtf8Locale();

bool isValidUtf8(std::string_view text);

// True when the relative archive path stays below its root: not absolute, no ".."
// component, not empty.
bool isSafeRelativePath(std::string_view path);

// True when the relative archive path names its root itself: ".", "./", "./.".
bool namesRoot(std::string_view path);

// The lexical target of a symbolic link stored at linkPath (relative to the root)
// stays inside the root.
bool linkStaysInside(std::string_view linkPath, std::string_view target);

// The first symbolic link under root whose target, resolved on disk the way the
// kernel walks it (links chained through links included), lies outside root; empty
// when there is none.
std::filesystem::path findOutwardLink(const std::filesystem::path& root);

// The permission bits a tool gives what it writes: no set-id bits, and no write
// permission for the group or others.
constexpr unsigned writtenMode(unsigned mode) { return mode & 07777 & ~06022u; }

// Reports a run cut short at the byte limit on stderr and returns its exit status.
int limitReached(const char* tool, const WriteBudget& budget);

// Runs fn and turns failures into "<tool>: <message>" on stderr and exit status 1.
int runTool(const char* tool, int (*fn)(std::vector<std::string>&), int argc, char** argv);

} // namespace hub::tools
