#include "lookandfeel/dxUxTheme.h"

#include <iterator>
#include <vector>

#include "framework/units.h"

namespace {

const TDllFunctionSlot<TdxUxThemeFunctions> kUxThemeSlots[] = {DX_UXTHEME_FUNCTIONS(ZV_DLL_FUNCTION_SLOT)};
const TDllFunctionSlot<TdxDwmFunctions> kDwmSlots[] = {DX_DWM_FUNCTIONS(ZV_DLL_FUNCTION_SLOT)};

// Every member is a slot (the struct holds nothing but the list's pointers).
static_assert(sizeof(TdxUxThemeFunctions) == std::size(kUxThemeSlots) * sizeof(void (*)()));
static_assert(sizeof(TdxDwmFunctions) == std::size(kDwmSlots) * sizeof(void (*)()));

struct TdxOsVersion {
    DWORD Major = 0;
    DWORD Minor = 0;
};

TdxOsVersion QueryOsVersion() noexcept
{
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExA(&info)) return {};
    return {info.dwMajorVersion, info.dwMinorVersion};
}

// The loaded libraries and their tables, from first use to process exit. The theme
// manager's state is created after this (it asks for the tables in its constructor), so
// at exit it is destroyed first and closes its themes while the library is still there.
class TdxThemeLibraries {
public:
    TdxThemeLibraries()
    {
        const TdxOsVersion version = QueryOsVersion();
        FWindowsXPOrLater = version.Major > 5 || (version.Major == 5 && version.Minor >= 1);
        // Visual styles draw common controls only after the platform's common-controls
        // initialisation; it is done first, as every themed program does.
        InitCommonControls();
        if (FWindowsXPOrLater) {
            FTheme = LoadLibraryA("UxTheme.dll");
            if (FTheme) ResolveUxThemeFunctions(FTheme, FThemeFunctions);
        }
        if (version.Major > 5) {
            FDwm = LoadLibraryA("dwmapi.dll");
            if (FDwm) ResolveDwmFunctions(FDwm, FDwmFunctions);
        }
    }
    TdxThemeLibraries(const TdxThemeLibraries&) = delete;
    TdxThemeLibraries& operator=(const TdxThemeLibraries&) = delete;
    ~TdxThemeLibraries()
    {
        FThemeFunctions = {};
        FDwmFunctions = {};
        // Nothing to report at exit: a failed FreeLibrary only keeps the module mapped.
        if (FTheme) FreeLibrary(FTheme);
        if (FDwm) FreeLibrary(FDwm);
    }

    HMODULE FTheme = nullptr;
    HMODULE FDwm = nullptr;
    bool FWindowsXPOrLater = false;
    TdxUxThemeFunctions FThemeFunctions;
    TdxDwmFunctions FDwmFunctions;
};

TdxThemeLibraries libraries ZV_UNIT(zv::unit::kThemeLibraries);

TdxThemeLibraries& Libraries() { return libraries; }

const TdxUxThemeFunctions& T()
{
    return Libraries().FThemeFunctions;
}

const TdxDwmFunctions& D()
{
    return Libraries().FDwmFunctions;
}

} // namespace

std::span<const TDllFunctionSlot<TdxUxThemeFunctions>> dxUxThemeFunctionSlots() noexcept
{
    return kUxThemeSlots;
}

std::span<const TDllFunctionSlot<TdxDwmFunctions>> dxDwmFunctionSlots() noexcept
{
    return kDwmSlots;
}

int ResolveUxThemeFunctions(HMODULE library, TdxUxThemeFunctions& functions) noexcept
{
    return ResolveDllFunctions(library, functions, kUxThemeSlots);
}

int ResolveDwmFunctions(HMODULE library, TdxDwmFunctions& functions) noexcept
{
    return ResolveDllFunctions(library, functions, kDwmSlots);
}

const TdxUxThemeFunctions& UxThemeFunctions()
{
    return T();
}

const TdxDwmFunctions& DwmFunctions()
{
    return D();
}

bool IsThemeLibraryLoaded()
{
    return Libraries().FTheme != nullptr;
}

bool IsWindowsXPOrLater()
{
    return Libraries().FWindowsXPOrLater;
}

