#include "framework/forms.h"

#include <algorithm>

#include "framework/application.h"
#include "framework/exceptions.h"
#include "framework/screen.h"
#include "framework/sysutils.h"

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner)
{
    FVisible = false;
    FWidth = 320;
    FHeight = 240;
    FColor = clBtnFace;
    FSettingParentFont = true;
    Font().SetName("MS Sans Serif");
    Font().SetHeight(-11);
    FSettingParentFont = false;
    FParentFont = false;
}

TCustomForm::~TCustomForm()
{
    // Our own Dispatch must not see the window's last messages once this part is gone.
    DestroyHandle();
}

void TCustomForm::SetBorderIcons(TBorderIcons icons)
{
    FBorderIcons = icons;
    if (FHandle) {
        TCreateParams params;
        CreateParams(params);
        SetWindowLongPtrA(FHandle, GWL_STYLE, (params.Style & ~WS_VISIBLE) | (FVisible ? WS_VISIBLE : 0));
        SetWindowPos(FHandle, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    }
}

void TCustomForm::SetBorderStyle(TFormBorderStyle style)
{
    FBorderStyle = style;
    SetBorderIcons(FBorderIcons);
}

void TCustomForm::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.Style = WS_CLIPCHILDREN;
    params.ExStyle = 0;
    switch (FBorderStyle) {
    case bsNone:
        params.Style |= WS_POPUP;
        break;
    case bsSingle:
        params.Style |= WS_CAPTION | WS_BORDER;
        break;
    case bsSizeable:
        params.Style |= WS_CAPTION | WS_THICKFRAME;
        break;
    case bsDialog:
        params.Style |= WS_POPUP | WS_CAPTION | DS_MODALFRAME;
        params.ExStyle |= WS_EX_DLGMODALFRAME;
        break;
    }
    if (FBorderStyle != bsNone && (FBorderIcons & biSystemMenu)) {
        params.Style |= WS_SYSMENU;
        if (FBorderStyle != bsDialog) {
            if (FBorderIcons & biMinimize) params.Style |= WS_MINIMIZEBOX;
            if (FBorderIcons & biMaximize) params.Style |= WS_MAXIMIZEBOX;
        }
    }
    if (FVisible) params.Style |= WS_VISIBLE;
    if (!FEnabled) params.Style |= WS_DISABLED;
    // Forms belong to the application window (the task-bar entry); a modal form to the
    // window it was opened from.
    params.WndParent = FModal ? GetActiveWindow() : Application->Handle();
}

void TCustomForm::FrameSize(int& dx, int& dy)
{
    DWORD style = 0, exStyle = 0;
    if (FHandle) {
        style = static_cast<DWORD>(GetWindowLongPtrA(FHandle, GWL_STYLE));
        exStyle = static_cast<DWORD>(GetWindowLongPtrA(FHandle, GWL_EXSTYLE));
    } else {
        TCreateParams params;
        CreateParams(params);
        style = params.Style;
        exStyle = params.ExStyle;
    }
    RECT r{0, 0, 100, 100};
    if (!AdjustWindowRectEx(&r, style, FALSE, exStyle)) RaiseLastOSError();
    dx = (r.right - r.left) - 100;
    dy = (r.bottom - r.top) - 100;
}

int TCustomForm::ClientWidth()
{
    int dx = 0, dy = 0;
    FrameSize(dx, dy);
    return FWidth - dx;
}

int TCustomForm::ClientHeight()
{
    int dx = 0, dy = 0;
    FrameSize(dx, dy);
    return FHeight - dy;
}

void TCustomForm::SetClientWidth(int value)
{
    int dx = 0, dy = 0;
    FrameSize(dx, dy);
    SetWidth(value + dx);
}

void TCustomForm::SetClientHeight(int value)
{
    int dx = 0, dy = 0;
    FrameSize(dx, dy);
    SetHeight(value + dy);
}

void TCustomForm::UpdateVisible()
{
    if (FVisible && !FShown) {
        FShown = true;
        if (FPosition == poScreenCenter)
            SetBounds((Screen->Width() - FWidth) / 2, (Screen->Height() - FHeight) / 2, FWidth, FHeight);
    }
    // The task-bar entry appears before the main form and goes after it.
    const bool isMainForm = Application->MainForm() == this;
    if (isMainForm && FVisible) Application->ShowTaskBarEntry(true);
    TWinControl::UpdateVisible();
    if (isMainForm && !FVisible) Application->ShowTaskBarEntry(false);
}

void TCustomForm::BringToFront()
{
    if (FHandle && FVisible) SetForegroundWindow(FHandle);
}

void TCustomForm::Close()
{
    if (FModal) {
        FModalResult = mrCancel;
    } else if (Application->MainForm() == this) {
        Application->Terminate();
    } else {
        Hide();
    }
}

