#pragma once

#include <chrono>
#include <ctime>
#include <utility>

namespace talo::bench {

// Wall time and this process's processor time (all threads) spent in one run.
struct Measured {
    double wallSeconds;
    double cpuSeconds;
};

inline double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

template <typename Run>
Measured measure(Run&& run) {
    const double cpuBefore = processCpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    std::forward<Run>(run)();
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wallBefore;
    return {wall.count(), processCpuSeconds() - cpuBefore};
}

}  // namespace talo::bench
