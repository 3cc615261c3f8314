#include "app/PauseClock.h"

#include <cmath>

namespace {

// Counts per millisecond of the performance counter; 0 where the system has none (then
// the tick count stands in, with its coarser steps).
double CountsPerMs() noexcept
{
    static const double perMs = [] {
        LARGE_INTEGER frequency{};
        return QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0
                   ? static_cast<double>(frequency.QuadPart) / 1000.0
                   : 0.0;
    }();
    return perMs;
}

LONGLONG Now() noexcept
{
    LARGE_INTEGER counter{};
    if (CountsPerMs() > 0 && QueryPerformanceCounter(&counter)) return counter.QuadPart;
    return static_cast<LONGLONG>(GetTickCount64());
}

} // namespace

TPauseClock::TPauseClock() noexcept : FStart(Now())
{
}

double TPauseClock::ElapsedMs() const noexcept
{
    const double counts = static_cast<double>(Now() - FStart);
    return CountsPerMs() > 0 ? counts / CountsPerMs() : counts;
}

void TPauseClock::SleepUntilElapsed(DWORD pauseMs) const noexcept
{
    // A sleep may end a little before the counter has moved on by its length (the system
    // timer and the counter step apart): sleep again for what is left.
    for (;;) {
        const double left = static_cast<double>(pauseMs) - ElapsedMs();
        if (left <= 0) return;
        Sleep(static_cast<DWORD>(std::ceil(left)));
    }
}
