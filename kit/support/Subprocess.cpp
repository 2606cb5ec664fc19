#include "kit/support/Subprocess.h"

#include "kit/support/FileDescriptor.h"
#include "kit/support/InstallError.h"

#include <QDir>
#include <QFile>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace hub {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The poll interval while a tool runs with its outputs closed, and the longest wait
// for a tool to be noticed after it exited.
constexpr auto pollInterval = 50ms;

[[noreturn]] void throwErrno(int error, const QString& what)
{
    throw std::system_error(error, std::generic_category(), what.toStdString());
}

struct Pipe {
    FileDescriptor read;
    FileDescriptor write;
};

Pipe makePipe()
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throwErrno(errno, QStringLiteral("pipe"));
    Pipe pipe{FileDescriptor(fds[0]), FileDescriptor(fds[1])};
    ::fcntl(pipe.read.get(), F_SETFL, O_NONBLOCK);
    return pipe;
}

// NUL-terminated strings and the pointer array that execve wants.
class CStrings {
public:
    void append(const QByteArray& text) { storage_.push_back(text); }
    char* const* pointers()
    {
        pointers_.clear();
        for (QByteArray& text : storage_)
            pointers_.push_back(text.data());
        pointers_.push_back(nullptr);
        return pointers_.data();
    }

private:
    std::vector<QByteArray> storage_;
    std::vector<char*> pointers_;
};

// Puts fd at target for the tool to inherit (dup2 keeps a close-on-exec flag when
// the two are the same descriptor).
bool placeAt(int fd, int target)
{
    return fd == target ? ::fcntl(fd, F_SETFD, 0) == 0 : ::dup2(fd, target) == target;
}

// The child between fork and exec: only async-signal-safe calls. It dies with the
// thread that forked it; if that thread is already gone the request would never fire,
// so a parent that changed means it stops here.
[[noreturn]] void becomeTool(pid_t parent, int input, int output, int error, int report, const char* path,
                             char* const* argv, char* const* envp)
{
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent)
        ::_exit(127);
    // The tool leads its own process group, so that a time-out reaches its children
    // too, and starts with default handlers and no blocked signals.
    ::setpgid(0, 0);
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    for (int number = 1; number < NSIG; ++number)
        ::sigaction(number, &defaults, nullptr);
    if (placeAt(input, STDIN_FILENO) && placeAt(output, STDOUT_FILENO) && placeAt(error, STDERR_FILENO)) {
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::execve(path, argv, envp);
    }
    const int failure = errno;
    [[maybe_unused]] const ssize_t written = ::write(report, &failure, sizeof failure);
    ::_exit(127);
}

// Starts the tool with standard input from /dev/null and the given outputs; throws
// std::system_error when it cannot be started, with nothing left running.
pid_t launch(const QString& tool, const QByteArray& path, char* const* argv, char* const* envp, int output, int error)
{
    const FileDescriptor input(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    if (!input.valid())
        throwErrno(errno, QStringLiteral("open /dev/null"));
    // A failed exec is reported through this pipe; a successful one closes it.
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throwErrno(errno, QStringLiteral("pipe"));
    const FileDescriptor reportRead(fds[0]);
    FileDescriptor reportWrite(fds[1]);

    // No handler of ours may run in the child before it has reset them all.
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &previous);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0)
        becomeTool(parent, input.get(), output, error, reportWrite.get(), path.constData(), argv, envp);
    const int forkError = errno;
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (pid < 0)
        throwErrno(forkError, QStringLiteral("fork ") + tool);
    ::setpgid(pid, pid); // the child does the same; whichever comes first
    reportWrite = FileDescriptor();

    int failure = 0;
    ssize_t got;
    do {
        got = ::read(reportRead.get(), &failure, sizeof failure);
    } while (got < 0 && errno == EINTR);
    if (got == ssize_t(sizeof failure)) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        throwErrno(failure, QStringLiteral("exec ") + tool);
    }
    return pid;
}

