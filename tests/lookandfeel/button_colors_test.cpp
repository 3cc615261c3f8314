// Per-state colours with their fallbacks, and the glyph object with the shared glyph
// cache: no button window needed.
#include <gtest/gtest.h>

#include <string>

#include "framework/exceptions.h"
#include "lookandfeel/cxButtons.h"

namespace {

constexpr TColor kRed = 0x0000FF;
constexpr TColor kGreen = 0x00FF00;
constexpr TColor kBlue = 0xFF0000;

TEST(ButtonColors, FallbacksByState)
{
    struct Case {
        const char* label;
        TcxButtonAssignedColor assigned;
        TColor def, normal, hot, pressed, disabled;
    };
    const Case cases[] = {
        // An unassigned slot takes the normal slot's value; normal itself takes default's.
        {"only Normal", cxbcNormal, kRed, kRed, kRed, kRed, kRed},
        // Default reaches normal only; hot, pressed and disabled read the (empty) normal slot.
        {"only Default", cxbcDefault, kRed, kRed, clDefault, clDefault, clDefault},
        {"only Hot", cxbcHot, clDefault, clDefault, kRed, clDefault, clDefault},
        {"only Disabled", cxbcDisabled, clDefault, clDefault, clDefault, clDefault, kRed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TcxButtonColors colors(nullptr);
        colors.SetColor(c.assigned, kRed);
        EXPECT_EQ(colors.GetColorByState(cxbsDefault), c.def);
        EXPECT_EQ(colors.GetColorByState(cxbsNormal), c.normal);
        EXPECT_EQ(colors.GetColorByState(cxbsHot), c.hot);
        EXPECT_EQ(colors.GetColorByState(cxbsPressed), c.pressed);
        EXPECT_EQ(colors.GetColorByState(cxbsDisabled), c.disabled);
        for (TcxButtonState s : {cxbsDefault, cxbsNormal, cxbsHot, cxbsPressed, cxbsDisabled})
            EXPECT_EQ(colors.GetTextColorByState(s), clDefault) << "text slots have no fallback";
    }
}

TEST(ButtonColors, TextColoursUseTheirOwnSlot)
{
    TcxButtonColors colors(nullptr);
    colors.SetNormalText(kGreen);
    colors.SetPressedText(kBlue);
    EXPECT_EQ(colors.GetTextColorByState(cxbsNormal), kGreen);
    EXPECT_EQ(colors.GetTextColorByState(cxbsPressed), kBlue);
    EXPECT_EQ(colors.GetTextColorByState(cxbsHot), clDefault);
    EXPECT_EQ(colors.AssignedColors(), cxButtonColorBit(cxbcNormalText) | cxButtonColorBit(cxbcPressedText));
}

TEST(ButtonColors, NoneAndDefaultUnassign)
{
    for (TColor clear : {clNone, clDefault}) {
        SCOPED_TRACE(clear);
        TcxButtonColors colors(nullptr);
        colors.SetHot(kRed);
        ASSERT_TRUE(colors.AssignedColors() & cxButtonColorBit(cxbcHot));
        colors.SetHot(clear);
        EXPECT_EQ(colors.Hot(), clDefault);
        EXPECT_EQ(colors.AssignedColors(), 0u);
        EXPECT_FALSE(colors.IsStored());
    }
}

TEST(ButtonColors, AssignCopiesSlotsAndSet)
{
    TcxButtonColors source(nullptr), target(nullptr);
    source.SetDefault(kRed);
    source.SetDisabledText(kBlue);
    target.SetHot(kGreen);
    target.Assign(&source);
    EXPECT_EQ(target.Default(), kRed);
    EXPECT_EQ(target.DisabledText(), kBlue);
    EXPECT_EQ(target.Hot(), clDefault);
    EXPECT_EQ(target.AssignedColors(), source.AssignedColors());
    // Anything else is the runtime's assignment error.
    TFont font;
    EXPECT_THROW(target.Assign(&font), EConvertError);
}

// A strip of width x height: each image a filled square of its own colour on a magenta
// background (the left-bottom pixel, hence transparent).
std::unique_ptr<TBitmap> Strip(int width, int height)
{
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(width, height);
    bitmap->Canvas().Brush().SetColor(0xFF00FF);
    bitmap->Canvas().FillRect({0, 0, width, height});
    const TColor colours[] = {kRed, kGreen, kBlue, 0x00FFFF};
    for (int i = 0; height > 0 && i < width / height && i < 4; ++i) {
        bitmap->Canvas().Brush().SetColor(colours[i]);
        bitmap->Canvas().FillRect({i * height + 2, 2, i * height + height - 2, height - 2});
    }
    return bitmap;
}

TEST(ButtonGlyph, NumGlyphsFollowsTheBitmap)
{
    struct Case {
        int width, height, count;
    };
    const Case cases[] = {{48, 16, 3}, {80, 16, 1}, {20, 16, 1}, {64, 16, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        TcxButtonGlyph glyph;
        glyph.SetGlyph(Strip(c.width, c.height).get());
        EXPECT_EQ(glyph.NumGlyphs(), c.count);
        EXPECT_EQ(glyph.GetImageSize().cx, c.width / c.count);
        EXPECT_EQ(glyph.GetTransparentColor(), 0xFF00FF);
    }
}

TEST(ButtonGlyph, ImagesAreBuiltOnceAndShareOneListPerSize)
{
    TcxButtonGlyph a, b, other;
    a.SetGlyph(Strip(48, 16).get());
    b.SetGlyph(Strip(16, 16).get());
    other.SetGlyph(Strip(20, 20).get());
    const int normal = a.CreateButtonGlyph(cxbsNormal);
    EXPECT_EQ(a.CreateButtonGlyph(cxbsHot), normal) << "hot shares the up image";
    EXPECT_EQ(a.CreateButtonGlyph(cxbsNormal), normal) << "built once";
    const int pressed = a.CreateButtonGlyph(cxbsPressed);
    EXPECT_NE(pressed, normal);
    const int bNormal = b.CreateButtonGlyph(cxbsNormal);
    other.CreateButtonGlyph(cxbsNormal);
    ASSERT_NE(cxGlyphCache(), nullptr);
    EXPECT_EQ(a.GlyphList(), b.GlyphList()) << "same size, same list";
    EXPECT_NE(a.GlyphList(), other.GlyphList());
    EXPECT_EQ(cxGlyphCache()->Count(), 2);
    EXPECT_EQ(a.GlyphList()->UsedCount(), 3);

    // A released slot is the next one taken.
    TcxGlyphList* list = a.GlyphList();
    a.Invalidate();
    EXPECT_EQ(list->UsedCount(), 1);
    EXPECT_FALSE(list->IsUsed(normal));
    TcxButtonGlyph c;
    c.SetGlyph(Strip(16, 16).get());
    EXPECT_EQ(c.CreateButtonGlyph(cxbsNormal), std::min(normal, pressed));
    EXPECT_NE(c.CreateButtonGlyph(cxbsNormal), bNormal);
}

TEST(ButtonGlyph, TheLastReleaseDropsTheListAndTheCache)
{
    {
        TcxButtonGlyph glyph;
        glyph.SetGlyph(Strip(24, 24).get());
        glyph.CreateButtonGlyph(cxbsNormal);
        ASSERT_NE(cxGlyphCache(), nullptr);
        const int lists = cxGlyphCache()->Count();
        glyph.SetNumGlyphs(2);  // a change releases the images
        EXPECT_EQ(glyph.GlyphList(), nullptr);
        EXPECT_EQ(cxGlyphCache()->Count(), lists - 1);
    }
    EXPECT_EQ(cxGlyphCache(), nullptr) << "the last glyph object took the cache with it";
}

// The image drawn for a state, read back from a white surface.
COLORREF DrawnCentre(TcxButtonGlyph& glyph, TcxButtonState state)
{
    TBitmap surface;
    surface.SetSize(16, 16);
    surface.Canvas().Brush().SetColor(clWhite);
    surface.Canvas().FillRect({0, 0, 16, 16});
    TcxCanvas canvas(surface.Canvas());
    glyph.DrawButtonGlyph(canvas, POINT{0, 0}, state);
    return GetPixel(surface.Canvas().Handle(), 8, 8);
}

TEST(ButtonGlyph, StateChoosesTheImageOfTheStrip)
{
    TcxButtonGlyph three;
    three.SetGlyph(Strip(48, 16).get());
    EXPECT_EQ(DrawnCentre(three, cxbsNormal), RGB(255, 0, 0));
    EXPECT_EQ(DrawnCentre(three, cxbsDisabled), RGB(0, 255, 0));
    EXPECT_EQ(DrawnCentre(three, cxbsPressed), RGB(0, 0, 255));

    TcxButtonGlyph two;
    two.SetGlyph(Strip(32, 16).get());
    EXPECT_EQ(DrawnCentre(two, cxbsPressed), RGB(255, 0, 0)) << "fewer than 3 images: pressed shows image 0";

    TcxButtonGlyph one;
    one.SetGlyph(Strip(16, 16).get());
    const COLORREF disabled = DrawnCentre(one, cxbsDisabled);
    EXPECT_NE(disabled, RGB(255, 0, 0)) << "one image: the disabled one is rendered, not copied";
    EXPECT_EQ(GetRValue(disabled), GetGValue(disabled)) << "rendered grey";

    // The transparent background lets the surface show through.
    TBitmap surface;
    surface.SetSize(16, 16);
    surface.Canvas().Brush().SetColor(clWhite);
    surface.Canvas().FillRect({0, 0, 16, 16});
    TcxCanvas canvas(surface.Canvas());
    three.DrawButtonGlyph(canvas, POINT{0, 0}, cxbsNormal);
    EXPECT_EQ(GetPixel(surface.Canvas().Handle(), 0, 0), RGB(255, 255, 255));
}

} // namespace
