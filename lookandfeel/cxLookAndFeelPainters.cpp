// The button, border and arrow operations of the painter family. The operations of
// other elements live in cxLookAndFeelPainterElements.cpp.
#include "lookandfeel/cxLookAndFeelPainters.h"

#include "lookandfeel/dxOffice11.h"
#include "lookandfeel/dxThemeManager.h"
#include "lookandfeel/dxUxTheme.h"

namespace {

// Theme parts and states of the native painter (vssym32.h values, spelled out because
// the platform headers of older toolchains lack some of them).
constexpr int kButtonPushButtonPart = 1;
constexpr int kButtonNormalState = 1;
constexpr int kListViewBorderPart = 5;
constexpr int kScrollBarArrowPart = 1;
constexpr int kScrollBarThumbHorzPart = 2;
constexpr int kThemeFillColorProperty = 204;
constexpr int kThemeTextColorProperty = 3803;
constexpr DWORD kThemeButtonTextFlags = DT_CENTER | DT_VCENTER | DT_SINGLELINE;   // 0x25

// Truncating division, as the triangle arithmetic wants it (C++ already truncates).
constexpr int Div(int a, int b) noexcept { return a / b; }
// Half of x rounded to nearest, halves away from zero.
constexpr int Half(int x) noexcept { return x >= 0 ? (x + 1) / 2 : -((-x + 1) / 2); }

// A one-pixel outline in color.
void Frame(TcxCanvas& canvas, const RECT& r, TColor color) { canvas.FrameRect(r, color); }
// A one-pixel outline with left and top edges in a, right and bottom edges in b.
void RaisedFrame(TcxCanvas& canvas, const RECT& r, TColor a, TColor b) { canvas.DrawComplexFrame(r, a, b); }
RECT Shrink(const RECT& r, int by = 1) noexcept { return cxRectInflate(r, -by, -by); }

void FillTriangle(TcxCanvas& canvas, const TcxArrowPoints& points, TColor color)
{
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(color);
    canvas.Pen().SetColor(color);
    canvas.Polygon({points.P[0], points.P[1], points.P[2]});
}

TcxArrowPoints OffsetPoints(TcxArrowPoints points, int dx, int dy) noexcept
{
    for (POINT& p : points.P) {
        p.x += dx;
        p.y += dy;
    }
    return points;
}

TColor FromColorRef(COLORREF color) noexcept { return static_cast<TColor>(color & 0x00FFFFFF); }

}  // namespace

TcxArrowPoints CalculateArrowPoints(const RECT& rect, TcxArrowDirection direction, bool proportional, int size)
{
    RECT r = rect;
    if (proportional) {
        const int width = cxRectWidth(r);
        const int height = cxRectHeight(r);
        if (width > height) {
            const int d = Div(width - height, 2);
            r.left += d;
            r.right -= d;
        } else {
            const int d = Div(height - width, 2);
            r.top += d;
            r.bottom -= d;
        }
    }
    const bool vertical = direction == adUp || direction == adDown;
    int a = size;
    if (a == 0) a = Div((vertical ? cxRectWidth(r) : cxRectHeight(r)) - 1, 4) + 1;
    const int cx = vertical ? 2 * a - 1 : a;
    const int cy = vertical ? a : 2 * a - 1;

    TcxArrowPoints result{};
    switch (direction) {
    case adUp: {
        const POINT apex{Div(r.left + r.right - 1, 2), Half(r.top + r.bottom - cy)};
        const LONG baseY = apex.y + cy - 1;
        const LONG leftX = Div(r.left + r.right - cx, 2);
        result.P[0] = apex;
        result.P[1] = POINT{leftX, baseY};
        result.P[2] = POINT{leftX + cx - 1, baseY};
        break;
    }
    case adDown: {
        const LONG topY = Half(r.top + r.bottom - cy);
        const LONG leftX = Div(r.left + r.right - cx, 2);
        result.P[0] = POINT{Div(r.left + r.right - 1, 2), topY + cy - 1};
        result.P[1] = POINT{leftX, topY};
        result.P[2] = POINT{leftX + cx - 1, topY};
        break;
    }
    case adLeft: {
        const POINT apex{Div(r.left + r.right - cx, 2), Div(r.top + r.bottom, 2)};
        const LONG topY = Half(r.top + r.bottom - cy);
        result.P[0] = apex;
        result.P[1] = POINT{apex.x + cx - 1, topY};
        result.P[2] = POINT{apex.x + cx - 1, topY + cy - 1};
        break;
    }
    case adRight: {
        const LONG leftX = Div(r.left + r.right - cx, 2);
        const LONG topY = Half(r.top + r.bottom - cy);
        result.P[0] = POINT{leftX + cx - 1, Div(r.top + r.bottom, 2)};
        result.P[1] = POINT{leftX, topY};
        result.P[2] = POINT{leftX, topY + cy - 1};
        break;
    }
    }
    return result;
}

