#include "lookandfeel/cxGraphics.h"

#include <algorithm>
#include <utility>

#include "framework/exceptions.h"
#include "framework/format.h"
#include "framework/handles.h"
#include "framework/sysutils.h"
#include "lookandfeel/cxGdiError.h"
#include "lookandfeel/dxOffice11.h"
#include "lookandfeel/dxUxTheme.h"

void cxRaiseGdiError(const char* api)
{
    const DWORD code = GetLastError();
    if (code != ERROR_SUCCESS) throw EOSError(Format("%s failed. %s", {api, SysErrorMessage(code)}), code);
    throw EOSError(Format("%s failed.", {api}), code);
}

namespace {

// The clip region a device context reports as "none": large enough for any surface.
constexpr RECT cxNoClipRect{0, 0, 30000, 30000};

int CombineMode(TcxRegionOperation operation) noexcept
{
    switch (operation) {
    case roSet: return RGN_COPY;
    case roAdd: return RGN_OR;
    case roSubtract: return RGN_DIFF;
    case roIntersect: return RGN_AND;
    }
    return RGN_COPY;
}

// The DC's whole state (origins, clip region, selected objects) saved until the guard goes.
TSavedDCState SaveDCState(HDC dc)
{
    TSavedDCState saved(dc);
    if (!saved) cxRaiseGdiError("SaveDC");
    return saved;
}

// Reaches the parent's own painting, which the framework keeps protected: framework
// windows do not answer WM_PRINTCLIENT, so this is the only way to get their surface
// into another device context.
struct TParentPainter : TWinControl {
    static void Paint(TWinControl& parent, TCanvas& canvas) { (parent.*(&TParentPainter::PaintWindow))(canvas); }
};

} // namespace

// --- TcxRegion ---

TcxRegion::TcxRegion() : TcxRegion(cxNullRect) {}

TcxRegion::TcxRegion(const RECT& r) : FRegion(CreateRectRgnIndirect(&r))
{
    if (!FRegion) cxRaiseGdiError("CreateRectRgnIndirect");
}

TcxRegion::TcxRegion(HRGN region) : FRegion(region)
{
    if (!FRegion) throw EInvalidOperation("A region needs a region handle");
}

TcxRegion::TcxRegion(TcxRegion&& other) noexcept = default;
TcxRegion& TcxRegion::operator=(TcxRegion&& other) noexcept = default;
TcxRegion::~TcxRegion() = default;

bool TcxRegion::IsEmpty() const
{
    RECT box{};
    const int kind = GetRgnBox(Handle(), &box);
    if (kind == 0 || kind == ERROR) cxRaiseGdiError("GetRgnBox");
    return kind == NULLREGION;
}

bool TcxRegion::IsEqual(const TcxRegion& other) const
{
    // ERROR (an invalid handle) is 0 as well; both handles are owned and valid here.
    return EqualRgn(Handle(), other.Handle()) != FALSE;
}

RECT TcxRegion::BoundsRect() const
{
    RECT box{};
    const int kind = GetRgnBox(Handle(), &box);
    if (kind == 0 || kind == ERROR) cxRaiseGdiError("GetRgnBox");
    return kind == NULLREGION ? cxNullRect : box;
}

void TcxRegion::Offset(int dx, int dy)
{
    if (OffsetRgn(Handle(), dx, dy) == ERROR) cxRaiseGdiError("OffsetRgn");
}

void TcxRegion::Combine(const TcxRegion& other, TcxRegionOperation operation)
{
    const int mode = CombineMode(operation);
    const bool copy = mode == RGN_COPY;
    if (CombineRgn(Handle(), copy ? other.Handle() : Handle(), copy ? nullptr : other.Handle(), mode) == ERROR)
        cxRaiseGdiError("CombineRgn");
}

std::unique_ptr<TcxRegion> TcxRegion::Clone() const
{
    auto copy = std::make_unique<TcxRegion>();
    copy->Combine(*this, roSet);
    return copy;
}

