#include "lookandfeel/cxImages.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "framework/exceptions.h"
#include "framework/handles.h"
#include "lookandfeel/cxGdiError.h"

namespace {

// A 32-bit top-down DIB section selected into its own memory DC: what the pixel work
// reads and writes. Its bits are ours to touch after GdiFlush.
class TDibSection {
public:
    TDibSection(int width, int height) : FWidth(width), FHeight(height), FDC(CreateCompatibleDC(nullptr))
    {
        if (!FDC) cxRaiseGdiError("CreateCompatibleDC");
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        FBitmap.Reset(CreateDIBSection(FDC.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!FBitmap || !bits) cxRaiseGdiError("CreateDIBSection");
        FBits = static_cast<std::uint32_t*>(bits);
        FSelection.emplace(FDC.Get(), FBitmap.Get());
    }
    TDibSection(const TDibSection&) = delete;
    TDibSection& operator=(const TDibSection&) = delete;

    HDC DC() const noexcept { return FDC.Get(); }

    TcxPixels Read() const
    {
        GdiFlush();
        TcxPixels pixels;
        pixels.Width = FWidth;
        pixels.Height = FHeight;
        pixels.Data.assign(FBits, FBits + static_cast<std::size_t>(FWidth) * FHeight);
        return pixels;
    }

    void Write(const TcxPixels& pixels)
    {
        GdiFlush();
        std::copy(pixels.Data.begin(), pixels.Data.end(), FBits);
    }

private:
    int FWidth;
    int FHeight;
    TCompatibleDC FDC;
    TGdiObject FBitmap;
    // Declared after the bitmap, so the bitmap leaves the DC before it is deleted.
    std::optional<TSelectGuard> FSelection;
    std::uint32_t* FBits = nullptr;
};

constexpr std::uint32_t RGBOf(std::uint32_t pixel) noexcept { return pixel & 0x00FFFFFFu; }
constexpr std::uint8_t Red(std::uint32_t pixel) noexcept { return static_cast<std::uint8_t>(pixel >> 16); }
constexpr std::uint8_t Green(std::uint32_t pixel) noexcept { return static_cast<std::uint8_t>(pixel >> 8); }
constexpr std::uint8_t Blue(std::uint32_t pixel) noexcept { return static_cast<std::uint8_t>(pixel); }
constexpr std::uint8_t Alpha(std::uint32_t pixel) noexcept { return static_cast<std::uint8_t>(pixel >> 24); }
constexpr std::uint32_t Pixel(std::uint32_t red, std::uint32_t green, std::uint32_t blue, std::uint32_t alpha) noexcept
{
    return (alpha << 24) | (red << 16) | (green << 8) | blue;
}
// A COLORREF (0x00BBGGRR) as a pixel value (0x00RRGGBB).
constexpr std::uint32_t PixelOf(COLORREF color) noexcept
{
    return Pixel(GetRValue(color), GetGValue(color), GetBValue(color), 0);
}

// The area of source at (left, top), image-sized; pixels outside source read as 0.
TcxPixels Window(const TcxPixels& source, int left, int top, int width, int height)
{
    TcxPixels window;
    window.Width = width;
    window.Height = height;
    window.Data.assign(static_cast<std::size_t>(width) * height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int sx = left + x, sy = top + y;
            if (sx >= 0 && sy >= 0 && sx < source.Width && sy < source.Height) window.At(x, y) = source.At(sx, sy);
        }
    return window;
}

// Puts a window back; what lies outside target is dropped.
void PutWindow(const TcxPixels& window, int left, int top, TcxPixels& target)
{
    for (int y = 0; y < window.Height; ++y)
        for (int x = 0; x < window.Width; ++x) {
            const int tx = left + x, ty = top + y;
            if (tx >= 0 && ty >= 0 && tx < target.Width && ty < target.Height) target.At(tx, ty) = window.At(x, y);
        }
}

// Resamples to a new size: nearest pixel, or with smooth the average of the source area
// each target pixel covers. The average takes the opaque pixels only, so the transparent
// colour never bleeds into the edges; the area is transparent when most of it is.
void Resample(TcxPixels& pixels, std::vector<bool>& transparent, int width, int height, bool smooth)
{
    if (width == pixels.Width && height == pixels.Height) return;
    TcxPixels result;
    result.Width = width;
    result.Height = height;
    result.Data.assign(static_cast<std::size_t>(width) * height, 0);
    std::vector<bool> flags(result.Data.size(), false);
    const auto clearAt = [&](int x, int y) { return transparent[static_cast<std::size_t>(y) * pixels.Width + x]; };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int x0 = x * pixels.Width / width, y0 = y * pixels.Height / height;
            const std::size_t at = static_cast<std::size_t>(y) * width + x;
            if (!smooth) {
                result.Data[at] = pixels.At(x0, y0);
                flags[at] = clearAt(x0, y0);
                continue;
            }
            const int x1 = std::max(x0 + 1, (x + 1) * pixels.Width / width);
            const int y1 = std::max(y0 + 1, (y + 1) * pixels.Height / height);
            std::uint32_t sum[4] = {0, 0, 0, 0};
            std::uint32_t opaque = 0, clear = 0;
            for (int sy = y0; sy < y1; ++sy)
                for (int sx = x0; sx < x1; ++sx) {
                    if (clearAt(sx, sy)) {
                        ++clear;
                        continue;
                    }
                    const std::uint32_t p = pixels.At(sx, sy);
                    sum[0] += Red(p);
                    sum[1] += Green(p);
                    sum[2] += Blue(p);
                    sum[3] += Alpha(p);
                    ++opaque;
                }
            flags[at] = clear > opaque;
            if (opaque == 0) {
                result.Data[at] = pixels.At(x0, y0);
                continue;
            }
            const auto mean = [&](std::uint32_t total) { return (total + opaque / 2) / opaque; };
            result.Data[at] = Pixel(mean(sum[0]), mean(sum[1]), mean(sum[2]), mean(sum[3]));
        }
    pixels = std::move(result);
    transparent = std::move(flags);
}

} // namespace