// ---- The base class ----

namespace {
class TcxCustomPainterInstance final : public TcxCustomLookAndFeelPainter {};
class TcxStandardPainterInstance final : public TcxStandardLookAndFeelPainter {};
class TcxFlatPainterInstance final : public TcxFlatLookAndFeelPainter {};
class TcxUltraFlatPainterInstance final : public TcxUltraFlatLookAndFeelPainter {};
class TcxOffice11PainterInstance final : public TcxOffice11LookAndFeelPainter {};
class TcxWinXPPainterInstance final : public TcxWinXPLookAndFeelPainter {};
}  // namespace

// The instances are function-local statics, so a painter is usable from other units'
// start-up code whatever the order in which the units start.
TcxLookAndFeelPainterClass TcxCustomLookAndFeelPainter::PainterClass() noexcept
{
    static const TcxCustomPainterInstance instance;
    return &instance;
}
TcxLookAndFeelPainterClass TcxStandardLookAndFeelPainter::PainterClass() noexcept
{
    static const TcxStandardPainterInstance instance;
    return &instance;
}
TcxLookAndFeelPainterClass TcxFlatLookAndFeelPainter::PainterClass() noexcept
{
    static const TcxFlatPainterInstance instance;
    return &instance;
}
TcxLookAndFeelPainterClass TcxUltraFlatLookAndFeelPainter::PainterClass() noexcept
{
    static const TcxUltraFlatPainterInstance instance;
    return &instance;
}
TcxLookAndFeelPainterClass TcxOffice11LookAndFeelPainter::PainterClass() noexcept
{
    static const TcxOffice11PainterInstance instance;
    return &instance;
}
TcxLookAndFeelPainterClass TcxWinXPLookAndFeelPainter::PainterClass() noexcept
{
    static const TcxWinXPPainterInstance instance;
    return &instance;
}

TcxLookAndFeelStyle TcxCustomLookAndFeelPainter::LookAndFeelStyle() const { return lfsStandard; }

void TcxCustomLookAndFeelPainter::DrawArrow(TcxCanvas& canvas, const RECT& r, TcxButtonState state,
                                            TcxArrowDirection direction, bool drawBorder) const
{
    if (drawBorder)
        DrawArrowBorder(canvas, r, state);
    else
        canvas.FillRect(r, ButtonColor(state));
    FillTriangle(canvas, CalculateArrowPoints(r, direction, false), ButtonSymbolColor(state));
}

void TcxCustomLookAndFeelPainter::DrawArrow(TcxCanvas& canvas, const RECT& r, TcxArrowDirection direction,
                                            TColor color) const
{
    FillTriangle(canvas, CalculateArrowPoints(r, direction, true), color);
}

