#include "lookandfeel/cxButtonGlyph.h"

#include "framework/handles.h"
#include "framework/sysutils.h"
#include "lookandfeel/cxGlyphCache.h"

namespace {

TCompatibleDC NewMemoryDC()
{
    TCompatibleDC dc(CreateCompatibleDC(nullptr));
    if (!dc) RaiseLastOSError();
    return dc;
}

TGdiObject NewScreenBitmap(int width, int height)
{
    const TWindowDC screen = TWindowDC::ForClient(nullptr);
    if (!screen) RaiseLastOSError();
    TGdiObject bitmap(CreateCompatibleBitmap(screen.Get(), width, height));
    const DWORD error = GetLastError();
    if (!bitmap) RaiseLastOSError(error ? error : ERROR_NOT_ENOUGH_MEMORY);
    return bitmap;
}

TGdiObject NewMonoBitmap(int width, int height)
{
    TGdiObject bitmap(CreateBitmap(width, height, 1, 1, nullptr));
    if (!bitmap) RaiseLastOSError();
    return bitmap;
}

void CheckedBitBlt(HDC dest, int width, int height, HDC source, int sourceX, DWORD rop)
{
    if (!BitBlt(dest, 0, 0, width, height, source, sourceX, 0, rop)) RaiseLastOSError();
}

void FillSolid(HDC dc, int width, int height, COLORREF color)
{
    const COLORREF old = SetBkColor(dc, color);
    const RECT r{0, 0, width, height};
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    SetBkColor(dc, old);
}

// Which of the four cached images a state uses: 0 up (default, normal, hot), 1 disabled,
// 2 pressed.
int CacheSlotFor(TcxButtonState state) noexcept
{
    switch (state) {
    case cxbsDisabled:
        return 1;
    case cxbsPressed:
        return 2;
    default:
        return 0;
    }
}

} // namespace

TcxButtonGlyph::TcxButtonGlyph(std::function<void()> onChange) : FOnChange(std::move(onChange))
{
    cxNeedGlyphCache();
}

TcxButtonGlyph::~TcxButtonGlyph()
{
    Invalidate();
    cxFreeGlyphCacheIfEmpty();
}

void TcxButtonGlyph::Changed()
{
    if (FOnChange) FOnChange();
}

void TcxButtonGlyph::SetGlyph(const TBitmap* source)
{
    Invalidate();
    if (!source || source->Empty()) {
        FImageInfo.FGlyph.reset();
        FNumGlyphs = 1;
    } else {
        auto copy = std::make_unique<TBitmap>();
        copy->SetSize(source->Width(), source->Height());
        HDC from = const_cast<TBitmap*>(source)->Canvas().Handle();
        if (!BitBlt(copy->Canvas().Handle(), 0, 0, source->Width(), source->Height(), from, 0, 0, SRCCOPY))
            RaiseLastOSError();
        FImageInfo.FGlyph = std::move(copy);
        FNumGlyphs = cxGlyphCountFor(source->Width(), source->Height());
    }
    Changed();
}

void TcxButtonGlyph::SetNumGlyphs(int value)
{
    value = cxClampNumGlyphs(value);
    if (value == FNumGlyphs) return;
    Invalidate();
    FNumGlyphs = value;
    Changed();
}

void TcxButtonGlyph::SetImageList(HIMAGELIST images)
{
    if (images == FImageInfo.FImages) return;
    Invalidate();
    FImageInfo.FImages = images;
    Changed();
}

void TcxButtonGlyph::SetImageIndex(int index)
{
    if (index == FImageInfo.FImageIndex) return;
    Invalidate();
    FImageInfo.FImageIndex = index;
    Changed();
}

bool TcxButtonGlyph::HasImage() const noexcept
{
    return IsImageAssigned(FImageInfo.FImages, FImageInfo.FImageIndex) || IsGlyphAssigned(FImageInfo.FGlyph.get());
}

SIZE TcxButtonGlyph::GetImageSize() const noexcept
{
    if (IsImageAssigned(FImageInfo.FImages, FImageInfo.FImageIndex)) {
        int cx = 0, cy = 0;
        ImageList_GetIconSize(FImageInfo.FImages, &cx, &cy);
        return SIZE{cx, cy};
    }
    if (IsGlyphAssigned(FImageInfo.FGlyph.get()))
        return SIZE{FImageInfo.FGlyph->Width() / FNumGlyphs, FImageInfo.FGlyph->Height()};
    return SIZE{0, 0};
}

