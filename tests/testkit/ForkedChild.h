#pragma once

#include <QtGlobal>
#include <functional>
#include <optional>
#include <ostream>

namespace hub::test {

// How a forked child ended.
struct ChildEnd {
    bool finished = false; // false: it was still running after a minute, and was killed
    int exitCode = -1;
    int signal = 0;

    bool exitedWith(int code) const { return finished && signal == 0 && exitCode == code; }
};
std::ostream& operator<<(std::ostream& out, const ChildEnd& end);

// Runs `body` in a forked child, which exits with what it returns (an exception ends it
// with SIGABRT, as it would the app). With `headroomBytes`, the child's address space is
// limited to what it maps at the start plus that much, so a runaway allocation fails at
// once. A child that may hang is killed after a minute: its test fails instead.
ChildEnd runInChild(const std::function<int()>& body, std::optional<qint64> headroomBytes = std::nullopt);

// Limits this process's address space the same way; false when it cannot.
bool limitAddressSpace(qint64 headroomBytes);
// The most address space this process has held so far, in bytes.
qint64 peakAddressSpace();

} // namespace hub::test