void TcxCustomLookAndFeelPainter::DrawArrowBorder(TcxCanvas& canvas, const RECT& r, TcxButtonState state) const
{
    canvas.Brush().SetStyle(bsSolid);
    canvas.FillRect(r, ButtonColor(state));
    DrawButtonBorder(canvas, r, state);
}

void TcxCustomLookAndFeelPainter::DrawScrollBarArrow(TcxCanvas& canvas, const RECT& rect, TcxButtonState state,
                                                     TcxArrowDirection direction) const
{
    RECT r = rect;
    if (state == cxbsPressed) r = cxRectOffset(r, ButtonTextShift(), ButtonTextShift());
    const TcxArrowPoints points = CalculateArrowPoints(r, direction, true);
    if (state == cxbsDisabled) {
        FillTriangle(canvas, OffsetPoints(points, 1, 1), clBtnHighlight);
        FillTriangle(canvas, points, clBtnShadow);
    } else {
        FillTriangle(canvas, points, ButtonSymbolColor(state));
    }
}

int TcxCustomLookAndFeelPainter::BorderSize() const { return 0; }
void TcxCustomLookAndFeelPainter::DrawBorder(TcxCanvas&, const RECT&) const {}

int TcxCustomLookAndFeelPainter::ButtonBorderSize(TcxButtonState) const { return 0; }
TColor TcxCustomLookAndFeelPainter::ButtonColor(TcxButtonState) const { return clBtnFace; }

void TcxCustomLookAndFeelPainter::ButtonFocusRect(TcxCanvas&, const RECT& r, RECT& focusRect) const
{
    focusRect = Shrink(r, 4);
    if (cxRectIsEmpty(focusRect)) focusRect = r;
}

int TcxCustomLookAndFeelPainter::ButtonTextOffset() const { return 0; }
int TcxCustomLookAndFeelPainter::ButtonTextShift() const { return 0; }

TColor TcxCustomLookAndFeelPainter::ButtonSymbolColor(TcxButtonState state, TColor defaultColor) const
{
    if (state == cxbsDisabled) return clBtnShadow;
    return defaultColor == clDefault ? clBtnText : defaultColor;
}

TcxButtonState TcxCustomLookAndFeelPainter::ButtonSymbolState(TcxButtonState state) const { return state; }

void TcxCustomLookAndFeelPainter::DrawButton(TcxCanvas& canvas, const RECT& rect, const std::string& caption,
                                             TcxButtonState state, bool drawBorder, TColor color, TColor textColor,
                                             bool wordWrap) const
{
    RECT r = rect;
    if (drawBorder) {
        DrawButtonBorder(canvas, r, state);
        r = Shrink(r, ButtonBorderSize(state));
    }
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(color == clDefault ? ButtonColor(state) : color);
    canvas.FillRect(r);
    canvas.Font().SetColor(textColor == clDefault ? ButtonSymbolColor(state) : textColor);
    canvas.Brush().SetStyle(bsClear);
    // The caption sits on an even number of rows, and a short button gains a row on top,
    // so the text's visual centre matches the classic system buttons.
    if (cxRectHeight(r) % 2 != 0) --r.bottom;
    if (cxRectHeight(r) < 18) --r.top;
    if (state == cxbsPressed) r = cxRectOffset(r, ButtonTextShift(), ButtonTextShift());
    if (!caption.empty()) {
        const UINT flags = DT_CENTER | DT_VCENTER | (wordWrap ? DT_WORDBREAK : DT_SINGLELINE);
        canvas.DrawText(caption, r, flags, state != cxbsDisabled);
    }
    canvas.Brush().SetStyle(bsSolid);
}

void TcxCustomLookAndFeelPainter::DrawButtonBorder(TcxCanvas&, const RECT&, TcxButtonState) const {}
bool TcxCustomLookAndFeelPainter::IsButtonHotTrack() const { return false; }

// ---- Standard ----

TcxLookAndFeelStyle TcxStandardLookAndFeelPainter::LookAndFeelStyle() const { return lfsStandard; }
int TcxStandardLookAndFeelPainter::BorderSize() const { return 2; }

