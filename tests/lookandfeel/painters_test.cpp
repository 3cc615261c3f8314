// The painter family: metrics and colours per look and state, borders checked on the
// pixels of a memory bitmap, the arrow triangle, the base button's text rectangle, and
// the native painter with Wine's visual style on (in process: a new prefix runs Wine's
// "light" style) and off (in a child process started with the registry switch off).
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "lookandfeel/cxGraphics.h"
#include "lookandfeel/cxLookAndFeelPainters.h"
#include "lookandfeel/cxLookAndFeels.h"
#include "lookandfeel/dxOffice11.h"
#include "lookandfeel/dxThemeManager.h"
#include "lookandfeel/dxUxTheme.h"
#include "tests/lookandfeel/theme_switch.h"
#include "tests/support/child_process.h"

namespace {

// A colour no system colour of Wine's schemes has, so untouched pixels are told apart.
constexpr TColor kBackground = 0x7F107F;
constexpr TColor kUntouched = kBackground;
constexpr TColor kRed = 0x0000FF;

// A memory bitmap filled with kBackground, with a TcxCanvas over it.
struct TSurface {
    mutable TBitmap Bitmap;
    TcxCanvas Canvas{Bitmap.Canvas()};

    TSurface(int width, int height)
    {
        Bitmap.SetSize(width, height);
        Bitmap.Canvas().Brush().SetColor(kBackground);
        Bitmap.Canvas().FillRect({0, 0, width, height});
    }
    COLORREF At(int x, int y) const { return GetPixel(Bitmap.Canvas().Handle(), x, y); }
    TcxPixels Pixels() const { return cxReadPixels(Bitmap.Canvas().Handle(), {0, 0, Bitmap.Width(), Bitmap.Height()}); }
    // The bounding box of every pixel that is not the background.
    RECT Touched() const
    {
        RECT box{Bitmap.Width(), Bitmap.Height(), 0, 0};
        for (int y = 0; y < Bitmap.Height(); ++y)
            for (int x = 0; x < Bitmap.Width(); ++x)
                if (At(x, y) != ColorToRGB(kBackground)) {
                    box.left = std::min<LONG>(box.left, x);
                    box.top = std::min<LONG>(box.top, y);
                    box.right = std::max<LONG>(box.right, x + 1);
                    box.bottom = std::max<LONG>(box.bottom, y + 1);
                }
        return box;
    }
};

bool SamePixels(const TcxPixels& a, const TcxPixels& b)
{
    if (a.Width != b.Width || a.Height != b.Height) return false;
    for (int y = 0; y < a.Height; ++y)
        for (int x = 0; x < a.Width; ++x)
            if ((a.At(x, y) & 0xFFFFFF) != (b.At(x, y) & 0xFFFFFF)) return false;
    return true;
}

std::string ColorName(COLORREF c)
{
    char text[32];
    std::snprintf(text, sizeof(text), "RGB(%u, %u, %u)", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

const char* StateName(TcxButtonState state)
{
    switch (state) {
    case cxbsDefault: return "cxbsDefault";
    case cxbsNormal: return "cxbsNormal";
    case cxbsHot: return "cxbsHot";
    case cxbsPressed: return "cxbsPressed";
    case cxbsDisabled: return "cxbsDisabled";
    }
    return "?";
}

constexpr TcxButtonState kAllStates[] = {cxbsDefault, cxbsNormal, cxbsHot, cxbsPressed, cxbsDisabled};

// The Office 2003 colours exist while a notifier lives; the painters read them.
class Painters : public ::testing::Test {
protected:
    TcxSystemPaletteChangedNotifier FColours;
};

// --- Metrics and colours per look and state ------------------------------------------------

struct TMetricsCase {
    const char* Label;
    TcxLookAndFeelPainterClass Painter;
    TcxLookAndFeelStyle Style;
    int TextOffset;
    int TextShift;
    bool HotTrack;
    int BorderSize;          // control border
    int FocusInset;          // ButtonFocusRect shrinks by this much
    int ButtonBorder[5];     // per state, in the order of kAllStates
    bool SymbolStateNormal;  // ButtonSymbolState is always cxbsNormal
};

TEST_F(Painters, MetricsFollowTheLookAndTheState)
{
    const TMetricsCase cases[] = {
        {"base", TcxCustomLookAndFeelPainter::PainterClass(), lfsStandard, 0, 0, false, 0, 4, {0, 0, 0, 0, 0}, false},
        {"standard", TcxStandardLookAndFeelPainter::PainterClass(), lfsStandard, 1, 1, false, 2, 4, {3, 2, 2, 2, 2},
         false},
        {"flat", TcxFlatLookAndFeelPainter::PainterClass(), lfsFlat, 1, 1, false, 1, 4, {2, 1, 1, 1, 1}, false},
        {"ultra-flat", TcxUltraFlatLookAndFeelPainter::PainterClass(), lfsUltraFlat, 2, 0, true, 1, 3,
         {2, 1, 1, 1, 1}, true},
        {"office 2003", TcxOffice11LookAndFeelPainter::PainterClass(), lfsOffice11, 2, 0, true, 1, 3, {2, 1, 1, 1, 1},
         true},
    };
    TSurface surface(4, 4);
    for (const TMetricsCase& c : cases) {
        SCOPED_TRACE(c.Label);
        EXPECT_EQ(c.Painter->LookAndFeelStyle(), c.Style);
        EXPECT_EQ(c.Painter->ButtonTextOffset(), c.TextOffset);
        EXPECT_EQ(c.Painter->ButtonTextShift(), c.TextShift);
        EXPECT_EQ(c.Painter->IsButtonHotTrack(), c.HotTrack);
        EXPECT_EQ(c.Painter->BorderSize(), c.BorderSize);
        EXPECT_EQ(c.Painter->ButtonBorderSize(), c.ButtonBorder[1]) << "the default argument is cxbsNormal";
        for (int i = 0; i < 5; ++i) {
            const TcxButtonState state = kAllStates[i];
            SCOPED_TRACE(StateName(state));
            EXPECT_EQ(c.Painter->ButtonBorderSize(state), c.ButtonBorder[i]);
            EXPECT_EQ(c.Painter->ButtonSymbolState(state), c.SymbolStateNormal ? cxbsNormal : state);
        }
        RECT focus{};
        c.Painter->ButtonFocusRect(surface.Canvas, {0, 0, 75, 23}, focus);
        EXPECT_EQ(cxRectToString(focus), cxRectToString(cxRectInflate({0, 0, 75, 23}, -c.FocusInset, -c.FocusInset)));
        // Too small to shrink: the rectangle itself.
        c.Painter->ButtonFocusRect(surface.Canvas, {0, 0, 6, 6}, focus);
        EXPECT_EQ(cxRectToString(focus), cxRectToString({0, 0, 6, 6}));
    }
}

struct TColourCase {
    const char* Label;
    TcxLookAndFeelPainterClass Painter;
    TcxButtonState State;
    TColor Button;
    TColor Symbol;        // ButtonSymbolColor(state) with clDefault
    TColor SymbolGiven;   // ButtonSymbolColor(state, kRed)
};

TEST_F(Painters, ColoursFollowTheLookAndTheState)
{
    // Wine's light style is no standard XP scheme, so a pressed Office 2003 caption is in
    // the selection text colour.
    ASSERT_FALSE(IsXPStandardScheme()) << "the Office 2003 pressed caption rule needs a non-standard scheme";
    const TcxLookAndFeelPainterClass base = TcxCustomLookAndFeelPainter::PainterClass();
    const TcxLookAndFeelPainterClass standard = TcxStandardLookAndFeelPainter::PainterClass();
    const TcxLookAndFeelPainterClass flat = TcxFlatLookAndFeelPainter::PainterClass();
    const TcxLookAndFeelPainterClass ultra = TcxUltraFlatLookAndFeelPainter::PainterClass();
    const TcxLookAndFeelPainterClass office = TcxOffice11LookAndFeelPainter::PainterClass();
    const TColourCase cases[] = {
        {"base default", base, cxbsDefault, clBtnFace, clBtnText, kRed},
        {"base hot", base, cxbsHot, clBtnFace, clBtnText, kRed},
        {"base pressed", base, cxbsPressed, clBtnFace, clBtnText, kRed},
        {"base disabled", base, cxbsDisabled, clBtnFace, clBtnShadow, clBtnShadow},
        {"standard pressed", standard, cxbsPressed, clBtnFace, clBtnText, kRed},
        {"standard disabled", standard, cxbsDisabled, clBtnFace, clBtnShadow, clBtnShadow},
        {"flat hot", flat, cxbsHot, clBtnFace, clBtnText, kRed},
        {"ultra-flat normal", ultra, cxbsNormal, clBtnFace, clBtnText, kRed},
        {"ultra-flat default", ultra, cxbsDefault, clBtnFace, clBtnText, kRed},
        {"ultra-flat hot", ultra, cxbsHot, GetLightSelColor(), clBtnText, kRed},
        {"ultra-flat pressed", ultra, cxbsPressed, GetLightDownedSelColor(), clHighlightText, clHighlightText},
        {"ultra-flat disabled", ultra, cxbsDisabled, clBtnFace, clBtnShadow, clBtnShadow},
        {"office normal", office, cxbsNormal, dxOffice11DockColor1, dxOffice11TextEnabledColor,
         dxOffice11TextEnabledColor},
        {"office default", office, cxbsDefault, dxOffice11DockColor1, dxOffice11TextEnabledColor,
         dxOffice11TextEnabledColor},
        {"office hot", office, cxbsHot, dxOffice11SelectedColor1, dxOffice11TextEnabledColor,
         dxOffice11TextEnabledColor},
        {"office pressed", office, cxbsPressed, dxOffice11SelectedDownColor1, clHighlightText, clHighlightText},
        {"office disabled", office, cxbsDisabled, clBtnFace, dxOffice11TextDisabledColor,
         dxOffice11TextDisabledColor},
    };
    for (const TColourCase& c : cases) {
        SCOPED_TRACE(c.Label);
        EXPECT_EQ(c.Painter->ButtonColor(c.State), c.Button);
        EXPECT_EQ(c.Painter->ButtonSymbolColor(c.State), c.Symbol);
        EXPECT_EQ(c.Painter->ButtonSymbolColor(c.State, kRed), c.SymbolGiven);
    }
    EXPECT_EQ(static_cast<const TcxUltraFlatLookAndFeelPainter*>(ultra)->BorderHighlightColor(), clHighlight);
    EXPECT_EQ(static_cast<const TcxUltraFlatLookAndFeelPainter*>(office)->BorderHighlightColor(),
              dxOffice11SelectedBorderColor);
}

TEST_F(Painters, OfficeColoursFollowARecomputedColourSet)
{
    const TcxLookAndFeelPainterClass office = TcxOffice11LookAndFeelPainter::PainterClass();
    const TColor saved = dxOffice11DockColor1;
    dxOffice11DockColor1 = kRed;
    EXPECT_EQ(office->ButtonColor(cxbsNormal), kRed);
    RefreshOffice11Colors();
    EXPECT_EQ(office->ButtonColor(cxbsNormal), saved);
}

TEST_F(Painters, EveryClassHasOneInstanceWithItsOwnClassRecord)
{
    const struct {
        TcxLookAndFeelPainterClass Painter;
        const char* Name;
        const char* Parent;
    } cases[] = {
        {TcxCustomLookAndFeelPainter::PainterClass(), "TcxCustomLookAndFeelPainter", "TObject"},
        {TcxStandardLookAndFeelPainter::PainterClass(), "TcxStandardLookAndFeelPainter", "TcxCustomLookAndFeelPainter"},
        {TcxFlatLookAndFeelPainter::PainterClass(), "TcxFlatLookAndFeelPainter", "TcxCustomLookAndFeelPainter"},
        {TcxUltraFlatLookAndFeelPainter::PainterClass(), "TcxUltraFlatLookAndFeelPainter",
         "TcxCustomLookAndFeelPainter"},
        {TcxOffice11LookAndFeelPainter::PainterClass(), "TcxOffice11LookAndFeelPainter",
         "TcxUltraFlatLookAndFeelPainter"},
        {TcxWinXPLookAndFeelPainter::PainterClass(), "TcxWinXPLookAndFeelPainter", "TcxStandardLookAndFeelPainter"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(c.Painter->ClassName(), c.Name);
        EXPECT_STREQ(c.Painter->ClassParent()->Name, c.Parent);
        EXPECT_TRUE(c.Painter->InheritsFrom("TcxCustomLookAndFeelPainter"));
    }
    EXPECT_EQ(TcxFlatLookAndFeelPainter::PainterClass(), TcxFlatLookAndFeelPainter::PainterClass());
}

// --- Borders on pixels ---------------------------------------------------------------

// Colours along the middle row from the left edge inwards and from the right edge
// inwards, and along the middle column from the top and from the bottom (4 pixels each).
struct TBorderCase {
    const char* Label;
    TcxLookAndFeelPainterClass Painter;
    TcxButtonState State;
    TColor Left[4], Right[4], Top[4], Bottom[4];
};

void ExpectBands(const TSurface& s, const TColor (&left)[4], const TColor (&right)[4], const TColor (&top)[4],
                 const TColor (&bottom)[4])
{
    const int w = s.Bitmap.Width(), h = s.Bitmap.Height();
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE("pixel " + std::to_string(i) + " from the edge");
        EXPECT_EQ(ColorName(s.At(i, h / 2)), ColorName(ColorToRGB(left[i]))) << "left";
        EXPECT_EQ(ColorName(s.At(w - 1 - i, h / 2)), ColorName(ColorToRGB(right[i]))) << "right";
        EXPECT_EQ(ColorName(s.At(w / 2, i)), ColorName(ColorToRGB(top[i]))) << "top";
        EXPECT_EQ(ColorName(s.At(w / 2, h - 1 - i)), ColorName(ColorToRGB(bottom[i]))) << "bottom";
    }
}

TEST_F(Painters, ButtonBordersPerLookAndState)
{
    const TColor U = kUntouched;
    const TcxLookAndFeelPainterClass standard = TcxStandardLookAndFeelPainter::PainterClass();
    const TcxLookAndFeelPainterClass flat = TcxFlatLookAndFeelPainter::PainterClass();
    const TcxLookAndFeelPainterClass ultra = TcxUltraFlatLookAndFeelPainter::PainterClass();
    const TcxLookAndFeelPainterClass office = TcxOffice11LookAndFeelPainter::PainterClass();
    const TColor hi = clBtnHighlight, dk = cl3DDkShadow, lt = cl3DLight, sh = clBtnShadow;
    const TBorderCase cases[] = {
        {"base draws nothing", TcxCustomLookAndFeelPainter::PainterClass(), cxbsDefault, {U, U, U, U}, {U, U, U, U},
         {U, U, U, U}, {U, U, U, U}},
        {"standard normal", standard, cxbsNormal, {hi, lt, U, U}, {dk, sh, U, U}, {hi, lt, U, U}, {dk, sh, U, U}},
        {"standard hot", standard, cxbsHot, {hi, lt, U, U}, {dk, sh, U, U}, {hi, lt, U, U}, {dk, sh, U, U}},
        {"standard default", standard, cxbsDefault, {clBlack, hi, lt, U}, {clBlack, dk, sh, U}, {clBlack, hi, lt, U},
         {clBlack, dk, sh, U}},
        {"standard pressed", standard, cxbsPressed, {clBlack, sh, U, U}, {clBlack, sh, U, U}, {clBlack, sh, U, U},
         {clBlack, sh, U, U}},
        {"flat normal", flat, cxbsNormal, {hi, U, U, U}, {sh, U, U, U}, {hi, U, U, U}, {sh, U, U, U}},
        {"flat default", flat, cxbsDefault, {clBlack, hi, U, U}, {clBlack, sh, U, U}, {clBlack, hi, U, U},
         {clBlack, sh, U, U}},
        {"flat pressed looks sunken", flat, cxbsPressed, {sh, U, U, U}, {hi, U, U, U}, {sh, U, U, U}, {hi, U, U, U}},
        {"ultra-flat normal", ultra, cxbsNormal, {clBtnText, U, U, U}, {clBtnText, U, U, U}, {clBtnText, U, U, U},
         {clBtnText, U, U, U}},
        {"ultra-flat default", ultra, cxbsDefault, {clWindowFrame, clWindowFrame, U, U},
         {clWindowFrame, clWindowFrame, U, U}, {clWindowFrame, clWindowFrame, U, U},
         {clWindowFrame, clWindowFrame, U, U}},
        {"ultra-flat hot", ultra, cxbsHot, {clHighlight, U, U, U}, {clHighlight, U, U, U}, {clHighlight, U, U, U},
         {clHighlight, U, U, U}},
        {"ultra-flat disabled", ultra, cxbsDisabled, {sh, U, U, U}, {sh, U, U, U}, {sh, U, U, U}, {sh, U, U, U}},
        {"office pressed", office, cxbsPressed, {dxOffice11SelectedBorderColor, U, U, U},
         {dxOffice11SelectedBorderColor, U, U, U}, {dxOffice11SelectedBorderColor, U, U, U},
         {dxOffice11SelectedBorderColor, U, U, U}},
        {"office disabled", office, cxbsDisabled, {dxOffice11TextDisabledColor, U, U, U},
         {dxOffice11TextDisabledColor, U, U, U}, {dxOffice11TextDisabledColor, U, U, U},
         {dxOffice11TextDisabledColor, U, U, U}},
        {"office default", office, cxbsDefault, {clWindowFrame, clWindowFrame, U, U},
         {clWindowFrame, clWindowFrame, U, U}, {clWindowFrame, clWindowFrame, U, U},
         {clWindowFrame, clWindowFrame, U, U}},
    };
    for (const TBorderCase& c : cases) {
        SCOPED_TRACE(c.Label);
        TSurface surface(20, 12);
        c.Painter->DrawButtonBorder(surface.Canvas, {0, 0, 20, 12}, c.State);
        ExpectBands(surface, c.Left, c.Right, c.Top, c.Bottom);
    }
}

TEST_F(Painters, ControlBordersPerLook)
{
    const TColor U = kUntouched;
    const struct {
        const char* Label;
        TcxLookAndFeelPainterClass Painter;
        TColor Left[4], Right[4];
    } cases[] = {
        {"base", TcxCustomLookAndFeelPainter::PainterClass(), {U, U, U, U}, {U, U, U, U}},
        {"standard", TcxStandardLookAndFeelPainter::PainterClass(), {clBtnShadow, cl3DDkShadow, U, U},
         {clBtnHighlight, cl3DLight, U, U}},
        {"flat", TcxFlatLookAndFeelPainter::PainterClass(), {clBtnShadow, U, U, U}, {clBtnHighlight, U, U, U}},
        {"ultra-flat", TcxUltraFlatLookAndFeelPainter::PainterClass(), {clBtnShadow, U, U, U}, {clBtnShadow, U, U, U}},
        {"office 2003", TcxOffice11LookAndFeelPainter::PainterClass(), {dxOffice11ControlBorderColor, U, U, U},
         {dxOffice11ControlBorderColor, U, U, U}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        TSurface surface(20, 12);
        c.Painter->DrawBorder(surface.Canvas, {0, 0, 20, 12});
        // A control border is the same on the top as on the left, and at the bottom as on the right.
        ExpectBands(surface, c.Left, c.Right, c.Left, c.Right);
    }
}

TEST_F(Painters, AStandardDefaultButtonOf75x23HasA69x17ContentArea)
{
    TSurface surface(75, 23);
    TcxStandardLookAndFeelPainter::PainterClass()->DrawButton(surface.Canvas, {0, 0, 75, 23}, "", cxbsDefault, true,
                                                              kRed);
    EXPECT_EQ(cxRectToString(surface.Touched()), cxRectToString({0, 0, 75, 23}));
    // The red fill is exactly the content area.
    RECT red{75, 23, 0, 0};
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 75; ++x)
            if (surface.At(x, y) == ColorToRGB(kRed)) {
                red.left = std::min<LONG>(red.left, x);
                red.top = std::min<LONG>(red.top, y);
                red.right = std::max<LONG>(red.right, x + 1);
                red.bottom = std::max<LONG>(red.bottom, y + 1);
            }
    EXPECT_EQ(cxRectToString(red), cxRectToString({3, 3, 72, 20}));
}

// --- The base DrawButton text rectangle ----------------------------------------------------

TEST_F(Painters, BaseButtonTextRectangleRule)
{
    const struct {
        const char* Label;
        int Height;
        TcxButtonState State;
        RECT Expected;   // relative to a button at (0, 10)
    } cases[] = {
        {"17 rows: bottom row dropped, then a row gained on top", 17, cxbsNormal, {0, 9, 60, 26}},
        {"16 rows: a row gained on top", 16, cxbsNormal, {0, 9, 60, 26}},
        {"21 rows: bottom row dropped only", 21, cxbsNormal, {0, 10, 60, 30}},
        {"20 rows: unchanged", 20, cxbsNormal, {0, 10, 60, 30}},
    };
    const TcxLookAndFeelPainterClass painter = TcxCustomLookAndFeelPainter::PainterClass();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        const RECT button{0, 10, 60, 10 + c.Height};
        TSurface drawn(60, 40);
        painter->DrawButton(drawn.Canvas, button, "Wg", c.State, false);
        // The same caption drawn by hand into the expected rectangle.
        TSurface expected(60, 40);
        painter->DrawButton(expected.Canvas, button, "", c.State, false);
        expected.Canvas.Font().SetColor(painter->ButtonSymbolColor(c.State));
        expected.Canvas.Brush().SetStyle(bsClear);
        expected.Canvas.DrawText("Wg", c.Expected, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EXPECT_TRUE(SamePixels(drawn.Pixels(), expected.Pixels()));
        // Drawn into the button's own rectangle the caption would differ: the test can fail.
        TSurface naive(60, 40);
        painter->DrawButton(naive.Canvas, button, "", c.State, false);
        naive.Canvas.Font().SetColor(painter->ButtonSymbolColor(c.State));
        naive.Canvas.Brush().SetStyle(bsClear);
        naive.Canvas.DrawText("Wg", cxRectOffset(c.Expected, 0, 3), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EXPECT_FALSE(SamePixels(drawn.Pixels(), naive.Pixels()));
        EXPECT_EQ(drawn.Canvas.Brush().Style(), bsSolid);
    }
}

TEST_F(Painters, PressedCaptionMovesByTheTextShift)
{
    const struct {
        const char* Label;
        TcxLookAndFeelPainterClass Painter;
        int Shift;
    } cases[] = {
        {"standard moves by 1", TcxStandardLookAndFeelPainter::PainterClass(), 1},
        {"ultra-flat never moves", TcxUltraFlatLookAndFeelPainter::PainterClass(), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        const RECT button{0, 0, 60, 24};
        // Border off, colours fixed: only the caption's place differs between the states.
        TSurface pressed(60, 24), hot(60, 24);
        c.Painter->DrawButton(pressed.Canvas, button, "Wg", cxbsPressed, false, clWhite, clBlack);
        c.Painter->DrawButton(hot.Canvas, button, "Wg", cxbsHot, false, clWhite, clBlack);
        const RECT a = pressed.Touched(), b = hot.Touched();
        EXPECT_EQ(cxRectToString(a), cxRectToString(b)) << "the fill covers the whole button";
        // Compare the caption pixels: the hot caption moved by the shift equals the pressed one.
        int mismatches = 0;
        for (int y = 2; y < 22; ++y)
            for (int x = 2; x < 58; ++x)
                if (pressed.At(x + c.Shift, y + c.Shift) != hot.At(x, y)) ++mismatches;
        EXPECT_EQ(mismatches, 0);
    }
}

TEST_F(Painters, DisabledCaptionIsEmbossed)
{
    TSurface surface(60, 24);
    TcxCustomLookAndFeelPainter::PainterClass()->DrawButton(surface.Canvas, {0, 0, 60, 24}, "W", cxbsDisabled, false,
                                                            kRed);
    bool highlight = false, shadow = false;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 60; ++x) {
            highlight |= surface.At(x, y) == ColorToRGB(clBtnHighlight);
            shadow |= surface.At(x, y) == ColorToRGB(clBtnShadow);
        }
    EXPECT_TRUE(highlight);
    EXPECT_TRUE(shadow);
}

// --- The arrow triangle ---------------------------------------------------------------

std::string PointsText(const TcxArrowPoints& p)
{
    std::string text;
    for (const POINT& q : p.P) text += "(" + std::to_string(q.x) + ", " + std::to_string(q.y) + ")";
    return text;
}

TEST(ArrowTriangle, CornersFollowTheArithmetic)
{
    const struct {
        const char* Label;
        RECT R;
        TcxArrowDirection Direction;
        bool Proportional;
        int Size;
        const char* Expected;   // apex first
    } cases[] = {
        {"drop-down part of a 23-pixel button: 15x15, a = 4", {0, 0, 15, 23}, adDown, true, 0,
         "(7, 13)(4, 10)(10, 10)"},
        {"up in a 15x15 square: half of 11 rounds up", {0, 0, 15, 15}, adUp, true, 0, "(7, 6)(4, 9)(10, 9)"},
        {"left, not squared, a from the height", {0, 0, 9, 9}, adLeft, false, 0, "(3, 4)(5, 2)(5, 6)"},
        {"left in a wide rectangle squared horizontally", {0, 0, 23, 15}, adLeft, true, 0, "(9, 7)(12, 4)(12, 10)"},
        {"right at negative coordinates: div truncates toward zero", {-9, -9, 0, 0}, adRight, false, 0,
         "(-4, -4)(-6, -7)(-6, -3)"},
        {"down at negative coordinates: halves round away from zero", {-8, -8, 0, 1}, adDown, false, 0,
         "(-4, -4)(-5, -5)(-3, -5)"},
        {"a given size wins", {0, 0, 15, 15}, adUp, false, 2, "(7, 7)(6, 8)(8, 8)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        EXPECT_EQ(PointsText(CalculateArrowPoints(c.R, c.Direction, c.Proportional, c.Size)), c.Expected);
    }
}

TEST_F(Painters, ScrollBarArrowIsSevenByFourOnAFifteenByTwentyThreePart)
{
    const struct {
        const char* Label;
        TcxLookAndFeelPainterClass Painter;
        TcxButtonState State;
        RECT Expected;
    } cases[] = {
        {"normal", TcxStandardLookAndFeelPainter::PainterClass(), cxbsNormal, {4, 10, 11, 14}},
        {"pressed moves by the standard shift", TcxStandardLookAndFeelPainter::PainterClass(), cxbsPressed,
         {5, 11, 12, 15}},
        {"pressed ultra-flat stays", TcxUltraFlatLookAndFeelPainter::PainterClass(), cxbsPressed, {4, 10, 11, 14}},
        {"disabled adds the highlight copy at (1, 1)", TcxStandardLookAndFeelPainter::PainterClass(), cxbsDisabled,
         {4, 10, 12, 15}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        TSurface surface(15, 23);
        c.Painter->DrawScrollBarArrow(surface.Canvas, {0, 0, 15, 23}, c.State, adDown);
        EXPECT_EQ(cxRectToString(surface.Touched()), cxRectToString(c.Expected));
    }
    TSurface surface(15, 23);
    TcxStandardLookAndFeelPainter::PainterClass()->DrawScrollBarArrow(surface.Canvas, {0, 0, 15, 23}, cxbsDisabled,
                                                                      adDown);
    EXPECT_EQ(ColorName(surface.At(7, 10)), ColorName(ColorToRGB(clBtnShadow))) << "the shadow copy is on top";
    EXPECT_EQ(ColorName(surface.At(8, 14)), ColorName(ColorToRGB(clBtnHighlight))) << "the highlight shows below";
    TSurface normal(15, 23);
    TcxStandardLookAndFeelPainter::PainterClass()->DrawScrollBarArrow(normal.Canvas, {0, 0, 15, 23}, cxbsNormal,
                                                                      adDown);
    EXPECT_EQ(ColorName(normal.At(7, 13)), ColorName(ColorToRGB(clBtnText)));
}

TEST_F(Painters, ArrowOnItsOwnBackground)
{
    const TcxLookAndFeelPainterClass standard = TcxStandardLookAndFeelPainter::PainterClass();
    TSurface bordered(15, 15);
    standard->DrawArrow(bordered.Canvas, {0, 0, 15, 15}, cxbsNormal, adUp, true);
    EXPECT_EQ(ColorName(bordered.At(0, 7)), ColorName(ColorToRGB(clBtnHighlight))) << "the button border";
    EXPECT_EQ(ColorName(bordered.At(3, 3)), ColorName(ColorToRGB(clBtnFace))) << "the button colour";
    EXPECT_EQ(ColorName(bordered.At(7, 7)), ColorName(ColorToRGB(clBtnText))) << "the triangle";
    TSurface plain(15, 15);
    standard->DrawArrow(plain.Canvas, {0, 0, 15, 15}, cxbsNormal, adUp, false);
    EXPECT_EQ(ColorName(plain.At(0, 7)), ColorName(ColorToRGB(clBtnFace))) << "no border, only the fill";
    TSurface coloured(15, 15);
    standard->DrawArrow(coloured.Canvas, {0, 0, 15, 15}, adUp, kRed);
    EXPECT_EQ(cxRectToString(coloured.Touched()), cxRectToString({4, 6, 11, 10}));
    EXPECT_EQ(ColorName(coloured.At(7, 7)), ColorName(ColorToRGB(kRed)));
}

// --- Overriding one operation changes every caller ------------------------------------------

class TRedBorderPainter : public TcxStandardLookAndFeelPainter {
    RUNTIME_CLASS(TRedBorderPainter, TcxStandardLookAndFeelPainter)
public:
    static TcxLookAndFeelPainterClass PainterClass() noexcept
    {
        static const TRedBorderPainter instance;
        return &instance;
    }
    void DrawButtonBorder(TcxCanvas& canvas, const RECT& r, TcxButtonState) const override
    {
        canvas.FrameRect(r, kRed);
    }
};

TEST_F(Painters, AnOverriddenBorderIsUsedByTheInheritedButton)
{
    TSurface surface(20, 12);
    TRedBorderPainter::PainterClass()->DrawButton(surface.Canvas, {0, 0, 20, 12}, "", cxbsNormal);
    EXPECT_EQ(ColorName(surface.At(0, 6)), ColorName(ColorToRGB(kRed)));
    EXPECT_EQ(ColorName(surface.At(1, 6)), ColorName(ColorToRGB(kBackground))) << "the 2-pixel standard inset is kept";
    EXPECT_EQ(ColorName(surface.At(2, 6)), ColorName(ColorToRGB(clBtnFace)));
}

TEST_F(Painters, OtherElementsDrawInsideTheirRectangle)
{
    // The elements no control of this system shows: each draws something, and nothing
    // outside its rectangle.
    const RECT r{4, 4, 36, 20};
    for (TcxLookAndFeelPainterClass painter :
         {TcxCustomLookAndFeelPainter::PainterClass(), TcxStandardLookAndFeelPainter::PainterClass(),
          TcxFlatLookAndFeelPainter::PainterClass(), TcxUltraFlatLookAndFeelPainter::PainterClass(),
          TcxOffice11LookAndFeelPainter::PainterClass(), TcxWinXPLookAndFeelPainter::PainterClass()}) {
        SCOPED_TRACE(painter->ClassName());
        const std::vector<std::pair<const char*, std::function<void(TcxCanvas&)>>> elements = {
            {"header",
             [&](TcxCanvas& c) { painter->DrawHeader(c, r, "Col", cxBordersAll, cxbsNormal, clDefault, clDefault); }},
            {"footer cell", [&](TcxCanvas& c) { painter->DrawFooterCell(c, r, "Sum", clDefault, clDefault); }},
            {"check button", [&](TcxCanvas& c) { painter->DrawCheckButton(c, r, cxbsNormal, cbsChecked); }},
            {"tab", [&](TcxCanvas& c) { painter->DrawTab(c, r, "Tab", cxbsNormal, true); }},
            {"editor button", [&](TcxCanvas& c) { painter->DrawEditorButton(c, r, cxbkComboBtn, cxbsHot); }},
            {"scroll-bar line button",
             [&](TcxCanvas& c) { painter->DrawScrollBarPart(c, true, r, sbpLineDown, cxbsNormal); }},
            {"size grip", [&](TcxCanvas& c) { painter->DrawSizeGrip(c, r, clDefault); }},
            {"expand button", [&](TcxCanvas& c) { painter->DrawExpandButton(c, r, false); }},
            {"progress chunk", [&](TcxCanvas& c) { painter->DrawProgressBarChunk(c, r, false); }},
        };
        for (const auto& [name, draw] : elements) {
            SCOPED_TRACE(name);
            TSurface surface(40, 24);
            draw(surface.Canvas);
            const RECT touched = surface.Touched();
            ASSERT_FALSE(cxRectIsEmpty(touched)) << "nothing drawn";
            EXPECT_TRUE(cxRectIsEqual(cxRectUnion(touched, r), r)) << cxRectToString(touched);
        }
    }
}

// --- The native painter ---------------------------------------------------------------

TEST_F(Painters, NativeButtonIsTheButtonThemeWhenStylesAreOn)
{
    const HTHEME theme = OpenTheme(totButton);
    ASSERT_NE(theme, nullptr) << "a new Wine prefix runs its light style";
    const TcxLookAndFeelPainterClass native = TcxWinXPLookAndFeelPainter::PainterClass();
    EXPECT_EQ(native->LookAndFeelStyle(), lfsNative);
    EXPECT_TRUE(native->IsButtonHotTrack());
    EXPECT_EQ(native->ButtonTextOffset(), 2);
    EXPECT_EQ(native->ButtonTextShift(), 0);
    const int themeStates[] = {5, 1, 2, 3, 4};
    for (int i = 0; i < 5; ++i) {
        const TcxButtonState state = kAllStates[i];
        SCOPED_TRACE(StateName(state));
        EXPECT_EQ(TcxWinXPLookAndFeelPainter::ThemeButtonState(state), themeStates[i]);
        // Metrics from the theme, measured the same way by hand.
        const RECT bounds{0, 0, 100, 100};
        RECT content{};
        ASSERT_TRUE(SUCCEEDED(dxUxTheme::GetThemeBackgroundContentRect(theme, nullptr, 1, themeStates[i], &bounds,
                                                                       &content)));
        EXPECT_EQ(native->ButtonBorderSize(state), content.left);
        COLORREF text = 0;
        if (SUCCEEDED(dxUxTheme::GetThemeColor(theme, 1, themeStates[i], 3803, &text)))
            EXPECT_EQ(native->ButtonSymbolColor(state), static_cast<TColor>(text));
        else
            EXPECT_EQ(native->ButtonSymbolColor(state, kRed), kRed) << "a failed query keeps the given colour";

        // The picture is the theme's push button in the mapped state.
        TSurface drawn(75, 23), expected(75, 23);
        native->DrawButton(drawn.Canvas, {0, 0, 75, 23}, "", state);
        const RECT r{0, 0, 75, 23};
        dxUxTheme::DrawThemeBackground(theme, expected.Bitmap.Canvas().Handle(), 1, themeStates[i], &r, nullptr);
        EXPECT_TRUE(SamePixels(drawn.Pixels(), expected.Pixels()));
        TSurface standard(75, 23);
        TcxStandardLookAndFeelPainter::PainterClass()->DrawButton(standard.Canvas, r, "", state);
        EXPECT_FALSE(SamePixels(drawn.Pixels(), standard.Pixels())) << "indistinguishable from the standard look";
    }
    RECT focus{};
    TSurface surface(4, 4);
    native->ButtonFocusRect(surface.Canvas, {0, 0, 75, 23}, focus);
    EXPECT_FALSE(cxRectIsEmpty(focus));
    EXPECT_TRUE(cxRectIsEqual(cxRectUnion(focus, {0, 0, 75, 23}), {0, 0, 75, 23}));
}

TEST_F(Painters, NativeBorderKeepsOffTheInsideAndRestoresTheClip)
{
    TSurface surface(20, 12);
    TcxWinXPLookAndFeelPainter::PainterClass()->DrawBorder(surface.Canvas, {0, 0, 20, 12});
    EXPECT_EQ(surface.Canvas.SavedClipRegionCount(), 0);
    for (int y = 1; y < 11; ++y)
        for (int x = 1; x < 19; ++x) ASSERT_EQ(surface.At(x, y), ColorToRGB(kBackground)) << x << ", " << y;
    // Clipping is gone again: a fill reaches the inside.
    surface.Canvas.FillRect({0, 0, 20, 12}, kRed);
    EXPECT_EQ(surface.At(10, 6), ColorToRGB(kRed));
}

// Visual styles off: the native painter is the standard look.
ZV_CHILD_MODE(NativePainterWithoutStyles)
{
    zv::test::ChildChecks checks;
    if (!checks.Check(OpenTheme(totButton) == nullptr, "no button theme opens")) return checks.ExitCode();
    TcxSystemPaletteChangedNotifier colours;
    const TcxLookAndFeelPainterClass native = TcxWinXPLookAndFeelPainter::PainterClass();
    const TcxLookAndFeelPainterClass standard = TcxStandardLookAndFeelPainter::PainterClass();
    for (TcxButtonState state : kAllStates) {
        const std::string name = "state " + std::to_string(static_cast<int>(state)) + ": ";
        checks.Check(native->ButtonBorderSize(state) == 2, name + "border size 2");
        checks.Check(native->ButtonColor(state) == clBtnFace, name + "button face colour");
        checks.Check(native->ButtonSymbolColor(state) == standard->ButtonSymbolColor(state),
                     name + "standard symbol colour");
        // The default state differs on purpose: the native border size is 2 for every state
        // without a theme, so the fill covers the standard default border's inner ring.
        if (state == cxbsDefault) continue;
        // The native look never shifts a pressed caption, themed or not.
        const std::string caption = state == cxbsPressed ? "" : "Go";
        TSurface a(75, 23), b(75, 23);
        native->DrawButton(a.Canvas, {0, 0, 75, 23}, caption, state);
        standard->DrawButton(b.Canvas, {0, 0, 75, 23}, caption, state);
        checks.Check(SamePixels(a.Pixels(), b.Pixels()), name + "the standard button picture");
    }
    TSurface a(20, 12), b(20, 12);
    native->DrawBorder(a.Canvas, {0, 0, 20, 12});
    standard->DrawBorder(b.Canvas, {0, 0, 20, 12});
    checks.Check(SamePixels(a.Pixels(), b.Pixels()), "the standard control border");
    RECT focus{};
    native->ButtonFocusRect(a.Canvas, {0, 0, 75, 23}, focus);
    checks.Check(cxRectIsEqual(focus, {4, 4, 71, 19}), "focus rectangle (4, 4, 71, 19)", cxRectToString(focus));
    TSurface c(15, 15), d(15, 15);
    native->DrawArrow(c.Canvas, {0, 0, 15, 15}, cxbsNormal, adUp, true);
    standard->DrawArrow(d.Canvas, {0, 0, 15, 15}, cxbsNormal, adUp, true);
    checks.Check(SamePixels(c.Pixels(), d.Pixels()), "the standard arrow");
    // The look-and-feel settings: native style asked for, but without styles the kind decides.
    TcxLookAndFeel lookAndFeel(nullptr);
    lookAndFeel.SetNativeStyle(true);
    lookAndFeel.SetKind(lfFlat);
    checks.Check(lookAndFeel.Painter() == TcxFlatLookAndFeelPainter::PainterClass(), "native style asked: flat painter");
    checks.Check(lookAndFeel.GetActiveStyle() == lfsFlat, "native style asked: flat active style");
    // The native style view sets only the flag: it is on, so the kind stays as it was, and
    // without styles that kind still decides.
    lookAndFeel.SetStyle(lfsNative);
    checks.Check(lookAndFeel.Kind() == lfFlat && lookAndFeel.NativeStyle(), "native style view: flat kind, native flag");
    checks.Check(lookAndFeel.Painter() == TcxFlatLookAndFeelPainter::PainterClass(), "native style view: flat painter");
    return checks.ExitCode();
}

using zv::test::ReadThemeActive;
using zv::test::ThemeActiveGuard;
using zv::test::ThemeManagerKey;
using zv::test::WriteThemeActive;

TEST(NativePainterOff, WithoutVisualStylesItIsTheStandardLook)
{
    ThemeActiveGuard guard;
    ASSERT_TRUE(WriteThemeActive("0"));
    zv::test::ChildProcess child = zv::test::ChildProcess::Start("NativePainterWithoutStyles");
    EXPECT_EQ(child.WaitForExit(60'000), 0u);
    std::string expected = zv::test::ChildChecks::Passed({"no button theme opens"});
    for (TcxButtonState state : kAllStates) {
        const std::string name = "state " + std::to_string(static_cast<int>(state)) + ": ";
        for (const char* check : {"border size 2", "button face colour", "standard symbol colour"})
            expected += "ok: " + name + check + "\n";
        if (state != cxbsDefault) expected += "ok: " + name + "the standard button picture\n";
    }
    expected += zv::test::ChildChecks::Passed(
        {"the standard control border", "focus rectangle (4, 4, 71, 19)", "the standard arrow",
         "native style asked: flat painter", "native style asked: flat active style",
         "native style view: flat kind, native flag", "native style view: flat painter"});
    EXPECT_EQ(child.Output(), expected);
}

} // namespace
