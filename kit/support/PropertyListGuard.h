#pragma once

#include <QByteArray>

namespace hub {

// Checks the shape of a property list before libplist parses it, without recursion: libplist
// recurses once per level and copies a shared object once per reference, so an over-deep list
// overflows the stack and a binary list whose containers share each other grows exponentially.
// It also asserts on a dictionary key holding a NUL character.
struct PropertyListGuard {
    // True when no container lies deeper than maxDepth (the top level is depth 0), a binary list
    // expands to no more objects than it has bytes, and no dictionary key holds a NUL.
    static bool admits(const QByteArray& bytes, int maxDepth);
};

} // namespace hub