void TcxStandardLookAndFeelPainter::DrawBorder(TcxCanvas& canvas, const RECT& r) const
{
    RaisedFrame(canvas, r, clBtnShadow, clBtnHighlight);
    RaisedFrame(canvas, Shrink(r), cl3DDkShadow, cl3DLight);
}

int TcxStandardLookAndFeelPainter::ButtonBorderSize(TcxButtonState state) const
{
    return state == cxbsDefault ? 3 : 2;
}
int TcxStandardLookAndFeelPainter::ButtonTextOffset() const { return 1; }
int TcxStandardLookAndFeelPainter::ButtonTextShift() const { return 1; }

void TcxStandardLookAndFeelPainter::DrawButtonBorder(TcxCanvas& canvas, const RECT& rect, TcxButtonState state) const
{
    RECT r = rect;
    if (state == cxbsPressed) {
        Frame(canvas, r, clBlack);
        RaisedFrame(canvas, Shrink(r), clBtnShadow, clBtnShadow);
        return;
    }
    if (state == cxbsDefault) {
        Frame(canvas, r, clBlack);
        r = Shrink(r);
    }
    RaisedFrame(canvas, r, clBtnHighlight, cl3DDkShadow);
    RaisedFrame(canvas, Shrink(r), cl3DLight, clBtnShadow);
}

// ---- Flat ----

TcxLookAndFeelStyle TcxFlatLookAndFeelPainter::LookAndFeelStyle() const { return lfsFlat; }
int TcxFlatLookAndFeelPainter::BorderSize() const { return 1; }

void TcxFlatLookAndFeelPainter::DrawBorder(TcxCanvas& canvas, const RECT& r) const
{
    RaisedFrame(canvas, r, clBtnShadow, clBtnHighlight);
}

int TcxFlatLookAndFeelPainter::ButtonBorderSize(TcxButtonState state) const { return state == cxbsDefault ? 2 : 1; }
int TcxFlatLookAndFeelPainter::ButtonTextOffset() const { return 1; }
int TcxFlatLookAndFeelPainter::ButtonTextShift() const { return 1; }

void TcxFlatLookAndFeelPainter::DrawButtonBorder(TcxCanvas& canvas, const RECT& rect, TcxButtonState state) const
{
    RECT r = rect;
    if (state == cxbsPressed) {
        RaisedFrame(canvas, r, clBtnShadow, clBtnHighlight);
        return;
    }
    if (state == cxbsDefault) {
        Frame(canvas, r, clBlack);
        r = Shrink(r);
    }
    RaisedFrame(canvas, r, clBtnHighlight, clBtnShadow);
}

// ---- UltraFlat ----

TcxLookAndFeelStyle TcxUltraFlatLookAndFeelPainter::LookAndFeelStyle() const { return lfsUltraFlat; }
int TcxUltraFlatLookAndFeelPainter::BorderSize() const { return 1; }
void TcxUltraFlatLookAndFeelPainter::DrawBorder(TcxCanvas& canvas, const RECT& r) const
{
    Frame(canvas, r, clBtnShadow);
}

int TcxUltraFlatLookAndFeelPainter::ButtonBorderSize(TcxButtonState state) const
{
    return state == cxbsDefault ? 2 : 1;
}

TColor TcxUltraFlatLookAndFeelPainter::ButtonColor(TcxButtonState state) const
{
    switch (state) {
    case cxbsHot: return GetLightSelColor();
    case cxbsPressed: return GetLightDownedSelColor();
    default: return clBtnFace;
    }
}

void TcxUltraFlatLookAndFeelPainter::ButtonFocusRect(TcxCanvas&, const RECT& r, RECT& focusRect) const
{
    focusRect = Shrink(r, 3);
    if (cxRectIsEmpty(focusRect)) focusRect = r;
}

