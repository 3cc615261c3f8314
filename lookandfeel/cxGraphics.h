// Drawing primitives of the look-and-feel library: the canvas wrapper with its stack of
// saved clip regions, regions, frames and edges, text, colours of the light selection and
// parent backgrounds under transparent controls. Bitmaps and image rendering live in
// cxImages.h, which this header includes.
//
// GUI thread only, except the plain arithmetic marked as such. Failures of the platform's
// GDI calls that leave nothing drawn raise EOSError with the call's name and system text;
// drawing nothing for empty input is not a failure.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/graphics.h"
#include "framework/handles.h"
#include "lookandfeel/cxGeometry.h"
#include "lookandfeel/cxImages.h"

// System colours the painters name that the framework's graphics header does not.
constexpr TColor clHighlight = static_cast<TColor>(0xFF00000D);
constexpr TColor clHighlightText = static_cast<TColor>(0xFF00000E);
constexpr TColor clWindowFrame = static_cast<TColor>(0xFF000006);
constexpr TColor clGrayText = static_cast<TColor>(0xFF000011);
constexpr TColor cl3DDkShadow = static_cast<TColor>(0xFF000015);
constexpr TColor cl3DLight = static_cast<TColor>(0xFF000016);

enum TcxRegionOperation { roSet, roAdd, roSubtract, roIntersect };

// A set of sides: member n at bit n.
enum TcxBorder : unsigned { bLeft, bTop, bRight, bBottom };
using TcxBorders = unsigned;
constexpr TcxBorders cxBorder(TcxBorder side) noexcept { return 1u << side; }
constexpr TcxBorders cxBordersAll = 0xFu;

// Owns one platform region (HRGN). Non-copyable, movable. Every constructor raises EOSError
// when the system cannot create the region.
class TcxRegion : public TObject {
    RUNTIME_CLASS(TcxRegion, TObject)
public:
    // An empty region.
    TcxRegion();
    explicit TcxRegion(const RECT& r);
    // Takes ownership of region (must not be null).
    explicit TcxRegion(HRGN region);
    TcxRegion(TcxRegion&& other) noexcept;
    TcxRegion& operator=(TcxRegion&& other) noexcept;
    TcxRegion(const TcxRegion&) = delete;
    TcxRegion& operator=(const TcxRegion&) = delete;
    ~TcxRegion() override;

    // The region; owned by this object, valid while it lives. A region moved from has
    // none and may only be assigned to or destroyed.
    HRGN Handle() const noexcept { return static_cast<HRGN>(FRegion.Get()); }
    bool IsEmpty() const;
    bool IsEqual(const TcxRegion& other) const;
    // The smallest rectangle holding the region; cxNullRect when empty.
    RECT BoundsRect() const;
    bool PtInRegion(const POINT& p) const { return ::PtInRegion(Handle(), p.x, p.y) != FALSE; }
    void Offset(int dx, int dy);
    // roSet copies other; roAdd unites, roSubtract removes other, roIntersect keeps the common part.
    void Combine(const TcxRegion& other, TcxRegionOperation operation);
    std::unique_ptr<TcxRegion> Clone() const;

private:
    TGdiObject FRegion;
};

// Wraps a framework canvas (not owned; it must outlive the wrapper) and keeps a stack of
// saved clip regions. Font, brush and pen are those of the wrapped canvas. Drawing needs a
// device context bound to the wrapped canvas (else EInvalidOperation from the canvas).
class TcxCanvas : public TObject {
    RUNTIME_CLASS(TcxCanvas, TObject)
public:
    explicit TcxCanvas(TCanvas& canvas) noexcept : FCanvas(&canvas) {}
    TcxCanvas(const TcxCanvas&) = delete;
    TcxCanvas& operator=(const TcxCanvas&) = delete;
    // Frees the regions still saved; does not touch the device context.
    ~TcxCanvas() override;

    TCanvas& Canvas() const noexcept { return *FCanvas; }
    HDC Handle() const noexcept { return FCanvas->Handle(); }
    TFont& Font() const noexcept { return FCanvas->Font(); }
    TBrush& Brush() const noexcept { return FCanvas->Brush(); }
    TPen& Pen() const noexcept { return FCanvas->Pen(); }
    // Copies font's name, size, colour and style into the canvas font.
    void SetFont(const TFont& font) { FCanvas->Font().Assign(&font); }

