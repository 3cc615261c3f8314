// Controls: TControl (position, size, text, font, colour, hint, visibility, enabled state,
// the per-object message dispatch) and TWinControl (a control with a window of its own).
//
// Every window of the framework runs through one window procedure: the object comes from
// the create parameters at WM_NCCREATE and is kept in the window's user data; each message
// then goes to the object's WndProc, which hands it to Dispatch, which answers the messages
// it knows with typed handlers and passes the rest to DefaultHandler (the window class's
// own procedure). Nothing escapes that procedure: an exception goes to
// Application->HandleException.
//
// GUI thread only. Controls are components: the owner deletes them; the parent only shows
// them. A control's window is created when it is first needed (HandleNeeded), after its
// parent's.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/graphics.h"
#include "framework/messages.h"
#include "framework/persistent.h"

class TWinControl;
class TCustomForm;

// What a control asks of its window when it is created.
struct TCreateParams {
    std::string Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0, Y = 0, Width = 0, Height = 0;
    HWND WndParent = nullptr;
    // The framework registers this class for the control: a new class when BaseClassName is
    // empty, else a copy ("superclass") of that system class with our window procedure.
    std::string WinClassName;
    std::string BaseClassName;
    UINT ClassStyle = CS_DBLCLKS;
};

// Key events; key may be changed (0 swallows it).
using TKeyPressEvent = std::function<void(TObject* sender, char& key)>;

enum TControlStyleFlag : unsigned {
    csOpaque = 1u << 0,     // paints its whole client area
    csReflector = 1u << 1,  // takes notifications reflected from its parent (CN_*)
};
using TControlStyle = unsigned;

class TControl : public TComponent {
    RUNTIME_CLASS(TControl, TComponent)
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    TWinControl* Parent() const noexcept { return FParent; }
    // Moves the control onto parent (null: off any parent). Creates its window at once when
    // the parent already has one.
    virtual void SetParent(TWinControl* parent);

    int Left() const noexcept { return FLeft; }
    int Top() const noexcept { return FTop; }
    int Width() const noexcept { return FWidth; }
    int Height() const noexcept { return FHeight; }
    void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
    void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
    void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
    void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }
    // Outer position (in the parent's client coordinates, or the screen's for a top-level
    // window) and size.
    virtual void SetBounds(int left, int top, int width, int height);

    bool Visible() const noexcept { return FVisible; }
    void SetVisible(bool value);
    bool Enabled() const noexcept { return FEnabled; }
    void SetEnabled(bool value);

    // The text with "&" accelerator marks ("&&" is a literal ampersand).
    const std::string& Caption() const noexcept { return FCaption; }
    void SetCaption(const std::string& value);

    const std::string& Hint() const noexcept { return FHint; }
    void SetHint(const std::string& value);
    // Effective value: the parent's when ParentShowHint is on.
    bool ShowHint() const noexcept;
    void SetShowHint(bool value);
    bool ParentShowHint() const noexcept { return FParentShowHint; }
    void SetParentShowHint(bool value);

    // The control's font; changing it sends CM_FONTCHANGED and turns ParentFont off.
    TFont& Font() noexcept { return FFont; }
    bool ParentFont() const noexcept { return FParentFont; }
    void SetParentFont(bool value);
    TColor Color() const noexcept { return FColor; }
    void SetColor(TColor value);

    TControlStyle ControlStyle() const noexcept { return FControlStyle; }
    void SetControlStyle(TControlStyle style) noexcept { FControlStyle = style; }

    const TNotifyEvent& OnClick() const noexcept { return FOnClick; }
    void SetOnClick(TNotifyEvent handler) { FOnClick = std::move(handler); }
    // Fires OnClick.
    virtual void Click();

    // Runs a message through this object's WndProc at once and returns its result.
    LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

    // The form the control sits on (itself for a form); null when on none.
    TCustomForm* GetParentForm() const noexcept;

    // The one entry of every message for this object. Overrides handle what they need and
    // call the inherited WndProc for everything else.
    virtual void WndProc(TMessage& message);

protected:
    // Answers the messages the class knows; the rest go to DefaultHandler. Overrides handle
    // their own messages and call the inherited Dispatch for the others.
    virtual void Dispatch(TMessage& message);
    // What an unhandled message gets: the base answers 0.
    virtual void DefaultHandler(TMessage& message);

    // Hooks for TWinControl: apply a property to the window, if there is one.
    virtual void UpdateBounds() {}
    virtual void UpdateVisible() {}
    virtual void UpdateEnabled() {}
    virtual void UpdateCaption() {}
    virtual void UpdateHint() {}

    void Changed(UINT cmMessage) { Perform(cmMessage); }
    void FontChanged();

    TWinControl* FParent = nullptr;
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    bool FVisible = true;
    bool FEnabled = true;
    std::string FCaption;
    std::string FHint;
    bool FShowHint = false;
    bool FParentShowHint = true;
    TFont FFont;
    bool FParentFont = true;
    bool FSettingParentFont = false;
    TColor FColor = clBtnFace;
    TControlStyle FControlStyle = 0;
    TNotifyEvent FOnClick;

