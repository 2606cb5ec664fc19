#pragma once

#include <QString>

namespace hub {

// The single-instance lock: an exclusive flock, taken without waiting, on the regular
// file at `path` (made 0600 when missing). The file is opened without following links:
// a link in its place is removed, never written through. The system drops the lock
// when the holding process ends.
class InstanceLock {
public:
    explicit InstanceLock(QString path) : path(std::move(path)) {}
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // True when this object holds the lock afterwards; false when another holder has
    // it, or something other than a regular file or a link is in its place.
    bool tryLock();
    bool isHeld() const { return descriptor_ >= 0; }

    const QString path;

private:
    int descriptor_ = -1;
};

} // namespace hub
