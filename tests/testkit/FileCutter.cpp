#include "tests/testkit/FileCutter.h"

#include "kit/support/FileDescriptor.h"
#include "tests/testkit/ForkedChild.h"

#include <QFile>
#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace hub::test {

namespace {

// Runs `read` `times` over in a forked child while another thread does `change` to the file at `path`, open for
// writing, over and over until it fails.
int readWhileChanged(const QString& path, const std::function<bool(int)>& change, int times, const std::function<void()>& read)
{
    const FileDescriptor fd(::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC));
    if (!fd.valid())
        return -1;
    const std::jthread writer([&](std::stop_token stop) { // joined before the descriptor closes
        while (!stop.stop_requested() && change(fd.get()))
            ;
    });
    return runInChild([&] {
        for (int i = 0; i < times; ++i)
            read();
        return 0;
    });
}

bool writeAt(int fd, const char* bytes, size_t count, size_t at) { return ::pwrite(fd, bytes, count, off_t(at)) == ssize_t(count); }

} // namespace

int readWhileCut(const QString& path, const QByteArray& bytes, int times, const std::function<void()>& read)
{
    const size_t whole = size_t(bytes.size()), cut = whole / 2;
    const auto change = [&](int fd) {
        return ::ftruncate(fd, off_t(cut)) == 0 && writeAt(fd, bytes.constData() + cut, whole - cut, cut)
            && writeAt(fd, bytes.constData(), whole, 0);
    };
    return readWhileChanged(path, change, times, read);
}

int readWhileRewritten(const QString& path, const QList<QByteArray>& editions, int times, const std::function<void()>& read)
{
    const QByteArray first = editions.value(0);
    const auto alike = [&](const QByteArray& edition) { return edition.size() == first.size() && edition.front() == first.front(); };
    if (editions.size() < 2 || first.size() < 2 || !std::ranges::all_of(editions, alike))
        return -1;
    const size_t whole = size_t(first.size()), half = whole / 2;
    const char spoiled = char(~first.front());
    qsizetype at = 0;
    const auto change = [&](int fd) {
        const char* next = editions.at(at = (at + 1) % editions.size()).constData();
        // A pause on a whole file, as between a writer's changes: without it reads hardly ever start on one.
        std::this_thread::sleep_for(std::chrono::microseconds(50));
        return writeAt(fd, &spoiled, 1, 0) && writeAt(fd, next + half, whole - half, half) && writeAt(fd, next + 1, half - 1, 1)
            && writeAt(fd, next, 1, 0);
    };
    return readWhileChanged(path, change, times, read);
}

} // namespace hub::test
