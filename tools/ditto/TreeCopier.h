#pragma once

#include "tools/common/ToolSupport.h"

#include <filesystem>

namespace hub::tools {

// Copies a file or a folder tree: folders, regular files and symbolic links (as
// links), with their modes (as writtenMode() leaves them) and modification times. A folder's contents go into
// the destination folder, which is created when missing.
class TreeCopier {
public:
    explicit TreeCopier(WriteBudget& budget);

    // False when the byte budget ran out.
    bool copy(const std::filesystem::path& source, const std::filesystem::path& dest);

private:
    bool copyEntry(const std::filesystem::path& source, const std::filesystem::path& dest);
    bool copyFile(const std::filesystem::path& source, const std::filesystem::path& dest, mode_t mode);

    WriteBudget& budget_;
};

} // namespace hub::tools