bool IsDwmPresent()
{
    return Libraries().FDwm != nullptr;
}

bool IsCompositionEnabled()
{
    if (!IsDwmPresent() || !D().DwmIsCompositionEnabled) return false;
    BOOL enabled = FALSE;
    return SUCCEEDED(D().DwmIsCompositionEnabled(&enabled)) && enabled;
}

namespace dxUxTheme {

HRESULT CloseThemeData(HTHEME theme)
{
    return T().CloseThemeData(theme);
}

HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int part, int state, const RECT* rect, const RECT* clip)
{
    return T().DrawThemeBackground(theme, dc, part, state, rect, clip);
}

HRESULT DrawThemeEdge(HTHEME theme, HDC dc, int part, int state, const RECT* dest, UINT edge, UINT flags,
                      RECT* content)
{
    return T().DrawThemeEdge(theme, dc, part, state, dest, edge, flags, content);
}

HRESULT DrawThemeIcon(HTHEME theme, HDC dc, int part, int state, const RECT* rect, HIMAGELIST images, int index)
{
    return T().DrawThemeIcon(theme, dc, part, state, rect, images, index);
}

HRESULT DrawThemeParentBackground(HWND window, HDC dc, const RECT* rect)
{
    // The parent's WM_PRINTCLIENT handler may select a font of its own and leave it there.
    HGDIOBJ font = GetCurrentObject(dc, OBJ_FONT);
    const HRESULT result = T().DrawThemeParentBackground(window, dc, const_cast<RECT*>(rect));
    if (font) SelectObject(dc, font);
    return result;
}

HRESULT DrawThemeText(HTHEME theme, HDC dc, int part, int state, const wchar_t* text, int count, DWORD flags,
                      DWORD flags2, const RECT* rect)
{
    return T().DrawThemeText(theme, dc, part, state, text, count, flags, flags2, rect);
}

HRESULT DrawThemeText(HTHEME theme, HDC dc, int part, int state, const std::string& text, int count, DWORD flags,
                      DWORD flags2, const RECT* rect)
{
    const int length = count < 0 || count > static_cast<int>(text.size()) ? static_cast<int>(text.size()) : count;
    std::vector<wchar_t> wide(static_cast<size_t>(length) + 1, L'\0');
    int wideLength = 0;
    if (length > 0) {
        wideLength = MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), length);
        if (wideLength == 0) return HRESULT_FROM_WIN32(GetLastError());
    }
    return T().DrawThemeText(theme, dc, part, state, wide.data(), wideLength, flags, flags2, rect);
}

HRESULT DrawThemeTextEx(HTHEME theme, HDC dc, int part, int state, const wchar_t* text, int count, DWORD flags,
                        RECT* rect, const DTTOPTS* options)
{
    return T().DrawThemeTextEx(theme, dc, part, state, text, count, flags, rect, options);
}

HRESULT EnableThemeDialogTexture(HWND window, DWORD flags)
{
    return T().EnableThemeDialogTexture(window, flags);
}

HRESULT GetCurrentThemeName(wchar_t* fileName, int maxFileChars, wchar_t* colorName, int maxColorChars,
                            wchar_t* sizeName, int maxSizeChars)
{
    return T().GetCurrentThemeName(fileName, maxFileChars, colorName, maxColorChars, sizeName, maxSizeChars);
}

DWORD GetThemeAppProperties()
{
    return T().GetThemeAppProperties();
}

HRESULT GetThemeBackgroundContentRect(HTHEME theme, HDC dc, int part, int state, const RECT* bounds,
                                      RECT* content)
{
    return T().GetThemeBackgroundContentRect(theme, dc, part, state, bounds, content);
}

HRESULT GetThemeBackgroundRegion(HTHEME theme, HDC dc, int part, int state, const RECT* rect, HRGN* region)
{
    return T().GetThemeBackgroundRegion(theme, dc, part, state, rect, region);
}

HRESULT GetThemeBackgroundExtent(HTHEME theme, HDC dc, int part, int state, const RECT* content, RECT* extent)
{
    return T().GetThemeBackgroundExtent(theme, dc, part, state, content, extent);
}

