#pragma once

#include <QtGlobal>
#include <functional>
#include <optional>

namespace hub::test {

// Runs `body` in a forked child, limited as by limitAddressSpace when `headroomBytes` is given. Returns what
// `body` returns, 128 + the signal that ended it (SIGABRT for an exception, as in the app; SIGALRM for a child
// still running after a minute), or -1 when no child could be started.
int runInChild(const std::function<int()>& body, std::optional<qint64> headroomBytes = std::nullopt);

// Limits this process's address space to what it maps now plus `headroomBytes`; false when it cannot.
bool limitAddressSpace(qint64 headroomBytes);
// The most address space this process has held so far, in bytes.
qint64 peakAddressSpace();
// The most memory this process (or process `pid`) has held resident so far, in bytes
// (address space reserved for threads that never touch it aside); 0 when it cannot be read.
qint64 peakResident(qint64 pid = 0);
// The resident memory of process `pid` (this one when 0) now, in bytes.
qint64 resident(qint64 pid = 0);
// The bytes this process's main thread has taken from malloc and not given back.
qint64 heapInUse();

} // namespace hub::test
