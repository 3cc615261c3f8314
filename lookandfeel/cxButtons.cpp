#include "lookandfeel/cxButtons.h"

#include <windowsx.h>
#include <vsstyle.h>

#include "framework/exceptions.h"
#include "framework/forms.h"
#include "framework/handles.h"
#include "framework/sysutils.h"
#include "lookandfeel/dxThemeManager.h"
#include "lookandfeel/dxUxTheme.h"

namespace {

TcxButtonAssignedColor BackgroundSlot(TcxButtonState state) noexcept
{
    switch (state) {
    case cxbsDefault:
        return cxbcDefault;
    case cxbsHot:
        return cxbcHot;
    case cxbsPressed:
        return cxbcPressed;
    case cxbsDisabled:
        return cxbcDisabled;
    default:
        return cxbcNormal;
    }
}

bool SameFontFace(TFont& a, const TFont& b)
{
    return a.Name() == b.Name() && a.Height() == b.Height() && a.Style() == b.Style();
}

} // namespace

// --- painter choice ---

TcxLookAndFeelPainterClass GetButtonPainterClass(const TcxLookAndFeel& lookAndFeel)
{
    if (TcxLookAndFeelPainterClass skin = lookAndFeel.SkinPainter()) return skin;
    TcxLookAndFeelPainterClass painter = lookAndFeel.Painter();
    if (painter->LookAndFeelStyle() == lfsOffice11)
        return AreVisualStylesAvailable(totButton) ? TcxWinXPLookAndFeelPainter::PainterClass()
                                                   : TcxStandardLookAndFeelPainter::PainterClass();
    return painter;
}

// --- TcxButtonColors ---

void TcxButtonColors::SetColor(TcxButtonAssignedColor index, TColor value)
{
    if (value == clDefault || value == clNone) {
        FColors[index] = clDefault;
        FAssignedColors &= ~cxButtonColorBit(index);
        Changed();
        return;
    }
    if (FColors[index] == value && (FAssignedColors & cxButtonColorBit(index))) return;
    FColors[index] = value;
    FAssignedColors |= cxButtonColorBit(index);
    Changed();
}

TColor TcxButtonColors::GetColorByState(TcxButtonState state) const noexcept
{
    const TcxButtonAssignedColor slot = BackgroundSlot(state);
    if (FAssignedColors & cxButtonColorBit(slot)) return FColors[slot];
    return slot == cxbcNormal ? FColors[cxbcDefault] : FColors[cxbcNormal];
}

TColor TcxButtonColors::GetTextColorByState(TcxButtonState state) const noexcept
{
    const auto slot = static_cast<TcxButtonAssignedColor>(BackgroundSlot(state) + 1);
    return (FAssignedColors & cxButtonColorBit(slot)) ? FColors[slot] : clDefault;
}

