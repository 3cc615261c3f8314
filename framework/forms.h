// Forms: top-level windows that hold controls, with the dialog keys (Tab, Enter, Escape),
// modal showing, and the application ending when the main form closes.
//
// GUI thread only. A form is created hidden; Show, SetVisible(true) or ShowModal show it.
// A subclass takes a private message by overriding Dispatch:
//   void Dispatch(TMessage& m) override { if (m.Msg == kMine) { ...; return; } TForm::Dispatch(m); }
// and may post it to itself with PostToSelf, which creates the window first.
#pragma once

#include "framework/controls.h"

// Results of a modal form; the values are those of the system's IDOK... IDNO.
using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = IDOK;
constexpr TModalResult mrCancel = IDCANCEL;
constexpr TModalResult mrAbort = IDABORT;
constexpr TModalResult mrRetry = IDRETRY;
constexpr TModalResult mrIgnore = IDIGNORE;
constexpr TModalResult mrYes = IDYES;
constexpr TModalResult mrNo = IDNO;

enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4 };
using TBorderIcons = unsigned;

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog };
enum TPosition { poDesigned, poScreenCenter };

class TCustomForm : public TWinControl {
    RUNTIME_CLASS(TCustomForm, TWinControl)
public:
    // owner: usually Application (then Application deletes the form), may be null.
    explicit TCustomForm(TComponent* owner);
    ~TCustomForm() override;

    TBorderIcons BorderIcons() const noexcept { return FBorderIcons; }
    void SetBorderIcons(TBorderIcons icons);
    TFormBorderStyle BorderStyle() const noexcept { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle style);

    // The size of the client area; setting it changes the outer size to fit.
    int ClientWidth();
    int ClientHeight();
    void SetClientWidth(int value);
    void SetClientHeight(int value);

    // poScreenCenter centres the form on the screen when it is first shown.
    TPosition Position() const noexcept { return FPosition; }
    void SetPosition(TPosition value) noexcept { FPosition = value; }

    // With KeyPreview the form's OnKeyPress sees every character typed into its controls
    // (after the controls' accelerators, before the focused control).
    bool KeyPreview() const noexcept { return FKeyPreview; }
    void SetKeyPreview(bool value) noexcept { FKeyPreview = value; }

    void Show() { SetVisible(true); BringToFront(); }
    void Hide() { SetVisible(false); }
    void BringToFront();
    // Hides the form; the main form ends the application instead, a modal form ends its
    // modal loop with mrCancel.
    void Close();

    // Shows the form with the application's other windows disabled and handles messages
    // until ModalResult is set (or the application terminates: mrCancel). Returns it.
    // Raises EInvalidOperation "Cannot make a visible window modal" for a visible form.
    TModalResult ShowModal();
    TModalResult ModalResult() const noexcept { return FModalResult; }
    void SetModalResult(TModalResult value) noexcept { FModalResult = value; }

    // The control that last had the focus in this form; null when none.
    TWinControl* ActiveControl() const noexcept { return FActiveControl; }
    // Moves the focus to the next (or previous) control with TabStop.
    void SelectNext(bool forward);

    // Called by a control of the form that received the focus: broadcasts CM_FOCUSCHANGED.
    void FocusChanged(TWinControl* control);

protected:
    void CreateParams(TCreateParams& params) override;
    void Dispatch(TMessage& message) override;
    void UpdateVisible() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    void FrameSize(int& dx, int& dy);
    void FocusFirst();
    void CollectTabStops(TWinControl* parent, std::vector<TWinControl*>& list);

    TBorderIcons FBorderIcons = biSystemMenu | biMinimize | biMaximize;
    TFormBorderStyle FBorderStyle = bsSizeable;
    TPosition FPosition = poDesigned;
    bool FKeyPreview = false;
    bool FShown = false;
    bool FModal = false;
    TModalResult FModalResult = mrNone;
    TWinControl* FActiveControl = nullptr;
};

class TForm : public TCustomForm {
    RUNTIME_CLASS(TForm, TCustomForm)
public:
    using TCustomForm::TCustomForm;
};
