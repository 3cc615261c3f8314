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

#include <span>
#include <string>

#include "framework/dllfunctions.h"

// mingw-w64 declares GetThemeTextMetrics with the ANSI TEXTMETRIC; the library fills the
// wide one.
using TdxGetThemeTextMetricsW = HRESULT(WINAPI*)(HTHEME, HDC, int, int, TEXTMETRICW*);

// The theme library's entry points as (export name, pointer type), in table order. The
// types come from the platform headers; no import is made through them.
#define DX_UXTHEME_FUNCTIONS(X) \
    X(CloseThemeData, decltype(&::CloseThemeData)) \
    X(DrawThemeBackground, decltype(&::DrawThemeBackground)) \
    X(DrawThemeEdge, decltype(&::DrawThemeEdge)) \
    X(DrawThemeIcon, decltype(&::DrawThemeIcon)) \
    X(DrawThemeParentBackground, decltype(&::DrawThemeParentBackground)) \
    X(DrawThemeText, decltype(&::DrawThemeText)) \
    X(DrawThemeTextEx, decltype(&::DrawThemeTextEx)) \
    X(EnableThemeDialogTexture, decltype(&::EnableThemeDialogTexture)) \
    X(GetCurrentThemeName, decltype(&::GetCurrentThemeName)) \
    X(GetThemeAppProperties, decltype(&::GetThemeAppProperties)) \
    X(GetThemeBackgroundContentRect, decltype(&::GetThemeBackgroundContentRect)) \
    X(GetThemeBackgroundRegion, decltype(&::GetThemeBackgroundRegion)) \
    X(GetThemeBackgroundExtent, decltype(&::GetThemeBackgroundExtent)) \
    X(GetThemeBool, decltype(&::GetThemeBool)) \
    X(GetThemeColor, decltype(&::GetThemeColor)) \
    X(GetThemeDocumentationProperty, decltype(&::GetThemeDocumentationProperty)) \
    X(GetThemeEnumValue, decltype(&::GetThemeEnumValue)) \
    X(GetThemeFilename, decltype(&::GetThemeFilename)) \
    X(GetThemeFont, decltype(&::GetThemeFont)) \
    X(GetThemeInt, decltype(&::GetThemeInt)) \
    X(GetThemeIntList, decltype(&::GetThemeIntList)) \
    X(GetThemeMargins, decltype(&::GetThemeMargins)) \
    X(GetThemeMetric, decltype(&::GetThemeMetric)) \
    X(GetThemePartSize, decltype(&::GetThemePartSize)) \
    X(GetThemePosition, decltype(&::GetThemePosition)) \
    X(GetThemePropertyOrigin, decltype(&::GetThemePropertyOrigin)) \
    X(GetThemeRect, decltype(&::GetThemeRect)) \
    X(GetThemeString, decltype(&::GetThemeString)) \
    X(GetThemeSysBool, decltype(&::GetThemeSysBool)) \
    X(GetThemeSysColor, decltype(&::GetThemeSysColor)) \
    X(GetThemeSysColorBrush, decltype(&::GetThemeSysColorBrush)) \
    X(GetThemeSysFont, decltype(&::GetThemeSysFont)) \
    X(GetThemeSysInt, decltype(&::GetThemeSysInt)) \
    X(GetThemeSysSize, decltype(&::GetThemeSysSize)) \
    X(GetThemeSysString, decltype(&::GetThemeSysString)) \
    X(GetThemeTextExtent, decltype(&::GetThemeTextExtent)) \
    X(GetThemeTextMetrics, TdxGetThemeTextMetricsW) \
    X(GetWindowTheme, decltype(&::GetWindowTheme)) \
    X(HitTestThemeBackground, decltype(&::HitTestThemeBackground)) \
    X(IsAppThemed, decltype(&::IsAppThemed)) \
    X(IsThemeActive, decltype(&::IsThemeActive)) \
    X(IsThemePartDefined, decltype(&::IsThemePartDefined)) \
    X(IsThemeBackgroundPartiallyTransparent, decltype(&::IsThemeBackgroundPartiallyTransparent)) \
    X(IsThemeDialogTextureEnabled, decltype(&::IsThemeDialogTextureEnabled)) \
    X(OpenThemeData, decltype(&::OpenThemeData)) \
    X(SetThemeAppProperties, decltype(&::SetThemeAppProperties)) \
    X(SetWindowTheme, decltype(&::SetWindowTheme)) \
    X(BufferedPaintInit, decltype(&::BufferedPaintInit)) \
    X(BufferedPaintUnInit, decltype(&::BufferedPaintUnInit)) \
    X(BeginBufferedPaint, decltype(&::BeginBufferedPaint)) \
    X(EndBufferedPaint, decltype(&::EndBufferedPaint)) \
    X(BufferedPaintSetAlpha, decltype(&::BufferedPaintSetAlpha))

// The composition library's entry points.
#define DX_DWM_FUNCTIONS(X) \
    X(DwmDefWindowProc, decltype(&::DwmDefWindowProc)) \
    X(DwmEnableBlurBehindWindow, decltype(&::DwmEnableBlurBehindWindow)) \
    X(DwmEnableComposition, decltype(&::DwmEnableComposition)) \
    X(DwmEnableMMCSS, decltype(&::DwmEnableMMCSS)) \
    X(DwmExtendFrameIntoClientArea, decltype(&::DwmExtendFrameIntoClientArea)) \
    X(DwmGetColorizationColor, decltype(&::DwmGetColorizationColor)) \
    X(DwmGetWindowAttribute, decltype(&::DwmGetWindowAttribute)) \
    X(DwmIsCompositionEnabled, decltype(&::DwmIsCompositionEnabled)) \
    X(DwmSetWindowAttribute, decltype(&::DwmSetWindowAttribute))

// The tables: one member per entry of the lists above, named as the export; an empty
// member is a function the library lacks.
struct TdxUxThemeFunctions {
    DX_UXTHEME_FUNCTIONS(ZV_DLL_FUNCTION_MEMBER)
};
struct TdxDwmFunctions {
    DX_DWM_FUNCTIONS(ZV_DLL_FUNCTION_MEMBER)
};

// Each member with the name it is looked up by (52 theme functions, 9 composition
// functions), built from the same lists.
std::span<const TDllFunctionSlot<TdxUxThemeFunctions>> dxUxThemeFunctionSlots() noexcept;
std::span<const TDllFunctionSlot<TdxDwmFunctions>> dxDwmFunctionSlots() noexcept;

// Fills every entry of functions from library (any module; null leaves all empty) by
// name; returns how many were found. Used at load time, and by tests with a module that
// lacks the names.
int ResolveUxThemeFunctions(HMODULE library, TdxUxThemeFunctions& functions) noexcept;
int ResolveDwmFunctions(HMODULE library, TdxDwmFunctions& functions) noexcept;

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
