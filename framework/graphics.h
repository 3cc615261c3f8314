// Thin owners of GDI objects: colours, font, brush, pen, a canvas over a device context,
// and an off-screen bitmap with its own canvas.
//
// GUI thread only. A font, brush or pen creates its GDI object on first use of Handle()
// and drops it whenever a property changes; OnChange then tells the owner (a control
// repaints or re-sends its font).
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "framework/handles.h"
#include "framework/persistent.h"

// 0x00BBGGRR for plain colours; 0xFF0000nn is system colour nn.
using TColor = std::int32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clScrollBar = static_cast<TColor>(0xFF000000);
constexpr TColor clBtnFace = static_cast<TColor>(0xFF00000F);
constexpr TColor clBtnShadow = static_cast<TColor>(0xFF000010);
constexpr TColor clBtnText = static_cast<TColor>(0xFF000012);
constexpr TColor clBtnHighlight = static_cast<TColor>(0xFF000014);
constexpr TColor clWindow = static_cast<TColor>(0xFF000005);
constexpr TColor clWindowText = static_cast<TColor>(0xFF000008);
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// The RGB value of a colour: system colours are looked up now (they change with the
// desktop's scheme). clNone and clDefault have no RGB value and give black.
COLORREF ColorToRGB(TColor color);

class TGraphicsObject : public TPersistent {
    RUNTIME_CLASS(TGraphicsObject, TPersistent)
public:
    const TNotifyEvent& OnChange() const noexcept { return FOnChange; }
    void SetOnChange(TNotifyEvent handler) { FOnChange = std::move(handler); }

protected:
    // Drops the cached GDI object and fires OnChange.
    void Changed();
    TGdiObject FObject;

private:
    TNotifyEvent FOnChange;
};

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

class TFont : public TGraphicsObject {
    RUNTIME_CLASS(TFont, TGraphicsObject)
public:
    TFont();
    void Assign(const TPersistent* source) override;

    // The font's handle, created on first use; owned by the font. Raises EOSError when
    // the system refuses.
    HFONT Handle();

    const std::string& Name() const noexcept { return FName; }
    void SetName(const std::string& name);
    // Character height in pixels when negative, cell height when positive.
    int Height() const noexcept { return FHeight; }
    void SetHeight(int height);
    // Points at the screen's pixels per inch (the height, as a positive value, rounded).
    int Size() const;
    void SetSize(int points);
    TColor Color() const noexcept { return FColor; }
    void SetColor(TColor color);
    TFontStyles Style() const noexcept { return FStyle; }
    void SetStyle(TFontStyles style);

private:
    std::string FName = "MS Sans Serif";
    int FHeight = -11;
    TColor FColor = clWindowText;
    TFontStyles FStyle = 0;
};

enum TBrushStyle { bsSolid, bsClear };

class TBrush : public TGraphicsObject {
    RUNTIME_CLASS(TBrush, TGraphicsObject)
public:
    // The brush's handle; null for bsClear. Owned by the brush.
    HBRUSH Handle();
    TColor Color() const noexcept { return FColor; }
    void SetColor(TColor color);
    TBrushStyle Style() const noexcept { return FStyle; }
    void SetStyle(TBrushStyle style);

private:
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
};

class TPen : public TGraphicsObject {
    RUNTIME_CLASS(TPen, TGraphicsObject)
public:
    HPEN Handle();
    TColor Color() const noexcept { return FColor; }
    void SetColor(TColor color);
    int Width() const noexcept { return FWidth; }
    void SetWidth(int width);

private:
    TColor FColor = clBlack;
    int FWidth = 1;
};

// Draws on a device context it does not own. Font, brush and pen are selected while each
// drawing call runs and taken out again, so the DC never keeps our objects past a call.
class TCanvas : public TObject {
    RUNTIME_CLASS(TCanvas, TObject)
public:
    TCanvas() = default;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    // Null: no DC bound; drawing then raises EInvalidOperation "Canvas does not allow drawing".
    HDC Handle() const noexcept { return FHandle; }
    void SetHandle(HDC dc) noexcept { FHandle = dc; }

    TFont& Font() noexcept { return FFont; }
    TBrush& Brush() noexcept { return FBrush; }
    TPen& Pen() noexcept { return FPen; }

    // Fills r with the brush; an empty rectangle draws nothing.
    void FillRect(const RECT& r);
    // A one-pixel frame in the brush colour.
    void FrameRect(const RECT& r);
    void Rectangle(const RECT& r);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void TextOut(int x, int y, const std::string& text);
    // The platform's DrawText with these DT_* flags; returns the text height.
    int DrawText(const std::string& text, RECT& r, UINT format);
    SIZE TextExtent(const std::string& text);
    int TextWidth(const std::string& text) { return TextExtent(text).cx; }
    int TextHeight(const std::string& text) { return TextExtent(text).cy; }
    // The inverting dotted focus frame: drawing it twice removes it.
    void DrawFocusRect(const RECT& r);
    // Copies a rectangle of source (at sourceX, sourceY) to dest with SRCCOPY.
    void CopyFrom(const RECT& dest, HDC source, int sourceX, int sourceY);

private:
    HDC Need() const;
    HDC FHandle = nullptr;
    TFont FFont;
    TBrush FBrush;
    TPen FPen;
};

// An off-screen device-dependent bitmap compatible with the screen, with a canvas whose DC
// holds it. Used for double-buffered painting.
class TBitmap : public TObject {
    RUNTIME_CLASS(TBitmap, TObject)
public:
    TBitmap();
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;
    ~TBitmap() override;

    int Width() const noexcept { return FWidth; }
    int Height() const noexcept { return FHeight; }
    // Replaces the bitmap with an uninitialised one of this size; EOSError when the
    // system refuses. An empty size leaves no bitmap.
    void SetSize(int width, int height);
    bool Empty() const noexcept { return FWidth <= 0 || FHeight <= 0; }
    // The canvas drawing on the bitmap; valid while the bitmap lives.
    TCanvas& Canvas() noexcept { return FCanvas; }
    HBITMAP Handle() const noexcept { return static_cast<HBITMAP>(FBitmap.Get()); }

private:
    TCompatibleDC FDC;
    TGdiObject FBitmap;
    // Declared after the bitmap, so the bitmap leaves the DC before it is deleted.
    std::optional<TSelectGuard> FSelection;
    int FWidth = 0;
    int FHeight = 0;
    TCanvas FCanvas;
};