    // Fills r with the current brush; an empty r draws nothing.
    void FillRect(const RECT& r);
    // Sets the brush colour (unless clDefault), then fills r.
    void FillRect(const RECT& r, TColor color);
    // A frame of lineWidth pixels inside r in the given colour (the brush colour when
    // clDefault): one band per selected side, in the order left, right, top, bottom; a band
    // never passes the opposite edge. Nothing for an empty r or a width below 1. With
    // exclude, each band is also taken out of the clip area, so later drawing keeps off it.
    void FrameRect(const RECT& r, TColor color, int lineWidth = 1, TcxBorders borders = cxBordersAll,
                   bool exclude = false);
    // Bands of width along the selected sides in the order left, top, right, bottom: left
    // and top in leftTopColor, right and bottom in rightBottomColor, so the right and bottom
    // bands own the top-right and bottom-left corners.
    void DrawComplexFrame(const RECT& r, TColor leftTopColor, TColor rightBottomColor,
                          TcxBorders borders = cxBordersAll, int width = 1);
    // A one-pixel 3-D edge: sunken outer (clBtnShadow, clBtnHighlight), sunken inner
    // (cl3DDkShadow, cl3DLight), raised outer (cl3DLight, cl3DDkShadow), raised inner
    // (clBtnHighlight, clBtnShadow).
    void DrawEdge(const RECT& r, bool sunken, bool outer, TcxBorders borders = cxBordersAll);
    // The platform's text drawing with these DT_* flags; nothing for empty text. Disabled
    // text is drawn twice with a clear brush: in clBtnHighlight moved by (1, 1), then in
    // clBtnShadow in place. Brush style and font colour are as before afterwards, also when
    // drawing fails.
    void DrawText(const std::string& text, const RECT& r, UINT flags, bool enabled = true);
    // Brush colour white and font colour black (they stay so), then the platform's
    // inverting dotted focus frame: drawing it twice removes it.
    void DrawFocusRect(const RECT& r);
    // A filled polygon in the current pen and brush; fewer than two points draw nothing.
    void Polygon(const std::vector<POINT>& points);
    int TextWidth(const std::string& text) { return FCanvas->TextWidth(text); }
    int TextHeight(const std::string& text) { return FCanvas->TextHeight(text); }

    // The device point of logical (0, 0): what considerOrigin moves regions by.
    POINT Origin() const;
    // A new region equal to the current clip region, or (0, 0, 30000, 30000) when the
    // device context has none; with considerOrigin in logical coordinates (moved by minus
    // Origin()), else in device coordinates.
    std::unique_ptr<TcxRegion> GetClipRegion(bool considerOrigin = true) const;
    // roSet selects region as the clip region; the other operations combine it with the
    // current clip region (an absent clip region counting as the whole surface) and select
    // the result. With considerOrigin the region is in logical coordinates (moved by
    // Origin() while it is used). This form frees the region; it may not be null.
    void SetClipRegion(std::unique_ptr<TcxRegion> region, TcxRegionOperation operation, bool considerOrigin = true);
    // The same, leaving region to the caller exactly as it was.
    void SetClipRegion(TcxRegion& region, TcxRegionOperation operation, bool considerOrigin = true);
    // Pushes the current clip region (or its absence) on the stack.
    void SaveClipRegion();
    // Pops the last saved clip region and selects it (removing clipping when none was
    // set); nothing when the stack is empty.
    void RestoreClipRegion();
    int SavedClipRegionCount() const noexcept { return static_cast<int>(FClipRegions.size()); }
    // Removes r (logical coordinates) from the clip area.
    void ExcludeClipRect(const RECT& r);
    // Keeps only the part of the clip area inside r (logical coordinates).
    void IntersectClipRect(const RECT& r);

private:
    HDC Need() const;
    void SelectClip(const TcxRegion* region) const;
    TCanvas* FCanvas;
    // Device coordinates; null for "no clip region".
    std::vector<std::unique_ptr<TcxRegion>> FClipRegions;
};