int TcxUltraFlatLookAndFeelPainter::ButtonTextOffset() const { return 2; }
int TcxUltraFlatLookAndFeelPainter::ButtonTextShift() const { return 0; }

TColor TcxUltraFlatLookAndFeelPainter::ButtonSymbolColor(TcxButtonState state, TColor defaultColor) const
{
    if (state == cxbsPressed) return clHighlightText;
    return TcxCustomLookAndFeelPainter::ButtonSymbolColor(state, defaultColor);
}

TcxButtonState TcxUltraFlatLookAndFeelPainter::ButtonSymbolState(TcxButtonState) const { return cxbsNormal; }

void TcxUltraFlatLookAndFeelPainter::DrawButtonBorder(TcxCanvas& canvas, const RECT& r, TcxButtonState state) const
{
    switch (state) {
    case cxbsDefault:
        Frame(canvas, r, clWindowFrame);
        Frame(canvas, Shrink(r), clWindowFrame);
        break;
    case cxbsDisabled: Frame(canvas, r, clBtnShadow); break;
    case cxbsHot:
    case cxbsPressed: Frame(canvas, r, BorderHighlightColor()); break;
    default: Frame(canvas, r, clBtnText); break;
    }
}

bool TcxUltraFlatLookAndFeelPainter::IsButtonHotTrack() const { return true; }

TColor TcxUltraFlatLookAndFeelPainter::FilterDropDownButtonBorderColor(TcxButtonState state) const
{
    return state == cxbsNormal ? clWindow : BorderHighlightColor();
}
TColor TcxUltraFlatLookAndFeelPainter::TabBorderHighlightColor() const { return clBtnHighlight; }
TColor TcxUltraFlatLookAndFeelPainter::TabBorderDarkColor() const { return clBtnShadow; }
TColor TcxUltraFlatLookAndFeelPainter::BorderHighlightColor() const { return clHighlight; }

// ---- Office 2003 ----

TcxLookAndFeelStyle TcxOffice11LookAndFeelPainter::LookAndFeelStyle() const { return lfsOffice11; }

void TcxOffice11LookAndFeelPainter::DrawBorder(TcxCanvas& canvas, const RECT& r) const
{
    Frame(canvas, r, dxOffice11ControlBorderColor);
}

TColor TcxOffice11LookAndFeelPainter::ButtonColor(TcxButtonState state) const
{
    switch (state) {
    case cxbsHot: return dxOffice11SelectedColor1;
    case cxbsPressed: return dxOffice11SelectedDownColor1;
    case cxbsDisabled: return clBtnFace;
    default: return dxOffice11DockColor1;
    }
}

TColor TcxOffice11LookAndFeelPainter::ButtonSymbolColor(TcxButtonState state, TColor) const
{
    if (state == cxbsPressed && !IsXPStandardScheme()) return clHighlightText;
    if (state == cxbsDisabled) return dxOffice11TextDisabledColor;
    return dxOffice11TextEnabledColor;
}

void TcxOffice11LookAndFeelPainter::DrawButtonBorder(TcxCanvas& canvas, const RECT& r, TcxButtonState state) const
{
    switch (state) {
    case cxbsDefault: TcxUltraFlatLookAndFeelPainter::DrawButtonBorder(canvas, r, state); break;
    case cxbsDisabled: Frame(canvas, r, dxOffice11TextDisabledColor); break;
    case cxbsHot:
    case cxbsPressed: Frame(canvas, r, BorderHighlightColor()); break;
    default: Frame(canvas, r, clBtnText); break;
    }
}

