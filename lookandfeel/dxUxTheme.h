// The theme library ("UxTheme.dll") and the desktop composition library ("dwmapi.dll"),
// loaded at run time by name.
//
// Neither library is linked: the program must start on systems without them, and Wine
// lacks some exports. Every function is looked up by name once, when the libraries are
// loaded; a function the library lacks leaves its entry empty.
//
// The wrappers in namespace dxUxTheme take and return exactly what the library's own
// functions do. They do NOT check for a missing entry (calling one crashes), except
// IsThemeActive, which answers false without the library. Call the others only after
// AreVisualStylesAvailable (dxThemeManager.h) or IsThemeLibraryLoaded said yes.
// The composition wrappers likewise need IsDwmPresent.
//
// GUI thread only; the libraries are loaded on first use and freed at process exit.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <dwmapi.h>
#include <uxtheme.h>

#include <string>

// The theme library's entry points; an empty entry is a function the library lacks.
// The types come from the platform headers; no import is made through them.
struct TdxUxThemeFunctions {
    decltype(&::CloseThemeData) CloseThemeData = nullptr;
    decltype(&::DrawThemeBackground) DrawThemeBackground = nullptr;
    decltype(&::DrawThemeEdge) DrawThemeEdge = nullptr;
    decltype(&::DrawThemeIcon) DrawThemeIcon = nullptr;
    decltype(&::DrawThemeParentBackground) DrawThemeParentBackground = nullptr;
    decltype(&::DrawThemeText) DrawThemeText = nullptr;
    decltype(&::DrawThemeTextEx) DrawThemeTextEx = nullptr;
    decltype(&::EnableThemeDialogTexture) EnableThemeDialogTexture = nullptr;
    decltype(&::GetCurrentThemeName) GetCurrentThemeName = nullptr;
    decltype(&::GetThemeAppProperties) GetThemeAppProperties = nullptr;
    decltype(&::GetThemeBackgroundContentRect) GetThemeBackgroundContentRect = nullptr;
    decltype(&::GetThemeBackgroundRegion) GetThemeBackgroundRegion = nullptr;
    decltype(&::GetThemeBackgroundExtent) GetThemeBackgroundExtent = nullptr;
    decltype(&::GetThemeBool) GetThemeBool = nullptr;
    decltype(&::GetThemeColor) GetThemeColor = nullptr;
    decltype(&::GetThemeDocumentationProperty) GetThemeDocumentationProperty = nullptr;
    decltype(&::GetThemeEnumValue) GetThemeEnumValue = nullptr;
    decltype(&::GetThemeFilename) GetThemeFilename = nullptr;
    decltype(&::GetThemeFont) GetThemeFont = nullptr;
    decltype(&::GetThemeInt) GetThemeInt = nullptr;
    decltype(&::GetThemeIntList) GetThemeIntList = nullptr;
    decltype(&::GetThemeMargins) GetThemeMargins = nullptr;
    decltype(&::GetThemeMetric) GetThemeMetric = nullptr;
    decltype(&::GetThemePartSize) GetThemePartSize = nullptr;
    decltype(&::GetThemePosition) GetThemePosition = nullptr;
    decltype(&::GetThemePropertyOrigin) GetThemePropertyOrigin = nullptr;
    decltype(&::GetThemeRect) GetThemeRect = nullptr;
    decltype(&::GetThemeString) GetThemeString = nullptr;
    decltype(&::GetThemeSysBool) GetThemeSysBool = nullptr;
    decltype(&::GetThemeSysColor) GetThemeSysColor = nullptr;
    decltype(&::GetThemeSysColorBrush) GetThemeSysColorBrush = nullptr;
    decltype(&::GetThemeSysFont) GetThemeSysFont = nullptr;
    decltype(&::GetThemeSysInt) GetThemeSysInt = nullptr;
    decltype(&::GetThemeSysSize) GetThemeSysSize = nullptr;
    decltype(&::GetThemeSysString) GetThemeSysString = nullptr;
    decltype(&::GetThemeTextExtent) GetThemeTextExtent = nullptr;
    // mingw-w64 declares this one with the ANSI TEXTMETRIC; the library fills the wide one.
    HRESULT(WINAPI* GetThemeTextMetrics)(HTHEME, HDC, int, int, TEXTMETRICW*) = nullptr;
    decltype(&::GetWindowTheme) GetWindowTheme = nullptr;
    decltype(&::HitTestThemeBackground) HitTestThemeBackground = nullptr;
    decltype(&::IsAppThemed) IsAppThemed = nullptr;
    decltype(&::IsThemeActive) IsThemeActive = nullptr;
    decltype(&::IsThemePartDefined) IsThemePartDefined = nullptr;
    decltype(&::IsThemeBackgroundPartiallyTransparent) IsThemeBackgroundPartiallyTransparent = nullptr;
    decltype(&::IsThemeDialogTextureEnabled) IsThemeDialogTextureEnabled = nullptr;
    decltype(&::OpenThemeData) OpenThemeData = nullptr;
    decltype(&::SetThemeAppProperties) SetThemeAppProperties = nullptr;
    decltype(&::SetWindowTheme) SetWindowTheme = nullptr;
    decltype(&::BufferedPaintInit) BufferedPaintInit = nullptr;
    decltype(&::BufferedPaintUnInit) BufferedPaintUnInit = nullptr;
    decltype(&::BeginBufferedPaint) BeginBufferedPaint = nullptr;
    decltype(&::EndBufferedPaint) EndBufferedPaint = nullptr;
    decltype(&::BufferedPaintSetAlpha) BufferedPaintSetAlpha = nullptr;
};

