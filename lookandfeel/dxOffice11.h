// The Office 2003 colour set: process-wide colours, brushes and three small bitmaps that
// the Office 2003 painter and bar-style drawing read.
//
// On a themed desktop running one of the three standard colour schemes (blue, olive,
// silver) the colours come from a fixed table per scheme; otherwise they are computed
// from the system colours. The arithmetic (colour maths, scheme tables, gradient bands,
// the recolouring of the submenu bitmap) is plain code without device contexts, with
// inputs passed in, so it is tested directly; the functions that read the desktop or
// draw are thin layers over it.
//
// GUI thread only: the colours, brushes and bitmaps are process-wide and unguarded.
// Brush and bitmap handles are owned by this unit: never delete them.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/graphics.h"

enum TOffice11Scheme { schUnknown, schNormalColor, schHomestead, schMetallic };

// Every colour of the set, as RGB values once computed. The globals below are these
// fields under their public names.
struct TdxOffice11Colors {
    TColor DockColor1 = 0, DockColor2 = 0;
    TColor ToolbarsColor1 = 0, ToolbarsColor2 = 0;
    TColor BarMarkColors1[3] = {}, BarMarkColors2[3] = {};
    TColor BarBorderColors[2] = {};
    TColor BarBorderMarkColors[6] = {};
    TColor BarFingerColor1 = 0, BarFingerColor2 = 0;
    TColor BarSeparatorColor1 = 0, BarSeparatorColor2 = 0;
    TColor BarMarkArrowColor1 = 0, BarMarkArrowColor2 = 0;
    TColor BarFloatingBorderColor1 = 0, BarFloatingBorderColor2 = 0, BarFloatingBorderColor3 = 0;
    TColor BarFloatingCaptionColor = 0;
    TColor BarFloatingCaptionTextColor1 = 0, BarFloatingCaptionTextColor2 = 0, BarFloatingCaptionTextColor3 = 0;
    TColor MenuColor = 0;
    TColor MenuDownedColor1 = 0, MenuDownedColor2 = 0;
    TColor MenuIndentColor1 = 0, MenuIndentColor2 = 0;
    TColor MenuNonRecentIndentColor1 = 0, MenuNonRecentIndentColor2 = 0;
    TColor DropDownBorderColor1 = 0, DropDownBorderColor2 = 0;
    TColor ToolbarSelectedColor = 0;
    TColor SelectedBorderColor = 0;
    TColor SelectedColor1 = 0, SelectedColor2 = 0;
    TColor SelectedDownColor1 = 0, SelectedDownColor2 = 0;
    TColor OwnerControlDownedColor = 0;
    TColor DownedColor = 0, DownedSelectedColor = 0;
    TColor DetachableColor = 0, DetachableSelectedColor = 0;
    TColor TextEnabledColor = 0, TextDisabledColor = 0;
    TColor StaticBorderColor = 0;
    TColor DateHeaderColor = 0;
    TColor InPlaceSubItemColor = 0, InPlaceSubItemTextColor = 0;
    TColor ControlBorderColor = 0;
    TColor GroupColor = 0;
    TColor DayNavigatorSelectedColor = 0;
    TColor OutlookBorderColor = 0, OutlookControlColor = 0;
    TColor GroupIndentColor = 0, GroupRowTextColor = 0, GroupRowSeparatorColor = 0;
    TColor NavPaneBorder = 0;
    TColor NavPaneGroupCaptionColor1 = 0, NavPaneGroupCaptionColor2 = 0;
    TColor NavPaneGroupCaptionHotColor1 = 0, NavPaneGroupCaptionHotColor2 = 0;
    TColor NavPaneGroupCaptionPressedColor1 = 0, NavPaneGroupCaptionPressedColor2 = 0;
    TColor NavPaneGroupCaptionPressedHotColor1 = 0, NavPaneGroupCaptionPressedHotColor2 = 0;
    TColor NavPaneHeaderColor1 = 0, NavPaneHeaderColor2 = 0, NavPaneHeaderFontColor = 0;
    TColor NavPaneSplitterColor1 = 0, NavPaneSplitterColor2 = 0;
    TColor ExpandButtonColor1 = 0, ExpandButtonColor2 = 0;
    // The bend of the tube gradient, in percent.
    int TubeGradientPercent = 75;
};