bool IsGlyphAssigned(const TBitmap* bitmap) noexcept
{
    return bitmap && !bitmap->Empty();
}

bool IsImageAssigned(HIMAGELIST images, int index) noexcept
{
    return images && index >= 0 && index < ImageList_GetImageCount(images);
}

void cxDrawBitmap(HDC dc, TBitmap* bitmap, const RECT& r, DWORD rop, POINT source)
{
    if (!IsGlyphAssigned(bitmap) || cxRectIsEmpty(r)) return;
    if (!BitBlt(dc, r.left, r.top, cxRectWidth(r), cxRectHeight(r), bitmap->Canvas().Handle(), source.x, source.y,
                rop))
        cxRaiseGdiError("BitBlt");
}

bool cxHasAlpha(const TcxPixels& pixels) noexcept
{
    return std::any_of(pixels.Data.begin(), pixels.Data.end(), [](std::uint32_t p) { return Alpha(p) != 0; });
}

std::uint8_t cxGrayValue(std::uint8_t red, std::uint8_t green, std::uint8_t blue) noexcept
{
    // Weights in ten-thousandths; adding half the divisor rounds to nearest. Red and blue
    // carry each other's luminance weight: disabled glyphs have always been greyed this way,
    // and a red glyph comes out lighter than a blue one.
    return static_cast<std::uint8_t>((729u * red + 7146u * green + 2125u * blue + 5000u) / 10000u);
}

void cxMakeDisabledAlpha(TcxPixels& pixels) noexcept
{
    for (std::uint32_t& p : pixels.Data) {
        if (Alpha(p) == 0) continue;
        const std::uint32_t grey = cxGrayValue(Red(p), Green(p), Blue(p));
        p = Pixel(grey, grey, grey, Alpha(p));
    }
}

void cxRenderDisabledOpaque(const TcxPixels& image, const std::vector<bool>& transparent, COLORREF highlight,
                            TcxPixels& target) noexcept
{
    const auto opaque = [&](int x, int y) {
        const std::size_t at = static_cast<std::size_t>(y) * image.Width + x;
        return at >= transparent.size() || !transparent[at];
    };
    const auto put = [&](int x, int y, std::uint32_t value) {
        if (x >= 0 && y >= 0 && x < target.Width && y < target.Height) target.At(x, y) = value;
    };
    for (int y = 0; y < image.Height; ++y)
        for (int x = 0; x < image.Width; ++x)
            if (opaque(x, y)) put(x + 1, y + 1, PixelOf(highlight));
    for (int y = 0; y < image.Height; ++y)
        for (int x = 0; x < image.Width; ++x)
            if (opaque(x, y)) {
                const std::uint32_t p = image.At(x, y);
                const std::uint32_t grey = cxGrayValue(Red(p), Green(p), Blue(p));
                put(x, y, Pixel(grey, grey, grey, 0));
            }
}