// The composition library's entry points.
struct TdxDwmFunctions {
    decltype(&::DwmDefWindowProc) DwmDefWindowProc = nullptr;
    decltype(&::DwmEnableBlurBehindWindow) DwmEnableBlurBehindWindow = nullptr;
    decltype(&::DwmEnableComposition) DwmEnableComposition = nullptr;
    decltype(&::DwmEnableMMCSS) DwmEnableMMCSS = nullptr;
    decltype(&::DwmExtendFrameIntoClientArea) DwmExtendFrameIntoClientArea = nullptr;
    decltype(&::DwmGetColorizationColor) DwmGetColorizationColor = nullptr;
    decltype(&::DwmGetWindowAttribute) DwmGetWindowAttribute = nullptr;
    decltype(&::DwmIsCompositionEnabled) DwmIsCompositionEnabled = nullptr;
    decltype(&::DwmSetWindowAttribute) DwmSetWindowAttribute = nullptr;
};

// Fills every entry of functions from library (any module; null leaves all empty) by
// name; returns how many were found. Used at load time, and by tests with a module that
// lacks the names.
int ResolveUxThemeFunctions(HMODULE library, TdxUxThemeFunctions& functions) noexcept;
int ResolveDwmFunctions(HMODULE library, TdxDwmFunctions& functions) noexcept;

// The names looked up, in table order (52 theme functions, 9 composition functions).
extern const char* const dxUxThemeFunctionNames[52];
extern const char* const dxDwmFunctionNames[9];

// The tables in use; entries are empty when the library or the function is missing.
// Loading happens on the first call of any function of this header.
const TdxUxThemeFunctions& UxThemeFunctions();
const TdxDwmFunctions& DwmFunctions();

// True when "UxTheme.dll" is loaded (Windows XP or later, and the file present).
bool IsThemeLibraryLoaded();
// Windows XP or later: major version above 5, or 5 with minor version at least 1.
bool IsWindowsXPOrLater();
// True when "dwmapi.dll" is loaded (only on systems of major version above 5).
bool IsDwmPresent();
// Composition library loaded and its query answers enabled.
bool IsCompositionEnabled();

namespace dxUxTheme {

HRESULT CloseThemeData(HTHEME theme);
HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int part, int state, const RECT* rect, const RECT* clip);
HRESULT DrawThemeEdge(HTHEME theme, HDC dc, int part, int state, const RECT* dest, UINT edge, UINT flags,
                      RECT* content);
HRESULT DrawThemeIcon(HTHEME theme, HDC dc, int part, int state, const RECT* rect, HIMAGELIST images, int index);
// Restores the font selected into dc afterwards: the theme library may leave its own there.
HRESULT DrawThemeParentBackground(HWND window, HDC dc, const RECT* rect);
HRESULT DrawThemeText(HTHEME theme, HDC dc, int part, int state, const wchar_t* text, int count, DWORD flags,
                      DWORD flags2, const RECT* rect);
// The narrow form widens text with the ANSI code page; count -1 means the whole text.
HRESULT DrawThemeText(HTHEME theme, HDC dc, int part, int state, const std::string& text, int count, DWORD flags,
                      DWORD flags2, const RECT* rect);
HRESULT DrawThemeTextEx(HTHEME theme, HDC dc, int part, int state, const wchar_t* text, int count, DWORD flags,
                        RECT* rect, const DTTOPTS* options);
HRESULT EnableThemeDialogTexture(HWND window, DWORD flags);
HRESULT GetCurrentThemeName(wchar_t* fileName, int maxFileChars, wchar_t* colorName, int maxColorChars,
                            wchar_t* sizeName, int maxSizeChars);
DWORD GetThemeAppProperties();
HRESULT GetThemeBackgroundContentRect(HTHEME theme, HDC dc, int part, int state, const RECT* bounds,
                                      RECT* content);
