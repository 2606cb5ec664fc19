// ditto stand-in:
//   ditto -x -k ZIP DIR   unpacks a zip archive into DIR. Entries that climb out of
//                         DIR ("../", absolute paths), that would be written through
//                         a link, links that point outside and names that are not
//                         UTF-8 end the run with exit status 1.
//   ditto SRC DST         copies a file or folder tree with its links and modes.
// "--limit-bytes=N" bounds what is written (default 4 GiB): once more than N bytes
// are written it stops with InstallerToolProtocol::limitReachedStatus, leaving a tree
// cut short.
#include "tools/common/SafeUnpacker.h"
#include "tools/common/ToolSupport.h"
#include "tools/ditto/TreeCopier.h"

#include <archive.h>

namespace fs = std::filesystem;
using namespace hub::tools;

namespace {

bool unzip(const fs::path& zip, const fs::path& dest, WriteBudget& budget)
{
    ArchiveReader reader;
    archive_read_support_format_zip_seekable(reader.handle);
    reader.openFile(zip);
    SafeUnpacker unpacker(budget, {.refuseOutwardLinks = true});
    return unpacker.unpack(reader.handle, dest) == SafeUnpacker::Outcome::complete;
}

int run(std::vector<std::string>& args)
{
    WriteBudget budget = takeLimitOption(args);
    bool complete;
    if (args.size() == 4 && args[0] == "-x" && args[1] == "-k") {
        complete = unzip(args[2], args[3], budget);
    } else if (args.size() == 2 && !args[0].starts_with("-")) {
        TreeCopier copier(budget);
        complete = copier.copy(args[0], args[1]);
    } else {
        throw ToolFailure("usage: ditto [--limit-bytes=N] -x -k ZIP DIR | SRC DST");
    }
    return complete ? 0 : limitReached("ditto", budget);
}

} // namespace

int main(int argc, char** argv)
{
    return runTool("ditto", run, argc, argv);
}
