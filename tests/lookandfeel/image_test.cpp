#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "lookandfeel/cxGraphics.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 255, 0);

constexpr std::uint32_t Px(int r, int g, int b, int a = 0)
{
    return (static_cast<std::uint32_t>(a) << 24) | (static_cast<std::uint32_t>(r) << 16) |
           (static_cast<std::uint32_t>(g) << 8) | static_cast<std::uint32_t>(b);
}

TcxPixels Pixels(int width, int height, std::vector<std::uint32_t> data)
{
    TcxPixels p;
    p.Width = width;
    p.Height = height;
    p.Data = std::move(data);
    return p;
}

// A 4x4 glyph: magenta (the transparent colour by its left-bottom pixel) around a blue 2x2 centre.
void PaintGlyph(HDC dc)
{
    HBRUSH magenta = CreateSolidBrush(kMagenta), blue = CreateSolidBrush(kBlue);
    RECT all{0, 0, 4, 4}, centre{1, 1, 3, 3};
    FillRect(dc, &all, magenta);
    FillRect(dc, &centre, blue);
    DeleteObject(magenta);
    DeleteObject(blue);
}

struct TTarget {
    TBitmap Bitmap;
    explicit TTarget(int size = 8)
    {
        Bitmap.SetSize(size, size);
        Bitmap.Canvas().Brush().SetColor(clWhite);
        Bitmap.Canvas().FillRect({0, 0, size, size});
    }
    HDC DC() { return Bitmap.Canvas().Handle(); }
    COLORREF At(int x, int y) { return GetPixel(DC(), x, y); }
};

TEST(Grey, FormulaRoundsTheLuminance)
{
    struct Case {
        const char* Label;
        int R, G, B;
        int Expected;
    };
    // round(0.0729 R + 0.7146 G + 0.2125 B), worked by hand.
    const Case cases[] = {
        {"black", 0, 0, 0, 0},          {"white", 255, 255, 255, 255},  {"red 18.59", 255, 0, 0, 19},
        {"green 182.22", 0, 255, 0, 182}, {"blue 54.19", 0, 0, 255, 54}, {"mixed 156.98", 100, 150, 200, 157},
        {"small 21.40", 10, 20, 30, 21},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label);
        EXPECT_EQ(cxGrayValue(static_cast<std::uint8_t>(c.R), static_cast<std::uint8_t>(c.G),
                              static_cast<std::uint8_t>(c.B)),
                  c.Expected);
    }
}

TEST(Grey, DisabledAlphaGreysVisiblePixelsOnly)
{
    TcxPixels p = Pixels(3, 1, {Px(255, 0, 0, 0), Px(255, 0, 0, 128), Px(0, 0, 255, 255)});
    EXPECT_TRUE(cxHasAlpha(p));
    cxMakeDisabledAlpha(p);
    EXPECT_EQ(p.Data[0], Px(255, 0, 0, 0)) << "a transparent pixel is untouched";
    EXPECT_EQ(p.Data[1], Px(19, 19, 19, 128));
    EXPECT_EQ(p.Data[2], Px(54, 54, 54, 255));
    EXPECT_FALSE(cxHasAlpha(Pixels(1, 1, {Px(1, 2, 3, 0)})));
}

TEST(Grey, BlendWithConstantAlpha)
{
    struct Case {
        const char* Label;
        std::uint32_t Source, Target;
        std::uint8_t Constant;
        std::uint32_t Expected;
    };
    const Case cases[] = {
        // (100 * 151 + 255 * (255 - 151)) / 255 = 163.2
        {"opaque grey at 151 over white", Px(100, 100, 100, 255), Px(255, 255, 255), 151, Px(163, 163, 163, 151)},
        {"half alpha (premultiplied) over black", Px(50, 50, 50, 128), Px(0, 0, 0), 255, Px(50, 50, 50, 128)},
        // 50 + 255 * 127 / 255
        {"half alpha (premultiplied) over white", Px(50, 50, 50, 128), Px(255, 255, 255), 255, Px(177, 177, 177, 128)},
        {"transparent leaves the target", Px(0, 0, 0, 0), Px(10, 20, 30), 151, Px(10, 20, 30)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label);
        TcxPixels target = Pixels(1, 1, {c.Target});
        cxBlendPixels(Pixels(1, 1, {c.Source}), c.Constant, target);
        EXPECT_EQ(target.Data[0], c.Expected);
    }
}

