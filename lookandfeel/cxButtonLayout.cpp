#include "lookandfeel/cxButtonLayout.h"

#include <limits>

TcxLayoutRect cxButtonTextOffsets(bool hasImage) noexcept
{
    return hasImage ? TcxLayoutRect{0, 0, 0, 0} : TcxLayoutRect{1, 0, 2, 0};
}

TcxButtonLayoutResult cxCalcButtonLayout(const TcxButtonLayoutArgs& args) noexcept
{
    TButtonLayout layout = args.Layout;
    if (args.RightToLeft) {
        if (layout == blGlyphLeft) layout = blGlyphRight;
        else if (layout == blGlyphRight) layout = blGlyphLeft;
    }
    const int w = args.Client.Width();
    const int h = args.Client.Height();
    const TcxLayoutSize g = args.GlyphSize;
    const TcxLayoutSize t = args.TextSize;
    const bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;

    TcxLayoutPoint glyph{0, 0}, text{0, 0};
    // C++ division truncates toward zero, as the layout rules require.
    if (horizontal) {
        glyph.Y = (h - g.Height) / 2;
        text.Y = (h - t.Height - 1) / 2;
    } else {
        glyph.X = (w - g.Width) / 2;
        text.X = (w - t.Width) / 2;
    }

    int margin = args.Margin;
    int spacing = args.Spacing;
    if (t.Width == 0 || g.Width == 0) spacing = 0;

    const int extent = horizontal ? w : h;
    const int glyphLength = horizontal ? g.Width : g.Height;
    const int textLength = horizontal ? t.Width : t.Height;
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
        glyph.X = margin;
        text.X = glyph.X + g.Width + spacing;
        break;
    case blGlyphRight:
        glyph.X = w - margin - g.Width;
        text.X = glyph.X - spacing - t.Width;
        break;
    case blGlyphTop:
        glyph.Y = margin;
        text.Y = glyph.Y + g.Height + spacing;
        break;
    case blGlyphBottom:
        glyph.Y = h - margin - g.Height;
        text.Y = glyph.Y - spacing - t.Height;
        break;
    }

    const int dx = args.Client.Left + args.Offset.X;
    const int dy = args.Client.Top + args.Offset.Y;
    TcxButtonLayoutResult result;
    result.GlyphPos = TcxLayoutPoint{glyph.X + dx, glyph.Y + dy};
    if (t.Width != 0 || t.Height != 0) {
        const TcxLayoutRect& p = args.TextInsets;
        const int measuredWidth = t.Width - p.Left - p.Right;
        const int measuredHeight = t.Height - p.Top - p.Bottom;
        result.TextBounds = TcxLayoutRect{p.Left, p.Top, p.Left + measuredWidth, p.Top + measuredHeight};
    }
    result.TextBounds.Left += text.X + dx;
    result.TextBounds.Right += text.X + dx;
    result.TextBounds.Top += text.Y + dy;
    result.TextBounds.Bottom += text.Y + dy;
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

TcxLayoutRect cxDropDownArrowRect(const TcxLayoutRect& client) noexcept
{
    return TcxLayoutRect{client.Right - cxDropDownButtonWidth, client.Top, client.Right, client.Bottom};
}

TcxLayoutRect cxExcludeDropDownButtonRect(const TcxLayoutRect& r) noexcept
{
    return TcxLayoutRect{r.Left, r.Top, r.Right - cxDropDownButtonOverlapWidth, r.Bottom};
}

TcxLayoutPoint cxDropDownMenuPoint(TcxLayoutPoint buttonBottomLeft, int buttonWidth, int buttonHeight, int menuHeight,
                                   TPopupAlignment alignment, const TcxLayoutRect& workArea) noexcept
{
    TcxLayoutPoint p = buttonBottomLeft;
    if (alignment == paRight) p.X += buttonWidth;
    else if (alignment == paCenter) p.X += buttonWidth / 2;
    if (workArea.Bottom < p.Y + menuHeight) p.Y -= menuHeight + buttonHeight + 2;
    return p;
}

TPopupAlignment cxDropDownMenuAlignment(TcxLayoutPoint point, TPopupAlignment alignment,
                                        const TcxLayoutRect& workArea) noexcept
{
    if (point.X <= workArea.Left) return paRight;
    if (point.X >= workArea.Right) return paLeft;
    return alignment;
}

namespace {

// value x 14 / 8 as the platform's MulDiv gives it: the exact quotient rounded to the
// nearest, halves away from zero; -1 when that leaves the int range.
int ScaleBy14Over8(int value) noexcept
{
    const long long product = static_cast<long long>(value) * 14;
    const long long rounded = product >= 0 ? (product + 4) / 8 : (product - 4) / 8;
    return rounded > std::numeric_limits<int>::max() || rounded < -std::numeric_limits<int>::max()
               ? -1
               : static_cast<int>(rounded);
}

} // namespace

TcxLayoutSize cxButtonOptimalSize(int captionWidth, int widthOfR, int heightOfWg) noexcept
{
    return TcxLayoutSize{captionWidth + 3 * widthOfR, ScaleBy14Over8(heightOfWg)};
}
