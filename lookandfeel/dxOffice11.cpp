#include "lookandfeel/dxOffice11.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "framework/exceptions.h"
#include "framework/handles.h"
#include "framework/units.h"
#include "lookandfeel/cxImages.h"
#include "lookandfeel/dxThemeManager.h"
#include "lookandfeel/dxUxTheme.h"

TdxOffice11Colors dxOffice11Colors;

HBRUSH dxOffice11BarFingerBrush1 = nullptr, dxOffice11BarFingerBrush2 = nullptr;
HBRUSH dxOffice11BarSeparatorBrush1 = nullptr, dxOffice11BarSeparatorBrush2 = nullptr;
HBRUSH dxOffice11MenuBrush = nullptr, dxOffice11SelectedBorderBrush = nullptr, dxOffice11ToolbarSelectedBrush = nullptr;
HBRUSH dxOffice11OwnerControlDownedBrush = nullptr, dxOffice11DownedBrush = nullptr,
       dxOffice11DownedSelectedBrush = nullptr;
HBRUSH dxOffice11DropDownBorderBrush1 = nullptr, dxOffice11DropDownBorderBrush2 = nullptr;
HBRUSH dxOffice11DetachableBrush = nullptr, dxOffice11DetachableSelectedBrush = nullptr;
HBRUSH dxOffice11StaticBorderBrush = nullptr, dxOffice11InPlaceSubItemBrush = nullptr;
HBITMAP dxOffice11SubMenuExpandBitmap = nullptr, dxOffice11ExpandButtonBitmap1 = nullptr,
        dxOffice11ExpandButtonBitmap2 = nullptr;