TEST(Grey, DisabledOpaqueDrawsTheHighlightShadowThenTheGrey)
{
    const TcxPixels image = Pixels(2, 2, {Px(255, 0, 0), Px(9, 9, 9), Px(0, 0, 255), Px(0, 255, 0)});
    const std::vector<bool> transparent{false, true, false, false};
    const std::uint32_t T = Px(255, 255, 255), H = Px(1, 2, 3);
    TcxPixels target = Pixels(3, 3, std::vector<std::uint32_t>(9, T));
    cxRenderDisabledOpaque(image, transparent, RGB(1, 2, 3), target);
    const std::vector<std::uint32_t> expected{
        Px(19, 19, 19),  T,                 T,  //
        Px(54, 54, 54),  Px(182, 182, 182), T,  // the grey wins over the shadow at (1, 1)
        T,               H,                 H,
    };
    EXPECT_EQ(target.Data, expected);
}

TEST(Images, AssignedGlyphsAndListImages)
{
    TBitmap empty;
    TBitmap sized;
    sized.SetSize(2, 2);
    EXPECT_FALSE(IsGlyphAssigned(nullptr));
    EXPECT_FALSE(IsGlyphAssigned(&empty));
    EXPECT_TRUE(IsGlyphAssigned(&sized));

    HIMAGELIST list = ImageList_Create(4, 4, ILC_COLOR24 | ILC_MASK, 1, 1);
    ASSERT_NE(list, nullptr);
    EXPECT_FALSE(IsImageAssigned(list, 0)) << "an empty list";
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 4, 4);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(ImageList_Add(list, bitmap, nullptr), 0);
    DeleteObject(bitmap);
    EXPECT_TRUE(IsImageAssigned(list, 0));
    EXPECT_FALSE(IsImageAssigned(list, 1));
    EXPECT_FALSE(IsImageAssigned(list, -1));
    EXPECT_FALSE(IsImageAssigned(nullptr, 0));
    ImageList_Destroy(list);
}

TEST(Images, DrawBitmapCopiesTheAreaAtTheSourcePoint)
{
    TBitmap glyph;
    glyph.SetSize(4, 4);
    PaintGlyph(glyph.Canvas().Handle());
    TTarget t;
    cxDrawBitmap(t.DC(), &glyph, {5, 5, 7, 7}, SRCCOPY, {1, 1});
    EXPECT_EQ(t.At(5, 5), kBlue);
    EXPECT_EQ(t.At(6, 6), kBlue);
    EXPECT_EQ(t.At(7, 7), kWhite);
    EXPECT_EQ(t.At(4, 4), kWhite);
    TBitmap empty;
    cxDrawBitmap(t.DC(), &empty, {0, 0, 2, 2});
    cxDrawBitmap(t.DC(), nullptr, {0, 0, 2, 2});
    EXPECT_EQ(t.At(0, 0), kWhite);
}

TEST(Images, MaskFromTheTransparentColour)
{
    TBitmap glyph;
    glyph.SetSize(4, 4);
    PaintGlyph(glyph.Canvas().Handle());
    struct Case {
        const char* Label;
        TColor Transparent;
        COLORREF Border, Centre;
    };
    const Case cases[] = {
        {"left-bottom pixel", clNone, kWhite, RGB(0, 0, 0)},
        {"given colour", static_cast<TColor>(kBlue), RGB(0, 0, 0), kWhite},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label);
        TBitmap mask;
        cxMakeMaskBitmap(glyph, mask, c.Transparent);
        ASSERT_EQ(mask.Width(), 4);
        ASSERT_EQ(mask.Height(), 4);
        EXPECT_EQ(GetPixel(mask.Canvas().Handle(), 0, 0), c.Border);
        EXPECT_EQ(GetPixel(mask.Canvas().Handle(), 3, 3), c.Border);
        EXPECT_EQ(GetPixel(mask.Canvas().Handle(), 1, 2), c.Centre);
    }
}

