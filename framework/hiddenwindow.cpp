#include "framework/hiddenwindow.h"

HWND CreateHiddenTopLevelWindow(const THiddenWindowParams& params) noexcept
{
    if (!params.ClassName || !params.Procedure) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA cls{};
    cls.cbSize = sizeof(cls);
    cls.lpfnWndProc = params.Procedure;
    cls.hInstance = instance;
    cls.lpszClassName = params.ClassName;
    // A class outlives the windows of it: a second window (or a second start of the same
    // component) finds it registered.
    if (!RegisterClassExA(&cls) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
    return CreateWindowExA(params.ExStyle, params.ClassName, params.Caption, params.Style & ~WS_VISIBLE, params.X,
                           params.Y, 0, 0, nullptr, nullptr, instance, nullptr);
}
