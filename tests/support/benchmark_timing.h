// The timing loop of the benchmarks: portable, header-only, so that the host-built and the
// Windows benchmarks measure alike.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>

// Seconds per call of run, over repeated calls of at least minimumSeconds in all, after one
// call that warms caches and lazily built tables.
inline double SecondsPerRun(const std::function<void()>& run, double minimumSeconds = 0.5)
{
    using Clock = std::chrono::steady_clock;
    run();
    std::size_t rounds = 0;
    const Clock::time_point start = Clock::now();
    double seconds = 0;
    do {
        run();
        ++rounds;
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
    } while (seconds < minimumSeconds);
    return seconds / static_cast<double>(rounds);
}
