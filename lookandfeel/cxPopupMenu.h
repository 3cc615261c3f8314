// A small popup menu for the look-and-feel controls: items with a caption, an optional
// shortcut and a click handler, opened modally at a screen point.
//
// GUI thread only. The menu's platform handle exists only while it is open.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/persistent.h"
#include "lookandfeel/cxButtonLayout.h"

// A shortcut: the virtual key in the low byte, modifiers above.
using TShortCut = WORD;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
// The shortcut a key press makes with the modifiers held now.
TShortCut ShortCutFromKey(WORD virtualKey) noexcept;

// Any component that can act as a context menu (the popup-menu interface).
class IcxPopupMenu {
public:
    // Opens at a screen point.
    virtual void Popup(int x, int y) = 0;
    // True (and the item has run) when the key is a shortcut of one of the menu's items.
    virtual bool IsShortCutKey(TShortCut key) = 0;

protected:
    ~IcxPopupMenu() = default;
};

struct TcxMenuItem {
    std::string Caption;
    TShortCut ShortCut = 0;
    bool Visible = true;
    bool Enabled = true;
    TNotifyEvent OnClick;
};

class TcxPopupMenu : public TComponent {
    RUNTIME_CLASS(TcxPopupMenu, TComponent)
public:
    explicit TcxPopupMenu(TComponent* owner) : TComponent(owner) {}

    std::vector<TcxMenuItem>& Items() noexcept { return FItems; }
    // Returns the item's index.
    int Add(const std::string& caption, TNotifyEvent onClick = {}, TShortCut shortCut = 0);

    TPopupAlignment Alignment() const noexcept { return FAlignment; }
    void SetAlignment(TPopupAlignment value) noexcept { FAlignment = value; }
    // A context menu opens on a right click only with AutoPopup.
    bool AutoPopup() const noexcept { return FAutoPopup; }
    void SetAutoPopup(bool value) noexcept { FAutoPopup = value; }
    // The control that opened the menu last; its window owns the open menu.
    TComponent* PopupComponent() const noexcept { return FPopupComponent; }
    void SetPopupComponent(TComponent* value) noexcept { FPopupComponent = value; }

    // Opens the menu at the screen point with Alignment and handles it until it closes
    // (modal); the chosen item's OnClick runs afterwards. Raises EOSError when the system
    // refuses to create or show it.
    void Popup(int x, int y);
    // Runs the visible, enabled item with that shortcut; false when none.
    bool IsShortCut(TShortCut key);
    // The height the menu takes on screen, for placing it: text height of "Qg" in the
    // menu font + 4 per visible item, + 4.
    int MenuHeight() const;

    // Where the last Popup opened, for tests: the point and the alignment used.
    POINT LastPopupPoint() const noexcept { return FLastPoint; }
    TPopupAlignment LastPopupAlignment() const noexcept { return FLastAlignment; }
    // Called while the menu is open (for tests: to close it); null for none.
    void SetOnOpened(TNotifyEvent handler) { FOnOpened = std::move(handler); }

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    std::vector<TcxMenuItem> FItems;
    TPopupAlignment FAlignment = paLeft;
    bool FAutoPopup = true;
    TComponent* FPopupComponent = nullptr;
    POINT FLastPoint{};
    TPopupAlignment FLastAlignment = paLeft;
    TNotifyEvent FOnOpened;
};