// The system colours the computed branch reads, as RGB values.
struct TdxOffice11SystemColors {
    COLORREF BtnFace = 0, Window = 0, BtnShadow = 0, BtnText = 0, GrayText = 0, BtnHighlight = 0, Highlight = 0,
             HighlightText = 0;
    // The desktop's values now.
    static TdxOffice11SystemColors Current();
};

// The screen's nearest displayable colour; the pure functions take it as a parameter so
// tests can pass the identity.
using TdxRealColorFunc = std::function<COLORREF(COLORREF)>;

// --- Pure arithmetic (any thread) ---------------------------------------------------------

// a × b ÷ c rounded half away from zero, as the platform's MulDiv; -1 when c is 0.
int dxMulDiv(int a, int b, int c) noexcept;
// Per channel min(255, b × (100 - p) ÷ 100 + a × p ÷ 100): p percent of a, the rest of b.
COLORREF dxMiddleRGB(COLORREF a, COLORREF b, int percent) noexcept;
// Per channel face × f ÷ 100 + highlight × h ÷ 100 + window × w ÷ 100, clamped to 0..255;
// the highlight itself when face is black or white (high contrast).
COLORREF dxLightColor(COLORREF face, COLORREF highlight, COLORREF window, int facePercent, int highlightPercent,
                      int windowPercent) noexcept;
// The scheme for the current theme's file path and colour name: file "LUNA.MSSTYLES" (or
// any file on systems of major version above 5) with colour "NORMALCOLOR", "HOMESTEAD"
// or "METALLIC", case ignored; schUnknown otherwise.
TOffice11Scheme dxOffice11SchemeFromThemeName(const std::wstring& themeFile, const std::wstring& colorName,
                                              DWORD osMajorVersion);
// The whole colour set: the scheme's table when scheme is not schUnknown, else computed
// from sys. realColor is applied where the computed branch asks for the nearest colour.
TdxOffice11Colors dxCalculateOffice11Colors(TOffice11Scheme scheme, const TdxOffice11SystemColors& sys,
                                            const TdxRealColorFunc& realColor);
// Recolours the submenu-expand glyph in place (pixels row by row, RGB values): pixel 0 is
// the background; every pixel that is neither background nor black gets a colour between
// a (the lightest red) and b (the darkest), b becoming black (white when a is black)
// when the two are equal.
void dxRecolorSubMenuExpandPixels(std::vector<COLORREF>& pixels, COLORREF a, COLORREF b,
                                  const TdxRealColorFunc& realColor);

// One band of a gradient: pixels [Start, End) along the gradient's direction.
struct TdxGradientBand {
    int Start;
    int End;
    COLORREF Color;
    bool operator==(const TdxGradientBand&) const = default;
};
// The banded linear gradient used without the platform's GradientFill: min(extent, 256)
// bands across r (width when horizontal, height otherwise); empty bands left out.
std::vector<TdxGradientBand> dxGradientBands(const RECT& r, COLORREF color1, COLORREF color2, bool horizontal);
// The tube gradient: one-pixel bands running from color1 to a bend colour at the middle
// and on to color2; percent sets how far the bend lies towards color2 (100 = halfway).
std::vector<TdxGradientBand> dxTubeGradientBands(const RECT& r, COLORREF color1, COLORREF color2, bool horizontal,
                                                 int percent);

// --- The process-wide colour set (GUI thread) --------------------------------------------

// Computes the colours and creates brushes and bitmaps when no user holds them; counts
// the users.
void CreateOffice11Colors();
// One user less; the last one frees the brushes and bitmaps. Extra calls do nothing.
void ReleaseOffice11Colors();
// Recomputes the colours (from the desktop as it is now); when users hold them, the
// brushes and bitmaps are made again.
void RefreshOffice11Colors();
// The number of users (CreateOffice11Colors minus ReleaseOffice11Colors).
int Office11ColorsRefCount();

// The scheme found by the last computation of the colours.
TOffice11Scheme GetOffice11Scheme();
// True when the last computation used a scheme table (themes on and a standard scheme).
bool IsXPStandardScheme();
bool IsHighContrastBlack();   // clBtnFace is black
bool IsHighContrastWhite();   // clBtnFace is white
bool IsHighContrast2();       // clBtnFace is black and clBtnText is not white

