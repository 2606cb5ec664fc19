#pragma once

#include "tools/common/ToolSupport.h"

#include <filesystem>

struct archive;

namespace hub::tools {

// Writes the entries of an open libarchive reader below one folder. Entries that
// climb out of it ("../", absolute paths), that would be written through a link,
// hard links out of it or to themselves and names that are not UTF-8 end the run
// with a ToolFailure. Modes lose their set-id bits and group and other write
// permission. A "." or "./" folder entry stands for the folder itself and is skipped;
// any other entry of that name is refused. Writing stops once the budget is exhausted.
class SafeUnpacker {
public:
    enum class Outcome { complete, limitReached };

    struct Rules {
        // Symbolic links whose target leaves the folder, one by one as they are read and
        // then resolved together on disk once all are written.
        bool refuseOutwardLinks = false;
    };

    SafeUnpacker(WriteBudget& budget, Rules rules);

    // Unpacks every entry of reader into dest (created when missing).
    Outcome unpack(struct archive* reader, const std::filesystem::path& dest);

private:
    Outcome unpackInside(struct archive* reader, const std::filesystem::path& dest);

    WriteBudget& budget_;
    Rules rules_;
};

// Opens a reader with the given format and filter setup over a file; throws on failure.
struct ArchiveReader {
    struct archive* handle;
    ArchiveReader();
    ~ArchiveReader();
    ArchiveReader(const ArchiveReader&) = delete;
    ArchiveReader& operator=(const ArchiveReader&) = delete;
    void openFile(const std::filesystem::path& file);
};

// The message of the reader's last error.
std::string archiveError(struct archive* handle);

} // namespace hub::tools
