#include "framework/screen.h"

#include "framework/units.h"

namespace {
TScreen screenInstance ZV_UNIT(zv::unit::kVisual);
}

TScreen* const Screen = &screenInstance;

void TScreen::SetCursor(TCursor cursor)
{
    FCursor = cursor;
    ::SetCursor(CursorHandle(cursor));
}

HCURSOR TScreen::CursorHandle(TCursor cursor) const noexcept
{
    LPCSTR id = reinterpret_cast<LPCSTR>(IDC_ARROW);
    if (cursor == crHourGlass) id = reinterpret_cast<LPCSTR>(IDC_WAIT);
    return LoadCursorA(nullptr, id);
}

RECT TScreen::WorkAreaNear(POINT point) const
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    HMONITOR monitor = MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST);
    if (monitor && GetMonitorInfoA(monitor, &info)) return info.rcWork;
    RECT work{0, 0, Width(), Height()};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}
