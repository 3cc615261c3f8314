// The look-and-feel push button: an owner-drawn system button window whose every pixel is
// painted through a painter class chosen from the button's own look-and-feel settings on
// each paint, with hot tracking, a glyph beside the caption, per-state colours, drop-down
// menus, a context menu and a speed-button mode in which grouped buttons latch.
//
// The system button keeps focus handling, the default-button look and click generation;
// the parent reflects WM_DRAWITEM to the button as CN_DRAWITEM, where it paints.
//
// GUI thread only: paint requests, mouse and keyboard messages, the mouse-tracking timer
// and the glyph cache all live on it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/graphics.h"
#include "framework/messages.h"
#include "framework/stdctrls.h"
#include "lookandfeel/cxButtonGlyph.h"
#include "lookandfeel/cxButtonLayout.h"
#include "lookandfeel/cxGraphics.h"
#include "lookandfeel/cxLookAndFeelPainters.h"
#include "lookandfeel/cxLookAndFeels.h"
#include "lookandfeel/cxMouseTracking.h"
#include "lookandfeel/cxPopupMenu.h"

// Private messages the button posts to itself so that a menu opens (and its close is
// handled) after the current mouse or key message is finished.
constexpr UINT CM_DROPDOWNPOPUPMENU = 0x8065;
constexpr UINT CM_CLOSEUPPOPUPMENU = 0x8066;

enum TcxButtonKind { cxbkStandard, cxbkDropDown, cxbkDropDownButton };

enum TcxButtonAssignedColor {
    cxbcDefault, cxbcDefaultText, cxbcDisabled, cxbcDisabledText, cxbcHot, cxbcHotText, cxbcNormal, cxbcNormalText,
    cxbcPressed, cxbcPressedText
};
// A set of TcxButtonAssignedColor: member n at bit n.
using TcxButtonAssignedColors = unsigned;
constexpr TcxButtonAssignedColors cxButtonColorBit(TcxButtonAssignedColor c) noexcept { return 1u << c; }

enum TBiDiMode { bdLeftToRight, bdRightToLeft };

class TcxCustomButton;

// The painter a button with these settings paints with: a skin painter when there is
// one; the Office 2003 look becomes the themed look when the desktop's "Button" theme
// opens and the standard look otherwise; every other painter as it is. Asked on every
// paint, so a desktop theme switch shows at the next paint.
TcxLookAndFeelPainterClass GetButtonPainterClass(const TcxLookAndFeel& lookAndFeel);

// Ten per-state colours. Unassigned slots hold clDefault. The button (may be null) is
// repainted when a colour changes.
class TcxButtonColors : public TPersistent {
    RUNTIME_CLASS(TcxButtonColors, TPersistent)
public:
    explicit TcxButtonColors(TcxCustomButton* button) noexcept : FButton(button) { FColors.fill(clDefault); }

    TColor Color(TcxButtonAssignedColor index) const noexcept { return FColors[index]; }
    // clDefault and clNone unassign the slot; another value assigns it.
    void SetColor(TcxButtonAssignedColor index, TColor value);
    TcxButtonAssignedColors AssignedColors() const noexcept { return FAssignedColors; }
    // Takes effect only while a button is designed; this run-time library has no design
    // time, so the set changes only through the colour setters.
    void SetAssignedColors(TcxButtonAssignedColors) noexcept {}
    // Stored in a form only when something is assigned.
    bool IsStored() const noexcept { return FAssignedColors != 0; }

    TColor Default() const noexcept { return Color(cxbcDefault); }
    void SetDefault(TColor v) { SetColor(cxbcDefault, v); }
    TColor DefaultText() const noexcept { return Color(cxbcDefaultText); }
    void SetDefaultText(TColor v) { SetColor(cxbcDefaultText, v); }
    TColor Disabled() const noexcept { return Color(cxbcDisabled); }
    void SetDisabled(TColor v) { SetColor(cxbcDisabled, v); }
    TColor DisabledText() const noexcept { return Color(cxbcDisabledText); }
    void SetDisabledText(TColor v) { SetColor(cxbcDisabledText, v); }
    TColor Hot() const noexcept { return Color(cxbcHot); }
    void SetHot(TColor v) { SetColor(cxbcHot, v); }
    TColor HotText() const noexcept { return Color(cxbcHotText); }
    void SetHotText(TColor v) { SetColor(cxbcHotText, v); }
    TColor Normal() const noexcept { return Color(cxbcNormal); }
    void SetNormal(TColor v) { SetColor(cxbcNormal, v); }
    TColor NormalText() const noexcept { return Color(cxbcNormalText); }
    void SetNormalText(TColor v) { SetColor(cxbcNormalText, v); }
    TColor Pressed() const noexcept { return Color(cxbcPressed); }
    void SetPressed(TColor v) { SetColor(cxbcPressed, v); }
    TColor PressedText() const noexcept { return Color(cxbcPressedText); }
    void SetPressedText(TColor v) { SetColor(cxbcPressedText, v); }

