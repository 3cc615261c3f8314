#include "framework/controls.h"

#include <commctrl.h>

#include <algorithm>
#include <map>

#include "framework/application.h"
#include "framework/exceptions.h"
#include "framework/forms.h"
#include "framework/screen.h"
#include "framework/sysutils.h"
#include "framework/units.h"

namespace {

// The classes we registered. A window gets messages before WM_NCCREATE (WM_GETMINMAXINFO
// for top-level windows) and after WM_NCDESTROY; those go straight to the system procedure
// behind its class, found here by class atom.
struct TClassRegistry {
    std::map<ATOM, WNDPROC> ProcsByAtom;
    std::map<std::string, WNDPROC> ProcsByName;
};
TClassRegistry classRegistry ZV_UNIT(zv::unit::kRuntime);

std::map<ATOM, WNDPROC>& ClassProcs() { return classRegistry.ProcsByAtom; }

// The state the controls share: one tooltip window for every hint, one brush for the
// colour messages of static and button children.
struct TSharedControlState {
    TSharedControlState() = default;
    TSharedControlState(const TSharedControlState&) = delete;
    TSharedControlState& operator=(const TSharedControlState&) = delete;
    ~TSharedControlState()
    {
        if (Tooltip) DestroyWindow(Tooltip);
    }
    HWND Tooltip = nullptr;
    TBrush ColorBrush;
};
TSharedControlState sharedControlState ZV_UNIT(zv::unit::kVisual);

WNDPROC RegisterFrameworkClass(const TCreateParams& params)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    auto& byName = classRegistry.ProcsByName;
    const std::string key = UpperCase(params.WinClassName);
    if (const auto found = byName.find(key); found != byName.end()) return found->second;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    WNDPROC defaultProc = DefWindowProcA;
    if (!params.BaseClassName.empty()) {
        if (!GetClassInfoExA(nullptr, params.BaseClassName.c_str(), &wc)) RaiseLastOSError();
        defaultProc = wc.lpfnWndProc;
        wc.cbSize = sizeof wc;
    } else {
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.style = params.ClassStyle;
    }
    wc.hInstance = instance;
    wc.lpfnWndProc = &TWinControl::StdWndProc;
    wc.lpszClassName = params.WinClassName.c_str();
    const ATOM atom = RegisterClassExA(&wc);
    if (!atom) RaiseLastOSError();
    ClassProcs()[atom] = defaultProc;
    byName[key] = defaultProc;
    return defaultProc;
}

WNDPROC ClassProcOf(HWND window)
{
    const auto atom = static_cast<ATOM>(GetClassWord(window, GCW_ATOM));
    const auto found = ClassProcs().find(atom);
    return found == ClassProcs().end() ? DefWindowProcA : found->second;
}

// One tooltip window serves every control; tools are added per control window. Null until
// the first control that shows a hint asks for it with create set.
HWND HintWindow(bool create)
{
    HWND& tooltip = sharedControlState.Tooltip;
    if (!tooltip && create) {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
        tooltip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    }
    return tooltip;
}

// The tool of a control's window: keyed by the window and its parent, as it was added.
TOOLINFOA HintTool(HWND window)
{
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetParent(window) ? GetParent(window) : window;
    tool.uId = reinterpret_cast<UINT_PTR>(window);
    return tool;
}

int NextControlId()
{
    static int id = 100;
    return ++id;
}

} // namespace

// --- TWinControl ---

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl()
{
    DestroyHandle();
    for (TControl* child : FControls) child->FParent = nullptr;
    FControls.clear();
}

HWND TWinControl::Handle()
{
    if (!FHandle) {
        if (FParent) FParent->HandleNeeded();
        if (!FHandle) CreateHandle();
    }
    return FHandle;
}

void TWinControl::PostToSelf(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (!PostMessageA(Handle(), msg, wParam, lParam)) RaiseLastOSError();
}

void TWinControl::InsertControl(TControl* control)
{
    FControls.push_back(control);
}

void TWinControl::RemoveControl(TControl* control)
{
    const auto found = std::find(FControls.begin(), FControls.end(), control);
    if (found == FControls.end()) return;
    if (auto* win = dynamic_cast<TWinControl*>(control)) win->DestroyHandle();
    FControls.erase(found);
}

void TWinControl::Broadcast(TMessage& message)
{
    for (TControl* child : std::vector<TControl*>(FControls)) {
        child->WndProc(message);
        if (message.Result != 0) return;
    }
}

