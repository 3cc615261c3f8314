// The push button's arithmetic without a window: content layout, glyph counts, the image a
// state shows, drop-down parts and where a drop-down menu opens. Portable: built natively
// (under the sanitizers) and for Windows.
#include <gtest/gtest.h>

#include <string>

#include "lookandfeel/cxButtonLayout.h"

namespace {

using TRect = TcxLayoutRect;
using TPoint = TcxLayoutPoint;

// The rectangle of this size whose top-left corner is at (left, top).
TRect Bounds(int left, int top, int width, int height)
{
    return TRect{left, top, left + width, top + height};
}

// A caption measured as width x height by the platform, with the glyph-free insets.
TcxButtonLayoutArgs Captioned(TRect client, int width, int height, bool hasGlyph = false)
{
    TcxButtonLayoutArgs args;
    args.Client = client;
    args.TextInsets = cxButtonTextOffsets(hasGlyph);
    args.TextSize = TcxLayoutSize{width + args.TextInsets.Left + args.TextInsets.Right, height};
    return args;
}

TEST(ButtonLayout, TextInsetsDependOnTheImage)
{
    EXPECT_EQ(cxLayoutRectToString(cxButtonTextOffsets(false)), "(1, 0, 2, 0)");
    EXPECT_EQ(cxLayoutRectToString(cxButtonTextOffsets(true)), "(0, 0, 0, 0)");
}

TEST(ButtonLayout, CaptionWithoutGlyph)
{
    // The utility's port button: content rectangle of a 194 x 25 button inside a 2-pixel
    // frame; caption 120 x 13.
    const TRect content = TRect{2, 2, 192, 23};
    struct Case {
        const char* label;
        int margin, spacing;
        bool rightToLeft;
        TRect text;
    };
    const Case cases[] = {
        // Margin 5: 5 + the 1-pixel glyph-free inset = 6 right of the content edge.
        {"margin 5", 5, 4, false, TRect{2 + 6, 2 + 3, 2 + 6 + 120, 2 + 3 + 13}},
        // Margin -1 with no glyph: spacing 0, centred: (190 - 123) div 2 = 33.
        {"margin -1 centres", -1, 4, false, TRect{2 + 33 + 1, 5, 2 + 34 + 120, 18}},
        // Without a glyph the spacing is dropped before it could spread: centred as well.
        {"margin -1 spacing -1 centres", -1, -1, false, TRect{2 + 33 + 1, 5, 2 + 34 + 120, 18}},
        // Right-to-left turns the left layout into a right one: 190 - 5 - 123 = 62.
        {"margin 5 right to left", 5, 4, true, TRect{2 + 62 + 1, 5, 2 + 63 + 120, 18}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TcxButtonLayoutArgs args = Captioned(content, 120, 13);
        args.Margin = c.margin;
        args.Spacing = c.spacing;
        args.RightToLeft = c.rightToLeft;
        const TcxButtonLayoutResult r = cxCalcButtonLayout(args);
        EXPECT_EQ(cxLayoutRectToString(r.TextBounds), cxLayoutRectToString(c.text));
    }
}

TEST(ButtonLayout, VerticalCentringRoundsOneUp)
{
    struct Case {
        int height, textHeight, top;
    };
    // (H - text - 1) div 2; a negative leftover truncates toward zero.
    const Case cases[] = {{20, 13, 3}, {21, 13, 3}, {22, 13, 4}, {13, 13, 0}, {10, 13, -2}};
    for (const Case& c : cases) {
        SCOPED_TRACE("height " + std::to_string(c.height) + " text " + std::to_string(c.textHeight));
        TcxButtonLayoutArgs args = Captioned(TRect{0, 0, 100, c.height}, 40, c.textHeight);
        args.Margin = 5;
        EXPECT_EQ(cxCalcButtonLayout(args).TextBounds.Top, c.top);
    }
}

TEST(ButtonLayout, GlyphAndCaptionInEveryLayout)
{
    // Content 100 x 40 at (10, 20), glyph 16 x 16, caption 30 x 13 (no insets with a glyph).
    const TRect content = Bounds(10, 20, 100, 40);
    struct Case {
        const char* label;
        TButtonLayout layout;
        int margin, spacing;
        TPoint glyph;
        TPoint text;
    };
    const Case cases[] = {
        {"left margin 5 spacing 4", blGlyphLeft, 5, 4, {5, 12}, {25, 13}},
        {"left centred", blGlyphLeft, -1, 4, {25, 12}, {45, 13}},
        {"left spread", blGlyphLeft, -1, -1, {18, 12}, {52, 13}},
        {"left margin 5 spread spacing", blGlyphLeft, 5, -1, {5, 12}, {45, 13}},
        {"right margin 5", blGlyphRight, 5, 4, {79, 12}, {45, 13}},
        {"top margin 2", blGlyphTop, 2, 4, {42, 2}, {35, 22}},
        {"bottom margin 2", blGlyphBottom, 2, 4, {42, 22}, {35, 5}},
        {"top centred", blGlyphTop, -1, 4, {42, 3}, {35, 23}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TcxButtonLayoutArgs args = Captioned(content, 30, 13, true);
        args.GlyphSize = TcxLayoutSize{16, 16};
        args.Layout = c.layout;
        args.Margin = c.margin;
        args.Spacing = c.spacing;
        args.Offset = TPoint{1, 1};
        const TcxButtonLayoutResult r = cxCalcButtonLayout(args);
        EXPECT_EQ(r.GlyphPos.X, c.glyph.X + 10 + 1);
        EXPECT_EQ(r.GlyphPos.Y, c.glyph.Y + 20 + 1);
        EXPECT_EQ(r.TextBounds.Left, c.text.X + 10 + 1);
        EXPECT_EQ(r.TextBounds.Top, c.text.Y + 20 + 1);
        EXPECT_EQ(r.TextBounds.Width(), 30);
        EXPECT_EQ(r.TextBounds.Height(), 13);
    }
}

TEST(ButtonLayout, RightToLeftSwapsOnlyTheHorizontalLayouts)
{
    const TButtonLayout pairs[][2] = {
        {blGlyphLeft, blGlyphRight}, {blGlyphRight, blGlyphLeft}, {blGlyphTop, blGlyphTop}, {blGlyphBottom, blGlyphBottom}};
    for (const auto& pair : pairs) {
        SCOPED_TRACE(static_cast<int>(pair[0]));
        TcxButtonLayoutArgs rtl = Captioned(TRect{0, 0, 100, 40}, 30, 13, true);
        rtl.GlyphSize = TcxLayoutSize{16, 16};
        rtl.Margin = 5;
        rtl.Layout = pair[0];
        rtl.RightToLeft = true;
        TcxButtonLayoutArgs ltr = rtl;
        ltr.Layout = pair[1];
        ltr.RightToLeft = false;
        const TcxButtonLayoutResult a = cxCalcButtonLayout(rtl), b = cxCalcButtonLayout(ltr);
        EXPECT_TRUE(a.GlyphPos == b.GlyphPos);
        EXPECT_EQ(cxLayoutRectToString(a.TextBounds), cxLayoutRectToString(b.TextBounds));
    }
}

TEST(ButtonLayout, EmptyCaptionCentresTheGlyphAlone)
{
    TcxButtonLayoutArgs args;
    args.Client = TRect{0, 0, 40, 30};
    args.GlyphSize = TcxLayoutSize{16, 16};
    args.TextInsets = cxButtonTextOffsets(true);
    const TcxButtonLayoutResult r = cxCalcButtonLayout(args);
    EXPECT_EQ(r.GlyphPos.X, 12);  // spacing dropped: (40 - 16) div 2
    EXPECT_EQ(r.GlyphPos.Y, 7);
    EXPECT_TRUE(r.TextBounds.IsEmpty());
}

TEST(ButtonGlyphCount, FromTheStripSize)
{
    struct Case {
        int width, height, count;
    };
    const Case cases[] = {{48, 16, 3}, {80, 16, 1}, {20, 16, 1}, {16, 16, 1}, {32, 16, 2},
                          {64, 16, 4}, {0, 0, 1},   {16, 0, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        EXPECT_EQ(cxGlyphCountFor(c.width, c.height), c.count);
    }
}

TEST(ButtonGlyphCount, SetterClamps)
{
    const int values[][2] = {{-3, 1}, {0, 1}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {9, 4}};
    for (const auto& v : values) {
        SCOPED_TRACE(v[0]);
        EXPECT_EQ(cxClampNumGlyphs(v[0]), v[1]);
    }
}

TEST(ButtonGlyphCount, ImageOfTheStripByState)
{
    // States: 0 default, 1 normal, 2 hot, 3 pressed, 4 disabled.
    const int expected[5][5] = {
        // numGlyphs 1..4 per state
        {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 2, 2}, {0, 1, 1, 1, 1},
    };
    for (int state = 0; state < 5; ++state)
        for (int n = 1; n <= 4; ++n) {
            SCOPED_TRACE("state " + std::to_string(state) + " images " + std::to_string(n));
            EXPECT_EQ(cxGlyphCellForState(state, n), expected[state][n]);
        }
}

TEST(ButtonDropDown, ArrowPartOfA100PixelButton)
{
    const TRect client = TRect{0, 0, 100, 25};
    EXPECT_EQ(cxLayoutRectToString(cxDropDownArrowRect(client)), "(85, 0, 100, 25)");
    EXPECT_EQ(cxExcludeDropDownButtonRect(client).Right, 87);
}

TEST(ButtonDropDown, MenuPointBelowOrAbove)
{
    const TRect work = TRect{0, 0, 800, 600};
    struct Case {
        const char* label;
        TPoint bottomLeft;
        int menuHeight;
        TPopupAlignment alignment;
        TPoint expected;
    };
    const Case cases[] = {
        {"fits below", {100, 225}, 60, paLeft, {100, 225}},
        {"right aligned", {100, 225}, 60, paRight, {200, 225}},
        {"centred", {100, 225}, 60, paCenter, {150, 225}},
        {"exactly fits", {100, 540}, 60, paLeft, {100, 540}},
        // Button 515..540: the menu's bottom lands 2 pixels above the top edge.
        {"one pixel too low opens above", {100, 541}, 60, paLeft, {100, 541 - 60 - 25 - 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const TPoint p = cxDropDownMenuPoint(c.bottomLeft, 100, 25, c.menuHeight, c.alignment, work);
        EXPECT_EQ(p.X, c.expected.X);
        EXPECT_EQ(p.Y, c.expected.Y);
    }
    const TPoint above = cxDropDownMenuPoint({100, 590}, 100, 25, 60, paLeft, work);
    EXPECT_EQ(above.Y + 60, 590 - 25 - 2) << "bottom 2 pixels above the button's top";
}

TEST(ButtonDropDown, AlignmentAtTheWorkAreaEdges)
{
    const TRect work = TRect{0, 0, 800, 600};
    EXPECT_EQ(cxDropDownMenuAlignment({0, 10}, paLeft, work), paRight);
    EXPECT_EQ(cxDropDownMenuAlignment({-5, 10}, paCenter, work), paRight);
    EXPECT_EQ(cxDropDownMenuAlignment({800, 10}, paRight, work), paLeft);
    EXPECT_EQ(cxDropDownMenuAlignment({400, 10}, paCenter, work), paCenter);
}

TEST(ButtonOptimalSize, FromMeasuredTexts)
{
    const TcxLayoutSize s = cxButtonOptimalSize(60, 8, 13);
    EXPECT_EQ(s.Width, 84);
    EXPECT_EQ(s.Height, 23);  // 13 * 14 / 8 = 22.75
}

TEST(ButtonOptimalSize, HeightRoundsToTheNearestWithHalvesAwayFromZero)
{
    struct Case {
        int heightOfWg, height;
    };
    // x 14 / 8: 1.75, 3.5, 5.25, 0, -3.5, -5.25; past the int range -1, as MulDiv answers.
    const Case cases[] = {{1, 2}, {2, 4}, {3, 5}, {0, 0}, {-2, -4}, {-3, -5}, {2'000'000'000, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.heightOfWg);
        EXPECT_EQ(cxButtonOptimalSize(0, 0, c.heightOfWg).Height, c.height);
    }
}

} // namespace