// The desktop's counterparts of the pure arithmetic: system colours resolved now, results
// passed through the screen's nearest colour where said.
TColor GetRealColor(TColor color);
TColor GetMiddleRGB(TColor a, TColor b, int percent);          // through GetRealColor
TColor GetLightColor(int facePercent, int highlightPercent, int windowPercent);
TColor Dark(TColor color, int percent);    // per channel truncate(channel × p ÷ 100)
TColor Light(TColor color, int percent);   // per channel truncate(255 - p ÷ 100 × (255 - channel))

// --- Drawing (GUI thread; dc must be valid) -------------------------------------------------

// A linear gradient from color1 (left or top) to color2 (right or bottom). Uses the
// platform's GradientFill when "msimg32.dll" has it, else the bands of dxGradientBands.
void FillGradientRect(HDC dc, const RECT& r, TColor color1, TColor color2, bool horizontal);
void FillTubeGradientRect(HDC dc, const RECT& r, TColor color1, TColor color2, bool horizontal);
// The colour the banded fill gives the pixel at position (x when horizontal, else y);
// positions before the first band get the first band's colour, after the last the last's.
TColor GetGradientColorRect(const RECT& r, int position, TColor color1, TColor color2, bool horizontal);
void FillRectByColor(HDC dc, const RECT& r, TColor color);
void FrameRectByColor(HDC dc, const RECT& r, TColor color);
// A one-pixel frame: clHighlightText on the high-contrast black desktops, else the
// selected-border brush.
void Office11FrameSelectedRect(HDC dc, const RECT& r);
// Bar gripper dots along r (a column when horizontal bars, a row otherwise).
void Office11DrawFingerElements(HDC dc, const RECT& r, bool horizontal);
// A small arrow centred in r: pointing down (vertical) or right.
void Office11DrawItemArrow(HDC dc, const RECT& r, bool vertical, TColor color);
void Office11DrawLargeItemArrow(HDC dc, const RECT& r, bool vertical, TColor color);
// The size grip's dots in the bottom-right corner of r.
void Office11DrawSizeGrip(HDC dc, const RECT& r);

// Seam for tests: the platform's GradientFill in use (null when missing). Setting null
// forces the banded fill; set the saved value back afterwards.
using TdxGradientFillProc = BOOL(WINAPI*)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);
TdxGradientFillProc dxOffice11GradientFill();
void dxSetOffice11GradientFill(TdxGradientFillProc proc);

// --- The process-wide state under its public names ------------------------------------------

extern TdxOffice11Colors dxOffice11Colors;

