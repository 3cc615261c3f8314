// The button's menus: the drop-down menu of the drop-down kinds, opened on a posted
// message below (or above) the button, and the context menu.
#include "lookandfeel/cxButtons.h"

#include <windowsx.h>

void TcxCustomButton::SetDropDownMenu(TcxPopupMenu* value)
{
    if (value == FDropDownMenu) return;
    if (FDropDownMenu && FDropDownMenu != FPopupMenu) RemoveFreeNotification(FDropDownMenu);
    FDropDownMenu = value;
    if (value) FreeNotification(value);
}

void TcxCustomButton::SetPopupMenu(TComponent* value)
{
    if (value && !dynamic_cast<TcxPopupMenu*>(value) && !dynamic_cast<IcxPopupMenu*>(value)) value = nullptr;
    if (value == FPopupMenu) return;
    if (FPopupMenu && FPopupMenu != FDropDownMenu) RemoveFreeNotification(FPopupMenu);
    FPopupMenu = value;
    if (value) FreeNotification(value);
}

void TcxCustomButton::Notification(TComponent* component, TOperation operation)
{
    if (operation == opRemove) {
        if (component == FDropDownMenu) FDropDownMenu = nullptr;
        if (component == FPoppedMenu) FPoppedMenu = nullptr;
        if (component == FPopupMenu) SetPopupMenu(nullptr);
    }
    TButton::Notification(component, operation);
}

bool TcxCustomButton::DoOnDropDownMenuPopup(TcxPopupMenu*& menu)
{
    bool handled = false;
    if (FOnDropDownMenuPopup) FOnDropDownMenuPopup(this, menu, handled);
    return handled;
}

bool TcxCustomButton::DoShowPopupMenu(TComponent* menu, int x, int y)
{
    if (!menu) return false;
    if (auto* custom = dynamic_cast<IcxPopupMenu*>(menu)) {
        custom->Popup(x, y);
        return true;
    }
    if (auto* popup = dynamic_cast<TcxPopupMenu*>(menu); popup && popup->AutoPopup()) {
        popup->SetPopupComponent(this);
        popup->Popup(x, y);
        return true;
    }
    return false;
}

bool TcxCustomButton::IsPopupMenuShortCut(WORD key)
{
    if (!FPopupMenu) return false;
    const TShortCut shortCut = ShortCutFromKey(key);
    if (auto* custom = dynamic_cast<IcxPopupMenu*>(FPopupMenu)) return custom->IsShortCutKey(shortCut);
    if (auto* popup = dynamic_cast<TcxPopupMenu*>(FPopupMenu)) return popup->IsShortCut(shortCut);
    return false;
}

void TcxCustomButton::DoDropDownMenu()
{
    if (FHandle) PostToSelf(CM_DROPDOWNPOPUPMENU);
}

void TcxCustomButton::CheckShowMenu(POINT p)
{
    if (FKind == cxbkDropDownButton && !cxRectPtIn(GetMenuButtonBounds(), p)) return;
    DoDropDownMenu();
}

void TcxCustomButton::CMDropDownPopupMenu()
{
    if (FKind == cxbkStandard) return;
    TcxPopupMenu* menu = FDropDownMenu;
    if (DoOnDropDownMenuPopup(menu) || !menu) return;
    FIsMenuVisible = true;
    Repaint();

    POINT bottomLeft{0, Height()};
    ClientToScreen(Handle(), &bottomLeft);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (GetMonitorInfoA(MonitorFromPoint(bottomLeft, MONITOR_DEFAULTTONEAREST), &monitor)) work = monitor.rcWork;
    const TcxLayoutPoint placed = cxDropDownMenuPoint(cxLayoutPoint(bottomLeft), Width(), Height(), menu->MenuHeight(),
                                                      FPopupAlignment, cxLayoutRect(work));
    const TPopupAlignment alignment = cxDropDownMenuAlignment(placed, FPopupAlignment, cxLayoutRect(work));
    const POINT p = cxPointFromLayout(placed);

    // The menu's own alignment is put back however the popup ends; the menu may have gone
    // meanwhile (an item's handler may free it), which its free notification tells.
    struct TRestore {
        TcxCustomButton& Button;
        TPopupAlignment Saved;
        ~TRestore()
        {
            if (TcxPopupMenu* popped = Button.FPoppedMenu) {
                popped->SetAlignment(Saved);
                if (popped != Button.FDropDownMenu && popped != Button.FPopupMenu) Button.RemoveFreeNotification(popped);
            }
            Button.FPoppedMenu = nullptr;
            if (Button.FHandle) PostMessageA(Button.FHandle, CM_CLOSEUPPOPUPMENU, 0, 0);
        }
    } restore{*this, menu->Alignment()};
    FPoppedMenu = menu;
    FreeNotification(menu);
    menu->SetAlignment(alignment);
    menu->SetPopupComponent(this);
    menu->Popup(p.x, p.y);
}

void TcxCustomButton::CMCloseupPopupMenu()
{
    FIsHot = IsHotTrack() && CursorOverWindow();
    FIsMenuVisible = false;
    FArrowPressed = false;
    Repaint();
    if (!GetSpeedButtonMode()) FMousePressHandled = false;
}

void TcxCustomButton::WMContextMenu(TMessage& message)
{
    POINT p{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
    const bool keyboard = p.x == -1 && p.y == -1;
    if (!keyboard) {
        ScreenToClient(Handle(), &p);
        if (!cxRectPtIn(ClientRect(), p)) {
            TButton::Dispatch(message);
            return;
        }
    } else {
        p = POINT{0, 0};
    }
    ClientToScreen(Handle(), &p);
    const bool handled = DoShowPopupMenu(FPopupMenu, p.x, p.y);
    message.Result = handled ? 1 : 0;
    if (!handled) TButton::Dispatch(message);
}