// --- TcxCanvas ---

TcxCanvas::~TcxCanvas() = default;

HDC TcxCanvas::Need() const
{
    HDC dc = FCanvas->Handle();
    if (!dc) throw EInvalidOperation("Canvas does not allow drawing");
    return dc;
}

void TcxCanvas::FillRect(const RECT& r)
{
    FCanvas->FillRect(r);
}

void TcxCanvas::FillRect(const RECT& r, TColor color)
{
    if (color != clDefault) Brush().SetColor(color);
    FCanvas->FillRect(r);
}

void TcxCanvas::FrameRect(const RECT& r, TColor color, int lineWidth, TcxBorders borders, bool exclude)
{
    if (cxRectIsEmpty(r) || lineWidth < 1) return;
    if (color != clDefault) Brush().SetColor(color);
    const auto band = [&](TcxBorder side, const RECT& b) {
        if (!(borders & cxBorder(side))) return;
        FCanvas->FillRect(b);
        if (exclude) ExcludeClipRect(b);
    };
    // Each band is clamped at the opposite edge, so a frame wider than half the rectangle
    // fills it rather than drawing outside it.
    band(bLeft, {r.left, r.top, std::min<LONG>(r.left + lineWidth, r.right), r.bottom});
    band(bRight, {std::max<LONG>(r.right - lineWidth, r.left), r.top, r.right, r.bottom});
    band(bTop, {r.left, r.top, r.right, std::min<LONG>(r.top + lineWidth, r.bottom)});
    band(bBottom, {r.left, std::max<LONG>(r.bottom - lineWidth, r.top), r.right, r.bottom});
}

void TcxCanvas::DrawComplexFrame(const RECT& r, TColor leftTopColor, TColor rightBottomColor, TcxBorders borders,
                                 int width)
{
    if (cxRectIsEmpty(r) || width < 1) return;
    // The order is what gives the right and bottom bands the two mixed corners.
    if (borders & cxBorder(bLeft)) FrameRect(r, leftTopColor, width, cxBorder(bLeft));
    if (borders & cxBorder(bTop)) FrameRect(r, leftTopColor, width, cxBorder(bTop));
    if (borders & cxBorder(bRight)) FrameRect(r, rightBottomColor, width, cxBorder(bRight));
    if (borders & cxBorder(bBottom)) FrameRect(r, rightBottomColor, width, cxBorder(bBottom));
}

void TcxCanvas::DrawEdge(const RECT& r, bool sunken, bool outer, TcxBorders borders)
{
    if (sunken) {
        if (outer)
            DrawComplexFrame(r, clBtnShadow, clBtnHighlight, borders);
        else
            DrawComplexFrame(r, cl3DDkShadow, cl3DLight, borders);
    } else {
        if (outer)
            DrawComplexFrame(r, cl3DLight, cl3DDkShadow, borders);
        else
            DrawComplexFrame(r, clBtnHighlight, clBtnShadow, borders);
    }
}

void TcxCanvas::DrawText(const std::string& text, const RECT& r, UINT flags, bool enabled)
{
    if (text.empty()) return;
    RECT bounds = r;
    if (enabled) {
        FCanvas->DrawText(text, bounds, flags);
        return;
    }
    const TcxCanvasTextStateGuard restore(*FCanvas);
    Brush().SetStyle(bsClear);
    Font().SetColor(clBtnHighlight);
    RECT shadow = cxRectOffset(r, 1, 1);
    FCanvas->DrawText(text, shadow, flags);
    Font().SetColor(clBtnShadow);
    FCanvas->DrawText(text, bounds, flags);
}

void TcxCanvas::DrawFocusRect(const RECT& r)
{
    Brush().SetColor(clWhite);
    Font().SetColor(clBlack);
    FCanvas->DrawFocusRect(r);
}

