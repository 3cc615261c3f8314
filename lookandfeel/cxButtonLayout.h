// The push button's plain arithmetic: where glyph and caption go inside the content
// rectangle, how many images a glyph strip holds, which image a state shows, the
// drop-down parts, and where a drop-down menu opens.
//
// No device context and no window: the caller measures the caption and passes its size.
// Plain integer types only (cxLayoutTypes.h), so the arithmetic builds and is tested on
// any platform. Callable from any thread.
#pragma once

#include "lookandfeel/cxLayoutTypes.h"

// The side of the caption the glyph sits on.
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// Where a drop-down menu opens relative to its popup point.
enum TPopupAlignment { paLeft, paRight, paCenter };

// Insets of the caption inside its measured box: one pixel left and two right keep
// letters off a glyph-free frame; a glyph brings its own spacing instead.
TcxLayoutRect cxButtonTextOffsets(bool hasImage) noexcept;

// What the content layout works on.
struct TcxButtonLayoutArgs {
    TcxLayoutRect Client{};    // the content rectangle C
    TcxLayoutPoint Offset{};   // moves everything (the pressed shift)
    // The caption's measured size including the text insets; (0, 0) for no caption.
    TcxLayoutSize TextSize{};
    // The text insets the measured size includes (cxButtonTextOffsets).
    TcxLayoutRect TextInsets{};
    TcxLayoutSize GlyphSize{}; // one image of the strip; (0, 0) without an image
    TButtonLayout Layout = blGlyphLeft;
    int Margin = -1;           // -1 centres
    int Spacing = 4;           // -1 spreads evenly
    bool RightToLeft = false;  // the text flags carry DT_RIGHT: left and right layouts swap
};

struct TcxButtonLayoutResult {
    TcxLayoutPoint GlyphPos{};
    // Where the caption is drawn: the measured box (its insets included) moved into place.
    // Empty at the content's placed origin when there is no caption.
    TcxLayoutRect TextBounds{};
};

// Places glyph and caption. Divisions truncate toward zero; the caption of a left or
// right layout is centred vertically with one pixel less ((H - textHeight - 1) div 2).
TcxButtonLayoutResult cxCalcButtonLayout(const TcxButtonLayoutArgs& args) noexcept;

// NumGlyphs for a strip of this size: width / height when the width is a whole multiple
// of the height and the quotient is 1..4, else 1. Non-positive sizes give 1.
int cxGlyphCountFor(int width, int height) noexcept;
// NumGlyphs as the setter keeps it: below 2 gives 1, above 3 gives 4.
int cxClampNumGlyphs(int value) noexcept;

// The image of the strip a painted state uses (0 normal, default and hot; 1 disabled;
// 2 pressed, or 0 when the strip has fewer than 3 images). stateIndex is the
// TcxButtonState value: 0 default, 1 normal, 2 hot, 3 pressed, 4 disabled.
int cxGlyphCellForState(int stateIndex, int numGlyphs) noexcept;

// The drop-down arrow part: the right 15 pixels of r.
constexpr int cxDropDownButtonWidth = 15;
// How far the main part's painted rectangle stops short of the right edge: 13, so main
// part and arrow part overlap by 2 pixels.
constexpr int cxDropDownButtonOverlapWidth = 13;
TcxLayoutRect cxDropDownArrowRect(const TcxLayoutRect& client) noexcept;
TcxLayoutRect cxExcludeDropDownButtonRect(const TcxLayoutRect& r) noexcept;

// Where a drop-down menu of height menuHeight opens for a button whose bottom-left corner
// is at screen point buttonBottomLeft: below the button, moved right by 0, the width or
// half the width for left, right and centre alignment; above it (its bottom 2 pixels over
// the button's top) when the work area's bottom is less than point.Y + menuHeight.
TcxLayoutPoint cxDropDownMenuPoint(TcxLayoutPoint buttonBottomLeft, int buttonWidth, int buttonHeight, int menuHeight,
                                   TPopupAlignment alignment, const TcxLayoutRect& workArea) noexcept;
// The alignment the menu opens with at that point: paRight at or left of the work area's
// left edge, paLeft at or right of its right edge, else the button's own.
TPopupAlignment cxDropDownMenuAlignment(TcxLayoutPoint point, TPopupAlignment alignment,
                                        const TcxLayoutRect& workArea) noexcept;

// Optimal size of an auto-sized button from measured texts: caption width (" " when the
// caption is empty) + 3 x width of "R"; height of "Wg" x 14 / 8 rounded to the nearest,
// halves away from zero (the platform's MulDiv, -1 included for a height past its range).
TcxLayoutSize cxButtonOptimalSize(int captionWidth, int widthOfR, int heightOfWg) noexcept;