void TcxButtonColors::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TcxButtonColors*>(source)) {
        FColors = other->FColors;
        FAssignedColors = other->FAssignedColors;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

void TcxButtonColors::Changed()
{
    if (FButton) FButton->Perform(CM_COLORCHANGED);
}

// --- TcxCustomButton ---

TcxCustomButton::TcxCustomButton(TComponent* owner) : TButton(owner)
{
    FGlyph = std::make_unique<TcxButtonGlyph>([this] { Invalidate(); });
    FColors = std::make_unique<TcxButtonColors>(this);
    FLookAndFeel = std::make_unique<TcxLookAndFeel>(this);
    FLookAndFeel->SetOnChanged([this](TcxLookAndFeel* sender, TcxLookAndFeelValues changed) {
        LookAndFeelChanged(sender, changed);
    });
    SetDoubleBuffered(true);
    SetControlStyle(ControlStyle() | csOpaque | csReflector);
    SetCanBeFocused(true);
    SetGroupIndex(0);
    SetAllowAllUp(false);
    SetDown(false);
}

TcxCustomButton::~TcxCustomButton()
{
    EndMouseTracking(this);
    // The window goes while every part of the button still exists: the base destructor
    // would destroy it after them, with paint requests reaching half a button.
    DestroyHandle();
    FLookAndFeel.reset();
    FColors.reset();
    FGlyph.reset();
}

void TcxCustomButton::SetKind(TcxButtonKind value)
{
    if (value == FKind) return;
    FKind = value;
    InternalRecreateWindow();
}

void TcxCustomButton::SetMargin(int value)
{
    if (value < -1 || value == FMargin) return;
    FMargin = value;
    Invalidate();
}

void TcxCustomButton::SetSpacing(int value)
{
    if (value == FSpacing) return;
    FSpacing = value;
    Invalidate();
}

void TcxCustomButton::SetLayout(TButtonLayout value)
{
    if (value == FLayout) return;
    FLayout = value;
    Invalidate();
}

void TcxCustomButton::SetCanBeFocused(bool value)
{
    FCanBeFocused = value;
    UpdateGroup();
}

void TcxCustomButton::SetGroupIndex(int value)
{
    FGroupIndex = value;
    if (value != 0) {
        UpdateGroup();
    } else if (FDown) {
        FDown = false;
        FIsPressed = false;
        Invalidate();
    }
}

void TcxCustomButton::SetDown(bool value)
{
    if (FGroupIndex == 0) value = false;
    if (value == FDown) return;
    if (FDown && !value && !FAllowAllUp) return;
    FDown = value;
    FIsPressed = value;
    if (value) UpdateGroup();
    Invalidate();
}

void TcxCustomButton::SetAllowAllUp(bool value)
{
    FAllowAllUp = value;
    UpdateGroup();
}

void TcxCustomButton::SetBiDiMode(TBiDiMode value)
{
    if (value == FBiDiMode) return;
    FBiDiMode = value;
    Invalidate();
}

void TcxCustomButton::Click()
{
    if (FArrowPressed) {
        // The system button reports the release of a press on the arrow part as a click
        // of the whole button; that press opens the menu and nothing else.
        FArrowPressed = false;
        return;
    }
    if (FKind == cxbkDropDown && !FIsMenuVisible) {
        DoDropDownMenu();
        return;
    }
    TButton::Click();
}

bool TcxCustomButton::CanFocus() const
{
    return TButton::CanFocus() && FCanBeFocused;
}

TcxLookAndFeelPainterClass TcxCustomButton::GetPainterClass() const
{
    return GetButtonPainterClass(*FLookAndFeel);
}

bool TcxCustomButton::IsHotTrack() const
{
    return GetPainterClass()->IsButtonHotTrack() && Enabled();
}

TcxButtonState TcxCustomButton::GetButtonState() const
{
    if (!Enabled()) return cxbsDisabled;
    if (FIsPressed || (FIsMenuVisible && FKind == cxbkDropDown) || (FDown && GetSpeedButtonMode())) return cxbsPressed;
    if (FIsHot) return cxbsHot;
    if ((FIsFocused || FShowAsDefault) && !GetSpeedButtonMode()) return cxbsDefault;
    return cxbsNormal;
}

RECT TcxCustomButton::ClientRect() const
{
    RECT r{0, 0, Width(), Height()};
    if (FHandle) GetClientRect(FHandle, &r);
    return r;
}

RECT TcxCustomButton::GetBorderRect(TcxButtonState state) const
{
    const int border = GetPainterClass()->ButtonBorderSize(state);
    RECT r = cxRectInflate(ClientRect(), -border, -border);
    if (FKind == cxbkDropDownButton) r = cxRectFromLayout(cxExcludeDropDownButtonRect(cxLayoutRect(r)));
    return r;
}

RECT TcxCustomButton::GetContentRect() const
{
    return GetBorderRect(cxbsDefault);
}

RECT TcxCustomButton::GetMenuButtonBounds() const
{
    switch (FKind) {
    case cxbkDropDown:
        return ClientRect();
    case cxbkDropDownButton:
        return cxRectFromLayout(cxDropDownArrowRect(cxLayoutRect(ClientRect())));
    default:
        return cxNullRect;
    }
}

SIZE TcxCustomButton::GetOptimalSize()
{
    TcxScreenCanvas canvas;
    canvas.SetFont(Font());
    const std::string stripped = StripHotkey(Caption());
    const std::string text = stripped.empty() ? std::string(1, ' ') : stripped;
    return cxSizeFromLayout(cxButtonOptimalSize(canvas.TextWidth(text), canvas.TextWidth("R"), canvas.TextHeight("Wg")));
}

void TcxCustomButton::SetBounds(int left, int top, int width, int height)
{
    if (FButtonAutoSize) {
        const SIZE optimal = GetOptimalSize();
        width = optimal.cx;
        height = optimal.cy;
    }
    TButton::SetBounds(left, top, width, height);
}

void TcxCustomButton::SetButtonAutoSize(bool value)
{
    if (value == FButtonAutoSize) return;
    FButtonAutoSize = value;
    UpdateSize();
}

void TcxCustomButton::UpdateSize()
{
    if (FButtonAutoSize) SetBounds(Left(), Top(), Width(), Height());
}

UINT TcxCustomButton::TextDirectionFlags() const noexcept
{
    return FBiDiMode == bdRightToLeft ? DT_RIGHT | DT_RTLREADING : 0;
}

bool TcxCustomButton::CursorOverWindow()
{
    POINT cursor{};
    return FHandle && GetCursorPos(&cursor) && WindowFromPoint(cursor) == FHandle;
}

void TcxCustomButton::Invalidate()
{
    if (FHandle) InvalidateRect(FHandle, nullptr, FALSE);
}

void TcxCustomButton::Repaint()
{
    if (!FHandle) return;
    InvalidateRect(FHandle, nullptr, FALSE);
    UpdateWindow(FHandle);
}

void TcxCustomButton::InternalRecreateWindow()
{
    if (!FHandle) return;
    DestroyHandle();
    HandleNeeded();
}

void TcxCustomButton::LookAndFeelChanged(TcxLookAndFeel*, TcxLookAndFeelValues)
{
    if (FUseSystemPaint) InternalRecreateWindow();
    else Invalidate();
}

void TcxCustomButton::CreateParams(TCreateParams& params)
{
    TButton::CreateParams(params);
    params.Style |= BS_OWNERDRAW;
}

void TcxCustomButton::CreateHandle()
{
    TButton::CreateHandle();
    FShowAsDefault = Active();
    FGlyph->CreateButtonGlyph(Enabled() ? cxbsNormal : cxbsDisabled);
}

void TcxCustomButton::DestroyHandle()
{
    if (FIsMenuVisible && FHandle) Perform(CM_CLOSEUPPOPUPMENU);
    EndMouseTracking(this);
    TButton::DestroyHandle();
}

void TcxCustomButton::SetButtonStyle(bool isDefault)
{
    if (isDefault == FShowAsDefault) return;
    FShowAsDefault = isDefault;
    Repaint();
}

void TcxCustomButton::MouseLeave()
{
    Perform(CM_MOUSELEAVE);
}

void TcxCustomButton::UpdateGroup()
{
    if (!FParent || FGroupIndex == 0) return;
    TMessage message{CM_BUTTONPRESSED, static_cast<WPARAM>(FGroupIndex), reinterpret_cast<LPARAM>(this), 0};
    FParent->Broadcast(message);
}

void TcxCustomButton::CMButtonPressed(TMessage& message)
{
    auto* sender = dynamic_cast<TcxCustomButton*>(reinterpret_cast<TControl*>(message.LParam));
    if (!sender || sender == this || !GetSpeedButtonMode() || FGroupIndex == 0 ||
        static_cast<int>(message.WParam) != FGroupIndex)
        return;
    FAllowAllUp = sender->FAllowAllUp;
    FCanBeFocused = sender->FCanBeFocused;
    if (sender->FDown && FDown) {
        FDown = false;
        FIsPressed = false;
        Invalidate();
    }
}

void TcxCustomButton::InitializeCanvasColors(TcxCanvas& canvas, TcxButtonState& state, TColor& color)
{
    state = GetButtonState();
    // Assigning a font drops its handle; keep it while the face is the same, as it is on
    // nearly every paint.
    if (!SameFontFace(canvas.Font(), Font())) canvas.SetFont(Font());
    color = FColors->GetColorByState(state);
    TColor text = FColors->GetTextColorByState(state);
    if (text == clDefault) text = GetPainterClass()->ButtonSymbolColor(state, Font().Color());
    canvas.Font().SetColor(text);
}

void TcxCustomButton::InternalPaint(TcxCanvas& canvas, bool hasFocus)
{
    if (StandardButton()) return;
    RECT r = ClientRect();
    const TcxLookAndFeelPainterClass painter = GetPainterClass();
    const bool native = painter == TcxWinXPLookAndFeelPainter::PainterClass();

    if (native) {
        HTHEME theme = OpenTheme(totButton);
        if (theme && dxUxTheme::IsThemeBackgroundPartiallyTransparent(theme, BP_PUSHBUTTON, PBS_NORMAL))
            cxDrawThemeParentBackground(this, canvas, r);
    } else if (FLookAndFeel->SkinPainter()) {
        cxDrawTransparentControlBackground(this, canvas, r);
    }

    RECT arrow = cxNullRect;
    if (FKind == cxbkDropDown) {
        FIsPressed = FIsMenuVisible;
    } else if (FKind == cxbkDropDownButton) {
        arrow = cxRectFromLayout(cxDropDownArrowRect(cxLayoutRect(r)));
        r = cxRectFromLayout(cxExcludeDropDownButtonRect(cxLayoutRect(r)));
    }

    TcxButtonState state = cxbsNormal;
    TColor color = clDefault;
    InitializeCanvasColors(canvas, state, color);
    if (FOnGetDrawParams) FOnGetDrawParams(this, state, color, canvas.Font());

    painter->DrawButton(canvas, r, std::string(), state, true, color, canvas.Font().Color(), false);

    const int s = state == cxbsPressed ? painter->ButtonTextShift() : 0;
    {
        TcxClipRegionGuard clip(canvas);
        canvas.IntersectClipRect(GetBorderRect(state));
        TcxButtonGlyph::TDrawArgs args;
        args.Client = GetContentRect();
        args.Offset = POINT{s, s};
        args.Caption = Caption();
        args.Layout = FLayout;
        args.Margin = FMargin;
        args.Spacing = FSpacing;
        args.State = state;
        args.TextFlags = TextDirectionFlags();
        args.Native = native;
        args.WordWrap = WordWrap();
        FGlyph->Draw(canvas, args);
    }

    if (FKind == cxbkDropDownButton) {
        TcxButtonState arrowState = state;
        if (FIsMenuVisible) arrowState = cxbsPressed;
        else if (state == cxbsPressed) arrowState = FShowAsDefault ? cxbsHot : cxbsNormal;
        painter->DrawButton(canvas, arrow, std::string(), arrowState, true, color, canvas.Font().Color(), false);
        painter->DrawScrollBarArrow(canvas, arrow, arrowState, adDown);
    }

    if (hasFocus && !FIsMenuVisible && CanFocus()) {
        RECT focus = r;
        painter->ButtonFocusRect(canvas, r, focus);
        canvas.DrawFocusRect(focus);
    }
}

void TcxCustomButton::PaintTo(TcxCanvas& canvas)
{
    InternalPaint(canvas, Focused());
}

void TcxCustomButton::CNDrawItem(TMessage& message)
{
    message.Result = TRUE;
    if (ComponentState() & csDestroying) return;
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam);
    const TcxCanvasDCBinding binding(FPaintCanvasBase, item->hDC);
    if (!FMousePressHandled) FIsPressed = (item->itemState & ODS_SELECTED) != 0;
    else FIsPressed = FIsPressed && GetSpeedButtonMode();
    FIsFocused = (item->itemState & ODS_FOCUS) != 0;
    InternalPaint(FCanvas, FIsFocused);
}

