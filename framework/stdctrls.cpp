#include "framework/stdctrls.h"

TButton::TButton(TComponent* owner) : TWinControl(owner)
{
    FWidth = 75;
    FHeight = 25;
    SetTabStop(true);
}

void TButton::SetDefault(bool value)
{
    if (value == FDefault) return;
    FDefault = value;
    // Without a focused button the default look follows Default at once.
    TWinControl* focused = FindControl(GetFocus());
    if (!dynamic_cast<TButton*>(focused) && FActive != value) {
        FActive = value;
        SetButtonStyle(value);
    }
}

void TButton::Click()
{
    if (FModalResult != mrNone)
        if (TCustomForm* form = GetParentForm()) form->SetModalResult(FModalResult);
    TWinControl::Click();
}

void TButton::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.BaseClassName = "BUTTON";
    FActive = FDefault;
    params.Style |= FActive ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    if (FWordWrap) params.Style |= BS_MULTILINE;
}

void TButton::SetButtonStyle(bool isDefault)
{
    if (!HandleAllocated()) return;
    // BM_SETSTYLE replaces the button type, which would turn an owner-drawn button into a
    // plain one; such a button only needs to repaint with its new look.
    if ((GetWindowLongPtrA(Handle(), GWL_STYLE) & BS_TYPEMASK) == BS_OWNERDRAW)
        InvalidateRect(Handle(), nullptr, FALSE);
    else
        SendMessageA(Handle(), BM_SETSTYLE, isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::Dispatch(TMessage& message)
{
    switch (message.Msg) {
    case CN_COMMAND:
        if (HIWORD(message.WParam) == BN_CLICKED) Click();
        return;
    case CM_DIALOGCHAR:
        if (IsAccel(static_cast<char>(message.WParam), FCaption) && CanFocus()) {
            Click();
            message.Result = 1;
        }
        return;
    case CM_DIALOGKEY:
        if (((message.WParam == VK_RETURN && FActive) || (message.WParam == VK_ESCAPE && FCancel)) && CanFocus()) {
            Click();
            message.Result = 1;
        }
        return;
    case CM_FOCUSCHANGED: {
        auto* focused = reinterpret_cast<TWinControl*>(message.LParam);
        const bool active = focused == this || (FDefault && !dynamic_cast<TButton*>(focused));
        if (active != FActive) {
            FActive = active;
            SetButtonStyle(active);
        }
        return;
    }
    default:
        break;
    }
    TWinControl::Dispatch(message);
}

void TStaticText::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    params.BaseClassName = "STATIC";
    params.Style |= SS_LEFT | SS_NOPREFIX;
}