HRESULT GetThemeBackgroundRegion(HTHEME theme, HDC dc, int part, int state, const RECT* rect, HRGN* region);
HRESULT GetThemeBackgroundExtent(HTHEME theme, HDC dc, int part, int state, const RECT* content, RECT* extent);
HRESULT GetThemeBool(HTHEME theme, int part, int state, int prop, BOOL* value);
HRESULT GetThemeColor(HTHEME theme, int part, int state, int prop, COLORREF* color);
HRESULT GetThemeDocumentationProperty(const wchar_t* themeName, const wchar_t* propName, wchar_t* value,
                                      int maxChars);
HRESULT GetThemeEnumValue(HTHEME theme, int part, int state, int prop, int* value);
HRESULT GetThemeFilename(HTHEME theme, int part, int state, int prop, wchar_t* fileName, int maxChars);
HRESULT GetThemeFont(HTHEME theme, HDC dc, int part, int state, int prop, LOGFONTW* font);
HRESULT GetThemeInt(HTHEME theme, int part, int state, int prop, int* value);
HRESULT GetThemeIntList(HTHEME theme, int part, int state, int prop, INTLIST* list);
HRESULT GetThemeMargins(HTHEME theme, HDC dc, int part, int state, int prop, const RECT* rect, MARGINS* margins);
HRESULT GetThemeMetric(HTHEME theme, HDC dc, int part, int state, int prop, int* value);
HRESULT GetThemePartSize(HTHEME theme, HDC dc, int part, int state, const RECT* rect, THEMESIZE kind, SIZE* size);
HRESULT GetThemePosition(HTHEME theme, int part, int state, int prop, POINT* point);
HRESULT GetThemePropertyOrigin(HTHEME theme, int part, int state, int prop, PROPERTYORIGIN* origin);
HRESULT GetThemeRect(HTHEME theme, int part, int state, int prop, RECT* rect);
HRESULT GetThemeString(HTHEME theme, int part, int state, int prop, wchar_t* buffer, int maxChars);
BOOL GetThemeSysBool(HTHEME theme, int boolId);
COLORREF GetThemeSysColor(HTHEME theme, int colorId);
HBRUSH GetThemeSysColorBrush(HTHEME theme, int colorId);
HRESULT GetThemeSysFont(HTHEME theme, int fontId, LOGFONTW* font);
HRESULT GetThemeSysInt(HTHEME theme, int intId, int* value);
int GetThemeSysSize(HTHEME theme, int sizeId);
HRESULT GetThemeSysString(HTHEME theme, int stringId, wchar_t* buffer, int maxChars);
HRESULT GetThemeTextExtent(HTHEME theme, HDC dc, int part, int state, const wchar_t* text, int count, DWORD flags,
                           const RECT* bounds, RECT* extent);
HRESULT GetThemeTextMetrics(HTHEME theme, HDC dc, int part, int state, TEXTMETRICW* metrics);
HTHEME GetWindowTheme(HWND window);
HRESULT HitTestThemeBackground(HTHEME theme, HDC dc, int part, int state, DWORD options, const RECT* rect,
                               HRGN region, POINT test, WORD* hitCode);
BOOL IsAppThemed();
// False, not a crash, when the library or the function is missing.
BOOL IsThemeActive();
BOOL IsThemePartDefined(HTHEME theme, int part, int state);
BOOL IsThemeBackgroundPartiallyTransparent(HTHEME theme, int part, int state);
BOOL IsThemeDialogTextureEnabled(HWND window);
HTHEME OpenThemeData(HWND window, const wchar_t* classList);
void SetThemeAppProperties(DWORD flags);
HRESULT SetWindowTheme(HWND window, const wchar_t* subAppName, const wchar_t* subIdList);
HRESULT BufferedPaintInit();
HRESULT BufferedPaintUnInit();
HPAINTBUFFER BeginBufferedPaint(HDC target, const RECT* rect, BP_BUFFERFORMAT format, BP_PAINTPARAMS* params,
                                HDC* bufferDC);
HRESULT EndBufferedPaint(HPAINTBUFFER buffer, BOOL updateTarget);
HRESULT BufferedPaintSetAlpha(HPAINTBUFFER buffer, const RECT* rect, BYTE alpha);

BOOL DwmDefWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
HRESULT DwmEnableBlurBehindWindow(HWND window, const DWM_BLURBEHIND* blur);
HRESULT DwmEnableComposition(UINT action);
HRESULT DwmEnableMMCSS(BOOL enable);
HRESULT DwmExtendFrameIntoClientArea(HWND window, const MARGINS* margins);
HRESULT DwmGetColorizationColor(DWORD* color, BOOL* opaqueBlend);
HRESULT DwmGetWindowAttribute(HWND window, DWORD attribute, void* value, DWORD size);
HRESULT DwmIsCompositionEnabled(BOOL* enabled);
HRESULT DwmSetWindowAttribute(HWND window, DWORD attribute, const void* value, DWORD size);

} // namespace dxUxTheme