TColor TcxButtonGlyph::GetTransparentColor() const
{
    TBitmap* glyph = FImageInfo.FGlyph.get();
    if (!IsGlyphAssigned(glyph)) return clNone;
    const COLORREF pixel = GetPixel(glyph->Canvas().Handle(), 0, glyph->Height() - 1);
    return pixel == CLR_INVALID ? clNone : static_cast<TColor>(pixel);
}

RECT TcxButtonGlyph::GetTextOffsets(TButtonLayout) const
{
    return cxRectFromLayout(cxButtonTextOffsets(HasImage()));
}

int TcxButtonGlyph::CreateButtonGlyph(TcxButtonState state)
{
    const int slot = CacheSlotFor(state);
    if (FIndices[static_cast<std::size_t>(slot)] != -1) return FIndices[static_cast<std::size_t>(slot)];
    if (!HasImage()) return -1;
    const SIZE size = GetImageSize();
    if (size.cx <= 0 || size.cy <= 0) return -1;
    const int w = size.cx, h = size.cy;

    const TGdiObject image = NewScreenBitmap(w, h);
    const TGdiObject mask = NewMonoBitmap(w, h);
    {
        const TCompatibleDC imageDC = NewMemoryDC(), maskDC = NewMemoryDC();
        TSelectGuard selectImage(imageDC.Get(), image.Get());
        TSelectGuard selectMask(maskDC.Get(), mask.Get());
        const bool fromList = IsImageAssigned(FImageInfo.FImages, FImageInfo.FImageIndex);
        const int cell = cxGlyphCellForState(state, FNumGlyphs);
        if (fromList) {
            FillSolid(imageDC.Get(), w, h, RGB(0, 0, 0));
            FillSolid(maskDC.Get(), w, h, RGB(255, 255, 255));
            if (!ImageList_Draw(FImageInfo.FImages, FImageInfo.FImageIndex, maskDC.Get(), 0, 0, ILD_MASK))
                RaiseLastOSError(ERROR_INVALID_PARAMETER);
            if (state == cxbsDisabled) {
                TcxDrawImageArgs args;
                args.GlyphRect = args.R = cxRect(0, 0, w, h);
                args.Images = FImageInfo.FImages;
                args.ImageIndex = FImageInfo.FImageIndex;
                args.Mode = idmDisabled;
                args.UseLeftBottomPixelAsTransparent = false;
                cxDrawImage(imageDC.Get(), args);
            } else if (!ImageList_Draw(FImageInfo.FImages, FImageInfo.FImageIndex, imageDC.Get(), 0, 0, ILD_NORMAL)) {
                RaiseLastOSError(ERROR_INVALID_PARAMETER);
            }
        } else {
            TBitmap* glyph = FImageInfo.FGlyph.get();
            const COLORREF transparent = static_cast<COLORREF>(GetTransparentColor());
            if (state == cxbsDisabled && FNumGlyphs == 1) {
                FillSolid(imageDC.Get(), w, h, transparent);
                TcxDrawImageArgs args;
                args.GlyphRect = args.R = cxRect(0, 0, w, h);
                args.Bitmap = glyph;
                args.Mode = idmDisabled;
                args.TransparentColor = static_cast<TColor>(transparent);
                cxDrawImage(imageDC.Get(), args);
            } else {
                const int source = cell >= FNumGlyphs ? 0 : cell;
                CheckedBitBlt(imageDC.Get(), w, h, glyph->Canvas().Handle(), source * w, SRCCOPY);
            }
            // A colour-to-mono copy turns the background colour white and the rest black.
            const COLORREF oldBk = SetBkColor(imageDC.Get(), transparent);
            CheckedBitBlt(maskDC.Get(), w, h, imageDC.Get(), 0, SRCCOPY);
            SetBkColor(imageDC.Get(), oldBk);
        }
        // The list draws image XOR-free only when the transparent part is black: take the
        // mask out of the image (mono to colour maps 1 to the background colour, white).
        const COLORREF oldText = SetTextColor(imageDC.Get(), RGB(0, 0, 0));
        const COLORREF oldBk = SetBkColor(imageDC.Get(), RGB(255, 255, 255));
        CheckedBitBlt(imageDC.Get(), w, h, maskDC.Get(), 0, 0x00220326 /* DSna */);
        SetTextColor(imageDC.Get(), oldText);
        SetBkColor(imageDC.Get(), oldBk);
    }
    TcxGlyphList* list = cxNeedGlyphCache().GetList(w, h);
    if (FGlyphList && FGlyphList != list) Invalidate();
    const int index = list->AddMasked(static_cast<HBITMAP>(image.Get()), static_cast<HBITMAP>(mask.Get()));
    FGlyphList = list;
    FIndices[static_cast<std::size_t>(slot)] = index;
    return index;
}