TColor TcxOffice11LookAndFeelPainter::FilterDropDownButtonBorderColor(TcxButtonState state) const
{
    return state == cxbsNormal ? dxOffice11ControlBorderColor : BorderHighlightColor();
}
TColor TcxOffice11LookAndFeelPainter::TabBorderHighlightColor() const { return dxOffice11Colors.DockColor2; }
TColor TcxOffice11LookAndFeelPainter::TabBorderDarkColor() const { return dxOffice11ControlBorderColor; }
TColor TcxOffice11LookAndFeelPainter::BorderHighlightColor() const { return dxOffice11SelectedBorderColor; }
TColor TcxOffice11LookAndFeelPainter::HeaderBottomColor() const { return dxOffice11Colors.ToolbarsColor2; }
TColor TcxOffice11LookAndFeelPainter::HeaderDarkEdgeColor() const { return dxOffice11Colors.BarSeparatorColor1; }
TColor TcxOffice11LookAndFeelPainter::HeaderHighlightEdgeColor() const { return dxOffice11Colors.BarSeparatorColor2; }
TColor TcxOffice11LookAndFeelPainter::HeaderTopColor() const { return dxOffice11Colors.ToolbarsColor1; }

// ---- Native ----

int TcxWinXPLookAndFeelPainter::ThemeButtonState(TcxButtonState state) noexcept
{
    switch (state) {
    case cxbsDefault: return 5;
    case cxbsHot: return 2;
    case cxbsPressed: return 3;
    case cxbsDisabled: return 4;
    default: return 1;
    }
}

TcxLookAndFeelStyle TcxWinXPLookAndFeelPainter::LookAndFeelStyle() const { return lfsNative; }

namespace {
// The scroll-bar arrow button state: four states (normal, hot, pressed, disabled) per direction.
int ThemeArrowState(TcxButtonState state, TcxArrowDirection direction) noexcept
{
    int base = 0;
    switch (state) {
    case cxbsHot: base = 2; break;
    case cxbsPressed: base = 3; break;
    case cxbsDisabled: base = 4; break;
    default: base = 1; break;
    }
    return static_cast<int>(direction) * 4 + base;
}
int ThemeThumbState(TcxButtonState state) noexcept
{
    switch (state) {
    case cxbsHot: return 2;
    case cxbsPressed: return 3;
    case cxbsDisabled: return 4;
    default: return 1;
    }
}
}  // namespace

void TcxWinXPLookAndFeelPainter::DrawArrow(TcxCanvas& canvas, const RECT& r, TcxButtonState state,
                                           TcxArrowDirection direction, bool drawBorder) const
{
    const HTHEME theme = OpenTheme(totScrollBar);
    if (theme == nullptr) {
        TcxStandardLookAndFeelPainter::DrawArrow(canvas, r, state, direction, drawBorder);
        return;
    }
    if (!drawBorder) canvas.FillRect(r, ButtonColor(state));
    if (FAILED(dxUxTheme::DrawThemeBackground(theme, canvas.Handle(), kScrollBarArrowPart,
                                              ThemeArrowState(state, direction), &r, nullptr)))
        TcxStandardLookAndFeelPainter::DrawArrow(canvas, r, state, direction, drawBorder);
}

void TcxWinXPLookAndFeelPainter::DrawArrowBorder(TcxCanvas& canvas, const RECT& r, TcxButtonState state) const
{
    const HTHEME theme = OpenTheme(totScrollBar);
    if (theme == nullptr || FAILED(dxUxTheme::DrawThemeBackground(theme, canvas.Handle(), kScrollBarThumbHorzPart,
                                                                  ThemeThumbState(state), &r, nullptr)))
        TcxStandardLookAndFeelPainter::DrawArrowBorder(canvas, r, state);
}

int TcxWinXPLookAndFeelPainter::BorderSize() const { return 1; }

void TcxWinXPLookAndFeelPainter::DrawBorder(TcxCanvas& canvas, const RECT& r) const
{
    const HTHEME theme = OpenTheme(totListView);
    if (theme == nullptr) {
        TcxStandardLookAndFeelPainter::DrawBorder(canvas, r);
        return;
    }
    // The list view's background part is a whole filled frame; only its outer ring is the border.
    TcxClipRegionGuard guard(canvas);
    canvas.ExcludeClipRect(Shrink(r));
    dxUxTheme::DrawThemeBackground(theme, canvas.Handle(), kListViewBorderPart, 0, &r, nullptr);
}