namespace {

constexpr COLORREF Black = RGB(0, 0, 0);
constexpr COLORREF White = RGB(255, 255, 255);

// The tables below are written as the colours are usually written, RGB hexadecimal.
constexpr COLORREF Hex(std::uint32_t rgb) noexcept
{
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

constexpr int Clamp255(int v) noexcept
{
    return v < 0 ? 0 : v > 255 ? 255 : v;
}

constexpr int Channel(COLORREF c, int i) noexcept
{
    return static_cast<int>((c >> (8 * i)) & 0xFF);
}

constexpr COLORREF FromChannels(int r, int g, int b) noexcept
{
    return RGB(Clamp255(r), Clamp255(g), Clamp255(b));
}

constexpr TColor AsColor(COLORREF c) noexcept
{
    return static_cast<TColor>(c);
}

constexpr COLORREF AsRGB(TColor c) noexcept
{
    return static_cast<COLORREF>(c);
}

// One row of 49 per scheme, in this order of variables (index j).
constexpr std::uint32_t SchemeTable[3][49] = {
    {0xDDECFE, 0x81A9E2, 0x9EBEF5, 0xC3DAF9, 0x003591, 0x75A6F1, 0xFFC176, 0xFFF8D3, 0xFFDD98, 0xFE9552,
     0x3B619C, 0x7BA4E0, 0x274176, 0xFFFFFF, 0x6A8CCB, 0xF1F9FF, 0x2A66C9, 0xC4DBF9, 0x002D96, 0xF6F6F6,
     0xFFEEC2, 0x000080, 0xFFF4CC, 0xFFD091, 0xFFD38E, 0xFE914E, 0xCBE1FC, 0xFFC06F, 0xFE803E, 0xA9C7F0,
     0x000000, 0x8D8D8D, 0xBEDAFB, 0xFBE694, 0xC4DAFA, 0x002D96, 0x3768B9, 0x002D96, 0xD3E5FB, 0x88AEE4,
     0xFFFFDC, 0xF7C05B, 0xFBE694, 0xEE9515, 0xE87F08, 0xF7DA7C, 0x5987D6, 0x033893, 0xFFFFFF},
    {0xF4F7DE, 0xB7C691, 0xD9D9A7, 0xF2F0E4, 0x60776B, 0xB0C28C, 0xFFC176, 0xFFF8D3, 0xFFDD98, 0xFE9552,
     0x608058, 0xB5C48F, 0x515E33, 0xFFFFFF, 0x608058, 0xF4F7DE, 0x74865E, 0xE1DEAD, 0x758D5E, 0xF4F4EE,
     0xFFEEC2, 0x3F5D38, 0xFFF4CC, 0xFFD091, 0xFFD38E, 0xFE914E, 0xD8E3B6, 0xFFC06F, 0xFE803E, 0xC5D49F,
     0x000000, 0x8D8D8D, 0xAFBA91, 0xFBE694, 0xF2F1E4, 0x608058, 0x738954, 0x758D5E, 0xF2F5DB, 0xBCC997,
     0xFFFFDC, 0xF7C05B, 0xFBE694, 0xEE9515, 0xE87F08, 0xF7DA7C, 0xAFC082, 0x637A44, 0xFFFFFF},
    {0xF3F4FA, 0x9997B5, 0xD7D7E5, 0xF3F3F7, 0x767492, 0xB3B2C8, 0xFFC176, 0xFFF8D3, 0xFFDD98, 0xFE9552,
     0x7C7C94, 0x9391B0, 0x545475, 0xFFFFFF, 0x6E6D8F, 0xFFFFFF, 0x7A7999, 0xDBDAE4, 0x7C7C94, 0xFDFAFF,
     0xFFEEC2, 0x4B4B6F, 0xFFF4CC, 0xFFD091, 0xFFD38E, 0xFE914E, 0xD6D3E7, 0xFFC06F, 0xFE803E, 0xC0C0D3,
     0x000000, 0x8D8D8D, 0xE5E5EB, 0xFBE694, 0xF3F3F7, 0x7C7C94, 0x706F91, 0x7C7C94, 0xF0F1F8, 0xA09EBA,
     0xFFFFDC, 0xF7C05B, 0xFBE694, 0xEE9515, 0xE87F08, 0xF7DA7C, 0xA8A7BF, 0x706F91, 0xFFFFFF},
};

void CopySchemeTable(TOffice11Scheme scheme, TdxOffice11Colors& c)
{
    const std::uint32_t* row = SchemeTable[scheme - schNormalColor];
    TColor* const targets[49] = {
        &c.ToolbarsColor1, &c.ToolbarsColor2, &c.DockColor1, &c.DockColor2,
        &c.BarMarkColors2[0], &c.BarMarkColors1[0], &c.BarMarkColors2[1], &c.BarMarkColors1[1],
        &c.BarMarkColors2[2], &c.BarMarkColors1[2], &c.BarBorderColors[0], &c.BarBorderColors[1],
        &c.BarFingerColor1, &c.BarFingerColor2, &c.BarSeparatorColor1, &c.BarSeparatorColor2,
        &c.BarFloatingBorderColor1, &c.BarFloatingBorderColor2, &c.DropDownBorderColor1, &c.MenuColor,
        &c.ToolbarSelectedColor, &c.SelectedBorderColor, &c.SelectedColor1, &c.SelectedColor2,
        &c.SelectedDownColor1, &c.SelectedDownColor2, &c.OwnerControlDownedColor, &c.DownedColor,
        &c.DownedSelectedColor, &c.DetachableColor, &c.TextEnabledColor, &c.TextDisabledColor,
        &c.GroupColor, &c.DayNavigatorSelectedColor, &c.OutlookControlColor, &c.OutlookBorderColor,
        &c.GroupRowTextColor, &c.NavPaneBorder, &c.NavPaneGroupCaptionColor1, &c.NavPaneGroupCaptionColor2,
        &c.NavPaneGroupCaptionHotColor1, &c.NavPaneGroupCaptionHotColor2, &c.NavPaneGroupCaptionPressedColor1,
        &c.NavPaneGroupCaptionPressedColor2, &c.NavPaneGroupCaptionPressedHotColor1,
        &c.NavPaneGroupCaptionPressedHotColor2, &c.NavPaneHeaderColor1, &c.NavPaneHeaderColor2,
        &c.NavPaneHeaderFontColor,
    };
    for (int j = 0; j < 49; ++j) *targets[j] = AsColor(Hex(row[j]));
}

std::wstring Upper(std::wstring text)
{
    for (wchar_t& ch : text)
        if (ch >= L'a' && ch <= L'z') ch = static_cast<wchar_t>(ch - L'a' + L'A');
    return text;
}

// --- Process-wide state ---------------------------------------------------------------------

int GRefCount = 0;
TOffice11Scheme GScheme = schUnknown;
bool GXPStandardScheme = false;

// "msimg32.dll" stays loaded from first use to process exit.
struct TdxMsimg32 {
    TdxMsimg32()
    {
        Library = LoadLibraryA("msimg32.dll");
        if (Library)
            GradientFill = reinterpret_cast<TdxGradientFillProc>(
                reinterpret_cast<void (*)()>(GetProcAddress(Library, "GradientFill")));
    }
    TdxMsimg32(const TdxMsimg32&) = delete;
    TdxMsimg32& operator=(const TdxMsimg32&) = delete;
    ~TdxMsimg32()
    {
        if (Library) FreeLibrary(Library);
    }
    HMODULE Library = nullptr;
    TdxGradientFillProc GradientFill = nullptr;
};

TdxMsimg32 msimg32 ZV_UNIT(zv::unit::kGraphics);

TdxMsimg32& Msimg32() { return msimg32; }

bool GGradientFillOverridden = false;
TdxGradientFillProc GGradientFillOverride = nullptr;

COLORREF ScreenRealColor(COLORREF color)
{
    const TWindowDC screen = TWindowDC::ForClient(nullptr);
    if (!screen) return color;
    const COLORREF nearest = GetNearestColor(screen.Get(), color);
    return nearest == CLR_INVALID ? color : nearest;
}

TOffice11Scheme DetectScheme()
{
    if (!AreVisualStylesAvailable() || !UxThemeFunctions().GetCurrentThemeName) return schUnknown;
    wchar_t file[1024] = {}, color[1024] = {}, size[1024] = {};
    if (FAILED(dxUxTheme::GetCurrentThemeName(file, 1024, color, 1024, size, 1024))) return schUnknown;
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof(version);
    const DWORD major = GetVersionExA(&version) ? version.dwMajorVersion : 0;
    return dxOffice11SchemeFromThemeName(file, color, major);
}

void CalculateColors()
{
    GScheme = DetectScheme();
    GXPStandardScheme = GScheme != schUnknown;
    dxOffice11Colors =
        dxCalculateOffice11Colors(GScheme, TdxOffice11SystemColors::Current(), ScreenRealColor);
}

HBRUSH SolidBrush(TColor color)
{
    // A brush the system refuses stays null; the painters then draw nothing with it.
    return CreateSolidBrush(AsRGB(color));
}

// The recolouring of the submenu glyph: its pixels read and written through the library's
// DIB pixel access. A failure leaves the glyph as loaded; nothing in this system draws it.
void RecolorSubMenuExpandBitmap(HBITMAP bitmap, const TdxOffice11Colors& c)
{
    BITMAP info{};
    if (!GetObjectA(bitmap, sizeof(info), &info) || info.bmWidth <= 0 || info.bmHeight <= 0) return;
    const TCompatibleDC dc(CreateCompatibleDC(nullptr));
    if (!dc) return;
    const TSelectGuard selected(dc.Get(), bitmap);
    try {
        TcxPixels pixels = cxReadPixels(dc.Get(), RECT{0, 0, info.bmWidth, info.bmHeight});
        std::vector<COLORREF> colours;
        colours.reserve(pixels.Data.size());
        for (std::uint32_t p : pixels.Data) colours.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
        dxRecolorSubMenuExpandPixels(colours, AsRGB(c.ToolbarsColor1), AsRGB(c.ToolbarsColor2), ScreenRealColor);
        for (std::size_t i = 0; i < colours.size(); ++i)
            pixels.Data[i] = (static_cast<std::uint32_t>(GetRValue(colours[i])) << 16) |
                             (static_cast<std::uint32_t>(GetGValue(colours[i])) << 8) | GetBValue(colours[i]);
        cxWritePixels(dc.Get(), 0, 0, pixels);
    } catch (const Exception&) {
    }
}

HBITMAP LoadResourceBitmap(const char* name)
{
    // A missing resource leaves the bitmap empty (null); nothing in this system draws it.
    return static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

void CreateBrushesAndBitmaps()
{
    const TdxOffice11Colors& c = dxOffice11Colors;
    dxOffice11BarFingerBrush1 = SolidBrush(c.BarFingerColor1);
    dxOffice11BarFingerBrush2 = SolidBrush(c.BarFingerColor2);
    dxOffice11BarSeparatorBrush1 = SolidBrush(c.BarSeparatorColor1);
    dxOffice11BarSeparatorBrush2 = SolidBrush(c.BarSeparatorColor2);
    dxOffice11DropDownBorderBrush1 = SolidBrush(c.DropDownBorderColor1);
    dxOffice11MenuBrush = SolidBrush(c.MenuColor);
    dxOffice11DropDownBorderBrush2 = dxOffice11MenuBrush;
    dxOffice11SelectedBorderBrush = SolidBrush(c.SelectedBorderColor);
    dxOffice11OwnerControlDownedBrush = SolidBrush(c.OwnerControlDownedColor);
    dxOffice11DownedBrush = SolidBrush(c.DownedColor);
    dxOffice11DownedSelectedBrush = SolidBrush(c.DownedSelectedColor);
    dxOffice11DetachableBrush = SolidBrush(c.DetachableColor);
    dxOffice11InPlaceSubItemBrush = SolidBrush(c.InPlaceSubItemColor);
    dxOffice11ToolbarSelectedBrush = SolidBrush(c.ToolbarSelectedColor);
    dxOffice11DetachableSelectedBrush = dxOffice11ToolbarSelectedBrush;
    dxOffice11StaticBorderBrush = dxOffice11DropDownBorderBrush1;

    dxOffice11SubMenuExpandBitmap = LoadResourceBitmap("DXSUBMENUEXPAND");
    if (dxOffice11SubMenuExpandBitmap) RecolorSubMenuExpandBitmap(dxOffice11SubMenuExpandBitmap, c);
    dxOffice11ExpandButtonBitmap1 = LoadResourceBitmap("DXEXPANDBUTTON_MINUS");
    dxOffice11ExpandButtonBitmap2 = LoadResourceBitmap("DXEXPANDBUTTON_PLUS");
}

void FreeBrushesAndBitmaps()
{
    // Shared handles are deleted once: the sharing variables are cleared, not deleted.
    HBRUSH* const owned[] = {
        &dxOffice11BarFingerBrush1, &dxOffice11BarFingerBrush2, &dxOffice11BarSeparatorBrush1,
        &dxOffice11BarSeparatorBrush2, &dxOffice11DropDownBorderBrush1, &dxOffice11MenuBrush,
        &dxOffice11SelectedBorderBrush, &dxOffice11OwnerControlDownedBrush, &dxOffice11DownedBrush,
        &dxOffice11DownedSelectedBrush, &dxOffice11DetachableBrush, &dxOffice11InPlaceSubItemBrush,
        &dxOffice11ToolbarSelectedBrush,
    };
    for (HBRUSH* brush : owned) {
        if (*brush) DeleteObject(*brush);
        *brush = nullptr;
    }
    dxOffice11DropDownBorderBrush2 = nullptr;
    dxOffice11DetachableSelectedBrush = nullptr;
    dxOffice11StaticBorderBrush = nullptr;
    for (HBITMAP* bitmap :
         {&dxOffice11SubMenuExpandBitmap, &dxOffice11ExpandButtonBitmap1, &dxOffice11ExpandButtonBitmap2}) {
        if (*bitmap) DeleteObject(*bitmap);
        *bitmap = nullptr;
    }
}

// Fills r with a solid colour through the DC brush, leaving the DC's brush colour as it was.
void FillSolid(HDC dc, const RECT& r, COLORREF color)
{
    if (r.right <= r.left || r.bottom <= r.top) return;
    const COLORREF previous = SetDCBrushColor(dc, color);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    if (previous != CLR_INVALID) SetDCBrushColor(dc, previous);
}

void FillBands(HDC dc, const RECT& r, const std::vector<TdxGradientBand>& bands, bool horizontal)
{
    for (const TdxGradientBand& band : bands) {
        const RECT piece = horizontal ? RECT{band.Start, r.top, band.End, r.bottom}
                                      : RECT{r.left, band.Start, r.right, band.End};
        FillSolid(dc, piece, band.Color);
    }
}

} // namespace

// --- Pure arithmetic --------------------------------------------------------------------------

int dxMulDiv(int a, int b, int c) noexcept
{
    if (c == 0) return -1;
    long long product = static_cast<long long>(a) * b;
    long long divisor = c;
    if (divisor < 0) {
        product = -product;
        divisor = -divisor;
    }
    const long long half = divisor / 2;
    const long long result = product >= 0 ? (product + half) / divisor : (product - half) / divisor;
    return static_cast<int>(result);
}

COLORREF dxMiddleRGB(COLORREF a, COLORREF b, int percent) noexcept
{
    int channels[3];
    for (int i = 0; i < 3; ++i)
        channels[i] = std::min(255, dxMulDiv(Channel(b, i), 100 - percent, 100) + dxMulDiv(Channel(a, i), percent, 100));
    return FromChannels(channels[0], channels[1], channels[2]);
}

COLORREF dxLightColor(COLORREF face, COLORREF highlight, COLORREF window, int facePercent, int highlightPercent,
                      int windowPercent) noexcept
{
    if (face == Black || face == White) return highlight;
    int channels[3];
    for (int i = 0; i < 3; ++i)
        channels[i] = dxMulDiv(Channel(face, i), facePercent, 100) + dxMulDiv(Channel(highlight, i), highlightPercent, 100) +
                      dxMulDiv(Channel(window, i), windowPercent, 100);
    return FromChannels(channels[0], channels[1], channels[2]);
}

TOffice11Scheme dxOffice11SchemeFromThemeName(const std::wstring& themeFile, const std::wstring& colorName,
                                              DWORD osMajorVersion)
{
    const size_t slash = themeFile.find_last_of(L"\\/");
    const std::wstring file = Upper(slash == std::wstring::npos ? themeFile : themeFile.substr(slash + 1));
    if (file != L"LUNA.MSSTYLES" && osMajorVersion <= 5) return schUnknown;
    const std::wstring color = Upper(colorName);
    if (color == L"NORMALCOLOR") return schNormalColor;
    if (color == L"HOMESTEAD") return schHomestead;
    if (color == L"METALLIC") return schMetallic;
    return schUnknown;
}

TdxOffice11Colors dxCalculateOffice11Colors(TOffice11Scheme scheme, const TdxOffice11SystemColors& sys,
                                            const TdxRealColorFunc& realColor)
{
    auto real = [&](COLORREF c) { return AsColor(realColor ? realColor(c) : c); };
    auto M = [&](TColor a, TColor b, int p) { return real(dxMiddleRGB(AsRGB(a), AsRGB(b), p)); };
    auto light = [&](int f, int h, int w) { return dxLightColor(sys.BtnFace, sys.Highlight, sys.Window, f, h, w); };

    TdxOffice11Colors c;
    if (scheme != schUnknown) {
        CopySchemeTable(scheme, c);
        for (int i = 0; i < 3; ++i) {
            c.BarBorderMarkColors[i] = M(c.BarMarkColors1[i], c.ToolbarsColor1, 90);
            c.BarBorderMarkColors[3 + i] = M(c.BarMarkColors2[i], c.BarBorderColors[1], 50);
        }
        c.BarMarkArrowColor1 = AsColor(Black);
        c.BarMarkArrowColor2 = AsColor(White);
        c.BarFloatingCaptionTextColor1 = AsColor(White);
        c.BarFloatingCaptionTextColor2 = AsColor(Black);
        c.BarFloatingCaptionTextColor3 = AsColor(Black);
        c.GroupIndentColor = AsColor(Hex(0xFDEEC9));
        c.GroupRowSeparatorColor = c.BarBorderColors[1];
        c.NavPaneSplitterColor1 = c.NavPaneHeaderColor1;
        c.NavPaneSplitterColor2 = c.NavPaneHeaderColor2;
        c.TubeGradientPercent = scheme == schNormalColor ? 41 : scheme == schHomestead ? 125 : 40;
    } else {
        const TColor F = AsColor(sys.BtnFace), W = AsColor(sys.Window), S = AsColor(sys.BtnShadow);
        c.DockColor1 = F;
        c.DockColor2 = M(F, W, 20);
        c.ToolbarsColor1 = M(F, W, 22);
        c.ToolbarsColor2 = M(F, W, 96);
        c.BarMarkColors2[0] = S;
        c.BarMarkColors1[0] = M(S, W, 74);
        c.BarMarkColors1[1] = c.BarMarkColors2[1] = real(light(-15, 29, 86));
        c.BarMarkColors1[2] = c.BarMarkColors2[2] = real(light(42, 11, 47));
        c.BarBorderColors[0] = M(F, W, 85);
        c.BarBorderColors[1] = F;
        for (int i = 0; i < 3; ++i) {
            c.BarBorderMarkColors[i] = M(c.BarMarkColors2[i], W, 50);
            c.BarBorderMarkColors[3 + i] = M(c.BarMarkColors2[i], c.BarBorderColors[1], 50);
        }
        c.BarFingerColor1 = M(S, W, 76);
        c.BarFingerColor2 = W;
        c.BarSeparatorColor1 = M(S, W, 70);
        c.BarSeparatorColor2 = AsColor(White);
        c.BarMarkArrowColor1 = AsColor(sys.BtnText);
        c.BarMarkArrowColor2 = W;
        c.BarFloatingBorderColor1 = S;
        c.BarFloatingBorderColor2 = c.ToolbarsColor2;
        c.BarFloatingCaptionTextColor1 = AsColor(sys.BtnHighlight);
        c.BarFloatingCaptionTextColor2 = c.BarFloatingCaptionTextColor3 = AsColor(sys.BtnText);
        c.DropDownBorderColor1 = S;
        c.MenuColor = W;
        c.ToolbarSelectedColor = real(light(-2, 30, 72));
        c.SelectedBorderColor = AsColor(sys.Highlight);
        c.SelectedColor1 = c.SelectedColor2 = c.ToolbarSelectedColor;
        c.OwnerControlDownedColor = c.ToolbarsColor2;
        c.DownedColor = AsColor(light(41, 11, 48));
        c.DownedSelectedColor = real(light(14, 44, 40));
        c.SelectedDownColor1 = c.SelectedDownColor2 = c.DownedSelectedColor;
        c.DetachableColor = c.OwnerControlDownedColor;
        c.TextEnabledColor = AsColor(sys.BtnText);
        c.TextDisabledColor = AsColor(sys.GrayText);
        c.TubeGradientPercent = 75;
        c.GroupColor = F;
        c.DayNavigatorSelectedColor = c.DownedColor;
        c.OutlookControlColor = c.DockColor1;
        c.OutlookBorderColor = c.DropDownBorderColor1;
        c.GroupIndentColor = F;
        c.GroupRowTextColor = c.GroupRowSeparatorColor = S;
        c.NavPaneBorder = real(sys.BtnShadow);
        const COLORREF face = sys.BtnFace;
        const COLORREF lightCaption =
            RGB(Channel(face, 0) * 127 / 255 + 128, Channel(face, 1) * 127 / 255 + 128, Channel(face, 2) * 127 / 255 + 128);
        auto darkRule = [](int ch) { return ch - ch * 4 / 255 + 4; };
        const COLORREF darkCaption =
            FromChannels(darkRule(Channel(face, 0)), darkRule(Channel(face, 1)), darkRule(Channel(face, 2)));
        c.NavPaneGroupCaptionColor1 = real(lightCaption);
        c.NavPaneGroupCaptionColor2 = real(darkCaption);
        c.NavPaneGroupCaptionHotColor1 = c.SelectedColor1;
        c.NavPaneGroupCaptionHotColor2 = c.SelectedColor2;
        c.NavPaneGroupCaptionPressedColor1 = c.NavPaneGroupCaptionPressedColor2 = c.DownedColor;
        c.NavPaneGroupCaptionPressedHotColor1 = c.NavPaneGroupCaptionPressedHotColor2 = c.DownedSelectedColor;
        c.NavPaneHeaderColor1 = c.NavPaneHeaderColor2 = c.NavPaneBorder;
        c.NavPaneHeaderFontColor = AsColor(sys.HighlightText);
        c.NavPaneSplitterColor1 = real(sys.BtnFace);
        c.NavPaneSplitterColor2 = c.NavPaneBorder;
    }

    c.BarFloatingBorderColor3 = c.ToolbarsColor1;
    c.BarFloatingCaptionColor = c.BarFloatingBorderColor1;
    c.DropDownBorderColor2 = c.MenuColor;
    c.MenuDownedColor1 = c.MenuIndentColor1 = c.ToolbarsColor1;
    c.MenuDownedColor2 = c.MenuIndentColor2 = c.ToolbarsColor2;
    c.MenuNonRecentIndentColor1 = M(c.MenuIndentColor1, AsColor(Black), 92);
    c.MenuNonRecentIndentColor2 = M(c.MenuIndentColor2, AsColor(Black), 92);
    c.DetachableSelectedColor = c.ToolbarSelectedColor;
    c.StaticBorderColor = c.ControlBorderColor = c.DropDownBorderColor1;
    c.DateHeaderColor = c.DockColor1;
    c.InPlaceSubItemColor = c.BarBorderMarkColors[3];
    c.InPlaceSubItemTextColor = c.BarFloatingCaptionTextColor1;
    c.ExpandButtonColor1 = AsColor(Hex(0x9EAEBF));
    c.ExpandButtonColor2 = AsColor(Hex(0x2E465F));
    return c;
}

void dxRecolorSubMenuExpandPixels(std::vector<COLORREF>& pixels, COLORREF a, COLORREF b,
                                  const TdxRealColorFunc& realColor)
{
    if (pixels.empty()) return;
    if (a == b) b = a == Black ? White : Black;
    const COLORREF background = pixels[0];
    auto shaded = [&](COLORREF p) { return p != background && p != Black; };
    int smallest = 256, largest = -1;
    for (COLORREF p : pixels) {
        if (!shaded(p)) continue;
        smallest = std::min(smallest, Channel(p, 0));
        largest = std::max(largest, Channel(p, 0));
    }
    if (largest < 0) return;
    for (COLORREF& p : pixels) {
        if (!shaded(p)) continue;
        // A glyph in one tone has no range to spread: it takes the lighter colour whole
        // rather than dividing by zero.
        const int percent = largest == smallest ? 100 : (Channel(p, 0) - smallest) * 100 / (largest - smallest);
        const COLORREF mixed = dxMiddleRGB(a, b, percent);
        p = realColor ? realColor(mixed) : mixed;
    }
}

std::vector<TdxGradientBand> dxGradientBands(const RECT& r, COLORREF color1, COLORREF color2, bool horizontal)
{
    const int start = horizontal ? r.left : r.top;
    const int extent = horizontal ? r.right - r.left : r.bottom - r.top;
    std::vector<TdxGradientBand> bands;
    if (extent <= 0) return bands;
    const int count = std::min(extent, 256);
    int bandStart = start;
    for (int k = 0; k < count; ++k) {
        const int bandEnd = start + dxMulDiv(k + 1, extent, count);
        int channels[3];
        for (int i = 0; i < 3; ++i) {
            const int c1 = Channel(color1, i), c2 = Channel(color2, i);
            // One band has no second colour to run to.
            channels[i] = count == 1 ? c1 : c1 + dxMulDiv(k, c2 - c1, count - 1);
        }
        if (bandEnd > bandStart) bands.push_back({bandStart, bandEnd, FromChannels(channels[0], channels[1], channels[2])});
        bandStart = std::max(bandStart, bandEnd);
    }
    return bands;
}

std::vector<TdxGradientBand> dxTubeGradientBands(const RECT& r, COLORREF color1, COLORREF color2, bool horizontal,
                                                 int percent)
{
    const int start = horizontal ? r.left : r.top;
    const int n = horizontal ? r.right - r.left : r.bottom - r.top;
    std::vector<TdxGradientBand> bands;
    if (n <= 0) return bands;
    const int h = n / 2;
    int bend[3], first[3], last[3];
    for (int i = 0; i < 3; ++i) {
        const int c1 = Channel(color1, i), c2 = Channel(color2, i);
        bend[i] = c1 - dxMulDiv(c1 - c2, percent, 200);
        // With one pixel there is no first half (h = 0): only the bend band is drawn.
        first[i] = h > 0 ? c1 - dxMulDiv(c1 - bend[i], n, h) : c1;
        last[i] = h > 0 ? c2 + dxMulDiv(bend[i] - c2, n, h) : c2;
    }
    bands.reserve(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) {
        int channels[3];
        for (int i = 0; i < 3; ++i) {
            const int c1 = Channel(color1, i), c2 = Channel(color2, i);
            if (k < h)
                channels[i] = c1 + dxMulDiv(k, first[i] - c1, n - 1);
            else if (k == h)
                channels[i] = bend[i];
            else
                channels[i] = last[i] + dxMulDiv(k, c2 - last[i], n - 1);
        }
        // Channels are clamped: a steep bend can overshoot, and RGB() would carry the
        // excess into the next channel.
        bands.push_back({start + k, start + k + 1, FromChannels(channels[0], channels[1], channels[2])});
    }
    return bands;
}

TdxOffice11SystemColors TdxOffice11SystemColors::Current()
{
    TdxOffice11SystemColors sys;
    sys.BtnFace = GetSysColor(COLOR_BTNFACE);
    sys.Window = GetSysColor(COLOR_WINDOW);
    sys.BtnShadow = GetSysColor(COLOR_BTNSHADOW);
    sys.BtnText = GetSysColor(COLOR_BTNTEXT);
    sys.GrayText = GetSysColor(COLOR_GRAYTEXT);
    sys.BtnHighlight = GetSysColor(COLOR_BTNHIGHLIGHT);
    sys.Highlight = GetSysColor(COLOR_HIGHLIGHT);
    sys.HighlightText = GetSysColor(COLOR_HIGHLIGHTTEXT);
    return sys;
}

// --- The process-wide colour set ----------------------------------------------------------

void CreateOffice11Colors()
{
    if (GRefCount == 0) {
        CalculateColors();
        CreateBrushesAndBitmaps();
    }
    ++GRefCount;
}

void ReleaseOffice11Colors()
{
    // An unbalanced release must not drive the count below zero, or the next Create
    // would skip making the brushes.
    if (GRefCount == 0) return;
    if (--GRefCount == 0) FreeBrushesAndBitmaps();
}

void RefreshOffice11Colors()
{
    CalculateColors();
    if (GRefCount > 0) {
        FreeBrushesAndBitmaps();
        CreateBrushesAndBitmaps();
    }
}

int Office11ColorsRefCount()
{
    return GRefCount;
}

TOffice11Scheme GetOffice11Scheme()
{
    return GScheme;
}

bool IsXPStandardScheme()
{
    return GXPStandardScheme;
}

bool IsHighContrastBlack()
{
    return GetSysColor(COLOR_BTNFACE) == Black;
}

bool IsHighContrastWhite()
{
    return GetSysColor(COLOR_BTNFACE) == White;
}

bool IsHighContrast2()
{
    return GetSysColor(COLOR_BTNFACE) == Black && GetSysColor(COLOR_BTNTEXT) != White;
}

TColor GetRealColor(TColor color)
{
    return AsColor(ScreenRealColor(ColorToRGB(color)));
}

TColor GetMiddleRGB(TColor a, TColor b, int percent)
{
    return AsColor(ScreenRealColor(dxMiddleRGB(ColorToRGB(a), ColorToRGB(b), percent)));
}

TColor GetLightColor(int facePercent, int highlightPercent, int windowPercent)
{
    return AsColor(dxLightColor(GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_WINDOW),
                                facePercent, highlightPercent, windowPercent));
}

TColor Dark(TColor color, int percent)
{
    const COLORREF c = ColorToRGB(color);
    auto dark = [&](int ch) { return ch * percent / 100; };
    return AsColor(FromChannels(dark(Channel(c, 0)), dark(Channel(c, 1)), dark(Channel(c, 2))));
}

TColor Light(TColor color, int percent)
{
    const COLORREF c = ColorToRGB(color);
    auto light = [&](int ch) { return static_cast<int>(std::trunc(255.0 - percent / 100.0 * (255 - ch))); };
    return AsColor(FromChannels(light(Channel(c, 0)), light(Channel(c, 1)), light(Channel(c, 2))));
}

// --- Drawing ------------------------------------------------------------------------------------

TdxGradientFillProc dxOffice11GradientFill()
{
    return GGradientFillOverridden ? GGradientFillOverride : Msimg32().GradientFill;
}

void dxSetOffice11GradientFill(TdxGradientFillProc proc)
{
    GGradientFillOverridden = proc != Msimg32().GradientFill;
    GGradientFillOverride = proc;
}

void FillGradientRect(HDC dc, const RECT& r, TColor color1, TColor color2, bool horizontal)
{
    const COLORREF c1 = ColorToRGB(color1), c2 = ColorToRGB(color2);
    if (c1 == c2) {
        FillSolid(dc, r, c1);
        return;
    }
    if (r.right <= r.left || r.bottom <= r.top) return;
    if (TdxGradientFillProc gradientFill = dxOffice11GradientFill()) {
        TRIVERTEX vertices[2] = {
            {r.left, r.top, static_cast<COLOR16>(GetRValue(c1) << 8), static_cast<COLOR16>(GetGValue(c1) << 8),
             static_cast<COLOR16>(GetBValue(c1) << 8), 0},
            {r.right, r.bottom, static_cast<COLOR16>(GetRValue(c2) << 8), static_cast<COLOR16>(GetGValue(c2) << 8),
             static_cast<COLOR16>(GetBValue(c2) << 8), 0},
        };
        GRADIENT_RECT mesh{0, 1};
        if (gradientFill(dc, vertices, 2, &mesh, 1, horizontal ? GRADIENT_FILL_RECT_H : GRADIENT_FILL_RECT_V)) return;
        // The platform refused (a printer DC, say): the bands still give the gradient.
    }
    FillBands(dc, r, dxGradientBands(r, c1, c2, horizontal), horizontal);
}

void FillTubeGradientRect(HDC dc, const RECT& r, TColor color1, TColor color2, bool horizontal)
{
    const COLORREF c1 = ColorToRGB(color1), c2 = ColorToRGB(color2);
    if (c1 == c2) {
        FillSolid(dc, r, c1);
        return;
    }
    FillBands(dc, r, dxTubeGradientBands(r, c1, c2, horizontal, dxOffice11Colors.TubeGradientPercent), horizontal);
}

TColor GetGradientColorRect(const RECT& r, int position, TColor color1, TColor color2, bool horizontal)
{
    const std::vector<TdxGradientBand> bands = dxGradientBands(r, ColorToRGB(color1), ColorToRGB(color2), horizontal);
    if (bands.empty()) return AsColor(ColorToRGB(color1));
    for (const TdxGradientBand& band : bands)
        if (position < band.End) return AsColor(band.Color);
    return AsColor(bands.back().Color);
}

void FillRectByColor(HDC dc, const RECT& r, TColor color)
{
    FillSolid(dc, r, ColorToRGB(color));
}

void FrameRectByColor(HDC dc, const RECT& r, TColor color)
{
    if (r.right <= r.left || r.bottom <= r.top) return;
    const COLORREF previous = SetDCBrushColor(dc, ColorToRGB(color));
    FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    if (previous != CLR_INVALID) SetDCBrushColor(dc, previous);
}

void Office11FrameSelectedRect(HDC dc, const RECT& r)
{
    if (IsHighContrastBlack() || IsHighContrast2()) {
        FrameRectByColor(dc, r, AsColor(GetSysColor(COLOR_HIGHLIGHTTEXT)));
        return;
    }
    if (dxOffice11SelectedBorderBrush)
        FrameRect(dc, &r, dxOffice11SelectedBorderBrush);
    else
        FrameRectByColor(dc, r, dxOffice11Colors.SelectedBorderColor);
}

void Office11DrawFingerElements(HDC dc, const RECT& r, bool horizontal)
{
    // 2x2 dots every 4 pixels, each with its light shadow one pixel down and right.
    const int along = horizontal ? r.bottom - r.top : r.right - r.left;
    const int x0 = horizontal ? r.left + (r.right - r.left - 3) / 2 : r.left + 1;
    const int y0 = horizontal ? r.top + 1 : r.top + (r.bottom - r.top - 3) / 2;
    for (int offset = 0; offset + 3 <= along; offset += 4) {
        const int x = horizontal ? x0 : x0 + offset;
        const int y = horizontal ? y0 + offset : y0;
        FillRectByColor(dc, {x + 1, y + 1, x + 3, y + 3}, dxOffice11Colors.BarFingerColor2);
        FillRectByColor(dc, {x, y, x + 2, y + 2}, dxOffice11Colors.BarFingerColor1);
    }
}

namespace {

// A filled triangle of lines: size rows, each one pixel shorter at both ends.
void DrawArrow(HDC dc, const RECT& r, bool vertical, TColor color, int size)
{
    const int cx = (r.left + r.right) / 2;
    const int cy = (r.top + r.bottom) / 2;
    for (int i = 0; i < size; ++i) {
        const int half = size - 1 - i;
        RECT line = vertical ? RECT{cx - half, cy - size / 2 + i, cx + half + 1, cy - size / 2 + i + 1}
                             : RECT{cx - size / 2 + i, cy - half, cx - size / 2 + i + 1, cy + half + 1};
        FillRectByColor(dc, line, color);
    }
}

} // namespace

void Office11DrawItemArrow(HDC dc, const RECT& r, bool vertical, TColor color)
{
    DrawArrow(dc, r, vertical, color, 3);
}

void Office11DrawLargeItemArrow(HDC dc, const RECT& r, bool vertical, TColor color)
{
    DrawArrow(dc, r, vertical, color, 4);
}

void Office11DrawSizeGrip(HDC dc, const RECT& r)
{
    // Three rows of dots stepping up to the bottom-right corner.
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col <= row; ++col) {
            const int x = r.right - 4 - 4 * (row - col);
            const int y = r.bottom - 4 - 4 * col;
            FillRectByColor(dc, {x + 1, y + 1, x + 3, y + 3}, dxOffice11Colors.BarFingerColor2);
            FillRectByColor(dc, {x, y, x + 2, y + 2}, dxOffice11Colors.BarFingerColor1);
        }
}
