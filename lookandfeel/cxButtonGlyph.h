// The glyph of a look-and-feel button: its source (a bitmap strip or an image-list image),
// the per-state images built from it into the shared glyph lists, and the layout and
// drawing of glyph and caption inside the button's content rectangle.
//
// GUI thread only.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "framework/graphics.h"
#include "lookandfeel/cxButtonLayout.h"
#include "lookandfeel/cxGlyphCache.h"
#include "lookandfeel/cxGraphics.h"
#include "lookandfeel/cxLookAndFeelPainters.h"

// The glyph source: an owned bitmap, or an image list (not owned) with an index.
class TcxImageInfo : public TObject {
    RUNTIME_CLASS(TcxImageInfo, TObject)
public:
    TBitmap* Glyph() const noexcept { return FGlyph.get(); }
    HIMAGELIST Images() const noexcept { return FImages; }
    int ImageIndex() const noexcept { return FImageIndex; }

private:
    friend class TcxButtonGlyph;
    std::unique_ptr<TBitmap> FGlyph;
    HIMAGELIST FImages = nullptr;
    int FImageIndex = -1;
};

// The glyph of a button: its source, the per-state images built from it in the shared
// glyph list, and the layout and drawing of glyph and caption.
class TcxButtonGlyph : public TObject {
    RUNTIME_CLASS(TcxButtonGlyph, TObject)
public:
    // onChange (may be empty) runs when the glyph changes; the button repaints.
    explicit TcxButtonGlyph(std::function<void()> onChange = {});
    TcxButtonGlyph(const TcxButtonGlyph&) = delete;
    TcxButtonGlyph& operator=(const TcxButtonGlyph&) = delete;
    ~TcxButtonGlyph() override;

    // A copy of source (null or empty: no glyph); NumGlyphs follows its size.
    void SetGlyph(const TBitmap* source);
    TBitmap* Glyph() const noexcept { return FImageInfo.Glyph(); }
    int NumGlyphs() const noexcept { return FNumGlyphs; }
    void SetNumGlyphs(int value);
    void SetImageList(HIMAGELIST images);
    void SetImageIndex(int index);
    const TcxImageInfo& ImageInfo() const noexcept { return FImageInfo; }

    // A bitmap or an image-list image is assigned.
    bool HasImage() const noexcept;
    // The size of one image; (0, 0) without an image.
    SIZE GetImageSize() const noexcept;
    // The glyph bitmap's transparent colour: its left-bottom pixel.
    TColor GetTransparentColor() const;

    // The index in the shared glyph list of the state's image, built on first use; -1
    // without an image. EOSError when the system refuses a bitmap.
    virtual int CreateButtonGlyph(TcxButtonState state);
    // Insets of the caption inside its measured box.
    virtual RECT GetTextOffsets(TButtonLayout layout) const;
    // Releases the cached images (their slots become free) and forgets the list.
    void Invalidate() noexcept;
    // The list the cached images are in; null when nothing is cached.
    TcxGlyphList* GlyphList() const noexcept { return FGlyphList; }

    bool CanWordWrapText(bool wordWrap) const noexcept { return wordWrap && !HasImage(); }

    // What Draw and CalcButtonLayout work on.
    struct TDrawArgs {
        RECT Client{};
        POINT Offset{};
        std::string Caption;
        TButtonLayout Layout = blGlyphLeft;
        int Margin = -1;
        int Spacing = 4;
        TcxButtonState State = cxbsNormal;
        UINT TextFlags = 0;  // text-direction flags (DT_RIGHT | DT_RTLREADING for right to left)
        bool Native = false;
        bool WordWrap = false;
    };
    // Measures the caption with the canvas font and places glyph and caption.
    TcxButtonLayoutResult CalcButtonLayout(TcxCanvas& canvas, const TDrawArgs& args);
    // Lays out, draws the state's image (when one is assigned), then the caption.
    void Draw(TcxCanvas& canvas, const TDrawArgs& args);
    void DrawButtonGlyph(TcxCanvas& canvas, POINT position, TcxButtonState state);
    // Nothing for an empty caption. Disabled: first in clBtnHighlight moved by (1, 1),
    // then in the canvas font's colour in place.
    void DrawButtonText(TcxCanvas& canvas, const std::string& caption, const RECT& textBounds, TcxButtonState state,
                        UINT textFlags, bool wordWrap);

private:
    // The last caption measured and what it measured: a button paints the same caption in
    // the same font over and over, and the measuring pass costs as much as the drawing.
    struct TTextMeasure {
        std::string Caption;
        std::string FontName;
        int FontHeight = 0;
        TFontStyles FontStyle = 0;
        UINT Flags = 0;
        RECT Bounds{};
        RECT Measured{};
        bool Valid = false;
    };
    // The caption measured into bounds with the canvas font and flags (DT_CALCRECT included).
    RECT MeasureCaption(TcxCanvas& canvas, const std::string& caption, const RECT& bounds, UINT flags);

    void Changed();
    TcxGlyphList* FGlyphList = nullptr;
    std::array<int, 4> FIndices{-1, -1, -1, -1};
    int FNumGlyphs = 1;
    std::function<void()> FOnChange;
    TcxImageInfo FImageInfo;
    TTextMeasure FTextMeasure;
};
