#include "lookandfeel/cxButtonLayout.h"

#include <utility>

RECT cxButtonTextOffsets(bool hasImage) noexcept
{
    return hasImage ? RECT{0, 0, 0, 0} : RECT{1, 0, 2, 0};
}

TcxButtonLayoutResult cxCalcButtonLayout(const TcxButtonLayoutArgs& args) noexcept
{
    TButtonLayout layout = args.Layout;
    if (args.RightToLeft) {
        if (layout == blGlyphLeft) layout = blGlyphRight;
        else if (layout == blGlyphRight) layout = blGlyphLeft;
    }
    const int w = args.Client.right - args.Client.left;
    const int h = args.Client.bottom - args.Client.top;
    const SIZE g = args.GlyphSize;
    const SIZE t = args.TextSize;
    const bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;

    POINT glyph{0, 0}, text{0, 0};
    // C++ division truncates toward zero, as the layout rules require.
    if (horizontal) {
        glyph.y = (h - g.cy) / 2;
        text.y = (h - t.cy - 1) / 2;
    } else {
        glyph.x = (w - g.cx) / 2;
        text.x = (w - t.cx) / 2;
    }

    int margin = args.Margin;
    int spacing = args.Spacing;
    if (t.cx == 0 || g.cx == 0) spacing = 0;

    const int extent = horizontal ? w : h;
    const int glyphLength = horizontal ? g.cx : g.cy;
    const int textLength = horizontal ? t.cx : t.cy;
    if (margin == -1 && spacing == -1) {
        margin = (extent - (glyphLength + textLength)) / 3;
        spacing = margin;
    } else if (margin == -1) {
        margin = (extent - (glyphLength + spacing + textLength)) / 2;
    } else if (spacing == -1) {
        spacing = ((extent - (margin + glyphLength)) - textLength) / 2;
    }

    switch (layout) {
    case blGlyphLeft:
        glyph.x = margin;
        text.x = glyph.x + g.cx + spacing;
        break;
    case blGlyphRight:
        glyph.x = w - margin - g.cx;
        text.x = glyph.x - spacing - t.cx;
        break;
    case blGlyphTop:
        glyph.y = margin;
        text.y = glyph.y + g.cy + spacing;
        break;
    case blGlyphBottom:
        glyph.y = h - margin - g.cy;
        text.y = glyph.y - spacing - t.cy;
        break;
    }

    const LONG dx = args.Client.left + args.Offset.x;
    const LONG dy = args.Client.top + args.Offset.y;
    TcxButtonLayoutResult result;
    result.GlyphPos = POINT{glyph.x + dx, glyph.y + dy};
    if (t.cx != 0 || t.cy != 0) {
        const RECT& p = args.TextInsets;
        const LONG measuredWidth = t.cx - p.left - p.right;
        const LONG measuredHeight = t.cy - p.top - p.bottom;
        result.TextBounds = RECT{p.left, p.top, p.left + measuredWidth, p.top + measuredHeight};
    }
    result.TextBounds.left += text.x + dx;
    result.TextBounds.right += text.x + dx;
    result.TextBounds.top += text.y + dy;
    result.TextBounds.bottom += text.y + dy;
    return result;
}

int cxGlyphCountFor(int width, int height) noexcept
{
    if (width <= 0 || height <= 0 || width % height != 0) return 1;
    const int count = width / height;
    return count >= 1 && count <= 4 ? count : 1;
}

int cxClampNumGlyphs(int value) noexcept
{
    if (value < 2) return 1;
    if (value > 3) return 4;
    return value;
}

int cxGlyphCellForState(int stateIndex, int numGlyphs) noexcept
{
    switch (stateIndex) {
    case 4:
        return 1;
    case 3:
        return numGlyphs < 3 ? 0 : 2;
    default:
        return 0;
    }
}

RECT cxDropDownArrowRect(const RECT& client) noexcept
{
    return RECT{client.right - cxDropDownButtonWidth, client.top, client.right, client.bottom};
}

RECT cxExcludeDropDownButtonRect(const RECT& r) noexcept
{
    return RECT{r.left, r.top, r.right - cxDropDownButtonOverlapWidth, r.bottom};
}

POINT cxDropDownMenuPoint(POINT buttonBottomLeft, int buttonWidth, int buttonHeight, int menuHeight,
                          TPopupAlignment alignment, const RECT& workArea) noexcept
{
    POINT p = buttonBottomLeft;
    if (alignment == paRight) p.x += buttonWidth;
    else if (alignment == paCenter) p.x += buttonWidth / 2;
    if (workArea.bottom < p.y + menuHeight) p.y -= menuHeight + buttonHeight + 2;
    return p;
}

TPopupAlignment cxDropDownMenuAlignment(POINT point, TPopupAlignment alignment, const RECT& workArea) noexcept
{
    if (point.x <= workArea.left) return paRight;
    if (point.x >= workArea.right) return paLeft;
    return alignment;
}

SIZE cxButtonOptimalSize(int captionWidth, int widthOfR, int heightOfWg) noexcept
{
    return SIZE{captionWidth + 3 * widthOfR, MulDiv(heightOfWg, 14, 8)};
}
