#include "tests/testkit/FileCutter.h"

#include <QFile>
#include <fcntl.h>
#include <unistd.h>

namespace hub::test {

FileCutter::FileCutter(const QString& path, QByteArray bytes, qint64 cut)
    : bytes_(std::move(bytes)), fd_(::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC))
{
    if (!fd_.valid())
        return;
    thread_ = std::jthread([this, cut](std::stop_token stop) {
        const int fd = fd_.get();
        const size_t rest = size_t(bytes_.size() - cut);
        const size_t whole = size_t(bytes_.size());
        while (!stop.stop_requested())
            if (::ftruncate(fd, cut) != 0 || ::pwrite(fd, bytes_.constData() + cut, rest, cut) != ssize_t(rest)
                || ::pwrite(fd, bytes_.constData(), whole, 0) != ssize_t(whole))
                return;
    });
}

} // namespace hub::test
