// The prefix's visual-styles switch (HKCU ThemeManager "ThemeActive", REG_SZ "1" or "0"),
// which a process reads when the theme library loads, a guard that puts it back, and
// Wine's own switches that turn the styles off and on while a process runs.
#pragma once

#include <windows.h>

#include <string>

#include "lookandfeel/dxThemeManager.h"

namespace zv::test {

inline constexpr char ThemeManagerKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";

// "" when the value is missing.
inline std::string ReadThemeActive()
{
    char value[16] = {};
    DWORD size = sizeof(value) - 1;
    const LSTATUS status =
        RegGetValueA(HKEY_CURRENT_USER, ThemeManagerKey, "ThemeActive", RRF_RT_REG_SZ, nullptr, value, &size);
    return status == ERROR_SUCCESS ? std::string(value) : std::string();
}

inline bool WriteThemeActive(const std::string& value)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, ThemeManagerKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const LSTATUS status = RegSetValueExA(key, "ThemeActive", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                          static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

// The prefix is shared: the switch goes back as it was however the test ends.
class ThemeActiveGuard {
public:
    ThemeActiveGuard() : FSaved(ReadThemeActive()) {}
    ThemeActiveGuard(const ThemeActiveGuard&) = delete;
    ThemeActiveGuard& operator=(const ThemeActiveGuard&) = delete;
    ~ThemeActiveGuard() { WriteThemeActive(FSaved.empty() ? "1" : FSaved); }

private:
    std::string FSaved;
};

// Wine's own switches: EnableTheming(FALSE) turns styles off (and writes "0" to the
// registry), EnableTheming(TRUE) does not turn them on again; the theme library's
// unnamed OpenThemeFile (2) and ApplyTheme (4) do. Both tell every top-level window with
// WM_THEMECHANGED, posted: it arrives when the receiver's thread pumps.
struct WineThemeSwitch {
    HRESULT(WINAPI* EnableTheming)(BOOL) = nullptr;
    HRESULT(WINAPI* OpenThemeFile)(LPCWSTR, LPCWSTR, LPCWSTR, HANDLE*, DWORD) = nullptr;
    HRESULT(WINAPI* CloseThemeFile)(HANDLE) = nullptr;
    HRESULT(WINAPI* ApplyTheme)(HANDLE, char*, HWND) = nullptr;

    // False when the theme library is not loaded or lacks one of them.
    bool Load()
    {
        if (!IsThemeLibraryLoaded()) return false;
        const HMODULE theme = GetModuleHandleA("uxtheme.dll");
        if (!theme) return false;
        auto get = [&](const char* name) { return reinterpret_cast<void (*)()>(GetProcAddress(theme, name)); };
        EnableTheming = reinterpret_cast<decltype(EnableTheming)>(get("EnableTheming"));
        OpenThemeFile = reinterpret_cast<decltype(OpenThemeFile)>(get(MAKEINTRESOURCEA(2)));
        CloseThemeFile = reinterpret_cast<decltype(CloseThemeFile)>(get(MAKEINTRESOURCEA(3)));
        ApplyTheme = reinterpret_cast<decltype(ApplyTheme)>(get(MAKEINTRESOURCEA(4)));
        return EnableTheming && OpenThemeFile && CloseThemeFile && ApplyTheme;
    }
};

} // namespace zv::test
