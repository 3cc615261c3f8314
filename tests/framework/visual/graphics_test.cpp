#include <gtest/gtest.h>

#include "framework/controls.h"
#include "framework/exceptions.h"
#include "framework/graphics.h"

namespace {

TEST(ColorToRGB, PlainAndSystemColours)
{
    struct Case {
        const char* Label;
        TColor Color;
        COLORREF Expected;
    };
    const Case cases[] = {
        {"plain", 0x00336699, RGB(0x99, 0x66, 0x33)},
        {"button face", clBtnFace, GetSysColor(COLOR_BTNFACE)},
        {"button shadow", clBtnShadow, GetSysColor(COLOR_BTNSHADOW)},
        {"window text", clWindowText, GetSysColor(COLOR_WINDOWTEXT)},
        {"none", clNone, RGB(0, 0, 0)},
        {"default", clDefault, RGB(0, 0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label);
        EXPECT_EQ(ColorToRGB(c.Color), c.Expected);
    }
}

TEST(Accelerators, MatchIgnoringCaseOnlyTheMarkedLetter)
{
    struct Case {
        const char* Caption;
        char Key;
        bool Expected;
    };
    const Case cases[] = {
        {"E&xit", 'x', true},      {"E&xit", 'X', true},  {"E&xit", 'e', false},
        {"T&urn All Off", 'U', true}, {"T&urn All Off", 't', false},
        {"A&&B", 'b', false},      {"&&A&b", 'B', true},  {"&&A&b", 'a', false},
        {"Trailing&", '&', false}, {"", 'a', false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Caption) + " / " + c.Key);
        EXPECT_EQ(IsAccel(c.Key, c.Caption), c.Expected);
    }
    EXPECT_EQ(StripHotkey("T&urn All Off"), "Turn All Off");
    EXPECT_EQ(StripHotkey("Save && &Exit"), "Save & Exit");
}

TEST(Font, SizeAndHeightAgreeAtTheScreenResolution)
{
    HDC screen = GetDC(nullptr);
    const int ppi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    TFont font;
    int changes = 0;
    font.SetOnChange([&](TObject*) { ++changes; });
    font.SetSize(10);
    EXPECT_EQ(font.Height(), -MulDiv(10, ppi, 72));
    EXPECT_EQ(font.Size(), 10);
    EXPECT_EQ(changes, 1);
    font.SetHeight(font.Height());
    EXPECT_EQ(changes, 1) << "an unchanged value fires no change";
    EXPECT_NE(font.Handle(), nullptr);
}

TEST(Canvas, DrawsOnABitmapAndCopiesIt)
{
    TBitmap back;
    back.SetSize(20, 10);
    back.Canvas().Brush().SetColor(clRed);
    back.Canvas().FillRect({0, 0, 20, 10});
    back.Canvas().Brush().SetColor(0x00FF00);
    back.Canvas().FillRect({5, 5, 5, 9});  // empty: draws nothing
    EXPECT_EQ(GetPixel(back.Canvas().Handle(), 5, 5), RGB(255, 0, 0));

    TBitmap front;
    front.SetSize(20, 10);
    front.Canvas().CopyFrom({0, 0, 20, 10}, back.Canvas().Handle(), 0, 0);
    EXPECT_EQ(GetPixel(front.Canvas().Handle(), 19, 9), RGB(255, 0, 0));

    front.Canvas().Font().SetHeight(-13);
    EXPECT_GT(front.Canvas().TextWidth("Wg"), 0);
    EXPECT_GE(front.Canvas().TextHeight("Wg"), 13);
}

TEST(Canvas, WithoutADeviceContextRefusesToDraw)
{
    TCanvas canvas;
    EXPECT_THROW(canvas.FillRect({0, 0, 1, 1}), EInvalidOperation);
}

} // namespace
