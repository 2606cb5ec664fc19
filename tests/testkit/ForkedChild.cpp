#include "tests/testkit/ForkedChild.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <malloc.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hub::test {

// A "Name: value kB" line of /proc/PID/status (this process's when 0), in bytes; 0 when missing.
static qint64 statusBytes(const std::string& name, qint64 pid = 0)
{
    std::ifstream status(pid == 0 ? std::string("/proc/self/status") : "/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with(name + ':'))
            return std::stoll(line.substr(name.size() + 1)) * 1024;
    return 0;
}

qint64 peakAddressSpace() { return statusBytes("VmPeak"); }

qint64 peakResident(qint64 pid) { return statusBytes("VmHWM", pid); }

qint64 resident(qint64 pid) { return statusBytes("VmRSS", pid); }

qint64 heapInUse()
{
    const struct mallinfo2 heap = ::mallinfo2(); // the main arena's
    return qint64(heap.uordblks + heap.hblkhd);
}

bool limitAddressSpace(qint64 headroomBytes)
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) != 0)
        return false;
    limit.rlim_cur = rlim_t(statusBytes("VmSize") + headroomBytes);
    return ::setrlimit(RLIMIT_AS, &limit) == 0;
}

int runInChild(const std::function<int()>& body, std::optional<qint64> headroomBytes)
{
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGALRM, SIG_DFL);
        ::alarm(60);
        if (headroomBytes && !limitAddressSpace(*headroomBytes))
            ::_exit(125);
        try {
            ::_exit(body());
        } catch (...) {
            std::abort();
        }
    }
    int status = 0;
    pid_t waited = -1;
    while (child > 0 && (waited = ::waitpid(child, &status, 0)) < 0 && errno == EINTR) {
    }
    if (waited != child)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace hub::test
