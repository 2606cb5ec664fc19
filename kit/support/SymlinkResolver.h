#pragma once

#include <string>
#include <string_view>

namespace hub {

// Resolves a path the way the kernel walks it, component by component: a symbolic link
// met in an existing component is replaced by its target (an absolute target starts
// again from "/"), and "." and ".." apply to what has been resolved so far, so links
// that are harmless one by one cannot chain their way out unseen. What does not exist is
// taken as written; after 40 links no more are followed. Paths are raw bytes. Plain C++
// without Qt, so that the installer tools share it with the kit.
class SymlinkResolver {
public:
    // The absolute resolved path, without "." or ".." components; a relative path is
    // taken from the current folder.
    static std::string resolve(std::string_view path);

    // Whether path is root or lies below it, both resolved.
    static bool contains(std::string_view root, std::string_view path);

    SymlinkResolver() = delete;
};

} // namespace hub
