#pragma once

#include <QString>
#include <cstdint>

namespace hub {

// Checks that keep names and paths from outside (product identifiers, file names,
// cache keys, the contents of unpacked downloads) from reaching places they must not.
// Stateless; every operation is safe from any thread.
class PathSafety {
public:
    // Any text as one safe file name: control and format characters, "/", ":" and "\"
    // become "_", blanks are trimmed, leading dots dropped; at most 200 characters
    // (grapheme clusters) and 240 UTF-8 bytes, cut between characters. An empty result
    // gives the fallback, unchanged.
    static QString sanitizedFileName(const QString& name, const QString& fallback);

    // Whether the path is the root or lies below it, after both have had their
    // symbolic links resolved (components that do not exist are taken as written)
    // and their "." and ".." components applied.
    static bool isContained(const QString& path, const QString& root);

    // Throws InstallError::unsafeArchive("<name> links outside the archive") for the
    // first symbolic link under the root whose target lies outside it, and the file
    // system's error when a link cannot be read or the walk cannot go on (folders it
    // may not read are passed over). A missing root passes.
    static void assertNoEscapingLinks(const QString& root);

    // The bytes of the regular files under the root; links are not followed or counted.
    static std::int64_t treeSize(const QString& root);

    // A bundle name found in a download that may be installed: one plain path
    // component of at most 255 characters, not hidden, with a bundle kind's extension.
    static bool isAcceptableBundleName(const QString& name);

    PathSafety() = delete;
};

} // namespace hub
