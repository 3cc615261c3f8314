#include "framework/graphics.h"

#include <cmath>
#include <utility>

#include "framework/exceptions.h"
#include "framework/sysutils.h"

COLORREF ColorToRGB(TColor color)
{
    if (color == clNone || color == clDefault) return RGB(0, 0, 0);
    const auto bits = static_cast<std::uint32_t>(color);
    if ((bits & 0xFF000000u) == 0xFF000000u) return GetSysColor(static_cast<int>(bits & 0xFFu));
    return static_cast<COLORREF>(bits & 0x00FFFFFFu);
}

// --- Font, brush, pen ---

void TGraphicsObject::Changed()
{
    FObject.Reset();
    if (FOnChange) FOnChange(this);
}

namespace {

int ScreenPixelsPerInch()
{
    const TWindowDC dc = TWindowDC::ForClient(nullptr);
    if (!dc) return 96;
    const int ppi = GetDeviceCaps(dc.Get(), LOGPIXELSY);
    return ppi > 0 ? ppi : 96;
}

} // namespace

TFont::TFont() = default;

void TFont::Assign(const TPersistent* source)
{
    if (auto* font = dynamic_cast<const TFont*>(source)) {
        FName = font->FName;
        FHeight = font->FHeight;
        FColor = font->FColor;
        FStyle = font->FStyle;
        Changed();
        return;
    }
    TGraphicsObject::Assign(source);
}

HFONT TFont::Handle()
{
    if (!FObject.Get()) {
        LOGFONTA lf{};
        lf.lfHeight = FHeight;
        lf.lfWeight = (FStyle & fsBold) ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = (FStyle & fsItalic) ? TRUE : FALSE;
        lf.lfUnderline = (FStyle & fsUnderline) ? TRUE : FALSE;
        lf.lfStrikeOut = (FStyle & fsStrikeOut) ? TRUE : FALSE;
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfQuality = DEFAULT_QUALITY;
        lstrcpynA(lf.lfFaceName, FName.c_str(), LF_FACESIZE);
        HFONT font = CreateFontIndirectA(&lf);
        if (!font) RaiseLastOSError();
        FObject.Reset(font);
    }
    return static_cast<HFONT>(FObject.Get());
}

void TFont::SetName(const std::string& name)
{
    if (name == FName || name.empty()) return;
    FName = name;
    Changed();
}

void TFont::SetHeight(int height)
{
    if (height == FHeight) return;
    FHeight = height;
    Changed();
}

int TFont::Size() const
{
    return static_cast<int>(std::lround(std::abs(FHeight) * 72.0 / ScreenPixelsPerInch()));
}

void TFont::SetSize(int points)
{
    SetHeight(-MulDiv(points, ScreenPixelsPerInch(), 72));
}

void TFont::SetColor(TColor color)
{
    if (color == FColor) return;
    FColor = color;
    Changed();
}

void TFont::SetStyle(TFontStyles style)
{
    if (style == FStyle) return;
    FStyle = style;
    Changed();
}

HBRUSH TBrush::Handle()
{
    if (FStyle == bsClear) return nullptr;
    if (!FObject.Get()) {
        HBRUSH brush = CreateSolidBrush(ColorToRGB(FColor));
        if (!brush) RaiseLastOSError();
        FObject.Reset(brush);
    }
    return static_cast<HBRUSH>(FObject.Get());
}

void TBrush::SetColor(TColor color)
{
    if (color == FColor && FStyle == bsSolid) return;
    FColor = color;
    FStyle = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle style)
{
    if (style == FStyle) return;
    FStyle = style;
    Changed();
}

HPEN TPen::Handle()
{
    if (!FObject.Get()) {
        HPEN pen = CreatePen(PS_SOLID, FWidth, ColorToRGB(FColor));
        if (!pen) RaiseLastOSError();
        FObject.Reset(pen);
    }
    return static_cast<HPEN>(FObject.Get());
}

void TPen::SetColor(TColor color)
{
    if (color == FColor) return;
    FColor = color;
    Changed();
}

