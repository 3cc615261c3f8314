// The screen: its size, the work area of a monitor, and the screen-wide mouse cursor.
//
// GUI thread only. The cursor set here wins over every framework window's own cursor
// (they answer WM_SETCURSOR with it) and is applied at once, so it shows even while the
// thread then blocks without handling messages.
#pragma once

#include <windows.h>

#include "framework/object.h"

enum TCursor : int {
    crDefault = 0,      // each window's own cursor
    crArrow = -2,
    crHourGlass = -11,
};

class TScreen : public TObject {
    RUNTIME_CLASS(TScreen, TObject)
public:
    TCursor Cursor() const noexcept { return FCursor; }
    void SetCursor(TCursor cursor);
    // The shared system cursor for a cursor value (crDefault gives the arrow); not owned.
    HCURSOR CursorHandle(TCursor cursor) const noexcept;

    // Size of the primary monitor in pixels.
    int Width() const noexcept { return GetSystemMetrics(SM_CXSCREEN); }
    int Height() const noexcept { return GetSystemMetrics(SM_CYSCREEN); }
    // The work area (without task bars) of the monitor nearest to point, in screen
    // coordinates.
    RECT WorkAreaNear(POINT point) const;

private:
    TCursor FCursor = crDefault;
};

// The one screen object; valid for the life of the process.
extern TScreen* const Screen;

// Sets the screen cursor and puts back the previous one when it goes, also when the
// code in between throws.
class TCursorGuard {
public:
    explicit TCursorGuard(TCursor cursor) : FSaved(Screen->Cursor()) { Screen->SetCursor(cursor); }
    TCursorGuard(const TCursorGuard&) = delete;
    TCursorGuard& operator=(const TCursorGuard&) = delete;
    ~TCursorGuard() { Screen->SetCursor(FSaved); }

private:
    TCursor FSaved;
};
