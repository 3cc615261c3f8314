// The standard push button: the system's button window with the framework's default and
// cancel buttons, modal results and accelerators.
//
// GUI thread only.
#pragma once

#include "framework/forms.h"

class TButton : public TWinControl {
    RUNTIME_CLASS(TButton, TWinControl)
public:
    // 75 x 25 pixels, TabStop on.
    explicit TButton(TComponent* owner);

    // Enter clicks the default button while no other button has the focus.
    bool Default() const noexcept { return FDefault; }
    void SetDefault(bool value);
    // Escape clicks the cancel button.
    bool Cancel() const noexcept { return FCancel; }
    void SetCancel(bool value) noexcept { FCancel = value; }
    // A click sets the form's ModalResult to this (when not mrNone), ending ShowModal.
    TModalResult ModalResult() const noexcept { return FModalResult; }
    void SetModalResult(TModalResult value) noexcept { FModalResult = value; }
    bool WordWrap() const noexcept { return FWordWrap; }
    void SetWordWrap(bool value) noexcept { FWordWrap = value; }

    // Applies ModalResult to the form, then fires OnClick.
    void Click() override;

protected:
    void CreateParams(TCreateParams& params) override;
    void Dispatch(TMessage& message) override;
    // Called when the default-button look moves to or from this button (the focused button,
    // or the Default button while no button has the focus). The base switches the system
    // button between BS_DEFPUSHBUTTON and BS_PUSHBUTTON and repaints an owner-drawn one;
    // owner-drawn buttons override it to keep the look for their painting.
    virtual void SetButtonStyle(bool isDefault);
    // Whether this button shows the default-button look now.
    bool Active() const noexcept { return FActive; }

private:
    bool FDefault = false;
    bool FCancel = false;
    bool FActive = false;
    bool FWordWrap = false;
    TModalResult FModalResult = mrNone;
};

// A read-only text drawn by the system's static control: word-wrapped, "&" shown as it is.
// Screen readers and test drivers read it as the window's text.
class TStaticText : public TWinControl {
    RUNTIME_CLASS(TStaticText, TWinControl)
public:
    explicit TStaticText(TComponent* owner) : TWinControl(owner) {}

protected:
    void CreateParams(TCreateParams& params) override;
};
