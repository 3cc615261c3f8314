#include "lookandfeel/cxPopupMenu.h"

#include <functional>

#include "framework/controls.h"
#include "framework/handles.h"
#include "framework/sysutils.h"
#include "framework/units.h"

namespace {

// A new popup menu, owned for the time it is open.
TMenu NewPopupMenu()
{
    TMenu menu(CreatePopupMenu());
    if (!menu) RaiseLastOSError();
    return menu;
}

// A hidden window to own a menu whose popup component has none, and the handler that runs
// once a menu has opened.
struct TPopupMenuState {
    TPopupMenuState() = default;
    TPopupMenuState(const TPopupMenuState&) = delete;
    TPopupMenuState& operator=(const TPopupMenuState&) = delete;
    ~TPopupMenuState()
    {
        if (FallbackOwner) DestroyWindow(FallbackOwner);
    }
    HWND FallbackOwner = nullptr;
    std::function<void()> OpenedHandler;
};
TPopupMenuState popupMenuState ZV_UNIT(zv::unit::kControls);

HWND MenuOwner(TComponent* component)
{
    if (auto* control = dynamic_cast<TWinControl*>(component); control && control->HandleAllocated())
        return control->Handle();
    HWND& fallback = popupMenuState.FallbackOwner;
    if (!fallback) {
        fallback = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleA(nullptr),
                                   nullptr);
        if (!fallback) RaiseLastOSError();
    }
    return fallback;
}

std::function<void()>& OpenedHandler() { return popupMenuState.OpenedHandler; }

void CALLBACK OpenedTimerProc(HWND, UINT, UINT_PTR timer, DWORD) noexcept
{
    KillTimer(nullptr, timer);
    try {
        if (auto handler = std::move(OpenedHandler())) handler();
    } catch (...) {
    }
}

} // namespace

TShortCut ShortCutFromKey(WORD virtualKey) noexcept
{
    TShortCut result = virtualKey & 0xFF;
    if (GetKeyState(VK_SHIFT) < 0) result |= scShift;
    if (GetKeyState(VK_CONTROL) < 0) result |= scCtrl;
    if (GetKeyState(VK_MENU) < 0) result |= scAlt;
    return result;
}

int TcxPopupMenu::Add(const std::string& caption, TNotifyEvent onClick, TShortCut shortCut)
{
    FItems.push_back({caption, shortCut, true, true, std::move(onClick)});
    return static_cast<int>(FItems.size()) - 1;
}

void TcxPopupMenu::Popup(int x, int y)
{
    FLastPoint = POINT{x, y};
    FLastAlignment = FAlignment;
    const TMenu menu = NewPopupMenu();
    for (std::size_t i = 0; i < FItems.size(); ++i) {
        const TcxMenuItem& item = FItems[i];
        if (!item.Visible) continue;
        const UINT flags = MF_STRING | (item.Enabled ? MF_ENABLED : MF_GRAYED);
        if (!AppendMenuA(menu.Get(), flags, i + 1, item.Caption.c_str())) RaiseLastOSError();
    }
    UINT align = TPM_LEFTALIGN;
    if (FAlignment == paRight) align = TPM_RIGHTALIGN;
    else if (FAlignment == paCenter) align = TPM_CENTERALIGN;
    HWND owner = MenuOwner(FPopupComponent);
    if (FOnOpened) {
        // Tests look at the open menu from a timer that fires inside the menu's loop.
        OpenedHandler() = [this] { FOnOpened(this); };
        SetTimer(nullptr, 0, 50, &OpenedTimerProc);
    }
    const UINT command = static_cast<UINT>(
        TrackPopupMenuEx(menu.Get(), align | TPM_TOPALIGN | TPM_RETURNCMD | TPM_NONOTIFY, x, y, owner, nullptr));
    if (command == 0) return;
    const std::size_t index = command - 1;
    if (index >= FItems.size() || !FItems[index].OnClick) return;
    // A handler may free the menu: run a copy, and touch nothing of the menu afterwards.
    const TNotifyEvent handler = FItems[index].OnClick;
    handler(this);
}

bool TcxPopupMenu::IsShortCut(TShortCut key)
{
    for (const TcxMenuItem& item : FItems) {
        if (item.ShortCut == 0 || item.ShortCut != key || !item.Visible || !item.Enabled) continue;
        if (item.OnClick) item.OnClick(this);
        return true;
    }
    return false;
}

int TcxPopupMenu::MenuHeight() const
{
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    int textHeight = 13;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        const TGdiObject font(CreateFontIndirectA(&metrics.lfMenuFont));
        const TWindowDC dc = TWindowDC::ForClient(nullptr);
        if (font && dc) {
            const TSelectGuard select(dc.Get(), font.Get());
            SIZE size{};
            if (GetTextExtentPoint32A(dc.Get(), "Qg", 2, &size)) textHeight = size.cy;
        }
    }
    int height = 4;
    for (const TcxMenuItem& item : FItems)
        if (item.Visible) height += textHeight + 4;
    return height;
}

void TcxPopupMenu::Notification(TComponent* component, TOperation operation)
{
    if (operation == opRemove && component == FPopupComponent) FPopupComponent = nullptr;
    TComponent::Notification(component, operation);
}