// A TcxCanvas over a canvas of the whole screen, for measuring text. Owns its screen
// device context; raises EOSError when the system gives none.
class TcxScreenCanvas : public TcxCanvas {
    RUNTIME_CLASS(TcxScreenCanvas, TcxCanvas)
public:
    TcxScreenCanvas();
    ~TcxScreenCanvas() override;

private:
    // Wraps a new canvas (freed by the destructor) drawing on screen.
    explicit TcxScreenCanvas(TWindowDC screen);
    // Given back when the canvas on it has gone.
    TWindowDC FScreen;
};

// Scoped SaveClipRegion / RestoreClipRegion: the clip area is back as it was when the
// guard goes, also when the drawing in between throws.
class TcxClipRegionGuard {
public:
    explicit TcxClipRegionGuard(TcxCanvas& canvas) : FCanvas(canvas) { FCanvas.SaveClipRegion(); }
    TcxClipRegionGuard(const TcxClipRegionGuard&) = delete;
    TcxClipRegionGuard& operator=(const TcxClipRegionGuard&) = delete;
    ~TcxClipRegionGuard();

private:
    TcxCanvas& FCanvas;
};

// Points canvas at a DC it does not own (one the system lends for a draw-item request)
// and takes the DC away again when it goes, so the canvas never outlives the loan with it.
class TcxCanvasDCBinding {
public:
    TcxCanvasDCBinding(TCanvas& canvas, HDC dc) noexcept : FCanvas(canvas) { FCanvas.SetHandle(dc); }
    TcxCanvasDCBinding(const TcxCanvasDCBinding&) = delete;
    TcxCanvasDCBinding& operator=(const TcxCanvasDCBinding&) = delete;
    ~TcxCanvasDCBinding() { FCanvas.SetHandle(nullptr); }

private:
    TCanvas& FCanvas;
};

// Keeps the canvas's font colour and brush style as they are now and puts them back when
// it goes, also when the text drawing in between throws. The canvas must outlive the guard.
class TcxCanvasTextStateGuard {
public:
    explicit TcxCanvasTextStateGuard(TCanvas& canvas)
        : FCanvas(canvas), FBrushStyle(canvas.Brush().Style()), FFontColor(canvas.Font().Color())
    {
    }
    TcxCanvasTextStateGuard(const TcxCanvasTextStateGuard&) = delete;
    TcxCanvasTextStateGuard& operator=(const TcxCanvasTextStateGuard&) = delete;
    ~TcxCanvasTextStateGuard()
    {
        FCanvas.Font().SetColor(FFontColor);
        FCanvas.Brush().SetStyle(FBrushStyle);
    }

    // The font colour the canvas had when the guard was made.
    TColor FontColor() const noexcept { return FFontColor; }

private:
    TCanvas& FCanvas;
    TBrushStyle FBrushStyle;
    TColor FFontColor;
};

// The platform's text drawing (DrawTextA) with these arguments; count -1 takes the whole
// text. Returns the text height, 0 on failure. r receives the measured rectangle with DT_CALCRECT.
int cxDrawText(HDC dc, const std::string& text, RECT& r, UINT format, int count = -1);

// Paints into canvas what the control's parent shows behind r (r in the control's client
// coordinates): the parent's colour, what the parent paints itself and, for a parent that
// is a system control, what it prints; with withChildren also the parent's other child
// windows under r. Nothing for a null control or one without a parent window.
void cxDrawTransparentControlBackground(TControl* control, TcxCanvas& canvas, const RECT& r,
                                        bool withChildren = false);
// The parent background under a themed control: the theme library's DrawThemeParentBackground
// for the control's window, or cxDrawTransparentControlBackground when the parent is
// double-buffered (it draws nothing on erase), the theme library is missing, or the control
// has no window of its own.
void cxDrawThemeParentBackground(TControl* control, TcxCanvas& canvas, const RECT& r);

// The light selection colours of the flat looks: GetRealColor(GetLightColor(-2, 30, 72))
// and GetRealColor(GetLightColor(14, 44, 40)), with the colour arithmetic of the Office
// 2003 colour set (dxOffice11.h), so both give the same results. They follow the desktop's
// colours at the time of the call.
TColor GetLightSelColor();
TColor GetLightDownedSelColor();