void TcxCanvas::Polygon(const std::vector<POINT>& points)
{
    HDC dc = Need();
    if (points.size() < 2) return;
    TSelectGuard pen(dc, Pen().Handle());
    TSelectGuard brush(dc, Brush().Style() == bsClear ? GetStockObject(NULL_BRUSH) : Brush().Handle());
    if (!::Polygon(dc, points.data(), static_cast<int>(points.size()))) cxRaiseGdiError("Polygon");
}

POINT TcxCanvas::Origin() const
{
    POINT origin{0, 0};
    if (!LPtoDP(Need(), &origin, 1)) cxRaiseGdiError("LPtoDP");
    return origin;
}

std::unique_ptr<TcxRegion> TcxCanvas::GetClipRegion(bool considerOrigin) const
{
    HDC dc = Need();
    auto region = std::make_unique<TcxRegion>();
    const int result = GetClipRgn(dc, region->Handle());
    if (result < 0) cxRaiseGdiError("GetClipRgn");
    if (result == 0) *region = TcxRegion(cxNoClipRect);
    if (considerOrigin) {
        const POINT origin = Origin();
        region->Offset(-origin.x, -origin.y);
    }
    return region;
}

void TcxCanvas::SelectClip(const TcxRegion* region) const
{
    if (SelectClipRgn(Need(), region ? region->Handle() : nullptr) == ERROR) cxRaiseGdiError("SelectClipRgn");
}

void TcxCanvas::SetClipRegion(std::unique_ptr<TcxRegion> region, TcxRegionOperation operation, bool considerOrigin)
{
    if (!region) throw EInvalidOperation("A clip region is required");
    if (considerOrigin) {
        const POINT origin = Origin();
        region->Offset(origin.x, origin.y);
    }
    if (operation == roSet) {
        SelectClip(region.get());
        return;
    }
    auto current = GetClipRegion(false);
    current->Combine(*region, operation);
    SelectClip(current.get());
}

void TcxCanvas::SetClipRegion(TcxRegion& region, TcxRegionOperation operation, bool considerOrigin)
{
    // Work on a copy: the caller's region stays exactly as given, also when selecting fails.
    SetClipRegion(region.Clone(), operation, considerOrigin);
}

void TcxCanvas::SaveClipRegion()
{
    HDC dc = Need();
    auto region = std::make_unique<TcxRegion>();
    const int result = GetClipRgn(dc, region->Handle());
    if (result < 0) cxRaiseGdiError("GetClipRgn");
    // An absent clip region is saved as absent, so restoring it removes clipping rather
    // than clipping to a large rectangle.
    if (result == 0) region.reset();
    FClipRegions.push_back(std::move(region));
}

void TcxCanvas::RestoreClipRegion()
{
    if (FClipRegions.empty()) return;
    std::unique_ptr<TcxRegion> region = std::move(FClipRegions.back());
    FClipRegions.pop_back();
    SelectClip(region.get());
}

void TcxCanvas::ExcludeClipRect(const RECT& r)
{
    if (::ExcludeClipRect(Need(), r.left, r.top, r.right, r.bottom) == ERROR) cxRaiseGdiError("ExcludeClipRect");
}

void TcxCanvas::IntersectClipRect(const RECT& r)
{
    if (::IntersectClipRect(Need(), r.left, r.top, r.right, r.bottom) == ERROR) cxRaiseGdiError("IntersectClipRect");
}

TcxClipRegionGuard::~TcxClipRegionGuard()
{
    // A destructor may not throw; the only failure left is a canvas whose device context
    // was taken away meanwhile, and then there is no clip area left to restore.
    try {
        FCanvas.RestoreClipRegion();
    } catch (const Exception&) {
    }
}

// --- TcxScreenCanvas ---

namespace {

TWindowDC ScreenDC()
{
    TWindowDC screen = TWindowDC::ForClient(nullptr);
    if (!screen) RaiseLastOSError();
    return screen;
}

} // namespace

TcxScreenCanvas::TcxScreenCanvas() : TcxScreenCanvas(ScreenDC()) {}

