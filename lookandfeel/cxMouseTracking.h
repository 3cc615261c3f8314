// Mouse tracking for hot-tracking controls: once the mouse has entered a control, a
// 10-millisecond timer watches the cursor and tells the control when it has left, even
// when the leave message of the platform never arrives (capture, a menu, a window that
// moved away under a still cursor).
//
// GUI thread only: the tracking list is process-wide and unguarded, and the timers are
// window timers delivered through the thread's message loop.
#pragma once

#include <windows.h>

class TWinControl;

// What a tracked control is told.
class IcxMouseTrackingCaller {
public:
    // The cursor has left the tracked bounds; the entry is already gone when this runs.
    virtual void MouseLeave() = 0;

protected:
    ~IcxMouseTrackingCaller() = default;
};

// A caller that decides itself whether a client point is inside (instead of the bounds).
class IcxMouseTrackingCaller2 : public IcxMouseTrackingCaller {
public:
    virtual bool PtInCaller(POINT client) = 0;

protected:
    ~IcxMouseTrackingCaller2() = default;
};

// Starts tracking caller for control (not null) with bounds in control's client
// coordinates (converted to screen coordinates now). Nothing when caller is already
// tracked. Raises EOSError when the system gives no timer.
void BeginMouseTracking(TWinControl* control, const RECT& bounds, IcxMouseTrackingCaller* caller);
// Stops tracking caller; nothing when it is not tracked. Safe from inside MouseLeave.
void EndMouseTracking(IcxMouseTrackingCaller* caller) noexcept;
bool IsMouseTracking(IcxMouseTrackingCaller* caller) noexcept;
// How many callers are tracked now (for tests).
int MouseTrackingCount() noexcept;