    // The background for a state: its slot when assigned, else an unassigned normal slot
    // falls back to the default slot and every other one to the normal slot. The result
    // may be clDefault: the painter chooses.
    TColor GetColorByState(TcxButtonState state) const noexcept;
    // The caption colour for a state: its text slot, clDefault when unassigned.
    TColor GetTextColorByState(TcxButtonState state) const noexcept;

    // Copies all slots and the set from another TcxButtonColors.
    void Assign(const TPersistent* source) override;

private:
    void Changed();
    TcxCustomButton* FButton;
    std::array<TColor, 10> FColors{};
    TcxButtonAssignedColors FAssignedColors = 0;
};

// OnDropDownMenuPopup: may replace the menu (null: none) or set handled.
using TcxButtonDropDownMenuPopupEvent = std::function<void(TObject* sender, TcxPopupMenu*& menu, bool& handled)>;
// OnGetDrawParams: may change the background colour and the canvas font just before painting.
using TcxButtonGetDrawParamsEvent =
    std::function<void(TcxCustomButton* sender, TcxButtonState state, TColor& color, TFont& font)>;

// Marks a control that skin painters may draw; it has no operations.
class IdxSkinSupport {
protected:
    ~IdxSkinSupport() = default;
};

class TcxCustomButton : public TButton,
                        public IcxLookAndFeelContainer,
                        public IcxMouseTrackingCaller,
                        public IdxSkinSupport {
    RUNTIME_CLASS(TcxCustomButton, TButton)
public:
    explicit TcxCustomButton(TComponent* owner);
    ~TcxCustomButton() override;

    TcxButtonKind Kind() const noexcept { return FKind; }
    // Recreates the window.
    void SetKind(TcxButtonKind value);
    TcxButtonColors& Colors() noexcept { return *FColors; }
    TcxLookAndFeel& LookAndFeel() noexcept { return *FLookAndFeel; }
    // -1 centres; values below -1 are ignored.
    int Margin() const noexcept { return FMargin; }
    void SetMargin(int value);
    // -1 spreads glyph and caption evenly.
    int Spacing() const noexcept { return FSpacing; }
    void SetSpacing(int value);
    TButtonLayout Layout() const noexcept { return FLayout; }
    void SetLayout(TButtonLayout value);
    TcxButtonGlyph& GlyphObject() noexcept { return *FGlyph; }
    TBitmap* Glyph() const noexcept { return FGlyph->Glyph(); }
    void SetGlyph(const TBitmap* value) { FGlyph->SetGlyph(value); }
    int NumGlyphs() const noexcept { return FGlyph->NumGlyphs(); }
    void SetNumGlyphs(int value) { FGlyph->SetNumGlyphs(value); }
    TcxPopupMenu* DropDownMenu() const noexcept { return FDropDownMenu; }
    void SetDropDownMenu(TcxPopupMenu* value);
    TPopupAlignment PopupAlignment() const noexcept { return FPopupAlignment; }
    void SetPopupAlignment(TPopupAlignment value) noexcept { FPopupAlignment = value; }
    // A TcxPopupMenu or any component implementing IcxPopupMenu; anything else stores none.
    TComponent* PopupMenu() const noexcept { return FPopupMenu; }
    void SetPopupMenu(TComponent* value);
    bool UseSystemPaint() const noexcept { return FUseSystemPaint; }
    void SetUseSystemPaint(bool value) noexcept { FUseSystemPaint = value; }
    // False turns on speed-button mode.
    bool CanBeFocused() const noexcept { return FCanBeFocused; }
    void SetCanBeFocused(bool value);
    // Non-zero turns on speed-button mode and groups latching buttons.
    int GroupIndex() const noexcept { return FGroupIndex; }
    void SetGroupIndex(int value);
    bool Down() const noexcept { return FDown; }
    void SetDown(bool value);
    bool AllowAllUp() const noexcept { return FAllowAllUp; }
    void SetAllowAllUp(bool value);
    TBiDiMode BiDiMode() const noexcept { return FBiDiMode; }
    void SetBiDiMode(TBiDiMode value);

    void SetOnDropDownMenuPopup(TcxButtonDropDownMenuPopupEvent handler) { FOnDropDownMenuPopup = std::move(handler); }
    void SetOnGetDrawParams(TcxButtonGetDrawParamsEvent handler) { FOnGetDrawParams = std::move(handler); }

    // cxbkStandard clicks as a plain button; cxbkDropDown opens its menu instead while
    // the menu is closed; cxbkDropDownButton clicks as a plain button.
    void Click() override;
    // The framework's answer, and CanBeFocused.
    bool CanFocus() const override;
    void WndProc(TMessage& message) override;

    // What the control would paint now, and the painter it uses; for callers and tests.
    TcxButtonState GetButtonState() const;
    virtual TcxLookAndFeelPainterClass GetPainterClass() const;
    bool IsHotTrack() const;
    bool GetSpeedButtonMode() const noexcept { return !FCanBeFocused || FGroupIndex != 0; }
    bool IsHot() const noexcept { return FIsHot; }
    bool IsPressed() const noexcept { return FIsPressed; }
    bool IsMenuVisible() const noexcept { return FIsMenuVisible; }
    // The content rectangle glyph and caption are laid out in (client coordinates).
    RECT GetContentRect() const;
    // The client rectangle inside the state's border (without the arrow part).
    RECT GetBorderRect(TcxButtonState state) const;
    // Empty for cxbkStandard, the client rectangle for cxbkDropDown, the right 15 pixels
    // for cxbkDropDownButton.
    RECT GetMenuButtonBounds() const;
    virtual SIZE GetOptimalSize();
    // With auto-sizing on, any requested width and height become the optimal size.
    void SetBounds(int left, int top, int width, int height) override;
    // Paints the whole button onto canvas as a paint request would (the benchmark and
    // tests paint off-screen with it).
    void PaintTo(TcxCanvas& canvas);

    // IcxLookAndFeelContainer
    TcxLookAndFeel* GetLookAndFeel() override { return FLookAndFeel.get(); }
    // IcxMouseTrackingCaller: the tracking timer saw the cursor leave.
    void MouseLeave() override;

protected:
    virtual bool DoOnDropDownMenuPopup(TcxPopupMenu*& menu);
    virtual bool DoShowPopupMenu(TComponent* menu, int x, int y);
    virtual bool StandardButton() const { return false; }

    void CreateParams(TCreateParams& params) override;
    void CreateHandle() override;
    void DestroyHandle() override;
    void Dispatch(TMessage& message) override;
    void SetButtonStyle(bool isDefault) override;
    void Notification(TComponent* component, TOperation operation) override;

    virtual void MouseDown(bool left, WPARAM keys, POINT p);
    virtual void MouseMove(WPARAM keys, POINT p);
    virtual void MouseUp(bool left, WPARAM keys, POINT p);
    // The keys the framework has not taken; true when consumed.
    virtual bool KeyDown(WORD key);

    // Off unless a descendant turns it on: the button then sizes itself from its caption
    // and font.
    void SetButtonAutoSize(bool value);
    void UpdateSize();
    // hasFocus: whether the focus rectangle belongs on the button (a paint request's
    // ODS_FOCUS, which spares asking the system for the focus on every paint).
    void InternalPaint(TcxCanvas& canvas, bool hasFocus);
    void UpdateGroup();
    void DoDropDownMenu();
    // Invalidates the button; Repaint also paints it now.
    void Invalidate();
    void Repaint();

private:
    void LookAndFeelChanged(TcxLookAndFeel* sender, TcxLookAndFeelValues changed);
    void InitializeCanvasColors(TcxCanvas& canvas, TcxButtonState& state, TColor& color);
    void CNDrawItem(TMessage& message);
    void WMPaint();
    void CMDropDownPopupMenu();
    void CMCloseupPopupMenu();
    void CMButtonPressed(TMessage& message);
    void WMContextMenu(TMessage& message);
    void CheckShowMenu(POINT p);
    bool IsPopupMenuShortCut(WORD key);
    void InternalRecreateWindow();
    RECT ClientRect() const;
    UINT TextDirectionFlags() const noexcept;
    bool CursorOverWindow();

    TcxButtonKind FKind = cxbkStandard;
    std::unique_ptr<TcxButtonColors> FColors;
    std::unique_ptr<TcxLookAndFeel> FLookAndFeel;
    std::unique_ptr<TcxButtonGlyph> FGlyph;
    int FMargin = -1;
    int FSpacing = 4;
    TButtonLayout FLayout = blGlyphLeft;
    TcxPopupMenu* FDropDownMenu = nullptr;
    TPopupAlignment FPopupAlignment = paLeft;
    TComponent* FPopupMenu = nullptr;
    // The drop-down menu while it is open; cleared when it is freed meanwhile.
    TcxPopupMenu* FPoppedMenu = nullptr;
    bool FUseSystemPaint = false;
    bool FCanBeFocused = true;
    int FGroupIndex = 0;
    bool FDown = false;
    bool FAllowAllUp = false;
    TBiDiMode FBiDiMode = bdLeftToRight;
    TcxButtonDropDownMenuPopupEvent FOnDropDownMenuPopup;
    TcxButtonGetDrawParamsEvent FOnGetDrawParams;

    bool FIsPressed = false;
    bool FIsFocused = false;
    bool FShowAsDefault = false;
    bool FIsHot = false;
    bool FIsMenuVisible = false;
    bool FMousePressHandled = false;
    bool FButtonAutoSize = false;
    bool FLeftButtonDown = false;
    // The current left press started on the arrow part of cxbkDropDownButton.
    bool FArrowPressed = false;
    // The off-screen bitmap of the double-buffered paint, kept between paints and made
    // anew only when the button's size changes.
    TBitmap FPaintBuffer;
    // The paint canvas: its device context is set only during a paint.
    TCanvas FPaintCanvasBase;
    TcxCanvas FCanvas{FPaintCanvasBase};
};

// Publishes the properties; adds no behaviour.
class TcxButton : public TcxCustomButton {
    RUNTIME_CLASS(TcxButton, TcxCustomButton)
public:
    using TcxCustomButton::TcxCustomButton;
};
