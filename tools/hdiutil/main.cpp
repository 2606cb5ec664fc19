// hdiutil stand-in for UDIF disk images:
//   hdiutil attach IMG [-nobrowse] [-readonly] [-noautoopen] -mountpoint M [-plist]
//       extracts the image's volume with /usr/bin/7zz into M (missing or empty) and
//       leaves it read-only; prints the mount point, as a property list with -plist.
//   hdiutil detach M [-force]
//       removes what attach put at M, M included.
// "--limit-bytes=N" bounds the volume (default 4 GiB): a volume that lists more, or
// a file that grows past N while extracting, fails the attach.
#include "tools/common/ToolSupport.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <csignal>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace hub::tools;

namespace {

constexpr const char* sevenZip = "/usr/bin/7zz";

bool hasUdifTrailer(const fs::path& image)
{
    std::ifstream in(image, std::ios::binary | std::ios::ate);
    const auto size = static_cast<std::streamoff>(in.tellg());
    if (!in || size < 512)
        return false;
    in.seekg(size - 512);
    std::array<char, 4> magic{};
    return static_cast<bool>(in.read(magic.data(), 4)) && std::string_view(magic.data(), 4) == "koly";
}

// Runs 7zz with its output captured; returns (status, output).
std::pair<int, std::string> runSevenZip(const std::vector<std::string>& args, std::int64_t fileSizeLimit)
{
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        throw ToolFailure("cannot create a pipe");
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child < 0)
        throw ToolFailure("cannot start 7zz");
    if (child == 0) {
        // 7zz dies with us, and does not start at all when we are already gone.
        if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent)
            _exit(127);
        const int devNull = open("/dev/null", O_RDONLY);
        dup2(devNull, 0);
        dup2(pipeFds[1], 1);
        dup2(pipeFds[1], 2);
        if (fileSizeLimit > 0) {
            const rlimit limit{static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit)};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        std::vector<char*> argv{const_cast<char*>(sevenZip)};
        for (const auto& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(sevenZip, argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    std::string output;
    std::array<char, 65536> buffer{};
    for (ssize_t got; (got = read(pipeFds[0], buffer.data(), buffer.size())) > 0;)
        output.append(buffer.data(), static_cast<std::size_t>(got));
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), output};
}

// Sum of the file sizes 7zz lists for the volume inside the image.
std::int64_t listedSize(const fs::path& image)
{
    const auto [status, output] = runSevenZip({"l", "-slt", "-ba", "--", image.string()}, 0);
    if (status != 0)
        throw ToolFailure("attach failed - image not recognized");
    std::int64_t total = 0;
    std::size_t start = 0;
    while (start < output.size()) {
        const std::size_t end = std::min(output.find('\n', start), output.size());
        const std::string_view line(output.data() + start, end - start);
        if (line.starts_with("Size = ") && line.size() > 7) {
            const auto value = std::stoll(std::string(line.substr(7)));
            total += value;
            if (total < 0 || value < 0)
                throw ToolFailure("attach failed - the volume's size cannot be read");
        }
        start = end + 1;
    }
    return total;
}

void setWritable(const fs::path& root, bool writable)
{
    std::error_code ec;
    auto apply = [&](const fs::path& path) {
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0 || S_ISLNK(info.st_mode))
            return;
        const mode_t mode = writable ? (info.st_mode | S_IWUSR) : (info.st_mode & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH));
        chmod(path.c_str(), mode & 07777);
    };
    if (writable)
        apply(root);
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (writable)
            apply(it->path()); // parents first, so the walk can go on
    }
    if (!writable) {
        std::vector<fs::path> all;
        for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
             it.increment(ec))
            all.push_back(it->path());
        for (auto p = all.rbegin(); p != all.rend(); ++p)
            apply(*p);
        apply(root);
    }
}

void printPlist(const fs::path& mountPoint)
{
    std::string escaped;
    for (const char c : mountPoint.string()) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        default: escaped += c;
        }
    }
    std::printf("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                "<plist version=\"1.0\">\n<dict>\n\t<key>system-entities</key>\n\t<array>\n\t\t<dict>\n"
                "\t\t\t<key>mount-point</key>\n\t\t\t<string>%s</string>\n"
                "\t\t</dict>\n\t</array>\n</dict>\n</plist>\n",
                escaped.c_str());
}

int attach(const std::vector<std::string>& args, const WriteBudget& budget)
{
    fs::path image;
    fs::path mountPoint;
    bool plist = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "-mountpoint" && i + 1 < args.size())
            mountPoint = args[++i];
        else if (args[i] == "-plist")
            plist = true;
        else if (args[i] == "-nobrowse" || args[i] == "-readonly" || args[i] == "-noautoopen")
            continue;
        else if (!args[i].starts_with("-") && image.empty())
            image = args[i];
        else
            throw ToolFailure("attach: unknown option " + args[i]);
    }
    if (image.empty() || mountPoint.empty())
        throw ToolFailure("usage: hdiutil attach IMG -mountpoint M [-nobrowse] [-readonly] [-noautoopen] [-plist]");
    if (!hasUdifTrailer(image))
        throw ToolFailure("attach failed - image not recognized");
    std::error_code ec;
    if (fs::exists(fs::symlink_status(mountPoint)) && (!fs::is_directory(fs::symlink_status(mountPoint)) || !fs::is_empty(mountPoint, ec)))
        throw ToolFailure("attach failed - the mount point is in use");
    const std::int64_t size = listedSize(image);
    if (size > budget.limit)
        throw ToolFailure("attach failed - the volume holds " + std::to_string(size) + " bytes, over the limit of "
                          + std::to_string(budget.limit));
    fs::create_directories(mountPoint);
    const auto [status, output] = runSevenZip(
        {"x", "-y", "-bd", "-o" + mountPoint.string(), "--", image.string()}, budget.limit + 1);
    if (status != 0) {
        fs::remove_all(mountPoint, ec);
        fs::create_directories(mountPoint, ec);
        throw ToolFailure("attach failed - the volume cannot be read\n" + output);
    }
    setWritable(mountPoint, false);
    if (plist)
        printPlist(mountPoint);
    else
        std::printf("/dev/disk9s1\t\t\t%s\n", mountPoint.c_str());
    return 0;
}

int detach(const std::vector<std::string>& args)
{
    fs::path mountPoint;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "-force" || args[i] == "-quiet")
            continue;
        if (args[i].starts_with("-") || !mountPoint.empty())
            throw ToolFailure("detach: unknown option " + args[i]);
        mountPoint = args[i];
    }
    if (mountPoint.empty())
        throw ToolFailure("usage: hdiutil detach M [-force]");
    if (!fs::is_directory(fs::symlink_status(mountPoint)))
        throw ToolFailure("detach failed - No such file or directory");
    setWritable(mountPoint, true);
    fs::remove_all(mountPoint);
    std::printf("\"%s\" ejected.\n", mountPoint.c_str());
    return 0;
}

int run(std::vector<std::string>& args)
{
    const WriteBudget budget = takeLimitOption(args);
    if (!args.empty() && args[0] == "attach")
        return attach(args, budget);
    if (!args.empty() && args[0] == "detach")
        return detach(args);
    throw ToolFailure("usage: hdiutil attach ... | detach ...");
}

} // namespace

int main(int argc, char** argv)
{
    return runTool("hdiutil", run, argc, argv);
}