void cxBlendPixels(const TcxPixels& source, std::uint8_t constantAlpha, TcxPixels& target) noexcept
{
    const int width = std::min(source.Width, target.Width);
    const int height = std::min(source.Height, target.Height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint32_t s = source.At(x, y);
            const std::uint32_t d = target.At(x, y);
            const std::uint32_t sourceAlpha = (Alpha(s) * constantAlpha + 127u) / 255u;
            const auto mix = [&](std::uint32_t sc, std::uint32_t dc) {
                return std::min(255u, (sc * constantAlpha + dc * (255u - sourceAlpha) + 127u) / 255u);
            };
            target.At(x, y) = Pixel(mix(Red(s), Red(d)), mix(Green(s), Green(d)), mix(Blue(s), Blue(d)),
                                    std::min(255u, sourceAlpha + (Alpha(d) * (255u - sourceAlpha) + 127u) / 255u));
        }
}

TcxPixels cxReadPixels(HDC dc, const RECT& r)
{
    if (cxRectIsEmpty(r)) return {};
    TDibSection dib(cxRectWidth(r), cxRectHeight(r));
    if (!BitBlt(dib.DC(), 0, 0, cxRectWidth(r), cxRectHeight(r), dc, r.left, r.top, SRCCOPY)) cxRaiseGdiError("BitBlt");
    return dib.Read();
}

void cxWritePixels(HDC dc, int x, int y, const TcxPixels& pixels)
{
    if (pixels.Width <= 0 || pixels.Height <= 0) return;
    TDibSection dib(pixels.Width, pixels.Height);
    dib.Write(pixels);
    if (!BitBlt(dc, x, y, pixels.Width, pixels.Height, dib.DC(), 0, 0, SRCCOPY)) cxRaiseGdiError("BitBlt");
}

namespace {

// The transparency of an image without alpha: pixels of the key colour.
std::vector<bool> KeyTransparency(const TcxPixels& pixels, TColor transparentColor, bool useLeftBottomPixel)
{
    std::vector<bool> transparent(pixels.Data.size(), false);
    std::uint32_t key = 0;
    if (transparentColor != clNone && transparentColor != clDefault)
        key = PixelOf(ColorToRGB(transparentColor));
    else if (useLeftBottomPixel && pixels.Height > 0 && pixels.Width > 0)
        key = RGBOf(pixels.At(0, pixels.Height - 1));
    else
        return transparent;
    for (std::size_t i = 0; i < pixels.Data.size(); ++i) transparent[i] = RGBOf(pixels.Data[i]) == key;
    return transparent;
}

// An image list entry as pixels: the colours drawn on black, and its mask.
void ReadListImage(HIMAGELIST images, int index, TcxPixels& pixels, std::vector<bool>& transparent)
{
    int width = 0, height = 0;
    if (!ImageList_GetIconSize(images, &width, &height) || width <= 0 || height <= 0)
        throw EInvalidOperation("The image list has no image size");
    TDibSection colours(width, height);
    if (!ImageList_DrawEx(images, index, colours.DC(), 0, 0, width, height, RGB(0, 0, 0), CLR_NONE, ILD_NORMAL))
        cxRaiseGdiError("ImageList_DrawEx");
    TDibSection mask(width, height);
    if (!PatBlt(mask.DC(), 0, 0, width, height, WHITENESS)) cxRaiseGdiError("PatBlt");
    if (!ImageList_DrawEx(images, index, mask.DC(), 0, 0, width, height, CLR_NONE, CLR_NONE, ILD_MASK))
        cxRaiseGdiError("ImageList_DrawEx");
    pixels = colours.Read();
    // The list's own blending has already been applied; what is left is an opaque image.
    for (std::uint32_t& p : pixels.Data) p = RGBOf(p);
    const TcxPixels maskPixels = mask.Read();
    transparent.assign(maskPixels.Data.size(), false);
    for (std::size_t i = 0; i < maskPixels.Data.size(); ++i) transparent[i] = RGBOf(maskPixels.Data[i]) != 0;
}

} // namespace

