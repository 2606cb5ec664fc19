#include "tools/pkgutil/PackageExpander.h"

#include "tools/common/PbzxSource.h"
#include "tools/common/SafeUnpacker.h"

#include <archive.h>

namespace fs = std::filesystem;

namespace hub::tools {

PackageExpander::PackageExpander(WriteBudget& budget)
    : budget_(budget)
{
}

bool PackageExpander::expand(const fs::path& package, const fs::path& dest)
{
    if (fs::exists(fs::symlink_status(dest)))
        throw ToolFailure(dest.string() + " already exists");
    ArchiveReader reader;
    archive_read_support_format_xar(reader.handle);
    reader.openFile(package);
    SafeUnpacker unpacker(budget_, {.refuseOutwardLinks = true});
    return unpacker.unpack(reader.handle, dest) == SafeUnpacker::Outcome::complete;
}

bool PackageExpander::expandFull(const fs::path& package, const fs::path& dest)
{
    if (!expand(package, dest))
        return false;

    // The package itself (a flat component) or its component folders, one level down.
    std::vector<fs::path> folders{dest};
    for (const auto& child : fs::directory_iterator(dest)) {
        if (child.is_directory() && !child.is_symlink())
            folders.push_back(child.path());
    }
    for (const auto& folder : folders) {
        for (const char* name : {"Payload", "Scripts"}) {
            const fs::path packed = folder / name;
            const auto status = fs::symlink_status(packed);
            if (fs::is_regular_file(status) && !unpackInPlace(packed))
                return false;
        }
    }
    return true;
}

bool PackageExpander::unpackInPlace(const fs::path& packed)
{
    const fs::path archiveFile = packed.parent_path() / ("." + packed.filename().string() + ".packed");
    fs::rename(packed, archiveFile);
    const auto packedSize = static_cast<std::int64_t>(fs::file_size(archiveFile));

    ArchiveReader reader;
    archive_read_support_format_cpio(reader.handle);
    if (isPbzx(archiveFile)) {
        openPbzx(reader.handle, archiveFile);
    } else {
        archive_read_support_filter_all(reader.handle);
        reader.openFile(archiveFile);
    }
    // Links stay as they are; the caller judges where they lead.
    SafeUnpacker unpacker(budget_, {.refuseOutwardLinks = false});
    const auto outcome = unpacker.unpack(reader.handle, packed);
    fs::remove(archiveFile);
    budget_.written -= packedSize;
    return outcome == SafeUnpacker::Outcome::complete;
}

} // namespace hub::tools
