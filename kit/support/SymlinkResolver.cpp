#include "kit/support/SymlinkResolver.h"

#include <cerrno>
#include <deque>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace hub {

namespace {

constexpr int maxLinkHops = 40;

// The non-empty components of path, in order, appended to (or placed before) parts.
void split(std::string_view path, std::deque<std::string>& parts, bool atFront)
{
    std::vector<std::string> found;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t slash = path.find('/', start);
        const std::size_t end = slash == std::string_view::npos ? path.size() : slash;
        if (end > start)
            found.emplace_back(path.substr(start, end - start));
        if (slash == std::string_view::npos)
            break;
        start = slash + 1;
    }
    if (atFront)
        parts.insert(parts.begin(), found.begin(), found.end());
    else
        parts.insert(parts.end(), found.begin(), found.end());
}

std::string joined(const std::vector<std::string>& parts)
{
    std::string path;
    for (const auto& part : parts)
        path += '/' + part;
    return path.empty() ? std::string("/") : path;
}

} // namespace

std::string SymlinkResolver::resolve(std::string_view path)
{
    std::deque<std::string> pending;
    if (!path.starts_with('/')) {
        std::vector<char> folder(4096);
        while (!::getcwd(folder.data(), folder.size()) && errno == ERANGE)
            folder.resize(folder.size() * 2);
        split(folder.data(), pending, false);
    }
    split(path, pending, false);

    std::vector<std::string> resolved;
    int hops = 0;
    bool exists = true;
    while (!pending.empty()) {
        std::string component = std::move(pending.front());
        pending.pop_front();
        if (component == ".")
            continue;
        if (component == "..") {
            if (!resolved.empty())
                resolved.pop_back();
            continue;
        }
        resolved.push_back(std::move(component));
        if (!exists || hops >= maxLinkHops)
            continue;
        const std::string current = joined(resolved);
        struct stat info;
        if (::lstat(current.c_str(), &info) != 0) {
            exists = false; // nothing below a missing component can be a link
            continue;
        }
        if (!S_ISLNK(info.st_mode))
            continue;
        std::vector<char> target(std::size_t(info.st_size > 0 ? info.st_size : 255) + 1);
        const ssize_t length = ::readlink(current.c_str(), target.data(), target.size());
        if (length < 0 || std::size_t(length) >= target.size()) {
            exists = false;
            continue;
        }
        const std::string_view destination(target.data(), std::size_t(length));
        ++hops;
        resolved.pop_back();
        if (destination.starts_with('/'))
            resolved.clear();
        split(destination, pending, true);
    }
    return joined(resolved);
}

bool SymlinkResolver::contains(std::string_view root, std::string_view path)
{
    const std::string inner = resolve(path);
    std::string outer = resolve(root);
    if (inner == outer)
        return true;
    if (!outer.ends_with('/'))
        outer += '/';
    return inner.starts_with(outer);
}

} // namespace hub
