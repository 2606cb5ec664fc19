#include "tests/testkit/ForkedChild.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hub::test {

namespace {

// A "Name: value kB" line of /proc/self/status, in bytes.
qint64 statusBytes(const std::string& name)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with(name + ':'))
            return std::stoll(line.substr(name.size() + 1)) * 1024;
    return 0;
}

} // namespace

std::ostream& operator<<(std::ostream& out, const ChildEnd& end)
{
    if (!end.finished)
        return out << "the child did not finish";
    return end.signal ? out << "the child was ended by signal " << end.signal : out << "the child exited with " << end.exitCode;
}

qint64 peakAddressSpace() { return statusBytes("VmPeak"); }

bool limitAddressSpace(qint64 headroomBytes)
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) != 0)
        return false;
    limit.rlim_cur = rlim_t(statusBytes("VmSize") + headroomBytes);
    return ::setrlimit(RLIMIT_AS, &limit) == 0;
}

ChildEnd runInChild(const std::function<int()>& body, std::optional<qint64> headroomBytes)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) { // the write end closes when the child ends, however it ends
        if (headroomBytes && !limitAddressSpace(*headroomBytes))
            ::_exit(125);
        try {
            ::_exit(body());
        } catch (...) {
            std::abort(); // as an exception out of the app's main would
        }
    }
    ::close(ends[1]);
    pollfd watch{ends[0], POLLIN, 0};
    int ready = 0;
    while (child > 0 && (ready = ::poll(&watch, 1, 60'000)) < 0 && errno == EINTR) {
    }
    ::close(ends[0]);
    if (child < 0)
        return {};
    ChildEnd end{ready > 0};
    if (!end.finished)
        ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (end.finished && WIFEXITED(status))
        end.exitCode = WEXITSTATUS(status);
    if (end.finished && WIFSIGNALED(status))
        end.signal = WTERMSIG(status);
    return end;
}

} // namespace hub::test
