// The clock of the switch commands' pauses: a mark taken when a byte is written, and a
// sleep that ends the byte's pause counted from that mark.
//
// It reads the performance counter, not the tick count: under Wine the tick count is a
// value the wine server refreshes only when it wakes (about every 16 ms on an idle
// process), so a mark read from it can be up to 16 ms old and a pause counted from it
// ends that much early.
#pragma once

#include <windows.h>

class TPauseClock {
public:
    // Marks the present moment.
    TPauseClock() noexcept;

    // Milliseconds since the mark.
    double ElapsedMs() const noexcept;

    // Sleeps until at least pauseMs milliseconds have passed since the mark; returns at
    // once when they already have.
    void SleepUntilElapsed(DWORD pauseMs) const noexcept;

private:
    LONGLONG FStart = 0;
};