// A launched tool. It is reaped only at the end, so that its process id, and with it
// its process group id, stays taken while the group may still be signalled; on the way
// out it is killed with its group and reaped if that has not happened yet.
class Child {
public:
    explicit Child(pid_t pid) : pid_(pid) {}
    ~Child()
    {
        if (!reaped_) {
            signal(SIGKILL);
            reap();
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // Whether the tool has ended; never blocks and does not reap.
    bool hasExited() const
    {
        siginfo_t info{};
        const int result = ::waitid(P_PID, id_t(pid_), &info, WEXITED | WNOHANG | WNOWAIT);
        if (result != 0)
            return errno != EINTR; // not our child any more: nothing left to wait for
        return info.si_pid == pid_;
    }

    // Sends the signal to the tool's process group.
    void signal(int number) const { ::kill(-pid_, number); }

    // Waits up to `grace` for the tool to end.
    bool waitForExit(std::chrono::milliseconds grace) const
    {
        const auto until = Clock::now() + grace;
        auto pause = 1ms;
        while (!hasExited()) {
            const auto now = Clock::now();
            if (now >= until)
                return false;
            std::this_thread::sleep_for(std::min<Clock::duration>(pause, until - now));
            pause = std::min<std::chrono::milliseconds>(pause * 2, pollInterval);
        }
        return true;
    }

    // Waits for the tool to end and returns its exit code, or the signal number that
    // ended it; -1 when its status was lost (someone else reaped it).
    int reap()
    {
        int waitStatus = 0;
        pid_t result;
        do {
            result = ::waitpid(pid_, &waitStatus, 0);
        } while (result < 0 && errno == EINTR);
        reaped_ = true;
        if (result != pid_)
            return -1;
        return WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : WIFSIGNALED(waitStatus) ? WTERMSIG(waitStatus) : -1;
    }

private:
    pid_t pid_;
    bool reaped_ = false;
};

// Appends what is ready on the descriptor; closes it at end of file.
void drain(FileDescriptor& fd, QByteArray& buffer)
{
    std::array<char, 64 * 1024> chunk;
    for (;;) {
        const ssize_t count = ::read(fd.get(), chunk.data(), chunk.size());
        if (count > 0) {
            buffer.append(chunk.data(), qsizetype(count));
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        fd = FileDescriptor(); // end of file, or an error that ends the stream
        return;
    }
}

QString toolName(const QString& tool) { return tool.section(u'/', -1); }

} // namespace

const QMap<QString, QString>& Subprocess::environment()
{
    static const QMap<QString, QString> values = {
        {QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin:/usr/sbin:/sbin")},
        {QStringLiteral("HOME"), QDir::homePath()},
        {QStringLiteral("TMPDIR"), QDir::tempPath()},
        {QStringLiteral("LANG"), QStringLiteral("en_US.UTF-8")},
    };
    return values;
}

Subprocess::Result Subprocess::run(const QString& tool, const QStringList& arguments, double timeout,
                                   std::chrono::milliseconds terminationGrace)
{
    const QByteArray path = QFile::encodeName(tool);
    CStrings argv;
    argv.append(path);
    for (const QString& argument : arguments)
        argv.append(argument.toUtf8());
    CStrings envp;
    const QMap<QString, QString>& variables = environment();
    for (auto it = variables.cbegin(); it != variables.cend(); ++it)
        envp.append((it.key() + u'=' + it.value()).toUtf8());

    Pipe out = makePipe();
    Pipe err = makePipe();
    Child child(launch(tool, path, argv.pointers(), envp.pointers(), out.write.get(), err.write.get()));
    // Only the tool holds the writing ends now, so each pipe ends when the tool's side closes.
    out.write = FileDescriptor();
    err.write = FileDescriptor();

    // Up to about 30 years; no time-out, or a negative one, is already over.
    const double seconds = timeout > 1e9 ? 1e9 : timeout > 0 ? timeout : 0.0;
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    Result result;
    QByteArray errorBytes;
    auto quietPause = 1ms;
    for (;;) {
        const bool ended = child.hasExited();
        if (ended && !out.read.valid() && !err.read.valid())
            break;
        const auto now = Clock::now();
        if (now > deadline) {
            out.read = FileDescriptor();
            err.read = FileDescriptor();
            if (!ended) {
                child.signal(SIGTERM);
                child.waitForExit(terminationGrace);
            }
            // Whatever of the group is left, the tool itself after its grace or a
            // child still holding the outputs, goes now.
            child.signal(SIGKILL);
            child.reap();
            throw InstallError::toolFailed(toolName(tool), QStringLiteral("timed out"));
        }

        std::array<pollfd, 2> fds{{{out.read.get(), POLLIN, 0}, {err.read.get(), POLLIN, 0}}};
        const bool outputsOpen = out.read.valid() || err.read.valid();
        // With the outputs open the pipes wake us; the exit itself is noticed by polling,
        // quickly at first once the outputs have closed.
        auto wait = outputsOpen ? pollInterval : quietPause;
        quietPause = outputsOpen ? 1ms : std::min<std::chrono::milliseconds>(quietPause * 2, pollInterval);
        const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(deadline - now) + 1ms;
        wait = std::min(wait, remaining);
        const int ready = ::poll(fds.data(), fds.size(), int(wait.count()));
        if (ready < 0 && errno != EINTR)
            throwErrno(errno, QStringLiteral("poll"));
        if (ready > 0) {
            if (fds[0].revents != 0)
                drain(out.read, result.stdout);
            if (fds[1].revents != 0)
                drain(err.read, errorBytes);
        }
    }
    result.status = child.reap();
    result.stderr = QString::fromUtf8(errorBytes);
    return result;
}

void Subprocess::checkStatus(const QString& tool, const Result& result)
{
    if (result.status != 0)
        throw InstallError::toolFailed(toolName(tool), result.stderr.trimmed());
}

Subprocess::Result Subprocess::check(const QString& tool, const QStringList& arguments, double timeout,
                                     std::chrono::milliseconds terminationGrace)
{
    Result result = run(tool, arguments, timeout, terminationGrace);
    checkStatus(tool, result);
    return result;
}

} // namespace hub
