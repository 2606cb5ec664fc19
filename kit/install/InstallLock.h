#pragma once

#include "kit/support/FileDescriptor.h"

#include <QString>
#include <memory>

namespace hub {

// Keeps the app and the background updater from installing at the same time: an
// exclusive flock on "install.lock" (or the file named) in the given folder, taken
// without waiting. The system drops it when the holding process ends. Two objects
// over one file exclude each other, in one process too; one object keeps no count
// of holders.
class InstallLock {
public:
    // Touches nothing on disk.
    explicit InstallLock(const QString& directory, const QString& fileName = QStringLiteral("install.lock"));
    ~InstallLock();
    InstallLock(const InstallLock&) = delete;
    InstallLock& operator=(const InstallLock&) = delete;

    static std::unique_ptr<InstallLock> standard(); // over AppDirectories::support(); throws std::system_error

    // True when this object holds the lock afterwards. False when another holder has it
    // or the file cannot be opened; the file is created 0600 and never written or deleted.
    // It is opened without following a link: a link there is removed, not written through.
    bool tryLock();
    void unlock();
    bool isHeld() const { return descriptor_.valid(); }

    const QString path;

private:
    FileDescriptor descriptor_;
};

} // namespace hub
