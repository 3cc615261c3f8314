// The framework's own window messages and the record every handler receives.
//
// CM_* messages are notifications between framework objects (sent with TControl::Perform,
// never through the system). CN_* messages are system notifications that a parent window
// received for one of its children and hands on ("reflects") to that child, so each control
// keeps its own drawing and command code; CN_x is CN_BASE + the system message x.
#pragma once

#include <windows.h>

// One message as a handler sees it. Result is what the window procedure answers.
struct TMessage {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
};

constexpr UINT CM_BASE = 0xB000;
// wParam: the character; lParam: the key data. A control whose accelerator is the character
// clicks itself and answers 1.
constexpr UINT CM_DIALOGCHAR = CM_BASE + 6;
// wParam: the virtual key (VK_RETURN, VK_ESCAPE, VK_TAB). The form answers 1 when it used it.
constexpr UINT CM_DIALOGKEY = CM_BASE + 5;
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 0;
// lParam: the TWinControl* that now has the focus. Broadcast through the form.
constexpr UINT CM_FOCUSCHANGED = CM_BASE + 7;
constexpr UINT CM_FONTCHANGED = CM_BASE + 2;
constexpr UINT CM_COLORCHANGED = CM_BASE + 3;
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 9;
constexpr UINT CM_MOUSEENTER = CM_BASE + 19;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
// wParam: the group index; lParam: the TControl* that went down. Broadcast to siblings.
constexpr UINT CM_BUTTONPRESSED = CM_BASE + 25;
constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 28;

constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
constexpr UINT CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;
constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
// Sent by the message loop to the control whose window a key message is for, before the
// message is translated and dispatched; an answer other than 0 swallows the key.
constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
constexpr UINT CN_KEYUP = CN_BASE + WM_KEYUP;
constexpr UINT CN_CHAR = CN_BASE + WM_CHAR;
constexpr UINT CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
constexpr UINT CN_SYSCHAR = CN_BASE + WM_SYSCHAR;
