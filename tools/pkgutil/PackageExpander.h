#pragma once

#include "tools/common/ToolSupport.h"

#include <filesystem>

namespace hub::tools {

// Expands a xar package into a folder that must not exist yet.
class PackageExpander {
public:
    explicit PackageExpander(WriteBudget& budget);

    // The xar's entries as files: component folders with Payload, Scripts and
    // PackageInfo left packed. False when the byte budget ran out.
    bool expand(const std::filesystem::path& package, const std::filesystem::path& dest);

    // expand(), then every Payload and Scripts archive (gzip or pbzx cpio) of the
    // package or its components unpacked into a folder of the same name.
    bool expandFull(const std::filesystem::path& package, const std::filesystem::path& dest);

private:
    bool unpackInPlace(const std::filesystem::path& packed);

    WriteBudget& budget_;
};

} // namespace hub::tools