void cxMakeMaskBitmap(TBitmap& image, TBitmap& mask, TColor transparentColor)
{
    if (image.Empty()) {
        mask.SetSize(0, 0);
        return;
    }
    TcxPixels pixels = cxReadPixels(image.Canvas().Handle(), cxRectBounds(0, 0, image.Width(), image.Height()));
    std::vector<bool> transparent;
    if (cxHasAlpha(pixels)) {
        transparent.resize(pixels.Data.size());
        for (std::size_t i = 0; i < pixels.Data.size(); ++i) transparent[i] = Alpha(pixels.Data[i]) == 0;
    } else {
        transparent = KeyTransparency(pixels, transparentColor, true);
    }
    for (std::size_t i = 0; i < pixels.Data.size(); ++i) pixels.Data[i] = transparent[i] ? 0x00FFFFFFu : 0u;
    mask.SetSize(image.Width(), image.Height());
    cxWritePixels(mask.Canvas().Handle(), 0, 0, pixels);
}

void cxDrawImage(HDC dc, const TcxDrawImageArgs& args)
{
    const bool fromBitmap = IsGlyphAssigned(args.Bitmap);
    if (!fromBitmap && !IsImageAssigned(args.Images, args.ImageIndex)) return;
    if (cxRectIsEmpty(args.R) || cxRectIsEmpty(args.GlyphRect)) return;

    TcxPixels image;
    std::vector<bool> transparent;
    bool alpha = false;
    if (fromBitmap) {
        image = cxReadPixels(args.Bitmap->Canvas().Handle(),
                             cxRectBounds(0, 0, args.Bitmap->Width(), args.Bitmap->Height()));
        alpha = cxHasAlpha(image);
        if (alpha) {
            transparent.resize(image.Data.size());
            for (std::size_t i = 0; i < image.Data.size(); ++i) transparent[i] = Alpha(image.Data[i]) == 0;
        } else {
            transparent = KeyTransparency(image, args.TransparentColor, args.UseLeftBottomPixelAsTransparent);
        }
    } else {
        ReadListImage(args.Images, args.ImageIndex, image, transparent);
    }
    Resample(image, transparent, cxRectWidth(args.GlyphRect), cxRectHeight(args.GlyphRect), args.Smooth);

    TDibSection work(cxRectWidth(args.R), cxRectHeight(args.R));
    if (args.Brush) {
        const RECT all = cxRectBounds(0, 0, cxRectWidth(args.R), cxRectHeight(args.R));
        if (!::FillRect(work.DC(), &all, args.Brush)) cxRaiseGdiError("FillRect");
    } else if (!BitBlt(work.DC(), 0, 0, cxRectWidth(args.R), cxRectHeight(args.R), dc, args.R.left, args.R.top,
                       SRCCOPY)) {
        cxRaiseGdiError("BitBlt");
    }
    TcxPixels surface = work.Read();
    const int left = args.GlyphRect.left - args.R.left;
    const int top = args.GlyphRect.top - args.R.top;

    if (alpha) {
        TcxPixels window = Window(surface, left, top, image.Width, image.Height);
        // Disabled images with alpha are blended at 151 of 255, so the background shows through.
        if (args.Mode == idmDisabled) cxMakeDisabledAlpha(image);
        cxBlendPixels(image, args.Mode == idmDisabled ? 151 : 255, window);
        PutWindow(window, left, top, surface);
    } else if (args.Mode == idmDisabled) {
        TcxPixels window = Window(surface, left, top, image.Width + 1, image.Height + 1);
        cxRenderDisabledOpaque(image, transparent, ColorToRGB(clBtnHighlight), window);
        PutWindow(window, left, top, surface);
    } else {
        TcxPixels window = Window(surface, left, top, image.Width, image.Height);
        for (std::size_t i = 0; i < image.Data.size(); ++i)
            if (!transparent[i]) window.Data[i] = RGBOf(image.Data[i]);
        PutWindow(window, left, top, surface);
    }
    work.Write(surface);
    if (!BitBlt(dc, args.R.left, args.R.top, cxRectWidth(args.R), cxRectHeight(args.R), work.DC(), 0, 0, SRCCOPY))
        cxRaiseGdiError("BitBlt");
}