HRESULT GetThemeBool(HTHEME theme, int part, int state, int prop, BOOL* value)
{
    return T().GetThemeBool(theme, part, state, prop, value);
}

HRESULT GetThemeColor(HTHEME theme, int part, int state, int prop, COLORREF* color)
{
    return T().GetThemeColor(theme, part, state, prop, color);
}

HRESULT GetThemeDocumentationProperty(const wchar_t* themeName, const wchar_t* propName, wchar_t* value,
                                      int maxChars)
{
    return T().GetThemeDocumentationProperty(themeName, propName, value, maxChars);
}

HRESULT GetThemeEnumValue(HTHEME theme, int part, int state, int prop, int* value)
{
    return T().GetThemeEnumValue(theme, part, state, prop, value);
}

HRESULT GetThemeFilename(HTHEME theme, int part, int state, int prop, wchar_t* fileName, int maxChars)
{
    return T().GetThemeFilename(theme, part, state, prop, fileName, maxChars);
}

HRESULT GetThemeFont(HTHEME theme, HDC dc, int part, int state, int prop, LOGFONTW* font)
{
    return T().GetThemeFont(theme, dc, part, state, prop, font);
}

HRESULT GetThemeInt(HTHEME theme, int part, int state, int prop, int* value)
{
    return T().GetThemeInt(theme, part, state, prop, value);
}

HRESULT GetThemeIntList(HTHEME theme, int part, int state, int prop, INTLIST* list)
{
    return T().GetThemeIntList(theme, part, state, prop, list);
}

HRESULT GetThemeMargins(HTHEME theme, HDC dc, int part, int state, int prop, const RECT* rect, MARGINS* margins)
{
    // The platform header declares the rectangle non-const though the function only reads it.
    return T().GetThemeMargins(theme, dc, part, state, prop, const_cast<RECT*>(rect), margins);
}

HRESULT GetThemeMetric(HTHEME theme, HDC dc, int part, int state, int prop, int* value)
{
    return T().GetThemeMetric(theme, dc, part, state, prop, value);
}

HRESULT GetThemePartSize(HTHEME theme, HDC dc, int part, int state, const RECT* rect, THEMESIZE kind, SIZE* size)
{
    return T().GetThemePartSize(theme, dc, part, state, const_cast<RECT*>(rect), kind, size);
}

HRESULT GetThemePosition(HTHEME theme, int part, int state, int prop, POINT* point)
{
    return T().GetThemePosition(theme, part, state, prop, point);
}

HRESULT GetThemePropertyOrigin(HTHEME theme, int part, int state, int prop, PROPERTYORIGIN* origin)
{
    return T().GetThemePropertyOrigin(theme, part, state, prop, origin);
}

HRESULT GetThemeRect(HTHEME theme, int part, int state, int prop, RECT* rect)
{
    return T().GetThemeRect(theme, part, state, prop, rect);
}

HRESULT GetThemeString(HTHEME theme, int part, int state, int prop, wchar_t* buffer, int maxChars)
{
    return T().GetThemeString(theme, part, state, prop, buffer, maxChars);
}

BOOL GetThemeSysBool(HTHEME theme, int boolId)
{
    return T().GetThemeSysBool(theme, boolId);
}

COLORREF GetThemeSysColor(HTHEME theme, int colorId)
{
    return T().GetThemeSysColor(theme, colorId);
}

HBRUSH GetThemeSysColorBrush(HTHEME theme, int colorId)
{
    return T().GetThemeSysColorBrush(theme, colorId);
}

HRESULT GetThemeSysFont(HTHEME theme, int fontId, LOGFONTW* font)
{
    return T().GetThemeSysFont(theme, fontId, font);
}

HRESULT GetThemeSysInt(HTHEME theme, int intId, int* value)
{
    return T().GetThemeSysInt(theme, intId, value);
}

int GetThemeSysSize(HTHEME theme, int sizeId)
{
    return T().GetThemeSysSize(theme, sizeId);
}

HRESULT GetThemeSysString(HTHEME theme, int stringId, wchar_t* buffer, int maxChars)
{
    return T().GetThemeSysString(theme, stringId, buffer, maxChars);
}