void TWinControl::SetTabStop(bool value)
{
    FTabStop = value;
    if (FHandle) {
        LONG_PTR style = GetWindowLongPtrA(FHandle, GWL_STYLE);
        style = value ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
        SetWindowLongPtrA(FHandle, GWL_STYLE, style);
    }
}

std::vector<TWinControl*> TWinControl::TabList() const
{
    std::vector<TWinControl*> list;
    for (TControl* child : FControls)
        if (auto* win = dynamic_cast<TWinControl*>(child)) list.push_back(win);
    return list;
}

int TWinControl::TabOrder() const noexcept
{
    if (!FParent) return -1;
    const auto list = FParent->TabList();
    const auto found = std::find(list.begin(), list.end(), this);
    return found == list.end() ? -1 : static_cast<int>(found - list.begin());
}

void TWinControl::SetTabOrder(int value)
{
    if (!FParent) return;
    auto& siblings = FParent->FControls;
    siblings.erase(std::find(siblings.begin(), siblings.end(), this));
    // Tab order counts windowed siblings only; find where the value-th of them stands.
    auto at = siblings.begin();
    for (int seen = 0; at != siblings.end(); ++at) {
        if (!dynamic_cast<TWinControl*>(*at)) continue;
        if (seen++ == value) break;
    }
    siblings.insert(at, this);
    if (FHandle) {
        // Windows moves focus with Tab in z-order; keep it the same as ours.
        HWND after = HWND_TOP;
        for (TWinControl* sibling : FParent->TabList()) {
            if (sibling == this) break;
            if (sibling->FHandle) after = sibling->FHandle;
        }
        SetWindowPos(FHandle, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

bool TWinControl::CanFocus() const
{
    for (const TControl* control = this; control; control = control->Parent())
        if (!control->Visible() || !control->Enabled()) return false;
    return true;
}

void TWinControl::SetFocus()
{
    if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
    ::SetFocus(Handle());
}

TWinControl* TWinControl::FindControl(HWND window) noexcept
{
    if (!window) return nullptr;
    const auto atom = static_cast<ATOM>(GetClassWord(window, GCW_ATOM));
    if (ClassProcs().find(atom) == ClassProcs().end()) return nullptr;
    return reinterpret_cast<TWinControl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void TWinControl::CreateParams(TCreateParams& params)
{
    params.Caption = FCaption;
    params.Style = WS_CHILD | WS_CLIPSIBLINGS;
    if (FVisible) params.Style |= WS_VISIBLE;
    if (!FEnabled) params.Style |= WS_DISABLED;
    if (FTabStop) params.Style |= WS_TABSTOP;
    params.X = FLeft;
    params.Y = FTop;
    params.Width = FWidth;
    params.Height = FHeight;
    params.WndParent = FParent ? FParent->Handle() : nullptr;
    params.WinClassName = ClassName();
}

void TWinControl::CreateHandle()
{
    TCreateParams params;
    CreateParams(params);
    FDefWndProc = RegisterFrameworkClass(params);
    HMENU id = (params.Style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(NextControlId())) : nullptr;
    HWND window = CreateWindowExA(params.ExStyle, params.WinClassName.c_str(), params.Caption.c_str(), params.Style,
                                  params.X, params.Y, params.Width, params.Height, params.WndParent, id,
                                  GetModuleHandleA(nullptr), this);
    if (!window) RaiseLastOSError();
    FHandle = window;
    SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Handle()), FALSE);
    UpdateHint();
    for (TWinControl* child : TabList())
        if (!child->FHandle) child->CreateHandle();
}

void TWinControl::DestroyHandle()
{
    if (!FHandle) return;
    HWND window = FHandle;
    if (HWND tooltip = HintWindow(false)) {
        TOOLINFOA tool = HintTool(window);
        SendMessageA(tooltip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
    // WM_NCDESTROY clears FHandle and the window's user data.
    DestroyWindow(window);
    FHandle = nullptr;
}

void TWinControl::UpdateBounds()
{
    if (FHandle && !SetWindowPos(FHandle, nullptr, FLeft, FTop, FWidth, FHeight, SWP_NOZORDER | SWP_NOACTIVATE))
        RaiseLastOSError();
}

void TWinControl::UpdateVisible()
{
    if (FVisible) {
        HandleNeeded();
        ShowWindow(FHandle, (GetWindowLongPtrA(FHandle, GWL_STYLE) & WS_CHILD) ? SW_SHOWNA : SW_SHOW);
    } else if (FHandle) {
        ShowWindow(FHandle, SW_HIDE);
    }
}

void TWinControl::UpdateEnabled()
{
    if (FHandle) EnableWindow(FHandle, FEnabled);
}

void TWinControl::UpdateCaption()
{
    if (FHandle && !SetWindowTextA(FHandle, FCaption.c_str())) RaiseLastOSError();
}

void TWinControl::UpdateHint()
{
    if (FHandle) {
        const bool wanted = ShowHint() && !FHint.empty();
        if (HWND tooltip = HintWindow(wanted)) {
            TOOLINFOA tool = HintTool(FHandle);
            SendMessageA(tooltip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
            if (wanted) {
                tool.lpszText = const_cast<LPSTR>(FHint.c_str());
                SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
            }
        }
    }
    for (TControl* child : FControls)
        if (child->ParentShowHint()) child->UpdateHint();
}

bool TWinControl::DoKeyPress(char& key)
{
    if (FOnKeyPress) FOnKeyPress(this, key);
    return key != 0;
}

void TWinControl::CNChar(TMessage& message)
{
    char key = static_cast<char>(message.WParam);
    TCustomForm* form = GetParentForm();
    if (!WantsChars() && form && form->Perform(CM_DIALOGCHAR, message.WParam, message.LParam) != 0) {
        message.Result = 1;
        return;
    }
    if (form && form != this && form->KeyPreview() && !static_cast<TWinControl*>(form)->DoKeyPress(key)) {
        message.Result = 1;
        return;
    }
    if (!DoKeyPress(key)) message.Result = 1;
}

void TWinControl::CNKeyDown(TMessage& message)
{
    const auto key = static_cast<UINT>(message.WParam);
    if (key != VK_TAB && key != VK_RETURN && key != VK_ESCAPE) return;
    if (TCustomForm* form = GetParentForm(); form && form->Perform(CM_DIALOGKEY, key, message.LParam) != 0)
        message.Result = 1;
}

void TWinControl::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case WM_MOUSEMOVE:
        if (!FMouseInside) {
            FMouseInside = true;
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, FHandle, 0};
            TrackMouseEvent(&track);
            Perform(CM_MOUSEENTER);
        }
        break;
    case WM_MOUSELEAVE:
        FMouseInside = false;
        Perform(CM_MOUSELEAVE);
        break;
    default:
        break;
    }
    TControl::WndProc(message);
}

void TWinControl::ReflectToChild(TMessage& message, HWND child)
{
    TWinControl* control = FindControl(child);
    if (!control || control == this) {
        DefaultHandler(message);
        return;
    }
    TMessage reflected{CN_BASE + message.Msg, message.WParam, message.LParam, 0};
    control->WndProc(reflected);
    message.Result = reflected.Result;
}

void TWinControl::Dispatch(TMessage& message)
{
    switch (message.Msg) {
    case WM_COMMAND:
        if (message.LParam) return ReflectToChild(message, reinterpret_cast<HWND>(message.LParam));
        break;
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam);
        if (item->CtlType != ODT_MENU) return ReflectToChild(message, item->hwndItem);
        break;
    }
    case WM_MEASUREITEM: {
        const auto* item = reinterpret_cast<const MEASUREITEMSTRUCT*>(message.LParam);
        if (item->CtlType != ODT_MENU && FHandle)
            return ReflectToChild(message, GetDlgItem(FHandle, static_cast<int>(item->CtlID)));
        break;
    }
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
        return ReflectToChild(message, reinterpret_cast<HWND>(message.LParam));
    case CN_CTLCOLORBTN:
    case CN_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(message.WParam);
        SetTextColor(dc, ColorToRGB(FFont.Color()));
        SetBkColor(dc, ColorToRGB(FColor));
        TBrush& brush = sharedControlState.ColorBrush;
        brush.SetColor(FColor);
        message.Result = reinterpret_cast<LRESULT>(brush.Handle());
        return;
    }
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN:
        return CNKeyDown(message);
    case CN_CHAR:
    case CN_SYSCHAR:
        return CNChar(message);
    case CN_KEYUP:
    case CN_COMMAND:
    case CN_DRAWITEM:
    case CN_MEASUREITEM:
        message.Result = 0;
        return;
    case CM_DIALOGCHAR:
    case CM_DIALOGKEY:
    case CM_FOCUSCHANGED:
        return Broadcast(message);
    case CM_FONTCHANGED:
        if (FHandle) SendMessageA(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Handle()), TRUE);
        for (TControl* child : FControls) child->Perform(CM_PARENTFONTCHANGED);
        return;
    case CM_COLORCHANGED:
        if (FHandle) InvalidateRect(FHandle, nullptr, TRUE);
        return;
    case CM_ENABLEDCHANGED:
    case CM_TEXTCHANGED:
    case CM_VISIBLECHANGED:
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
    case CM_BUTTONPRESSED:
        return;
    case WM_SETCURSOR:
        if (Screen->Cursor() != crDefault) {
            ::SetCursor(Screen->CursorHandle(Screen->Cursor()));
            message.Result = TRUE;
            return;
        }
        break;
    case WM_SETFOCUS:
        DefaultHandler(message);
        if (TCustomForm* form = GetParentForm()) form->FocusChanged(this);
        return;
    case WM_ERASEBKGND:
        if (FDefWndProc == DefWindowProcA) {
            if (!FDoubleBuffered) {
                TCanvas canvas;
                canvas.SetHandle(reinterpret_cast<HDC>(message.WParam));
                canvas.Brush().SetColor(FColor);
                RECT client{};
                GetClientRect(FHandle, &client);
                canvas.FillRect(client);
            }
            message.Result = 1;
            return;
        }
        break;
    case WM_PAINT:
        if (FDefWndProc == DefWindowProcA || FDoubleBuffered) return Paint();
        break;
    case WM_WINDOWPOSCHANGED: {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(message.LParam);
        if (!(pos->flags & SWP_NOMOVE)) {
            FLeft = pos->x;
            FTop = pos->y;
        }
        if (!(pos->flags & SWP_NOSIZE)) {
            FWidth = pos->cx;
            FHeight = pos->cy;
        }
        break;
    }
    case WM_NCDESTROY:
        DefaultHandler(message);
        SetWindowLongPtrA(FHandle, GWLP_USERDATA, 0);
        FHandle = nullptr;
        return;
    default:
        break;
    }
    TControl::Dispatch(message);
}