// The framework's double buffering makes a new screen-compatible bitmap for every paint,
// which under Wine costs more than all of the button's own drawing; the button keeps its
// buffer instead. The system button still runs the paint (it sends the draw-item request
// with the pressed and focus states), only into the buffer.
void TcxCustomButton::WMPaint()
{
    const TPaintDC paint(FHandle);
    if (!paint) return;
    RECT client{};
    if (!GetClientRect(FHandle, &client)) RaiseLastOSError();
    if (FPaintBuffer.Width() != client.right || FPaintBuffer.Height() != client.bottom)
        FPaintBuffer.SetSize(client.right, client.bottom);
    if (FPaintBuffer.Empty()) return;
    HDC memory = FPaintBuffer.Canvas().Handle();
    // What the system's paint leaves selected into the buffer's DC goes with the paint,
    // as it did with a new bitmap each time.
    {
        const TSavedDCState saved(memory);
        if (!saved) RaiseLastOSError();
        CallWindowProcA(FDefWndProc, FHandle, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), 0);
        CallWindowProcA(FDefWndProc, FHandle, WM_PAINT, reinterpret_cast<WPARAM>(memory), 0);
    }
    if (!BitBlt(paint.Get(), 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY)) RaiseLastOSError();
}

void TcxCustomButton::MouseDown(bool left, WPARAM, POINT p)
{
    if (!left) return;
    FMousePressHandled = GetSpeedButtonMode();
    if (FKind != cxbkStandard) CheckShowMenu(p);
    FIsPressed = !cxRectPtIn(GetMenuButtonBounds(), p);
    Invalidate();
}