namespace {

struct TDisabledWindows {
    HWND Keep;
    std::vector<HWND> Windows;
};

BOOL CALLBACK DisableOne(HWND window, LPARAM data)
{
    auto* disabled = reinterpret_cast<TDisabledWindows*>(data);
    if (window == disabled->Keep || !IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
    // Nothing may escape into the enumeration: a window we cannot remember stays enabled.
    try {
        disabled->Windows.push_back(window);
    } catch (...) {
        return TRUE;
    }
    EnableWindow(window, FALSE);
    return TRUE;
}

} // namespace

TModalResult TCustomForm::ShowModal()
{
    if (FVisible || FModal) throw EInvalidOperation("Cannot make a visible window modal");
    HWND previous = GetActiveWindow();
    FModal = true;
    FModalResult = mrNone;
    TDisabledWindows disabled{nullptr, {}};
    // Re-enables the other windows, hides the form and gives the activation back, also
    // when the loop throws.
    struct TRestore {
        TCustomForm* Form;
        TDisabledWindows& Disabled;
        HWND Previous;
        ~TRestore()
        {
            for (HWND window : Disabled.Windows) EnableWindow(window, TRUE);
            Form->FModal = false;
            try {
                Form->Hide();
            } catch (...) {
            }
            if (Previous && IsWindow(Previous)) SetActiveWindow(Previous);
        }
    } restore{this, disabled, previous};
    try {
        disabled.Keep = Handle();
    } catch (...) {
        FModal = false;
        throw;
    }
    EnumThreadWindows(GetCurrentThreadId(), &DisableOne, reinterpret_cast<LPARAM>(&disabled));
    Show();
    while (FModalResult == mrNone) {
        Application->HandleMessage();
        if (Application->Terminated()) FModalResult = mrCancel;
    }
    return FModalResult;
}

void TCustomForm::CollectTabStops(TWinControl* parent, std::vector<TWinControl*>& list)
{
    for (TWinControl* control : parent->TabList()) {
        if (control->TabStop() && control->CanFocus()) list.push_back(control);
        CollectTabStops(control, list);
    }
}

void TCustomForm::SelectNext(bool forward)
{
    std::vector<TWinControl*> list;
    CollectTabStops(this, list);
    if (list.empty()) return;
    const auto current = std::find(list.begin(), list.end(), FActiveControl);
    std::size_t index = 0;
    if (current != list.end()) {
        const auto at = static_cast<std::size_t>(current - list.begin());
        index = forward ? (at + 1) % list.size() : (at + list.size() - 1) % list.size();
    }
    list[index]->SetFocus();
}

void TCustomForm::FocusFirst()
{
    if (FActiveControl && FActiveControl->CanFocus() && FActiveControl->HandleAllocated()) {
        ::SetFocus(FActiveControl->Handle());
        return;
    }
    std::vector<TWinControl*> list;
    CollectTabStops(this, list);
    if (!list.empty()) list.front()->SetFocus();
    else ::SetFocus(FHandle);
}

void TCustomForm::FocusChanged(TWinControl* control)
{
    if (control != this && control != FActiveControl) {
        // The active control may belong to a component outside this form's tree; a free
        // notification tells the form when it goes, whoever destroys it.
        if (FActiveControl) RemoveFreeNotification(FActiveControl);
        FActiveControl = control;
        if (control) FreeNotification(control);
    }
    TMessage message{CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(control), 0};
    Broadcast(message);
}

void TCustomForm::Notification(TComponent* component, TOperation operation)
{
    if (operation == opRemove && static_cast<TComponent*>(FActiveControl) == component) FActiveControl = nullptr;
    TWinControl::Notification(component, operation);
}

void TCustomForm::Dispatch(TMessage& message)
{
    switch (message.Msg) {
    case WM_CLOSE:
        Close();
        return;
    case WM_SYSCOMMAND:
        // The main form's minimise box minimises the application: its task-bar entry
        // stays, and restoring that entry brings every form back.
        if ((message.WParam & 0xFFF0) == SC_MINIMIZE && Application->MainForm() == this && Application->Handle()) {
            Application->Minimize();
            return;
        }
        break;
    case WM_ACTIVATE:
        if (LOWORD(message.WParam) != WA_INACTIVE && !HIWORD(message.WParam)) {
            FocusFirst();
            return;
        }
        break;
    case CM_DIALOGKEY:
        if (message.WParam == VK_TAB) {
            SelectNext(GetKeyState(VK_SHIFT) >= 0);
            message.Result = 1;
            return;
        }
        break;
    default:
        break;
    }
    TWinControl::Dispatch(message);
}