void TPen::SetWidth(int width)
{
    if (width == FWidth || width < 1) return;
    FWidth = width;
    Changed();
}

// --- TCanvas ---

HDC TCanvas::Need() const
{
    if (!FHandle) throw EInvalidOperation("Canvas does not allow drawing");
    return FHandle;
}

void TCanvas::FillRect(const RECT& r)
{
    HDC dc = Need();
    if (r.right <= r.left || r.bottom <= r.top) return;
    if (HBRUSH brush = FBrush.Handle()) ::FillRect(dc, &r, brush);
}

void TCanvas::FrameRect(const RECT& r)
{
    HDC dc = Need();
    if (HBRUSH brush = FBrush.Handle()) ::FrameRect(dc, &r, brush);
}

void TCanvas::Rectangle(const RECT& r)
{
    HDC dc = Need();
    TSelectGuard pen(dc, FPen.Handle());
    TSelectGuard brush(dc, FBrush.Style() == bsClear ? GetStockObject(NULL_BRUSH) : FBrush.Handle());
    ::Rectangle(dc, r.left, r.top, r.right, r.bottom);
}

void TCanvas::MoveTo(int x, int y)
{
    MoveToEx(Need(), x, y, nullptr);
}

void TCanvas::LineTo(int x, int y)
{
    HDC dc = Need();
    TSelectGuard pen(dc, FPen.Handle());
    ::LineTo(dc, x, y);
}

void TCanvas::TextOut(int x, int y, const std::string& text)
{
    RECT r{x, y, x, y};
    DrawText(text, r, DT_NOCLIP | DT_NOPREFIX | DT_SINGLELINE);
}

int TCanvas::DrawText(const std::string& text, RECT& r, UINT format)
{
    HDC dc = Need();
    if (text.empty()) return 0;
    TSelectGuard font(dc, FFont.Handle());
    const COLORREF oldColor = SetTextColor(dc, ColorToRGB(FFont.Color()));
    int oldMode = 0;
    if (FBrush.Style() == bsClear) {
        oldMode = SetBkMode(dc, TRANSPARENT);
    } else {
        oldMode = SetBkMode(dc, OPAQUE);
        SetBkColor(dc, ColorToRGB(FBrush.Color()));
    }
    const int height = ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldColor);
    return height;
}

SIZE TCanvas::TextExtent(const std::string& text)
{
    HDC dc = Need();
    TSelectGuard font(dc, FFont.Handle());
    SIZE size{};
    if (!GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size)) RaiseLastOSError();
    return size;
}

void TCanvas::DrawFocusRect(const RECT& r)
{
    HDC dc = Need();
    const COLORREF oldBk = SetBkColor(dc, RGB(255, 255, 255));
    const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    ::DrawFocusRect(dc, &r);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBk);
}

void TCanvas::CopyFrom(const RECT& dest, HDC source, int sourceX, int sourceY)
{
    if (!BitBlt(Need(), dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, source, sourceX,
                sourceY, SRCCOPY))
        RaiseLastOSError();
}

// --- TBitmap ---

TBitmap::TBitmap() : FDC(CreateCompatibleDC(nullptr))
{
    if (!FDC) RaiseLastOSError();
    FCanvas.SetHandle(FDC.Get());
}

TBitmap::~TBitmap() = default;

void TBitmap::SetSize(int width, int height)
{
    FSelection.reset();
    FBitmap.Reset();
    FWidth = FHeight = 0;
    if (width <= 0 || height <= 0) return;
    TWindowDC screen = TWindowDC::ForClient(nullptr);
    if (!screen) RaiseLastOSError();
    HBITMAP bitmap = CreateCompatibleBitmap(screen.Get(), width, height);
    const DWORD error = GetLastError();
    screen.Reset();
    if (!bitmap) RaiseLastOSError(error);
    FBitmap.Reset(bitmap);
    FSelection.emplace(FDC.Get(), bitmap);
    FWidth = width;
    FHeight = height;
}