void TWinControl::Paint()
{
    // EndPaint must run whatever the painting code throws.
    const TPaintDC paint(FHandle);
    if (!paint) return;
    HDC dc = paint.Get();
    RECT client{};
    GetClientRect(FHandle, &client);
    TCanvas canvas;
    if (!FDoubleBuffered) {
        canvas.SetHandle(dc);
        PaintWindow(canvas);
        return;
    }
    TBitmap buffer;
    buffer.SetSize(client.right, client.bottom);
    if (buffer.Empty()) return;
    HDC memory = buffer.Canvas().Handle();
    if (FDefWndProc == DefWindowProcA) {
        buffer.Canvas().Brush().SetColor(FColor);
        buffer.Canvas().FillRect(client);
        PaintWindow(buffer.Canvas());
    } else {
        // System controls paint into the DC that WM_PAINT's wParam names.
        CallWindowProcA(FDefWndProc, FHandle, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), 0);
        CallWindowProcA(FDefWndProc, FHandle, WM_PAINT, reinterpret_cast<WPARAM>(memory), 0);
    }
    canvas.SetHandle(dc);
    canvas.CopyFrom(client, memory, 0, 0);
}

void TWinControl::PaintWindow(TCanvas&) {}

void TWinControl::DefaultHandler(TMessage& message)
{
    if (message.Msg >= CN_BASE || !FHandle) {
        message.Result = 0;
        return;
    }
    message.Result = CallWindowProcA(FDefWndProc ? FDefWndProc : DefWindowProcA, FHandle, message.Msg,
                                     message.WParam, message.LParam);
}

LRESULT CALLBACK TWinControl::StdWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    TWinControl* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        if (self) {
            self->FHandle = window;
            SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    } else {
        self = reinterpret_cast<TWinControl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    }
    if (!self) return CallWindowProcA(ClassProcOf(window), window, msg, wParam, lParam);
    TMessage message{msg, wParam, lParam, 0};
    try {
        self->WndProc(message);
    } catch (...) {
        // Nothing may cross back into the system's frames.
        try {
            Application->HandleException(self);
        } catch (...) {
        }
    }
    return message.Result;
}
