// The prefix's visual-styles switch (HKCU ThemeManager "ThemeActive", REG_SZ "1" or "0"),
// which a process reads when the theme library loads, and a guard that puts it back.
#pragma once

#include <windows.h>

#include <string>

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

} // namespace zv::test
