#include "lookandfeel/dxThemeManager.h"

#include <algorithm>
#include <array>
#include <exception>
#include <vector>

#include "framework/application.h"
#include "framework/hiddenwindow.h"
#include "lookandfeel/dxUxTheme.h"
#include "framework/units.h"

namespace {

const wchar_t* const ClassNames[dxThemedObjectTypeCount] = {
    L"Button", L"Clock", L"ComboBox", L"Edit", L"ExplorerBar", L"Header", L"ListBox", L"ListView", L"Menu",
    L"Page", L"Progress", L"Rebar", L"ScrollBar", L"Spin", L"StartPanel", L"Status", L"Tab", L"TaskBand",
    L"TaskBar", L"ToolBar", L"ToolTip", L"TrackBar", L"TrayNotify", L"TreeView", L"Window",
};

const char ReceiverClassName[] = "TdxThemeChangeReceiver";

LRESULT CALLBACK ReceiverProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

class TdxThemeManagerState {
public:
    TdxThemeManagerState()
    {
        if (!IsThemeLibraryLoaded()) return;
        ThemeActive = dxUxTheme::IsThemeActive() != FALSE;
        CreateReceiver();
    }
    TdxThemeManagerState(const TdxThemeManagerState&) = delete;
    TdxThemeManagerState& operator=(const TdxThemeManagerState&) = delete;
    ~TdxThemeManagerState()
    {
        if (!IsThemeLibraryLoaded()) return;
        // At exit this may run on another thread than the one that created the window;
        // then DestroyWindow fails and the window goes with the process, so the receiver
        // no longer finds the state once it is gone.
        if (Receiver && !DestroyWindow(Receiver))
            SetWindowLongPtrA(Receiver, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcA));
        Receiver = nullptr;
        ThemeActive = false;
        CloseAll();
    }

    void CloseAll() noexcept
    {
        for (HTHEME& handle : Handles) {
            if (handle) dxUxTheme::CloseThemeData(handle);
            handle = nullptr;
        }
    }

    void ThemeChanged()
    {
        CloseAll();
        ThemeActive = dxUxTheme::IsThemeActive() != FALSE;
        // A handler may destroy notificators (its own or later ones) or create new ones;
        // walk a snapshot and skip whatever has left the list meanwhile.
        const std::vector<TdxThemeChangedNotificator*> snapshot = Notificators;
        for (TdxThemeChangedNotificator* notificator : snapshot) {
            if (std::find(Notificators.begin(), Notificators.end(), notificator) == Notificators.end()) continue;
            if (!notificator->OnThemeChanged()) continue;
            try {
                notificator->OnThemeChanged()();
            } catch (...) {
                Application->HandleException(notificator);
            }
        }
    }

    bool ThemeActive = false;
    std::array<HTHEME, dxThemedObjectTypeCount> Handles{};
    std::array<std::wstring, dxThemedObjectTypeCount> Names;
    HWND Receiver = nullptr;
    std::vector<TdxThemeChangedNotificator*> Notificators;

private:
    void CreateReceiver()
    {
        // Top-level, so theme broadcasts reach it; never shown.
        Receiver = CreateHiddenTopLevelWindow({.ClassName = ReceiverClassName, .Procedure = ReceiverProc});
        // Without the receiver, theme changes go unnoticed; nothing else depends on it.
    }
};

// Made after the theme libraries' unit, which it uses, and before every look-and-feel
// object, all of which leave its notificator list before it goes.
TdxThemeManagerState state ZV_UNIT(zv::unit::kThemeManager);

TdxThemeManagerState& State() { return state; }

LRESULT CALLBACK ReceiverProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    if (msg != WM_THEMECHANGED) return DefWindowProcA(window, msg, wParam, lParam);
    DefWindowProcA(window, msg, wParam, lParam);
    try {
        State().ThemeChanged();
    } catch (...) {
        // No exception may cross a window procedure.
        Application->HandleException(nullptr);
    }
    return 0;
}

bool SameClassName(const std::wstring& a, const std::wstring& b)
{
    return lstrcmpiW(a.c_str(), b.c_str()) == 0;
}

std::wstring UpperFileNamePart(const wchar_t* path)
{
    std::wstring name(path);
    const size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos) name.erase(0, slash + 1);
    if (!name.empty()) CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
    return name;
}

} // namespace

const wchar_t* dxThemedObjectClassName(TdxThemedObjectType type) noexcept
{
    if (type < 0 || type >= dxThemedObjectTypeCount) return L"";
    return ClassNames[type];
}

bool AreVisualStylesAvailable()
{
    return State().ThemeActive && IsThemeLibraryLoaded();
}

bool AreVisualStylesAvailable(TdxThemedObjectType type)
{
    return AreVisualStylesAvailable() && OpenTheme(type) != nullptr;
}

bool AreVisualStylesAvailable(const TdxThemedObjectTypes& types)
{
    if (!AreVisualStylesAvailable()) return false;
    for (int t = 0; t < dxThemedObjectTypeCount; ++t) {
        const auto type = static_cast<TdxThemedObjectType>(t);
        if (types.Contains(type) && !OpenTheme(type)) return false;
    }
    return true;
}

HTHEME OpenTheme(TdxThemedObjectType type, const std::wstring& classList)
{
    if (type < 0 || type >= dxThemedObjectTypeCount) return nullptr;
    if (!AreVisualStylesAvailable()) return nullptr;
    TdxThemeManagerState& state = State();
    HTHEME& handle = state.Handles[type];
    std::wstring& name = state.Names[type];
    if (handle) {
        if (classList.empty() || SameClassName(name, classList)) return handle;
        CloseTheme(type);
    }
    const std::wstring use = !classList.empty() ? classList : !name.empty() ? name : std::wstring(ClassNames[type]);
    handle = dxUxTheme::OpenThemeData(nullptr, use.c_str());
    if (handle)
        name = use;
    else
        name.clear();
    return handle;
}

HRESULT CloseTheme(TdxThemedObjectType type)
{
    if (!AreVisualStylesAvailable()) return 1;
    if (type < 0 || type >= dxThemedObjectTypeCount) return 0;
    TdxThemeManagerState& state = State();
    HTHEME& handle = state.Handles[type];
    if (!handle) return 0;
    const HRESULT result = dxUxTheme::CloseThemeData(handle);
    handle = nullptr;
    state.Names[type].clear();
    return result;
}

void CloseAllThemes()
{
    State().CloseAll();
}

bool IsStandardTheme()
{
    if (!AreVisualStylesAvailable() || !UxThemeFunctions().GetCurrentThemeName) return false;
    wchar_t file[1024] = {}, color[1024] = {}, size[1024] = {};
    if (FAILED(dxUxTheme::GetCurrentThemeName(file, 1024, color, 1024, size, 1024))) return false;
    const std::wstring name = UpperFileNamePart(file);
    return name == L"LUNA.MSSTYLES" || name == L"ROYALE.MSSTYLES";
}

HWND dxThemeChangeReceiverWindow()
{
    return State().Receiver;
}

TdxThemeChangedNotificator::TdxThemeChangedNotificator()
{
    if (IsThemeLibraryLoaded()) State().Notificators.push_back(this);
}

TdxThemeChangedNotificator::~TdxThemeChangedNotificator()
{
    if (!IsThemeLibraryLoaded()) return;
    auto& list = State().Notificators;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}
