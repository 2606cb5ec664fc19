#include "kit/support/SmallFile.h"

#include "kit/support/FileDescriptor.h"

#include <QFile>
#include <atomic>
#include <cerrno>
#include <csetjmp>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hub {

namespace {

SmallFile unreadable(const QString& problem) { return {std::nullopt, problem}; }

// An open file that passed the checks, closed when it goes.
struct Opened {
    FileDescriptor descriptor;
    qint64 size = 0;
    QString problem; // empty with no descriptor: missing
};

void open(Opened& file, const QString& path, qint64 maxBytes, SmallFile::Links links)
{
    const int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | (links == SmallFile::Links::refuse ? O_NOFOLLOW : 0);
    const int fd = ::open(QFile::encodeName(path).constData(), flags);
    if (fd < 0) {
        if (errno != ENOENT)
            file.problem = QString::fromLocal8Bit(std::strerror(errno)); // a link, when refused, is ELOOP
        return;
    }
    file.descriptor = FileDescriptor(fd);
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        file.problem = QString::fromLocal8Bit(std::strerror(errno));
    else if (!S_ISREG(status.st_mode))
        file.problem = QStringLiteral("it is not a regular file");
    else if (status.st_size > maxBytes)
        file.problem = QStringLiteral("it is larger than %1 bytes").arg(maxBytes);
    file.size = status.st_size;
}

// A mapping being read on this thread: a bus error inside it returns to `jump`. What the
// reader held on the way is left behind, not destroyed: a leak on a rare fault, never a crash.
struct Guard {
    const char* begin;
    const char* end;
    sigjmp_buf jump;
};
thread_local Guard* guard = nullptr;
struct sigaction previous {};
std::once_flag installed;

void onBusError(int signal, siginfo_t* info, void* context)
{
    Guard* const current = guard;
    const auto* at = static_cast<const char*>(info->si_addr);
    if (current && at >= current->begin && at < current->end)
        siglongjmp(current->jump, 1);
    // Not ours: as before this handler came.
    if (previous.sa_flags & SA_SIGINFO) {
        previous.sa_sigaction(signal, info, context);
    } else if (previous.sa_handler != SIG_IGN && previous.sa_handler != SIG_DFL) {
        previous.sa_handler(signal);
    } else {
        ::sigaction(SIGBUS, &previous, nullptr); // the fault comes again and takes its course
    }
}

void installHandler()
{
    struct sigaction action {};
    action.sa_sigaction = onBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGBUS, &action, &previous);
}

} // namespace

SmallFile SmallFile::read(const QString& path, qint64 maxBytes, Links links)
{
    Opened file;
    open(file, path, maxBytes, links);
    if (file.descriptor.get() < 0 || !file.problem.isEmpty())
        return file.problem.isEmpty() ? SmallFile{} : unreadable(file.problem);

    QByteArray bytes(qsizetype(file.size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(file.descriptor.get(), bytes.data() + done, size_t(bytes.size() - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return unreadable(QString::fromLocal8Bit(std::strerror(errno)));
        if (got == 0)
            break; // cut short meanwhile: what was there
        done += got;
    }
    bytes.truncate(done);
    return {std::move(bytes), {}};
}

bool SmallFile::map(const QString& path, qint64 maxBytes, Links links, const std::function<void(const QByteArray&)>& use)
{
    Opened file;
    open(file, path, maxBytes, links);
    if (file.descriptor.get() < 0 || !file.problem.isEmpty() || file.size <= 0)
        return false;
    void* mapped = ::mmap(nullptr, size_t(file.size), PROT_READ, MAP_PRIVATE, file.descriptor.get(), 0);
    if (mapped == MAP_FAILED)
        return false;
    std::call_once(installed, installHandler);

    Guard own{static_cast<const char*>(mapped), static_cast<const char*>(mapped) + file.size, {}};
    Guard* const outer = guard;
    // Volatile: read again after a return through the jump.
    volatile bool whole = true;
    if (sigsetjmp(own.jump, 1) == 0) {
        guard = &own;
        std::atomic_signal_fence(std::memory_order_seq_cst);
        try {
            use(QByteArray::fromRawData(own.begin, qsizetype(file.size)));
        } catch (...) {
            guard = outer;
            ::munmap(mapped, size_t(file.size));
            throw;
        }
    } else {
        whole = false; // a page went away under `use`
    }
    guard = outer;
    ::munmap(mapped, size_t(file.size));
    return whole;
}

} // namespace hub
