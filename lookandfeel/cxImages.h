// Bitmaps and images of the look-and-feel library: glyph and image-list checks, bitmap
// copies, masks, and image rendering (disabled glyphs). Pixel work goes through a 32-bit
// top-down DIB section and is done in software.
//
// GUI thread only, except the plain pixel arithmetic marked noexcept. Failures of the
// platform's GDI calls that leave nothing drawn raise EOSError with the call's name and
// system text; drawing nothing for empty input is not a failure.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <vector>

#include "framework/graphics.h"
#include "lookandfeel/cxGeometry.h"

enum TcxImageDrawMode { idmNormal, idmDisabled, idmFaded, idmGrayScale, idmDingy, idmShadowed };

// A bitmap exists and is not empty.
bool IsGlyphAssigned(const TBitmap* bitmap) noexcept;
// A list exists and 0 <= index < its image count.
bool IsImageAssigned(HIMAGELIST images, int index) noexcept;

// Copies bitmap's area at source into r with the raster operation. Nothing for a null or
// empty bitmap or an empty r; EOSError when the copy fails.
void cxDrawBitmap(HDC dc, TBitmap* bitmap, const RECT& r, DWORD rop = SRCCOPY, POINT source = cxNullPoint);

// Device-free image pixels: 32-bit, top row first, 0x00RRGGBB in the low 24 bits and the
// alpha in the top 8 (the platform's BGRA byte order).
struct TcxPixels {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint32_t> Data;
    std::uint32_t& At(int x, int y) { return Data[static_cast<std::size_t>(y) * Width + x]; }
    std::uint32_t At(int x, int y) const { return Data[static_cast<std::size_t>(y) * Width + x]; }
};
// Some pixel has a non-zero alpha (an image without alpha reads back with alpha 0 everywhere).
bool cxHasAlpha(const TcxPixels& pixels) noexcept;
// The grey of a pixel for disabled images: round(0.0729 red + 0.7146 green + 0.2125 blue).
std::uint8_t cxGrayValue(std::uint8_t red, std::uint8_t green, std::uint8_t blue) noexcept;
// Disabled rendering of an image with alpha: each pixel with alpha is turned grey, alpha
// kept; fully transparent pixels are left alone.
void cxMakeDisabledAlpha(TcxPixels& pixels) noexcept;
// Disabled rendering of an image without alpha onto target, image at target's (0, 0):
// every opaque pixel (transparent[y * width + x] false) is first drawn in highlight one
// pixel right and down, then all of them greyed in place; transparent pixels leave target
// untouched, and what falls outside target is dropped (a target one pixel wider and higher
// than the image keeps the whole shadow).
void cxRenderDisabledOpaque(const TcxPixels& image, const std::vector<bool>& transparent, COLORREF highlight,
                            TcxPixels& target) noexcept;
// Blends source over target with constant alpha (0..255) times each pixel's own alpha
// (premultiplied source, as the platform's AlphaBlend with AC_SRC_ALPHA).
void cxBlendPixels(const TcxPixels& source, std::uint8_t constantAlpha, TcxPixels& target) noexcept;

// Reads r of a device context's surface (any colour depth) as 32-bit pixels; a 32-bit
// surface keeps its alpha. EOSError when the system refuses.
TcxPixels cxReadPixels(HDC dc, const RECT& r);
// Writes pixels to (x, y) of dc. EOSError when the system refuses.
void cxWritePixels(HDC dc, int x, int y, const TcxPixels& pixels);

// Fills mask (resized to image's size) from image: pixels of the transparent colour (or,
// for an image with alpha, pixels with alpha 0) become white (transparent), the rest
// black. transparentColor clNone: the left-bottom pixel's colour.
void cxMakeMaskBitmap(TBitmap& image, TBitmap& mask, TColor transparentColor = clNone);

// What cxDrawImage draws.
struct TcxDrawImageArgs {
    // Where the image goes, in the device context's coordinates; inside R or overlapping it.
    RECT GlyphRect = cxNullRect;
    // The area that the work bitmap covers.
    RECT R = cxNullRect;
    // The image: a bitmap, or else an image list with an index.
    TBitmap* Bitmap = nullptr;
    HIMAGELIST Images = nullptr;
    int ImageIndex = -1;
    TcxImageDrawMode Mode = idmNormal;
    // Stretches with halftoning when the glyph rectangle differs from the image size.
    bool Smooth = false;
    // The work bitmap's background; null keeps what dc shows under R.
    HBRUSH Brush = nullptr;
    // The bitmap's transparent colour; clNone for none (or the left-bottom pixel, below).
    TColor TransparentColor = clNone;
    bool UseLeftBottomPixelAsTransparent = true;
};
// Nothing when neither a bitmap nor a valid list image is given; otherwise renders the
// image in the mode into a work bitmap of R's size and copies it to R. idmNormal and
// idmDisabled follow the disabled-rendering rules above; the other modes are drawn as
// idmNormal.
void cxDrawImage(HDC dc, const TcxDrawImageArgs& args);