// Nothing after the canvas's allocation can fail, so the canvas cannot leak; the screen
// DC goes back with the parameter when the allocation does.
TcxScreenCanvas::TcxScreenCanvas(TWindowDC screen) : TcxCanvas(*new TCanvas), FScreen(std::move(screen))
{
    Canvas().SetHandle(FScreen.Get());
}

TcxScreenCanvas::~TcxScreenCanvas()
{
    delete &Canvas();
}

// --- Text ---

int cxDrawText(HDC dc, const std::string& text, RECT& r, UINT format, int count)
{
    const int size = static_cast<int>(text.size());
    const int length = count < 0 ? size : std::min(count, size);
    return ::DrawTextA(dc, text.c_str(), length, &r, format);
}

// --- Parent backgrounds ---

void cxDrawTransparentControlBackground(TControl* control, TcxCanvas& canvas, const RECT& r, bool withChildren)
{
    if (!control || !control->Parent() || cxRectIsEmpty(r)) return;
    TWinControl& parent = *control->Parent();
    HDC dc = canvas.Handle();
    if (!dc) throw EInvalidOperation("Canvas does not allow drawing");

    const TSavedDCState saved = SaveDCState(dc);
    if (::IntersectClipRect(dc, r.left, r.top, r.right, r.bottom) == ERROR) cxRaiseGdiError("IntersectClipRect");
    // From here on the parent's client coordinates address the control's pixels.
    if (!OffsetWindowOrgEx(dc, control->Left(), control->Top(), nullptr)) cxRaiseGdiError("OffsetWindowOrgEx");
    const RECT behind = cxRectOffset(r, control->Left(), control->Top());

    TCanvas parentCanvas;
    parentCanvas.SetHandle(dc);
    parentCanvas.Brush().SetColor(parent.Color());
    parentCanvas.FillRect(behind);
    if (parent.HandleAllocated()) {
        // A parent that is a system control prints itself; framework windows ignore this.
        SendMessageA(parent.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
    }
    TParentPainter::Paint(parent, parentCanvas);

    if (!withChildren) return;
    for (int i = 0; i < parent.ControlCount(); ++i) {
        auto* sibling = dynamic_cast<TWinControl*>(parent.Controls(i));
        if (!sibling || sibling == control || !sibling->Visible() || !sibling->HandleAllocated()) continue;
        const RECT bounds = cxRectBounds(sibling->Left(), sibling->Top(), sibling->Width(), sibling->Height());
        if (!cxRectIntersects(bounds, behind)) continue;
        const TSavedDCState siblingSaved = SaveDCState(dc);
        if (!OffsetWindowOrgEx(dc, -sibling->Left(), -sibling->Top(), nullptr)) cxRaiseGdiError("OffsetWindowOrgEx");
        SendMessageA(sibling->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(dc),
                     PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
    }
}

void cxDrawThemeParentBackground(TControl* control, TcxCanvas& canvas, const RECT& r)
{
    if (!control || !control->Parent()) return;
    auto* window = dynamic_cast<TWinControl*>(control);
    // The theme library may load without this export (Wine lacks some); then, as without
    // the library, the framework reproduces the parent itself.
    const bool themed = IsThemeLibraryLoaded() && UxThemeFunctions().DrawThemeParentBackground;
    if (control->Parent()->DoubleBuffered() || !themed || !window || !window->HandleAllocated()) {
        cxDrawTransparentControlBackground(control, canvas, r, false);
        return;
    }
    HDC dc = canvas.Handle();
    if (!dc) throw EInvalidOperation("Canvas does not allow drawing");
    // A failure would leave the control's transparent parts unpainted; the framework's
    // own reproduction of the parent is the better answer then.
    if (FAILED(dxUxTheme::DrawThemeParentBackground(window->Handle(), dc, &r)))
        cxDrawTransparentControlBackground(control, canvas, r, false);
}

// --- Colours ---

TColor GetLightSelColor()
{
    return GetRealColor(GetLightColor(-2, 30, 72));
}

TColor GetLightDownedSelColor()
{
    return GetRealColor(GetLightColor(14, 44, 40));
}