inline TColor& dxOffice11DockColor1 = dxOffice11Colors.DockColor1;
inline TColor& dxOffice11DockColor2 = dxOffice11Colors.DockColor2;
inline TColor& dxOffice11ToolbarsColor1 = dxOffice11Colors.ToolbarsColor1;
inline TColor& dxOffice11ToolbarsColor2 = dxOffice11Colors.ToolbarsColor2;
inline TColor (&dxOffice11BarMarkColors1)[3] = dxOffice11Colors.BarMarkColors1;
inline TColor (&dxOffice11BarMarkColors2)[3] = dxOffice11Colors.BarMarkColors2;
inline TColor (&dxOffice11BarBorderColors)[2] = dxOffice11Colors.BarBorderColors;
inline TColor (&dxOffice11BarBorderMarkColors)[6] = dxOffice11Colors.BarBorderMarkColors;
inline TColor& dxOffice11BarFingerColor1 = dxOffice11Colors.BarFingerColor1;
inline TColor& dxOffice11BarFingerColor2 = dxOffice11Colors.BarFingerColor2;
inline TColor& dxOffice11BarSeparatorColor1 = dxOffice11Colors.BarSeparatorColor1;
inline TColor& dxOffice11BarSeparatorColor2 = dxOffice11Colors.BarSeparatorColor2;
inline TColor& dxOffice11BarMarkArrowColor1 = dxOffice11Colors.BarMarkArrowColor1;
inline TColor& dxOffice11BarMarkArrowColor2 = dxOffice11Colors.BarMarkArrowColor2;
inline TColor& dxOffice11BarFloatingBorderColor1 = dxOffice11Colors.BarFloatingBorderColor1;
inline TColor& dxOffice11BarFloatingBorderColor2 = dxOffice11Colors.BarFloatingBorderColor2;
inline TColor& dxOffice11BarFloatingBorderColor3 = dxOffice11Colors.BarFloatingBorderColor3;
inline TColor& dxOffice11BarFloatingCaptionColor = dxOffice11Colors.BarFloatingCaptionColor;
inline TColor& dxOffice11BarFloatingCaptionTextColor1 = dxOffice11Colors.BarFloatingCaptionTextColor1;
inline TColor& dxOffice11BarFloatingCaptionTextColor2 = dxOffice11Colors.BarFloatingCaptionTextColor2;
inline TColor& dxOffice11BarFloatingCaptionTextColor3 = dxOffice11Colors.BarFloatingCaptionTextColor3;
inline TColor& dxOffice11MenuColor = dxOffice11Colors.MenuColor;
inline TColor& dxOffice11MenuDownedColor1 = dxOffice11Colors.MenuDownedColor1;
inline TColor& dxOffice11MenuDownedColor2 = dxOffice11Colors.MenuDownedColor2;
inline TColor& dxOffice11MenuIndentColor1 = dxOffice11Colors.MenuIndentColor1;
inline TColor& dxOffice11MenuIndentColor2 = dxOffice11Colors.MenuIndentColor2;
inline TColor& dxOffice11MenuNonRecentIndentColor1 = dxOffice11Colors.MenuNonRecentIndentColor1;
inline TColor& dxOffice11MenuNonRecentIndentColor2 = dxOffice11Colors.MenuNonRecentIndentColor2;
inline TColor& dxOffice11DropDownBorderColor1 = dxOffice11Colors.DropDownBorderColor1;
inline TColor& dxOffice11DropDownBorderColor2 = dxOffice11Colors.DropDownBorderColor2;
inline TColor& dxOffice11ToolbarSelectedColor = dxOffice11Colors.ToolbarSelectedColor;
inline TColor& dxOffice11SelectedBorderColor = dxOffice11Colors.SelectedBorderColor;
inline TColor& dxOffice11SelectedColor1 = dxOffice11Colors.SelectedColor1;
inline TColor& dxOffice11SelectedColor2 = dxOffice11Colors.SelectedColor2;
inline TColor& dxOffice11SelectedDownColor1 = dxOffice11Colors.SelectedDownColor1;
inline TColor& dxOffice11SelectedDownColor2 = dxOffice11Colors.SelectedDownColor2;
inline TColor& dxOffice11OwnerControlDownedColor = dxOffice11Colors.OwnerControlDownedColor;
inline TColor& dxOffice11DownedColor = dxOffice11Colors.DownedColor;
inline TColor& dxOffice11DownedSelectedColor = dxOffice11Colors.DownedSelectedColor;
inline TColor& dxOffice11DetachableColor = dxOffice11Colors.DetachableColor;
inline TColor& dxOffice11DetachableSelectedColor = dxOffice11Colors.DetachableSelectedColor;
inline TColor& dxOffice11TextEnabledColor = dxOffice11Colors.TextEnabledColor;
inline TColor& dxOffice11TextDisabledColor = dxOffice11Colors.TextDisabledColor;
inline TColor& dxOffice11StaticBorderColor = dxOffice11Colors.StaticBorderColor;
inline TColor& dxOffice11DateHeaderColor = dxOffice11Colors.DateHeaderColor;
inline TColor& dxOffice11InPlaceSubItemColor = dxOffice11Colors.InPlaceSubItemColor;
inline TColor& dxOffice11InPlaceSubItemTextColor = dxOffice11Colors.InPlaceSubItemTextColor;
inline TColor& dxOffice11ControlBorderColor = dxOffice11Colors.ControlBorderColor;
inline TColor& dxOffice11GroupColor = dxOffice11Colors.GroupColor;
inline TColor& dxOffice11DayNavigatorSelectedColor = dxOffice11Colors.DayNavigatorSelectedColor;
inline TColor& dxOffice11OutlookBorderColor = dxOffice11Colors.OutlookBorderColor;
inline TColor& dxOffice11OutlookControlColor = dxOffice11Colors.OutlookControlColor;
inline TColor& dxOffice11GroupIndentColor = dxOffice11Colors.GroupIndentColor;
inline TColor& dxOffice11GroupRowTextColor = dxOffice11Colors.GroupRowTextColor;
inline TColor& dxOffice11GroupRowSeparatorColor = dxOffice11Colors.GroupRowSeparatorColor;
inline TColor& dxOffice11NavPaneBorder = dxOffice11Colors.NavPaneBorder;
inline TColor& dxOffice11NavPaneGroupCaptionColor1 = dxOffice11Colors.NavPaneGroupCaptionColor1;
inline TColor& dxOffice11NavPaneGroupCaptionColor2 = dxOffice11Colors.NavPaneGroupCaptionColor2;
inline TColor& dxOffice11NavPaneGroupCaptionHotColor1 = dxOffice11Colors.NavPaneGroupCaptionHotColor1;
inline TColor& dxOffice11NavPaneGroupCaptionHotColor2 = dxOffice11Colors.NavPaneGroupCaptionHotColor2;
inline TColor& dxOffice11NavPaneGroupCaptionPressedColor1 = dxOffice11Colors.NavPaneGroupCaptionPressedColor1;
inline TColor& dxOffice11NavPaneGroupCaptionPressedColor2 = dxOffice11Colors.NavPaneGroupCaptionPressedColor2;
inline TColor& dxOffice11NavPaneGroupCaptionPressedHotColor1 = dxOffice11Colors.NavPaneGroupCaptionPressedHotColor1;
inline TColor& dxOffice11NavPaneGroupCaptionPressedHotColor2 = dxOffice11Colors.NavPaneGroupCaptionPressedHotColor2;
inline TColor& dxOffice11NavPaneHeaderColor1 = dxOffice11Colors.NavPaneHeaderColor1;
inline TColor& dxOffice11NavPaneHeaderColor2 = dxOffice11Colors.NavPaneHeaderColor2;
inline TColor& dxOffice11NavPaneHeaderFontColor = dxOffice11Colors.NavPaneHeaderFontColor;
inline TColor& dxOffice11NavPaneSplitterColor1 = dxOffice11Colors.NavPaneSplitterColor1;
inline TColor& dxOffice11NavPaneSplitterColor2 = dxOffice11Colors.NavPaneSplitterColor2;
inline TColor& dxOffice11ExpandButtonColor1 = dxOffice11Colors.ExpandButtonColor1;
inline TColor& dxOffice11ExpandButtonColor2 = dxOffice11Colors.ExpandButtonColor2;

