// pkgutil stand-in for installer packages (xar archives):
//   pkgutil --expand PKG DIR        the archive's entries into DIR, payloads left packed
//   pkgutil --expand-full PKG DIR   the same with every Payload and Scripts unpacked
//   pkgutil --check-signature PKG   the package's signature; exit 0 only when trusted
//   pkgutil --check-signature --machine-readable PKG
//                                   the same verdict in InstallerToolProtocol's fixed lines
// "--limit-bytes=N" bounds what an expansion writes (default 4 GiB): once more than
// N bytes are written it stops with InstallerToolProtocol::limitReachedStatus,
// leaving a tree cut short.
#include "kit/support/InstallerToolProtocol.h"
#include "tools/common/ToolSupport.h"
#include "tools/pkgutil/PackageExpander.h"
#include "tools/pkgutil/XarSignatureCheck.h"

#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;
using namespace hub::tools;

namespace {

fs::path anchorsFile()
{
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : self.parent_path() / "installer-anchors.pem";
}

int run(std::vector<std::string>& args)
{
    WriteBudget budget = takeLimitOption(args);
    const bool machineReadable = args.size() == 3 && args[0] == "--check-signature"
        && args[1] == hub::InstallerToolProtocol::machineReadableOption;
    if ((args.size() == 2 && args[0] == "--check-signature") || machineReadable) {
        const fs::path package = args.back();
        const auto check = XarSignatureCheck::run(package, anchorsFile());
        std::fputs((machineReadable ? check.verdict() : check.report(package.filename().string())).c_str(), stdout);
        const bool trusted = check.status == XarSignatureCheck::Status::trusted
            || check.status == XarSignatureCheck::Status::trustedForDistribution;
        return trusted ? 0 : 1;
    }
    if (args.size() == 3 && (args[0] == "--expand" || args[0] == "--expand-full")) {
        PackageExpander expander(budget);
        const bool complete = args[0] == "--expand" ? expander.expand(args[1], args[2])
                                                    : expander.expandFull(args[1], args[2]);
        return complete ? 0 : limitReached("pkgutil", budget);
    }
    throw ToolFailure(
        "usage: pkgutil [--limit-bytes=N] --expand|--expand-full PKG DIR | --check-signature [--machine-readable] PKG");
}

} // namespace

int main(int argc, char** argv)
{
    return runTool("pkgutil", run, argc, argv);
}