HRESULT GetThemeTextExtent(HTHEME theme, HDC dc, int part, int state, const wchar_t* text, int count, DWORD flags,
                           const RECT* bounds, RECT* extent)
{
    return T().GetThemeTextExtent(theme, dc, part, state, text, count, flags, bounds, extent);
}

HRESULT GetThemeTextMetrics(HTHEME theme, HDC dc, int part, int state, TEXTMETRICW* metrics)
{
    return T().GetThemeTextMetrics(theme, dc, part, state, metrics);
}

HTHEME GetWindowTheme(HWND window)
{
    return T().GetWindowTheme(window);
}

HRESULT HitTestThemeBackground(HTHEME theme, HDC dc, int part, int state, DWORD options, const RECT* rect,
                               HRGN region, POINT test, WORD* hitCode)
{
    return T().HitTestThemeBackground(theme, dc, part, state, options, rect, region, test, hitCode);
}

BOOL IsAppThemed()
{
    return T().IsAppThemed();
}

BOOL IsThemeActive()
{
    return T().IsThemeActive ? T().IsThemeActive() : FALSE;
}

BOOL IsThemePartDefined(HTHEME theme, int part, int state)
{
    return T().IsThemePartDefined(theme, part, state);
}

BOOL IsThemeBackgroundPartiallyTransparent(HTHEME theme, int part, int state)
{
    return T().IsThemeBackgroundPartiallyTransparent(theme, part, state);
}

BOOL IsThemeDialogTextureEnabled(HWND window)
{
    return T().IsThemeDialogTextureEnabled(window);
}

HTHEME OpenThemeData(HWND window, const wchar_t* classList)
{
    return T().OpenThemeData(window, classList);
}

void SetThemeAppProperties(DWORD flags)
{
    T().SetThemeAppProperties(flags);
}

HRESULT SetWindowTheme(HWND window, const wchar_t* subAppName, const wchar_t* subIdList)
{
    return T().SetWindowTheme(window, subAppName, subIdList);
}

HRESULT BufferedPaintInit()
{
    return T().BufferedPaintInit();
}

HRESULT BufferedPaintUnInit()
{
    return T().BufferedPaintUnInit();
}

HPAINTBUFFER BeginBufferedPaint(HDC target, const RECT* rect, BP_BUFFERFORMAT format, BP_PAINTPARAMS* params,
                                HDC* bufferDC)
{
    return T().BeginBufferedPaint(target, rect, format, params, bufferDC);
}

HRESULT EndBufferedPaint(HPAINTBUFFER buffer, BOOL updateTarget)
{
    return T().EndBufferedPaint(buffer, updateTarget);
}

HRESULT BufferedPaintSetAlpha(HPAINTBUFFER buffer, const RECT* rect, BYTE alpha)
{
    return T().BufferedPaintSetAlpha(buffer, rect, alpha);
}

BOOL DwmDefWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    return D().DwmDefWindowProc(window, msg, wParam, lParam, result);
}

HRESULT DwmEnableBlurBehindWindow(HWND window, const DWM_BLURBEHIND* blur)
{
    return D().DwmEnableBlurBehindWindow(window, blur);
}

HRESULT DwmEnableComposition(UINT action)
{
    return D().DwmEnableComposition(action);
}

HRESULT DwmEnableMMCSS(BOOL enable)
{
    return D().DwmEnableMMCSS(enable);
}

HRESULT DwmExtendFrameIntoClientArea(HWND window, const MARGINS* margins)
{
    return D().DwmExtendFrameIntoClientArea(window, margins);
}

HRESULT DwmGetColorizationColor(DWORD* color, BOOL* opaqueBlend)
{
    return D().DwmGetColorizationColor(color, opaqueBlend);
}

HRESULT DwmGetWindowAttribute(HWND window, DWORD attribute, void* value, DWORD size)
{
    return D().DwmGetWindowAttribute(window, attribute, value, size);
}

HRESULT DwmIsCompositionEnabled(BOOL* enabled)
{
    return D().DwmIsCompositionEnabled(enabled);
}

HRESULT DwmSetWindowAttribute(HWND window, DWORD attribute, const void* value, DWORD size)
{
    return D().DwmSetWindowAttribute(window, attribute, value, size);
}

} // namespace dxUxTheme
