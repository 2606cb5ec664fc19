#include "tests/testkit/FileCutter.h"

#include "kit/support/FileDescriptor.h"
#include "tests/testkit/ForkedChild.h"

#include <QFile>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace hub::test {

int readWhileCut(const QString& path, const QByteArray& bytes, int times, const std::function<void()>& read)
{
    const FileDescriptor fd(::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC));
    if (!fd.valid())
        return -1;
    const size_t whole = size_t(bytes.size()), cut = whole / 2;
    const std::jthread cutter([&](std::stop_token stop) { // joined before the descriptor closes
        while (!stop.stop_requested())
            if (::ftruncate(fd.get(), off_t(cut)) != 0 || ::pwrite(fd.get(), bytes.constData() + cut, whole - cut, off_t(cut)) != ssize_t(whole - cut)
                || ::pwrite(fd.get(), bytes.constData(), whole, 0) != ssize_t(whole))
                return;
    });
    return runInChild([&] {
        for (int i = 0; i < times; ++i)
            read();
        return 0;
    });
}

} // namespace hub::test
