#include "lookandfeel/cxMouseTracking.h"

#include <algorithm>
#include <vector>

#include "framework/application.h"
#include "framework/controls.h"
#include "framework/sysutils.h"
#include "framework/units.h"
#include "lookandfeel/cxGeometry.h"

namespace {

struct TTrackingEntry {
    TWinControl* Control;
    RECT ScreenBounds;
    IcxMouseTrackingCaller* Caller;
    UINT_PTR Timer;
};

// Controls leave the list when they are destroyed, with their forms, before the unit stops.
std::vector<TTrackingEntry> trackingEntries ZV_UNIT(zv::unit::kControls);

std::vector<TTrackingEntry>& Entries() { return trackingEntries; }

std::vector<TTrackingEntry>::iterator FindByCaller(IcxMouseTrackingCaller* caller)
{
    auto& entries = Entries();
    return std::find_if(entries.begin(), entries.end(), [caller](const TTrackingEntry& e) { return e.Caller == caller; });
}

bool CursorInside(const TTrackingEntry& entry, POINT cursor)
{
    if (auto* query = dynamic_cast<IcxMouseTrackingCaller2*>(entry.Caller)) {
        if (!entry.Control->HandleAllocated()) return false;
        POINT client = cursor;
        ScreenToClient(entry.Control->Handle(), &client);
        return query->PtInCaller(client);
    }
    return cxRectPtIn(entry.ScreenBounds, cursor);
}

void CALLBACK TrackingTimerProc(HWND, UINT, UINT_PTR timer, DWORD) noexcept
{
    // A timer callback is a system frame: nothing may be thrown across it.
    try {
        auto& entries = Entries();
        auto found = std::find_if(entries.begin(), entries.end(), [timer](const TTrackingEntry& e) { return e.Timer == timer; });
        if (found == entries.end()) {
            KillTimer(nullptr, timer);
            return;
        }
        const TTrackingEntry entry = *found;
        POINT cursor{};
        if (!GetCursorPos(&cursor) || CursorInside(entry, cursor)) return;
        // Ends first, so whatever the notifications do the entry is gone exactly once.
        EndMouseTracking(entry.Caller);
        if (entry.Control->HandleAllocated()) {
            POINT client = cursor;
            ScreenToClient(entry.Control->Handle(), &client);
            RECT clientRect{};
            GetClientRect(entry.Control->Handle(), &clientRect);
            if (!cxRectPtIn(clientRect, client)) entry.Control->Perform(CM_MOUSELEAVE);
        }
        entry.Caller->MouseLeave();
    } catch (...) {
        Application->HandleException(nullptr);
    }
}

} // namespace

void BeginMouseTracking(TWinControl* control, const RECT& bounds, IcxMouseTrackingCaller* caller)
{
    if (!control || !caller || IsMouseTracking(caller)) return;
    RECT screen = bounds;
    if (control->HandleAllocated()) MapWindowPoints(control->Handle(), nullptr, reinterpret_cast<POINT*>(&screen), 2);
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, &TrackingTimerProc);
    if (!timer) RaiseLastOSError();
    Entries().push_back({control, screen, caller, timer});
}

void EndMouseTracking(IcxMouseTrackingCaller* caller) noexcept
{
    auto found = FindByCaller(caller);
    if (found == Entries().end()) return;
    KillTimer(nullptr, found->Timer);
    Entries().erase(found);
}

bool IsMouseTracking(IcxMouseTrackingCaller* caller) noexcept
{
    return FindByCaller(caller) != Entries().end();
}

int MouseTrackingCount() noexcept
{
    return static_cast<int>(Entries().size());
}