int TcxWinXPLookAndFeelPainter::ButtonBorderSize(TcxButtonState state) const
{
    const HTHEME theme = OpenTheme(totButton);
    if (theme == nullptr) return 2;
    const RECT bounds = cxRect(0, 0, 100, 100);
    RECT content = bounds;
    if (FAILED(dxUxTheme::GetThemeBackgroundContentRect(theme, nullptr, kButtonPushButtonPart, ThemeButtonState(state),
                                                        &bounds, &content)))
        return 0;
    return content.left;
}

TColor TcxWinXPLookAndFeelPainter::ButtonColor(TcxButtonState state) const
{
    const HTHEME theme = OpenTheme(totButton);
    if (theme == nullptr) return clBtnFace;
    COLORREF color = 0;
    // A theme without a fill colour for the part leaves the classic face colour.
    if (FAILED(dxUxTheme::GetThemeColor(theme, kButtonPushButtonPart, ThemeButtonState(state),
                                        kThemeFillColorProperty, &color)))
        return clBtnFace;
    return FromColorRef(color);
}

void TcxWinXPLookAndFeelPainter::ButtonFocusRect(TcxCanvas& canvas, const RECT& r, RECT& focusRect) const
{
    const HTHEME theme = OpenTheme(totButton);
    RECT content = r;
    if (theme != nullptr && SUCCEEDED(dxUxTheme::GetThemeBackgroundContentRect(
                                theme, canvas.Handle(), kButtonPushButtonPart, kButtonNormalState, &r, &content))) {
        focusRect = content;
        return;
    }
    TcxStandardLookAndFeelPainter::ButtonFocusRect(canvas, r, focusRect);
}

int TcxWinXPLookAndFeelPainter::ButtonTextOffset() const { return 2; }
int TcxWinXPLookAndFeelPainter::ButtonTextShift() const { return 0; }

TColor TcxWinXPLookAndFeelPainter::ButtonSymbolColor(TcxButtonState state, TColor defaultColor) const
{
    const HTHEME theme = OpenTheme(totButton);
    if (theme == nullptr) return TcxStandardLookAndFeelPainter::ButtonSymbolColor(state, defaultColor);
    COLORREF color = 0;
    if (SUCCEEDED(dxUxTheme::GetThemeColor(theme, kButtonPushButtonPart, ThemeButtonState(state),
                                           kThemeTextColorProperty, &color)))
        return FromColorRef(color);
    // clDefault is no colour to draw with: a failed query without a caller's colour takes
    // the classic rule instead.
    if (defaultColor == clDefault) return TcxStandardLookAndFeelPainter::ButtonSymbolColor(state, defaultColor);
    return defaultColor;
}

void TcxWinXPLookAndFeelPainter::DrawButton(TcxCanvas& canvas, const RECT& r, const std::string& caption,
                                            TcxButtonState state, bool drawBorder, TColor color, TColor textColor,
                                            bool wordWrap) const
{
    const HTHEME theme = OpenTheme(totButton);
    if (theme == nullptr) {
        TcxStandardLookAndFeelPainter::DrawButton(canvas, r, caption, state, drawBorder, color, textColor, wordWrap);
        return;
    }
    const int themeState = ThemeButtonState(state);
    dxUxTheme::DrawThemeBackground(theme, canvas.Handle(), kButtonPushButtonPart, themeState, &r, nullptr);
    if (!caption.empty())
        dxUxTheme::DrawThemeText(theme, canvas.Handle(), kButtonPushButtonPart, themeState, caption, -1,
                                 kThemeButtonTextFlags, 0, &r);
}

bool TcxWinXPLookAndFeelPainter::IsButtonHotTrack() const { return true; }