TEST(Images, DrawImageNormalAndDisabled)
{
    TBitmap glyph;
    glyph.SetSize(4, 4);
    PaintGlyph(glyph.Canvas().Handle());
    const COLORREF grey = RGB(54, 54, 54), highlight = ColorToRGB(clBtnHighlight);  // the blue centre
    struct Case {
        const char* Label;
        TcxImageDrawMode Mode;
        TColor Transparent;
        bool LeftBottom;
        std::vector<std::pair<POINT, COLORREF>> Pixels;
    };
    const Case cases[] = {
        {"normal, left-bottom transparent", idmNormal, clNone, true,
         {{{3, 3}, kBlue}, {{4, 4}, kBlue}, {{2, 2}, kWhite}, {{5, 5}, kWhite}, {{0, 0}, kWhite}}},
        {"normal, no transparency", idmNormal, clNone, false, {{{3, 3}, kBlue}, {{2, 2}, kMagenta}, {{6, 6}, kWhite}}},
        {"normal, given transparent colour", idmNormal, static_cast<TColor>(kBlue), false,
         {{{3, 3}, kWhite}, {{2, 2}, kMagenta}}},
        {"disabled: grey in place, highlight right and down", idmDisabled, clNone, true,
         {{{3, 3}, grey}, {{4, 4}, grey}, {{5, 4}, highlight}, {{4, 5}, highlight}, {{5, 5}, highlight},
          {{2, 2}, kWhite}, {{6, 6}, kWhite}}},
        {"an unused mode draws as normal", idmShadowed, clNone, true, {{{3, 3}, kBlue}, {{2, 2}, kWhite}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label);
        TTarget t;
        TcxDrawImageArgs args;
        args.R = {0, 0, 8, 8};
        args.GlyphRect = {2, 2, 6, 6};
        args.Bitmap = &glyph;
        args.Mode = c.Mode;
        args.TransparentColor = c.Transparent;
        args.UseLeftBottomPixelAsTransparent = c.LeftBottom;
        cxDrawImage(t.DC(), args);
        for (const auto& [p, color] : c.Pixels) EXPECT_EQ(t.At(p.x, p.y), color) << "at " << p.x << "," << p.y;
    }
}

TEST(Images, DrawImageBackgroundStretchAndNothing)
{
    TBitmap glyph;
    glyph.SetSize(4, 4);
    PaintGlyph(glyph.Canvas().Handle());

    TTarget nothing;
    TcxDrawImageArgs none;
    none.R = {0, 0, 8, 8};
    none.GlyphRect = {0, 0, 4, 4};
    HBRUSH green = CreateSolidBrush(kGreen);
    none.Brush = green;
    cxDrawImage(nothing.DC(), none);
    EXPECT_EQ(nothing.At(1, 1), kWhite) << "no image: nothing at all, not even the background";

    TTarget t;
    TcxDrawImageArgs args = none;
    args.Bitmap = &glyph;
    args.GlyphRect = {0, 0, 8, 8};
    cxDrawImage(t.DC(), args);
    EXPECT_EQ(t.At(0, 0), kGreen) << "the brush fills the work bitmap under transparent pixels";
    EXPECT_EQ(t.At(2, 2), kBlue) << "stretched to twice the size";
    EXPECT_EQ(t.At(5, 5), kBlue);
    EXPECT_EQ(t.At(6, 6), kGreen);
    EXPECT_EQ(t.At(1, 1), kGreen);
    DeleteObject(green);
}

TEST(Images, SmoothShrinkingAveragesTheCoveredPixels)
{
    // Columns blue, red, blue, red; no transparency.
    TBitmap glyph;
    glyph.SetSize(4, 4);
    TcxPixels columns = Pixels(4, 4, std::vector<std::uint32_t>(16, 0));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) columns.At(x, y) = x % 2 ? Px(255, 0, 0) : Px(0, 0, 255);
    cxWritePixels(glyph.Canvas().Handle(), 0, 0, columns);
    struct Case {
        const char* Label;
        bool Smooth;
        COLORREF Expected;
    };
    const Case cases[] = {
        {"nearest pixel", false, kBlue},
        {"average of two blue and two red: (510 + 2) / 4", true, RGB(128, 0, 128)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label);
        TTarget t;
        TcxDrawImageArgs args;
        args.R = {0, 0, 8, 8};
        args.GlyphRect = {2, 2, 4, 4};
        args.Bitmap = &glyph;
        args.UseLeftBottomPixelAsTransparent = false;
        args.Smooth = c.Smooth;
        cxDrawImage(t.DC(), args);
        EXPECT_EQ(t.At(2, 2), c.Expected);
        EXPECT_EQ(t.At(3, 3), c.Expected);
        EXPECT_EQ(t.At(4, 4), kWhite);
    }
}

