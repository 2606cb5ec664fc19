#pragma once

#include "kit/support/FileDescriptor.h"

#include <QByteArray>
#include <QString>
#include <thread>

namespace hub::test {

// Another writer of a file: cuts it at `cut` bytes, writes the rest of `bytes` back and then the whole
// of them over it, over and over, on a thread of its own until it goes. A child forked meanwhile sees
// the file change under it as another process would change it.
class FileCutter {
public:
    FileCutter(const QString& path, QByteArray bytes, qint64 cut);

    bool running() const { return fd_.valid(); }

private:
    QByteArray bytes_;
    FileDescriptor fd_;
    std::jthread thread_; // stopped and joined before the descriptor closes
};

} // namespace hub::test
