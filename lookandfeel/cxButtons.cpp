#include "lookandfeel/cxButtons.h"

#include <windowsx.h>

#include <memory>
#include <vsstyle.h>

#include "framework/exceptions.h"
#include "framework/forms.h"
#include "framework/sysutils.h"
#include "framework/units.h"
#include "lookandfeel/dxThemeManager.h"
#include "lookandfeel/dxUxTheme.h"

namespace {

// --- small owners for the glyph builder ---

class TMemoryDC {
public:
    TMemoryDC() : FDC(CreateCompatibleDC(nullptr))
    {
        if (!FDC) RaiseLastOSError();
    }
    TMemoryDC(const TMemoryDC&) = delete;
    TMemoryDC& operator=(const TMemoryDC&) = delete;
    ~TMemoryDC() { DeleteDC(FDC); }
    HDC Get() const noexcept { return FDC; }

private:
    HDC FDC;
};

HBITMAP NewScreenBitmap(int width, int height)
{
    HDC screen = GetDC(nullptr);
    if (!screen) RaiseLastOSError();
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    const DWORD error = GetLastError();
    ReleaseDC(nullptr, screen);
    if (!bitmap) RaiseLastOSError(error ? error : ERROR_NOT_ENOUGH_MEMORY);
    return bitmap;
}

HBITMAP NewMonoBitmap(int width, int height)
{
    HBITMAP bitmap = CreateBitmap(width, height, 1, 1, nullptr);
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

// The cache lives from the first glyph object until a glyph object goes while it holds no
// list any more, or until its unit stops (after the forms, and so every glyph, have gone).
std::unique_ptr<TcxGlyphCache> glyphCache ZV_UNIT(zv::unit::kControls);

std::unique_ptr<TcxGlyphCache>& GlyphCacheInstance() { return glyphCache; }

TcxGlyphCache& NeedGlyphCache()
{
    auto& cache = GlyphCacheInstance();
    if (!cache) cache = std::make_unique<TcxGlyphCache>();
    return *cache;
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

TcxButtonAssignedColor BackgroundSlot(TcxButtonState state) noexcept
{
    switch (state) {
    case cxbsDefault:
        return cxbcDefault;
    case cxbsHot:
        return cxbcHot;
    case cxbsPressed:
        return cxbcPressed;
    case cxbsDisabled:
        return cxbcDisabled;
    default:
        return cxbcNormal;
    }
}

bool SameFontFace(TFont& a, const TFont& b)
{
    return a.Name() == b.Name() && a.Height() == b.Height() && a.Style() == b.Style();
}

} // namespace

// --- painter choice ---

TcxLookAndFeelPainterClass GetButtonPainterClass(const TcxLookAndFeel& lookAndFeel)
{
    if (TcxLookAndFeelPainterClass skin = lookAndFeel.SkinPainter()) return skin;
    TcxLookAndFeelPainterClass painter = lookAndFeel.Painter();
    if (painter->LookAndFeelStyle() == lfsOffice11)
        return AreVisualStylesAvailable(totButton) ? TcxWinXPLookAndFeelPainter::PainterClass()
                                                   : TcxStandardLookAndFeelPainter::PainterClass();
    return painter;
}

// --- TcxButtonColors ---

void TcxButtonColors::SetColor(TcxButtonAssignedColor index, TColor value)
{
    if (value == clDefault || value == clNone) {
        FColors[index] = clDefault;
        FAssignedColors &= ~cxButtonColorBit(index);
        Changed();
        return;
    }
    if (FColors[index] == value && (FAssignedColors & cxButtonColorBit(index))) return;
    FColors[index] = value;
    FAssignedColors |= cxButtonColorBit(index);
    Changed();
}

TColor TcxButtonColors::GetColorByState(TcxButtonState state) const noexcept
{
    const TcxButtonAssignedColor slot = BackgroundSlot(state);
    if (FAssignedColors & cxButtonColorBit(slot)) return FColors[slot];
    return slot == cxbcNormal ? FColors[cxbcDefault] : FColors[cxbcNormal];
}

TColor TcxButtonColors::GetTextColorByState(TcxButtonState state) const noexcept
{
    const auto slot = static_cast<TcxButtonAssignedColor>(BackgroundSlot(state) + 1);
    return (FAssignedColors & cxButtonColorBit(slot)) ? FColors[slot] : clDefault;
}

void TcxButtonColors::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TcxButtonColors*>(source)) {
        FColors = other->FColors;
        FAssignedColors = other->FAssignedColors;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

void TcxButtonColors::Changed()
{
    if (FButton) FButton->Perform(CM_COLORCHANGED);
}

// --- TcxGlyphList and TcxGlyphCache ---

TcxGlyphList::TcxGlyphList(int width, int height) : FWidth(width), FHeight(height)
{
    FHandle = ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, 4, 4);
    if (!FHandle) RaiseLastOSError(ERROR_NOT_ENOUGH_MEMORY);
    ImageList_SetBkColor(FHandle, CLR_NONE);
}

TcxGlyphList::~TcxGlyphList()
{
    ImageList_Destroy(FHandle);
}

int TcxGlyphList::AddMasked(HBITMAP image, HBITMAP mask)
{
    for (std::size_t i = 0; i < FUsed.size(); ++i) {
        if (FUsed[i]) continue;
        if (!ImageList_Replace(FHandle, static_cast<int>(i), image, mask)) RaiseLastOSError(ERROR_NOT_ENOUGH_MEMORY);
        FUsed[i] = true;
        ++FUsedCount;
        return static_cast<int>(i);
    }
    const int index = ImageList_Add(FHandle, image, mask);
    if (index < 0) RaiseLastOSError(ERROR_NOT_ENOUGH_MEMORY);
    if (static_cast<std::size_t>(index) >= FUsed.size()) FUsed.resize(static_cast<std::size_t>(index) + 1, false);
    FUsed[static_cast<std::size_t>(index)] = true;
    ++FUsedCount;
    return index;
}

void TcxGlyphList::Release(int index) noexcept
{
    if (!IsUsed(index)) return;
    FUsed[static_cast<std::size_t>(index)] = false;
    --FUsedCount;
}

bool TcxGlyphList::IsUsed(int index) const noexcept
{
    return index >= 0 && static_cast<std::size_t>(index) < FUsed.size() && FUsed[static_cast<std::size_t>(index)];
}

TcxGlyphList* TcxGlyphCache::GetList(int width, int height)
{
    for (const auto& list : FLists)
        if (list->Width() == width && list->Height() == height) return list.get();
    FLists.push_back(std::make_unique<TcxGlyphList>(width, height));
    return FLists.back().get();
}

void TcxGlyphCache::RemoveList(TcxGlyphList* list) noexcept
{
    for (auto it = FLists.begin(); it != FLists.end(); ++it)
        if (it->get() == list) {
            FLists.erase(it);
            return;
        }
}

TcxGlyphCache* cxGlyphCache() noexcept
{
    return GlyphCacheInstance().get();
}

// --- TcxButtonGlyph ---

TcxButtonGlyph::TcxButtonGlyph(std::function<void()> onChange) : FOnChange(std::move(onChange))
{
    NeedGlyphCache();
}

TcxButtonGlyph::~TcxButtonGlyph()
{
    Invalidate();
    auto& cache = GlyphCacheInstance();
    if (cache && cache->Count() == 0) cache.reset();
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
    return cxButtonTextOffsets(HasImage());
}

int TcxButtonGlyph::CreateButtonGlyph(TcxButtonState state)
{
    const int slot = CacheSlotFor(state);
    if (FIndices[static_cast<std::size_t>(slot)] != -1) return FIndices[static_cast<std::size_t>(slot)];
    if (!HasImage()) return -1;
    const SIZE size = GetImageSize();
    if (size.cx <= 0 || size.cy <= 0) return -1;
    const int w = size.cx, h = size.cy;

    TGdiObject image(NewScreenBitmap(w, h));
    TGdiObject mask(NewMonoBitmap(w, h));
    {
        TMemoryDC imageDC, maskDC;
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
    TcxGlyphList* list = NeedGlyphCache().GetList(w, h);
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
    layout.Client = args.Client;
    layout.Offset = args.Offset;
    layout.TextInsets = GetTextOffsets(args.Layout);
    layout.GlyphSize = GetImageSize();
    layout.Layout = args.Layout;
    layout.Margin = args.Margin;
    layout.Spacing = args.Spacing;
    layout.RightToLeft = (args.TextFlags & DT_RIGHT) != 0;
    if (!args.Caption.empty()) {
        RECT bounds = cxRectContent(cxRect(0, 0, cxRectWidth(args.Client), 0), layout.TextInsets);
        const UINT flags = args.TextFlags | DT_CALCRECT | (CanWordWrapText(args.WordWrap) ? DT_WORDBREAK : 0);
        canvas.Canvas().DrawText(args.Caption, bounds, flags);
        const RECT& p = layout.TextInsets;
        layout.TextSize = SIZE{cxRectWidth(bounds) + p.left + p.right, cxRectHeight(bounds) + p.top + p.bottom};
    }
    return cxCalcButtonLayout(layout);
}

void TcxButtonGlyph::Draw(TcxCanvas& canvas, const TDrawArgs& args)
{
    const TcxButtonLayoutResult layout = CalcButtonLayout(canvas, args);
    if (HasImage()) DrawButtonGlyph(canvas, layout.GlyphPos, args.State);
    DrawButtonText(canvas, args.Caption, layout.TextBounds, args.State, args.TextFlags, args.WordWrap);
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
    struct TRestore {
        TCanvas& Canvas;
        TBrushStyle Style;
        TColor FontColor;
        ~TRestore()
        {
            Canvas.Font().SetColor(FontColor);
            Canvas.Brush().SetStyle(Style);
        }
    } restore{canvas.Canvas(), canvas.Brush().Style(), canvas.Font().Color()};
    canvas.Brush().SetStyle(bsClear);
    const UINT flags = textFlags | DT_CENTER | DT_VCENTER | (CanWordWrapText(wordWrap) ? DT_WORDBREAK : 0);
    if (state == cxbsDisabled) {
        canvas.Font().SetColor(clBtnHighlight);
        RECT shadow = cxRectOffset(textBounds, 1, 1);
        canvas.Canvas().DrawText(caption, shadow, flags);
        canvas.Font().SetColor(restore.FontColor);
    }
    RECT bounds = textBounds;
    canvas.Canvas().DrawText(caption, bounds, flags);
}

// --- TcxCustomButton ---

TcxCustomButton::TcxCustomButton(TComponent* owner) : TButton(owner)
{
    FGlyph = std::make_unique<TcxButtonGlyph>([this] { Invalidate(); });
    FColors = std::make_unique<TcxButtonColors>(this);
    FLookAndFeel = std::make_unique<TcxLookAndFeel>(this);
    FLookAndFeel->SetOnChanged([this](TcxLookAndFeel* sender, TcxLookAndFeelValues changed) {
        LookAndFeelChanged(sender, changed);
    });
    SetDoubleBuffered(true);
    SetControlStyle(ControlStyle() | csOpaque | csReflector);
    SetCanBeFocused(true);
    SetGroupIndex(0);
    SetAllowAllUp(false);
    SetDown(false);
}

TcxCustomButton::~TcxCustomButton()
{
    EndMouseTracking(this);
    // The window goes while every part of the button still exists: the base destructor
    // would destroy it after them, with paint requests reaching half a button.
    DestroyHandle();
    FLookAndFeel.reset();
    FColors.reset();
    FGlyph.reset();
}

void TcxCustomButton::SetKind(TcxButtonKind value)
{
    if (value == FKind) return;
    FKind = value;
    InternalRecreateWindow();
}

void TcxCustomButton::SetMargin(int value)
{
    if (value < -1 || value == FMargin) return;
    FMargin = value;
    Invalidate();
}

void TcxCustomButton::SetSpacing(int value)
{
    if (value == FSpacing) return;
    FSpacing = value;
    Invalidate();
}

void TcxCustomButton::SetLayout(TButtonLayout value)
{
    if (value == FLayout) return;
    FLayout = value;
    Invalidate();
}

void TcxCustomButton::SetDropDownMenu(TcxPopupMenu* value)
{
    if (value == FDropDownMenu) return;
    if (FDropDownMenu && FDropDownMenu != FPopupMenu) RemoveFreeNotification(FDropDownMenu);
    FDropDownMenu = value;
    if (value) FreeNotification(value);
}

void TcxCustomButton::SetPopupMenu(TComponent* value)
{
    if (value && !dynamic_cast<TcxPopupMenu*>(value) && !dynamic_cast<IcxPopupMenu*>(value)) value = nullptr;
    if (value == FPopupMenu) return;
    if (FPopupMenu && FPopupMenu != FDropDownMenu) RemoveFreeNotification(FPopupMenu);
    FPopupMenu = value;
    if (value) FreeNotification(value);
}

void TcxCustomButton::SetCanBeFocused(bool value)
{
    FCanBeFocused = value;
    UpdateGroup();
}

void TcxCustomButton::SetGroupIndex(int value)
{
    FGroupIndex = value;
    if (value != 0) {
        UpdateGroup();
    } else if (FDown) {
        FDown = false;
        FIsPressed = false;
        Invalidate();
    }
}

void TcxCustomButton::SetDown(bool value)
{
    if (FGroupIndex == 0) value = false;
    if (value == FDown) return;
    if (FDown && !value && !FAllowAllUp) return;
    FDown = value;
    FIsPressed = value;
    if (value) UpdateGroup();
    Invalidate();
}

void TcxCustomButton::SetAllowAllUp(bool value)
{
    FAllowAllUp = value;
    UpdateGroup();
}

void TcxCustomButton::SetBiDiMode(TBiDiMode value)
{
    if (value == FBiDiMode) return;
    FBiDiMode = value;
    Invalidate();
}

void TcxCustomButton::Click()
{
    if (FArrowPressed) {
        // The system button reports the release of a press on the arrow part as a click
        // of the whole button; that press opens the menu and nothing else.
        FArrowPressed = false;
        return;
    }
    if (FKind == cxbkDropDown && !FIsMenuVisible) {
        DoDropDownMenu();
        return;
    }
    TButton::Click();
}

bool TcxCustomButton::CanFocus() const
{
    return TButton::CanFocus() && FCanBeFocused;
}

TcxLookAndFeelPainterClass TcxCustomButton::GetPainterClass() const
{
    return GetButtonPainterClass(*FLookAndFeel);
}

bool TcxCustomButton::IsHotTrack() const
{
    return GetPainterClass()->IsButtonHotTrack() && Enabled();
}

TcxButtonState TcxCustomButton::GetButtonState() const
{
    if (!Enabled()) return cxbsDisabled;
    if (FIsPressed || (FIsMenuVisible && FKind == cxbkDropDown) || (FDown && GetSpeedButtonMode())) return cxbsPressed;
    if (FIsHot) return cxbsHot;
    if ((FIsFocused || FShowAsDefault) && !GetSpeedButtonMode()) return cxbsDefault;
    return cxbsNormal;
}

RECT TcxCustomButton::ClientRect() const
{
    RECT r{0, 0, Width(), Height()};
    if (FHandle) GetClientRect(FHandle, &r);
    return r;
}

RECT TcxCustomButton::GetBorderRect(TcxButtonState state) const
{
    const int border = GetPainterClass()->ButtonBorderSize(state);
    RECT r = cxRectInflate(ClientRect(), -border, -border);
    if (FKind == cxbkDropDownButton) r = cxExcludeDropDownButtonRect(r);
    return r;
}

RECT TcxCustomButton::GetContentRect() const
{
    return GetBorderRect(cxbsDefault);
}

RECT TcxCustomButton::GetMenuButtonBounds() const
{
    switch (FKind) {
    case cxbkDropDown:
        return ClientRect();
    case cxbkDropDownButton:
        return cxDropDownArrowRect(ClientRect());
    default:
        return cxNullRect;
    }
}

SIZE TcxCustomButton::GetOptimalSize()
{
    TcxScreenCanvas canvas;
    canvas.SetFont(Font());
    const std::string stripped = StripHotkey(Caption());
    const std::string text = stripped.empty() ? std::string(1, ' ') : stripped;
    return cxButtonOptimalSize(canvas.TextWidth(text), canvas.TextWidth("R"), canvas.TextHeight("Wg"));
}

void TcxCustomButton::SetBounds(int left, int top, int width, int height)
{
    if (FButtonAutoSize) {
        const SIZE optimal = GetOptimalSize();
        width = optimal.cx;
        height = optimal.cy;
    }
    TButton::SetBounds(left, top, width, height);
}

void TcxCustomButton::SetButtonAutoSize(bool value)
{
    if (value == FButtonAutoSize) return;
    FButtonAutoSize = value;
    UpdateSize();
}

void TcxCustomButton::UpdateSize()
{
    if (FButtonAutoSize) SetBounds(Left(), Top(), Width(), Height());
}

UINT TcxCustomButton::TextDirectionFlags() const noexcept
{
    return FBiDiMode == bdRightToLeft ? DT_RIGHT | DT_RTLREADING : 0;
}

bool TcxCustomButton::CursorOverWindow()
{
    POINT cursor{};
    return FHandle && GetCursorPos(&cursor) && WindowFromPoint(cursor) == FHandle;
}

void TcxCustomButton::Invalidate()
{
    if (FHandle) InvalidateRect(FHandle, nullptr, FALSE);
}

void TcxCustomButton::Repaint()
{
    if (!FHandle) return;
    InvalidateRect(FHandle, nullptr, FALSE);
    UpdateWindow(FHandle);
}

void TcxCustomButton::InternalRecreateWindow()
{
    if (!FHandle) return;
    DestroyHandle();
    HandleNeeded();
}

void TcxCustomButton::LookAndFeelChanged(TcxLookAndFeel*, TcxLookAndFeelValues)
{
    if (FUseSystemPaint) InternalRecreateWindow();
    else Invalidate();
}

void TcxCustomButton::CreateParams(TCreateParams& params)
{
    TButton::CreateParams(params);
    params.Style |= BS_OWNERDRAW;
}

void TcxCustomButton::CreateHandle()
{
    TButton::CreateHandle();
    FShowAsDefault = Active();
    FGlyph->CreateButtonGlyph(Enabled() ? cxbsNormal : cxbsDisabled);
}

void TcxCustomButton::DestroyHandle()
{
    if (FIsMenuVisible && FHandle) Perform(CM_CLOSEUPPOPUPMENU);
    EndMouseTracking(this);
    TButton::DestroyHandle();
}

void TcxCustomButton::SetButtonStyle(bool isDefault)
{
    if (isDefault == FShowAsDefault) return;
    FShowAsDefault = isDefault;
    Repaint();
}

void TcxCustomButton::Notification(TComponent* component, TOperation operation)
{
    if (operation == opRemove) {
        if (component == FDropDownMenu) FDropDownMenu = nullptr;
        if (component == FPoppedMenu) FPoppedMenu = nullptr;
        if (component == FPopupMenu) SetPopupMenu(nullptr);
    }
    TButton::Notification(component, operation);
}

void TcxCustomButton::MouseLeave()
{
    Perform(CM_MOUSELEAVE);
}

bool TcxCustomButton::DoOnDropDownMenuPopup(TcxPopupMenu*& menu)
{
    bool handled = false;
    if (FOnDropDownMenuPopup) FOnDropDownMenuPopup(this, menu, handled);
    return handled;
}

bool TcxCustomButton::DoShowPopupMenu(TComponent* menu, int x, int y)
{
    if (!menu) return false;
    if (auto* custom = dynamic_cast<IcxPopupMenu*>(menu)) {
        custom->Popup(x, y);
        return true;
    }
    if (auto* popup = dynamic_cast<TcxPopupMenu*>(menu); popup && popup->AutoPopup()) {
        popup->SetPopupComponent(this);
        popup->Popup(x, y);
        return true;
    }
    return false;
}

bool TcxCustomButton::IsPopupMenuShortCut(WORD key)
{
    if (!FPopupMenu) return false;
    const TShortCut shortCut = ShortCutFromKey(key);
    if (auto* custom = dynamic_cast<IcxPopupMenu*>(FPopupMenu)) return custom->IsShortCutKey(shortCut);
    if (auto* popup = dynamic_cast<TcxPopupMenu*>(FPopupMenu)) return popup->IsShortCut(shortCut);
    return false;
}

void TcxCustomButton::UpdateGroup()
{
    if (!FParent || FGroupIndex == 0) return;
    TMessage message{CM_BUTTONPRESSED, static_cast<WPARAM>(FGroupIndex), reinterpret_cast<LPARAM>(this), 0};
    FParent->Broadcast(message);
}

void TcxCustomButton::CMButtonPressed(TMessage& message)
{
    auto* sender = dynamic_cast<TcxCustomButton*>(reinterpret_cast<TControl*>(message.LParam));
    if (!sender || sender == this || !GetSpeedButtonMode() || FGroupIndex == 0 ||
        static_cast<int>(message.WParam) != FGroupIndex)
        return;
    FAllowAllUp = sender->FAllowAllUp;
    FCanBeFocused = sender->FCanBeFocused;
    if (sender->FDown && FDown) {
        FDown = false;
        FIsPressed = false;
        Invalidate();
    }
}

void TcxCustomButton::DoDropDownMenu()
{
    if (FHandle) PostToSelf(CM_DROPDOWNPOPUPMENU);
}

void TcxCustomButton::CheckShowMenu(POINT p)
{
    if (FKind == cxbkDropDownButton && !cxRectPtIn(GetMenuButtonBounds(), p)) return;
    DoDropDownMenu();
}

void TcxCustomButton::CMDropDownPopupMenu()
{
    if (FKind == cxbkStandard) return;
    TcxPopupMenu* menu = FDropDownMenu;
    if (DoOnDropDownMenuPopup(menu) || !menu) return;
    FIsMenuVisible = true;
    Repaint();

    POINT bottomLeft{0, Height()};
    ClientToScreen(Handle(), &bottomLeft);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (GetMonitorInfoA(MonitorFromPoint(bottomLeft, MONITOR_DEFAULTTONEAREST), &monitor)) work = monitor.rcWork;
    const POINT p = cxDropDownMenuPoint(bottomLeft, Width(), Height(), menu->MenuHeight(), FPopupAlignment, work);
    const TPopupAlignment alignment = cxDropDownMenuAlignment(p, FPopupAlignment, work);

    // The menu's own alignment is put back however the popup ends; the menu may have gone
    // meanwhile (an item's handler may free it), which its free notification tells.
    struct TRestore {
        TcxCustomButton& Button;
        TPopupAlignment Saved;
        ~TRestore()
        {
            if (TcxPopupMenu* popped = Button.FPoppedMenu) {
                popped->SetAlignment(Saved);
                if (popped != Button.FDropDownMenu && popped != Button.FPopupMenu) Button.RemoveFreeNotification(popped);
            }
            Button.FPoppedMenu = nullptr;
            if (Button.FHandle) PostMessageA(Button.FHandle, CM_CLOSEUPPOPUPMENU, 0, 0);
        }
    } restore{*this, menu->Alignment()};
    FPoppedMenu = menu;
    FreeNotification(menu);
    menu->SetAlignment(alignment);
    menu->SetPopupComponent(this);
    menu->Popup(p.x, p.y);
}

void TcxCustomButton::CMCloseupPopupMenu()
{
    FIsHot = IsHotTrack() && CursorOverWindow();
    FIsMenuVisible = false;
    FArrowPressed = false;
    Repaint();
    if (!GetSpeedButtonMode()) FMousePressHandled = false;
}

void TcxCustomButton::WMContextMenu(TMessage& message)
{
    POINT p{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
    const bool keyboard = p.x == -1 && p.y == -1;
    if (!keyboard) {
        ScreenToClient(Handle(), &p);
        if (!cxRectPtIn(ClientRect(), p)) {
            TButton::Dispatch(message);
            return;
        }
    } else {
        p = POINT{0, 0};
    }
    ClientToScreen(Handle(), &p);
    const bool handled = DoShowPopupMenu(FPopupMenu, p.x, p.y);
    message.Result = handled ? 1 : 0;
    if (!handled) TButton::Dispatch(message);
}

void TcxCustomButton::InitializeCanvasColors(TcxCanvas& canvas, TcxButtonState& state, TColor& color)
{
    state = GetButtonState();
    // Assigning a font drops its handle; keep it while the face is the same, as it is on
    // nearly every paint.
    if (!SameFontFace(canvas.Font(), Font())) canvas.SetFont(Font());
    color = FColors->GetColorByState(state);
    TColor text = FColors->GetTextColorByState(state);
    if (text == clDefault) text = GetPainterClass()->ButtonSymbolColor(state, Font().Color());
    canvas.Font().SetColor(text);
}

void TcxCustomButton::InternalPaint(TcxCanvas& canvas)
{
    if (StandardButton()) return;
    RECT r = ClientRect();
    const TcxLookAndFeelPainterClass painter = GetPainterClass();
    const bool native = painter == TcxWinXPLookAndFeelPainter::PainterClass();

    if (native) {
        HTHEME theme = OpenTheme(totButton);
        if (theme && dxUxTheme::IsThemeBackgroundPartiallyTransparent(theme, BP_PUSHBUTTON, PBS_NORMAL))
            cxDrawThemeParentBackground(this, canvas, r);
    } else if (FLookAndFeel->SkinPainter()) {
        cxDrawTransparentControlBackground(this, canvas, r);
    }

    RECT arrow = cxNullRect;
    if (FKind == cxbkDropDown) {
        FIsPressed = FIsMenuVisible;
    } else if (FKind == cxbkDropDownButton) {
        arrow = cxDropDownArrowRect(r);
        r = cxExcludeDropDownButtonRect(r);
    }

    TcxButtonState state = cxbsNormal;
    TColor color = clDefault;
    InitializeCanvasColors(canvas, state, color);
    if (FOnGetDrawParams) FOnGetDrawParams(this, state, color, canvas.Font());

    painter->DrawButton(canvas, r, std::string(), state, true, color, canvas.Font().Color(), false);

    const int s = state == cxbsPressed ? painter->ButtonTextShift() : 0;
    {
        TcxClipRegionGuard clip(canvas);
        canvas.IntersectClipRect(GetBorderRect(state));
        TcxButtonGlyph::TDrawArgs args;
        args.Client = GetContentRect();
        args.Offset = POINT{s, s};
        args.Caption = Caption();
        args.Layout = FLayout;
        args.Margin = FMargin;
        args.Spacing = FSpacing;
        args.State = state;
        args.TextFlags = TextDirectionFlags();
        args.Native = native;
        args.WordWrap = WordWrap();
        FGlyph->Draw(canvas, args);
    }

    if (FKind == cxbkDropDownButton) {
        TcxButtonState arrowState = state;
        if (FIsMenuVisible) arrowState = cxbsPressed;
        else if (state == cxbsPressed) arrowState = FShowAsDefault ? cxbsHot : cxbsNormal;
        painter->DrawButton(canvas, arrow, std::string(), arrowState, true, color, canvas.Font().Color(), false);
        painter->DrawScrollBarArrow(canvas, arrow, arrowState, adDown);
    }

    if (CanFocus() && Focused() && !FIsMenuVisible) {
        RECT focus = r;
        painter->ButtonFocusRect(canvas, r, focus);
        canvas.DrawFocusRect(focus);
    }
}

void TcxCustomButton::PaintTo(TcxCanvas& canvas)
{
    InternalPaint(canvas);
}

void TcxCustomButton::CNDrawItem(TMessage& message)
{
    message.Result = TRUE;
    if (ComponentState() & csDestroying) return;
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam);
    FPaintCanvasBase.SetHandle(item->hDC);
    struct TUnbind {
        TCanvas& Canvas;
        ~TUnbind() { Canvas.SetHandle(nullptr); }
    } unbind{FPaintCanvasBase};
    if (!FMousePressHandled) FIsPressed = (item->itemState & ODS_SELECTED) != 0;
    else FIsPressed = FIsPressed && GetSpeedButtonMode();
    FIsFocused = (item->itemState & ODS_FOCUS) != 0;
    InternalPaint(FCanvas);
}

void TcxCustomButton::MouseDown(bool left, WPARAM, POINT p)
{
    if (!left) return;
    FMousePressHandled = GetSpeedButtonMode();
    if (FKind != cxbkStandard) CheckShowMenu(p);
    FIsPressed = !cxRectPtIn(GetMenuButtonBounds(), p);
    Invalidate();
}

void TcxCustomButton::MouseMove(WPARAM, POINT p)
{
    if (!FIsHot && IsHotTrack() && cxRectPtIn(ClientRect(), p) && !GetCapture()) Perform(CM_MOUSEENTER);
}

void TcxCustomButton::MouseUp(bool left, WPARAM, POINT)
{
    if (!left || !GetSpeedButtonMode()) return;
    // The press state was read before the framework's handling, in WndProc.
    Invalidate();
}

bool TcxCustomButton::KeyDown(WORD key)
{
    if (FKind != cxbkDropDownButton || (key != VK_UP && key != VK_DOWN)) return false;
    if (GetKeyState(VK_MENU) >= 0 && GetKeyState(VK_SHIFT) >= 0) return false;
    if (!FIsMenuVisible) DoDropDownMenu();
    return true;
}

void TcxCustomButton::WndProc(TMessage& message)
{
    const POINT p{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
    const bool speed = GetSpeedButtonMode();
    switch (message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        if (speed) {
            if (FCanBeFocused && CanFocus() && FHandle) ::SetFocus(FHandle);
            const bool left = message.Msg == WM_LBUTTONDOWN;
            if (left && FHandle) {
                // The system button never sees this press, so it takes no capture; the
                // release must still come here.
                SetCapture(FHandle);
                FLeftButtonDown = true;
            }
            MouseDown(left, message.WParam, p);
            return;
        }
        if (message.Msg == WM_LBUTTONDOWN) {
            FArrowPressed = FKind == cxbkDropDownButton && cxRectPtIn(cxDropDownArrowRect(ClientRect()), p);
            if (FArrowPressed) FMousePressHandled = true;
        }
        TButton::WndProc(message);
        MouseDown(message.Msg == WM_LBUTTONDOWN, message.WParam, p);
        return;
    case WM_LBUTTONDBLCLK:
        if (speed) {
            Invalidate();
            return;
        }
        // The system's owner-drawn button only reports a double click; a user expects a
        // second press.
        message.Msg = WM_LBUTTONDOWN;
        WndProc(message);
        return;
    case WM_LBUTTONUP: {
        const bool handled = FMousePressHandled;
        if (handled && FGroupIndex != 0) SetDown(!FDown);
        if (speed && FLeftButtonDown) {
            FLeftButtonDown = false;
            if (GetCapture() == FHandle) ReleaseCapture();
        }
        TButton::WndProc(message);
        if (speed) {
            if (handled) Click();
            if (FGroupIndex == 0) {
                FMousePressHandled = false;
                FIsPressed = false;
            }
        }
        FArrowPressed = false;
        MouseUp(true, message.WParam, p);
        return;
    }
    case WM_MOUSEMOVE:
        TButton::WndProc(message);
        MouseMove(message.WParam, p);
        return;
    case WM_KEYUP:
        if (speed && message.WParam == VK_SPACE) SetDown(!FDown);
        break;
    case WM_CAPTURECHANGED:
        TButton::WndProc(message);
        FIsHot = IsHotTrack() && CursorOverWindow();
        return;
    default:
        break;
    }
    TButton::WndProc(message);
}

void TcxCustomButton::Dispatch(TMessage& message)
{
    switch (message.Msg) {
    case CN_DRAWITEM:
        return CNDrawItem(message);
    case CN_MEASUREITEM: {
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam);
        item->itemWidth = static_cast<UINT>(Width());
        item->itemHeight = static_cast<UINT>(Height());
        message.Result = TRUE;
        return;
    }
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN:
        if (IsPopupMenuShortCut(static_cast<WORD>(message.WParam))) {
            message.Result = 1;
            return;
        }
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (KeyDown(static_cast<WORD>(message.WParam))) return;
        break;
    case CM_MOUSEENTER:
        TButton::Dispatch(message);
        if (!FIsHot && IsHotTrack() && !GetCapture()) {
            BeginMouseTracking(this, cxRect(0, 0, Width(), Height()), this);
            FIsHot = true;
            Repaint();
        }
        return;
    case CM_MOUSELEAVE:
        TButton::Dispatch(message);
        EndMouseTracking(this);
        FMousePressHandled = FIsMenuVisible;
        if (FIsHot && IsHotTrack()) {
            FIsHot = false;
            Repaint();
        }
        return;
    case CM_ENABLEDCHANGED:
        TButton::Dispatch(message);
        if (!Enabled()) {
            FIsHot = false;
            EndMouseTracking(this);
        }
        Repaint();
        return;
    case CM_FONTCHANGED:
    case CM_TEXTCHANGED:
        TButton::Dispatch(message);
        UpdateSize();
        Invalidate();
        return;
    case CM_COLORCHANGED:
        TButton::Dispatch(message);
        Invalidate();
        return;
    case CM_BUTTONPRESSED:
        return CMButtonPressed(message);
    case WM_CONTEXTMENU:
        return WMContextMenu(message);
    case WM_ERASEBKGND:
        message.Result = 1;
        return;
    case CM_DROPDOWNPOPUPMENU:
        return CMDropDownPopupMenu();
    case CM_CLOSEUPPOPUPMENU:
        return CMCloseupPopupMenu();
    default:
        break;
    }
    TButton::Dispatch(message);
}