void TcxButtonGlyph::Invalidate() noexcept
{
    if (!FGlyphList) {
        FIndices.fill(-1);
        return;
    }
    for (int& index : FIndices) {
        if (index != -1) FGlyphList->Release(index);
        index = -1;
    }
    if (FGlyphList->UsedCount() == 0)
        if (TcxGlyphCache* cache = cxGlyphCache()) cache->RemoveList(FGlyphList);
    FGlyphList = nullptr;
}

TcxButtonLayoutResult TcxButtonGlyph::CalcButtonLayout(TcxCanvas& canvas, const TDrawArgs& args)
{
    TcxButtonLayoutArgs layout;
    const RECT insets = GetTextOffsets(args.Layout);
    layout.Client = cxLayoutRect(args.Client);
    layout.Offset = cxLayoutPoint(args.Offset);
    layout.TextInsets = cxLayoutRect(insets);
    layout.GlyphSize = cxLayoutSize(GetImageSize());
    layout.Layout = args.Layout;
    layout.Margin = args.Margin;
    layout.Spacing = args.Spacing;
    layout.RightToLeft = (args.TextFlags & DT_RIGHT) != 0;
    if (!args.Caption.empty()) {
        const RECT start = cxRectContent(cxRect(0, 0, cxRectWidth(args.Client), 0), insets);
        const UINT flags = args.TextFlags | DT_CALCRECT | (CanWordWrapText(args.WordWrap) ? DT_WORDBREAK : 0);
        const RECT bounds = MeasureCaption(canvas, args.Caption, start, flags);
        layout.TextSize = cxLayoutSize(
            SIZE{cxRectWidth(bounds) + insets.left + insets.right, cxRectHeight(bounds) + insets.top + insets.bottom});
    }
    return cxCalcButtonLayout(layout);
}

RECT TcxButtonGlyph::MeasureCaption(TcxCanvas& canvas, const std::string& caption, const RECT& bounds, UINT flags)
{
    // The font's colour does not change the measure; everything else that could is the key.
    const TFont& font = canvas.Font();
    TTextMeasure& last = FTextMeasure;
    if (last.Valid && last.Caption == caption && last.FontName == font.Name() && last.FontHeight == font.Height() &&
        last.FontStyle == font.Style() && last.Flags == flags && cxRectIsEqual(last.Bounds, bounds))
        return last.Measured;
    RECT measured = bounds;
    // A failed measure (no height) is not kept: the next paint asks again.
    last.Valid = false;
    if (canvas.Canvas().DrawText(caption, measured, flags) == 0) return measured;
    last.Caption = caption;
    last.FontName = font.Name();
    last.FontHeight = font.Height();
    last.FontStyle = font.Style();
    last.Flags = flags;
    last.Bounds = bounds;
    last.Measured = measured;
    last.Valid = true;
    return measured;
}

void TcxButtonGlyph::Draw(TcxCanvas& canvas, const TDrawArgs& args)
{
    const TcxButtonLayoutResult layout = CalcButtonLayout(canvas, args);
    if (HasImage()) DrawButtonGlyph(canvas, cxPointFromLayout(layout.GlyphPos), args.State);
    DrawButtonText(canvas, args.Caption, cxRectFromLayout(layout.TextBounds), args.State, args.TextFlags, args.WordWrap);
}

void TcxButtonGlyph::DrawButtonGlyph(TcxCanvas& canvas, POINT position, TcxButtonState state)
{
    const int index = CreateButtonGlyph(state);
    if (index < 0 || !FGlyphList) return;
    ImageList_Draw(FGlyphList->Handle(), index, canvas.Handle(), position.x, position.y, ILD_NORMAL);
}

void TcxButtonGlyph::DrawButtonText(TcxCanvas& canvas, const std::string& caption, const RECT& textBounds,
                                    TcxButtonState state, UINT textFlags, bool wordWrap)
{
    if (caption.empty()) return;
    const TcxCanvasTextStateGuard restore(canvas.Canvas());
    canvas.Brush().SetStyle(bsClear);
    const UINT flags = textFlags | DT_CENTER | DT_VCENTER | (CanWordWrapText(wordWrap) ? DT_WORDBREAK : 0);
    if (state == cxbsDisabled) {
        canvas.Font().SetColor(clBtnHighlight);
        RECT shadow = cxRectOffset(textBounds, 1, 1);
        canvas.Canvas().DrawText(caption, shadow, flags);
        canvas.Font().SetColor(restore.FontColor());
    }
    RECT bounds = textBounds;
    canvas.Canvas().DrawText(caption, bounds, flags);
}