// Solid brushes, valid while Office11ColorsRefCount() > 0 (null otherwise). Some share a
// handle: MenuBrush and DropDownBorderBrush2; ToolbarSelectedBrush and
// DetachableSelectedBrush; StaticBorderBrush and DropDownBorderBrush1.
extern HBRUSH dxOffice11BarFingerBrush1, dxOffice11BarFingerBrush2;
extern HBRUSH dxOffice11BarSeparatorBrush1, dxOffice11BarSeparatorBrush2;
extern HBRUSH dxOffice11MenuBrush, dxOffice11SelectedBorderBrush, dxOffice11ToolbarSelectedBrush;
extern HBRUSH dxOffice11OwnerControlDownedBrush, dxOffice11DownedBrush, dxOffice11DownedSelectedBrush;
extern HBRUSH dxOffice11DropDownBorderBrush1, dxOffice11DropDownBorderBrush2;
extern HBRUSH dxOffice11DetachableBrush, dxOffice11DetachableSelectedBrush;
extern HBRUSH dxOffice11StaticBorderBrush, dxOffice11InPlaceSubItemBrush;

// Bitmaps from the resources "DXSUBMENUEXPAND" (recoloured to the toolbar colours),
// "DXEXPANDBUTTON_MINUS" and "DXEXPANDBUTTON_PLUS" of the executable; null while no user
// holds the colours, or when the executable lacks the resource.
extern HBITMAP dxOffice11SubMenuExpandBitmap, dxOffice11ExpandButtonBitmap1, dxOffice11ExpandButtonBitmap2;