TEST(Images, DrawImageFromAnImageList)
{
    HIMAGELIST list = ImageList_Create(4, 4, ILC_COLOR24 | ILC_MASK, 1, 1);
    ASSERT_NE(list, nullptr);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 4, 4);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(memory, bitmap);
    PaintGlyph(memory);
    SelectObject(memory, old);
    DeleteDC(memory);
    ASSERT_EQ(ImageList_AddMasked(list, bitmap, kMagenta), 0);
    DeleteObject(bitmap);

    struct Case {
        const char* Label;
        TcxImageDrawMode Mode;
        COLORREF Centre;
    };
    const Case cases[] = {{"normal", idmNormal, kBlue}, {"disabled", idmDisabled, RGB(54, 54, 54)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label);
        TTarget t;
        TcxDrawImageArgs args;
        args.R = {0, 0, 8, 8};
        args.GlyphRect = {2, 2, 6, 6};
        args.Images = list;
        args.ImageIndex = 0;
        args.Mode = c.Mode;
        cxDrawImage(t.DC(), args);
        EXPECT_EQ(t.At(3, 3), c.Centre);
        EXPECT_EQ(t.At(2, 2), kWhite) << "the list's mask keeps the border transparent";
    }
    TTarget t;
    TcxDrawImageArgs bad;
    bad.R = {0, 0, 8, 8};
    bad.GlyphRect = {2, 2, 6, 6};
    bad.Images = list;
    bad.ImageIndex = 1;
    cxDrawImage(t.DC(), bad);
    EXPECT_EQ(t.At(3, 3), kWhite) << "an index past the list draws nothing";
    ImageList_Destroy(list);
}

TEST(Images, DisabledImageWithAlphaIsGreyedAndBlendedAt151)
{
    TBitmap glyph;
    glyph.SetSize(4, 4);
    TcxPixels pixels = Pixels(4, 4, std::vector<std::uint32_t>(16, Px(0, 0, 0, 0)));
    for (int y = 1; y < 3; ++y)
        for (int x = 1; x < 3; ++x) pixels.At(x, y) = Px(0, 0, 255, 255);
    cxWritePixels(glyph.Canvas().Handle(), 0, 0, pixels);
    if (!cxHasAlpha(cxReadPixels(glyph.Canvas().Handle(), {0, 0, 4, 4})))
        GTEST_SKIP() << "this display's bitmaps drop the alpha channel";

    struct Case {
        const char* Label;
        TcxImageDrawMode Mode;
        COLORREF Centre;
    };
    // (54 * 151 + 255 * (255 - 151)) / 255 = 135.98
    const Case cases[] = {{"normal", idmNormal, kBlue}, {"disabled", idmDisabled, RGB(136, 136, 136)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label);
        TTarget t;
        TcxDrawImageArgs args;
        args.R = {0, 0, 8, 8};
        args.GlyphRect = {2, 2, 6, 6};
        args.Bitmap = &glyph;
        args.Mode = c.Mode;
        cxDrawImage(t.DC(), args);
        EXPECT_EQ(t.At(3, 3), c.Centre);
        EXPECT_EQ(t.At(2, 2), kWhite) << "alpha 0 shows the target";
        EXPECT_EQ(t.At(5, 5), kWhite) << "no highlight shadow with alpha";
    }
}

} // namespace
