// Peak resident memory of the benchmark's own process, read from Linux's
// account of it.
#pragma once

#include <fstream>
#include <string>

// A field of /proc/self/status in kilobytes (VmRSS, VmHWM), 0 when missing.
inline long StatusKilobytes(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0)
            return std::stol(line.substr(prefix.size()));
    return 0;
}

// Peak resident memory while `action` runs, beyond what was resident before
// it, in bytes. Linux resets the peak when asked to.
template<typename Action>
double PeakGrowth(Action action)
{
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = StatusKilobytes("VmRSS");
    action();
    return double(StatusKilobytes("VmHWM") - before) * 1024.0;
}
