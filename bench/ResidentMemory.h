#pragma once

#include <fstream>
#include <string>

namespace hub::bench {

// The process's resident high-water mark in KiB (-1 when unknown).
inline long peakResidentKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

// Starts the high-water mark afresh from the present resident size.
inline void resetPeakResident() { std::ofstream("/proc/self/clear_refs") << "5"; }

} // namespace hub::bench