void TcxCustomButton::MouseMove(WPARAM, POINT p)
{
    if (!FIsHot && IsHotTrack() && cxRectPtIn(ClientRect(), p) && !GetCapture()) Perform(CM_MOUSEENTER);
}

void TcxCustomButton::MouseUp(bool left, WPARAM, POINT)
{
    if (!left || !GetSpeedButtonMode()) return;
    // The press state was read before the framework's handling, in WndProc.
    Invalidate();
}

bool TcxCustomButton::KeyDown(WORD key)
{
    if (FKind != cxbkDropDownButton || (key != VK_UP && key != VK_DOWN)) return false;
    if (GetKeyState(VK_MENU) >= 0 && GetKeyState(VK_SHIFT) >= 0) return false;
    if (!FIsMenuVisible) DoDropDownMenu();
    return true;
}

void TcxCustomButton::WndProc(TMessage& message)
{
    const POINT p{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
    const bool speed = GetSpeedButtonMode();
    switch (message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        if (speed) {
            if (FCanBeFocused && CanFocus() && FHandle) ::SetFocus(FHandle);
            const bool left = message.Msg == WM_LBUTTONDOWN;
            if (left && FHandle) {
                // The system button never sees this press, so it takes no capture; the
                // release must still come here.
                SetCapture(FHandle);
                FLeftButtonDown = true;
            }
            MouseDown(left, message.WParam, p);
            return;
        }
        if (message.Msg == WM_LBUTTONDOWN) {
            FArrowPressed = FKind == cxbkDropDownButton && cxRectPtIn(GetMenuButtonBounds(), p);
            if (FArrowPressed) FMousePressHandled = true;
        }
        TButton::WndProc(message);
        MouseDown(message.Msg == WM_LBUTTONDOWN, message.WParam, p);
        return;
    case WM_LBUTTONDBLCLK:
        if (speed) {
            Invalidate();
            return;
        }
        // The system's owner-drawn button only reports a double click; a user expects a
        // second press.
        message.Msg = WM_LBUTTONDOWN;
        WndProc(message);
        return;
    case WM_LBUTTONUP: {
        const bool handled = FMousePressHandled;
        if (handled && FGroupIndex != 0) SetDown(!FDown);
        if (speed && FLeftButtonDown) {
            FLeftButtonDown = false;
            if (GetCapture() == FHandle) ReleaseCapture();
        }
        TButton::WndProc(message);
        if (speed) {
            if (handled) Click();
            if (FGroupIndex == 0) {
                FMousePressHandled = false;
                FIsPressed = false;
            }
        }
        FArrowPressed = false;
        MouseUp(true, message.WParam, p);
        return;
    }
    case WM_MOUSEMOVE:
        TButton::WndProc(message);
        MouseMove(message.WParam, p);
        return;
    case WM_KEYUP:
        if (speed && message.WParam == VK_SPACE) SetDown(!FDown);
        break;
    case WM_CAPTURECHANGED:
        TButton::WndProc(message);
        FIsHot = IsHotTrack() && CursorOverWindow();
        return;
    default:
        break;
    }
    TButton::WndProc(message);
}

void TcxCustomButton::Dispatch(TMessage& message)
{
    switch (message.Msg) {
    case CN_DRAWITEM:
        return CNDrawItem(message);
    case CN_MEASUREITEM: {
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam);
        item->itemWidth = static_cast<UINT>(Width());
        item->itemHeight = static_cast<UINT>(Height());
        message.Result = TRUE;
        return;
    }
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN:
        if (IsPopupMenuShortCut(static_cast<WORD>(message.WParam))) {
            message.Result = 1;
            return;
        }
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (KeyDown(static_cast<WORD>(message.WParam))) return;
        break;
    case CM_MOUSEENTER:
        TButton::Dispatch(message);
        if (!FIsHot && IsHotTrack() && !GetCapture()) {
            BeginMouseTracking(this, cxRect(0, 0, Width(), Height()), this);
            FIsHot = true;
            Repaint();
        }
        return;
    case CM_MOUSELEAVE:
        TButton::Dispatch(message);
        EndMouseTracking(this);
        FMousePressHandled = FIsMenuVisible;
        if (FIsHot && IsHotTrack()) {
            FIsHot = false;
            Repaint();
        }
        return;
    case CM_ENABLEDCHANGED:
        TButton::Dispatch(message);
        if (!Enabled()) {
            FIsHot = false;
            EndMouseTracking(this);
        }
        Repaint();
        return;
    case CM_FONTCHANGED:
    case CM_TEXTCHANGED:
        TButton::Dispatch(message);
        UpdateSize();
        Invalidate();
        return;
    case CM_COLORCHANGED:
        TButton::Dispatch(message);
        Invalidate();
        return;
    case CM_BUTTONPRESSED:
        return CMButtonPressed(message);
    case WM_CONTEXTMENU:
        return WMContextMenu(message);
    case WM_ERASEBKGND:
        message.Result = 1;
        return;
    case WM_PAINT:
        if (!DoubleBuffered()) break;
        WMPaint();
        message.Result = 0;
        return;
    case CM_DROPDOWNPOPUPMENU:
        return CMDropDownPopupMenu();
    case CM_CLOSEUPPOPUPMENU:
        return CMCloseupPopupMenu();
    default:
        break;
    }
    TButton::Dispatch(message);
}