private:
    friend class TWinControl;
};

class TWinControl : public TControl {
    RUNTIME_CLASS(TWinControl, TControl)
public:
    explicit TWinControl(TComponent* owner);
    // Destroys the window first, then the children it still parents are taken off it.
    ~TWinControl() override;

    // The window, created (with its parents) when missing. Raises EOSError when the system
    // refuses to create it.
    HWND Handle();
    bool HandleAllocated() const noexcept { return FHandle != nullptr; }
    void HandleNeeded() { Handle(); }

    // Posts a message to this control's window, creating the window first. Raises EOSError
    // when the system refuses.
    void PostToSelf(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

    // Child controls in the order they were placed.
    int ControlCount() const noexcept { return static_cast<int>(FControls.size()); }
    TControl* Controls(int index) const { return FControls.at(static_cast<std::size_t>(index)); }
    // Sends the message to every child control (in order) until one answers non-zero.
    void Broadcast(TMessage& message);

    bool TabStop() const noexcept { return FTabStop; }
    void SetTabStop(bool value);
    // The position among the siblings in keyboard order; -1 when not on a parent.
    int TabOrder() const noexcept;
    void SetTabOrder(int value);
    // The siblings in tab order (children of this control).
    std::vector<TWinControl*> TabList() const;

    // Visible, enabled, and the same for every parent.
    virtual bool CanFocus() const;
    bool Focused() const noexcept { return FHandle && GetFocus() == FHandle; }
    // Raises EInvalidOperation "Cannot focus a disabled or invisible window" when !CanFocus.
    void SetFocus();

    // Double-buffered controls paint into an off-screen bitmap that is then copied.
    bool DoubleBuffered() const noexcept { return FDoubleBuffered; }
    void SetDoubleBuffered(bool value) noexcept { FDoubleBuffered = value; }

    const TKeyPressEvent& OnKeyPress() const noexcept { return FOnKeyPress; }
    void SetOnKeyPress(TKeyPressEvent handler) { FOnKeyPress = std::move(handler); }

    // The control whose window this is; null for windows the framework did not create.
    static TWinControl* FindControl(HWND window) noexcept;

    void WndProc(TMessage& message) override;

    // The window procedure of every framework window.
    static LRESULT CALLBACK StdWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

protected:
    virtual void CreateParams(TCreateParams& params);
    // Creates the window (from CreateParams) and then the windows of the children.
    virtual void CreateHandle();
    virtual void DestroyHandle();
    void Dispatch(TMessage& message) override;
    void DefaultHandler(TMessage& message) override;

    // Paints the client area; the base fills it with Color. Runs inside WM_PAINT on the
    // canvas of the paint DC or, when double-buffered, of the off-screen bitmap.
    virtual void PaintWindow(TCanvas& canvas);

    // CN_CHAR: the keyboard route. A character is first offered to the accelerators of
    // the form's controls (CM_DIALOGCHAR, letter case ignored) unless the control wants
    // characters itself; then to the form's OnKeyPress when the form has KeyPreview; then
    // to the control's own OnKeyPress. Answers 1 when the key went no further.
    virtual void CNChar(TMessage& message);
    // CN_KEYDOWN: Tab, Enter and Escape go to the form as CM_DIALOGKEY unless the control
    // wants them.
    virtual void CNKeyDown(TMessage& message);
    // True when the control takes characters as text input (no accelerator routing).
    virtual bool WantsChars() const { return false; }
    // Fires OnKeyPress; returns false when the key was swallowed (set to 0).
    bool DoKeyPress(char& key);

    void UpdateBounds() override;
    void UpdateVisible() override;
    void UpdateEnabled() override;
    void UpdateCaption() override;
    void UpdateHint() override;

    HWND FHandle = nullptr;
    WNDPROC FDefWndProc = nullptr;

private:
    friend class TControl;
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    void Paint();
    void ReflectToChild(TMessage& message, HWND child);

    std::vector<TControl*> FControls;
    bool FTabStop = false;
    bool FDoubleBuffered = false;
    bool FMouseInside = false;
    TKeyPressEvent FOnKeyPress;
};

// True when text's accelerator (the character after a single '&') is key, letter case ignored.
bool IsAccel(char key, const std::string& text) noexcept;
// The text without its accelerator marks ("&&" becomes "&").
std::string StripHotkey(const std::string& text);
