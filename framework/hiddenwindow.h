// Hidden top-level windows: receivers of broadcast messages (WM_THEMECHANGED,
// WM_SYSCOLORCHANGE, WM_SETTINGCHANGE) and of messages posted to the application.
//
// They are top-level on purpose, never message-only (HWND_MESSAGE): the system sends its
// broadcasts to top-level windows only, so a message-only window would never hear them.
// Created without WS_VISIBLE, they are not seen until someone shows them.
//
// GUI thread: the window belongs to the thread that creates it, its procedure runs there,
// and only that thread can destroy it (DestroyWindow).
#pragma once

#include <windows.h>

struct THiddenWindowParams {
    // Registered with Procedure on first use in the process; required.
    const char* ClassName = nullptr;
    // The class's window procedure; required. It must catch every exception.
    WNDPROC Procedure = nullptr;
    const char* Caption = "";
    // WS_POPUP without an owner makes a top-level window; the tool-window style keeps it
    // out of the task bar.
    DWORD Style = WS_POPUP;
    DWORD ExStyle = WS_EX_TOOLWINDOW;
    int X = 0;
    int Y = 0;
};

// Registers the class unless the process has it already, then creates the window (no size,
// no owner, hidden). Returns the window, which the caller destroys; null when the system
// refuses either step, with GetLastError holding the reason.
HWND CreateHiddenTopLevelWindow(const THiddenWindowParams& params) noexcept;
