// Theme services: one open theme per themed object type, the visual-styles availability
// check every painter asks first, and the theme-change notification.
//
// The state is process-wide and created on first use of anything here: the theme library
// is loaded (dxUxTheme.h), the theme-active flag read, and a hidden top-level window
// created to receive WM_THEMECHANGED. It is a top-level window on purpose: the platform
// (and Wine's theme library) sends WM_THEMECHANGED to every top-level window and its
// children, so a message-only window would never hear it.
//
// GUI thread only: first use must happen on the GUI thread (the receiver window belongs
// to it), and the cache, flags and notificator list are unguarded. Theme handles are
// shared by all callers and owned by the cache: never close one yourself.
#pragma once

#include <windows.h>
#include <uxtheme.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

#include "framework/object.h"

enum TdxThemedObjectType {
    totButton, totClock, totComboBox, totEdit, totExplorerBar, totHeader, totListBox, totListView, totMenu,
    totPage, totProgress, totRebar, totScrollBar, totSpin, totStartPanel, totStatus, totTab, totTaskBand,
    totTaskBar, totToolBar, totToolTip, totTrackBar, totTrayNotify, totTreeview, totWindow
};
constexpr int dxThemedObjectTypeCount = totWindow + 1;

// A set of themed object types: member n at bit n.
class TdxThemedObjectTypes {
public:
    constexpr TdxThemedObjectTypes() noexcept = default;
    constexpr TdxThemedObjectTypes(std::initializer_list<TdxThemedObjectType> types) noexcept
    {
        for (TdxThemedObjectType t : types) FBits |= Bit(t);
    }
    constexpr bool Contains(TdxThemedObjectType type) const noexcept { return (FBits & Bit(type)) != 0; }
    constexpr bool Empty() const noexcept { return FBits == 0; }
    constexpr std::uint32_t Bits() const noexcept { return FBits; }
    constexpr void Include(TdxThemedObjectType type) noexcept { FBits |= Bit(type); }
    constexpr void Exclude(TdxThemedObjectType type) noexcept { FBits &= ~Bit(type); }
    constexpr bool operator==(const TdxThemedObjectTypes&) const noexcept = default;

private:
    static constexpr std::uint32_t Bit(TdxThemedObjectType type) noexcept { return 1u << type; }
    std::uint32_t FBits = 0;
};

// The theme class name opened for a type ("Button", ..., "TreeView", "Window").
const wchar_t* dxThemedObjectClassName(TdxThemedObjectType type) noexcept;

// Theme-active flag and theme library loaded, and OpenTheme(type) gives a handle.
bool AreVisualStylesAvailable(TdxThemedObjectType type);
// Theme-active flag and theme library loaded; opens nothing. Use this, not
// AreVisualStylesAvailable({}), which would pick the single-type overload with totButton.
bool AreVisualStylesAvailable();
// As above, and additionally every type of the set opens (in type order, stopping at the
// first that does not). An empty set opens nothing.
bool AreVisualStylesAvailable(const TdxThemedObjectTypes& types);

// The cached theme of type, opened on first call (for no particular window); null when
// visual styles are not available or the class does not open. classList (empty: none)
// replaces the type's class name; a cached theme opened under another name (case
// ignored) is closed and the new name opened. The cache owns the handle.
HTHEME OpenTheme(TdxThemedObjectType type, const std::wstring& classList = {});
// 1 (and nothing done) when visual styles are not available; 0 when no theme is cached
// for the type; else the result of closing it (the cache is cleared either way).
HRESULT CloseTheme(TdxThemedObjectType type);
// Closes every cached theme; the class names they were opened with stay for the next open.
void CloseAllThemes();

// Visual styles available and the current theme file is "LUNA.MSSTYLES" or
// "ROYALE.MSSTYLES" (case ignored): one of the platform's standard XP themes.
bool IsStandardTheme();

// The hidden window that receives WM_THEMECHANGED; null without the theme library.
// For tests and diagnostics: sending it WM_THEMECHANGED acts as a desktop theme change.
HWND dxThemeChangeReceiverWindow();

using TdxThemeChangedEvent = std::function<void()>;

// Tells its owner that the desktop theme changed (after the cache is dropped and the
// theme-active flag reread). Registers itself on construction and leaves on destruction
// (only when the theme library is loaded). Notificators are called in registration
// order; one destroyed by an earlier one's handler is not called. An exception from a
// handler goes to Application->HandleException and the remaining ones are still called.
class TdxThemeChangedNotificator : public TObject {
    RUNTIME_CLASS(TdxThemeChangedNotificator, TObject)
public:
    TdxThemeChangedNotificator();
    TdxThemeChangedNotificator(const TdxThemeChangedNotificator&) = delete;
    TdxThemeChangedNotificator& operator=(const TdxThemeChangedNotificator&) = delete;
    ~TdxThemeChangedNotificator() override;

    const TdxThemeChangedEvent& OnThemeChanged() const noexcept { return FOnThemeChanged; }
    void SetOnThemeChanged(TdxThemeChangedEvent handler) { FOnThemeChanged = std::move(handler); }

private:
    TdxThemeChangedEvent FOnThemeChanged;
};
