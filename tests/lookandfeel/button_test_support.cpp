#include "tests/lookandfeel/button_test_support.h"

#include <vsstyle.h>

#include "framework/application.h"
#include "lookandfeel/dxThemeManager.h"
#include "lookandfeel/dxUxTheme.h"

namespace zv::test::button {

void Pump(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

void PaintNow(TcxCustomButton& button)
{
    RedrawWindow(button.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    GdiFlush();
}

COLORREF WindowPixel(TcxCustomButton& button, int x, int y)
{
    HDC dc = GetDC(button.Handle());
    const COLORREF pixel = GetPixel(dc, x, y);
    ReleaseDC(button.Handle(), dc);
    return pixel;
}

std::vector<COLORREF> WindowColumn(TcxCustomButton& button, int x)
{
    std::vector<COLORREF> column;
    HDC dc = GetDC(button.Handle());
    for (int y = 3; y < button.Height() - 3; ++y) column.push_back(GetPixel(dc, x, y));
    ReleaseDC(button.Handle(), dc);
    return column;
}

std::vector<COLORREF> ThemedColumn(TcxButtonState state, int width, int height, int x)
{
    TBitmap surface;
    surface.SetSize(width, height);
    surface.Canvas().Brush().SetColor(clBtnFace);
    surface.Canvas().FillRect({0, 0, width, height});
    const RECT r{0, 0, width, height};
    dxUxTheme::DrawThemeBackground(OpenTheme(totButton), surface.Canvas().Handle(), BP_PUSHBUTTON,
                                   TcxWinXPLookAndFeelPainter::ThemeButtonState(state), &r, nullptr);
    std::vector<COLORREF> column;
    for (int y = 3; y < height - 3; ++y) column.push_back(GetPixel(surface.Canvas().Handle(), x, y));
    return column;
}

namespace {

// The caption drawn in black on white at (0, 0), and the first ink found scanning
// columns (horizontal) or rows.
int FirstInk(TFont& font, const std::string& caption, bool horizontal)
{
    TBitmap surface;
    surface.SetSize(400, 60);
    surface.Canvas().Brush().SetColor(clWhite);
    surface.Canvas().FillRect({0, 0, 400, 60});
    surface.Canvas().Font().Assign(&font);
    surface.Canvas().Font().SetColor(clBlack);
    surface.Canvas().Brush().SetStyle(bsClear);
    RECT r{0, 0, 400, 60};
    surface.Canvas().DrawText(caption, r, DT_SINGLELINE);
    const int outer = horizontal ? 400 : 60, inner = horizontal ? 60 : 400;
    for (int a = 0; a < outer; ++a)
        for (int b = 0; b < inner; ++b)
            if (GetPixel(surface.Canvas().Handle(), horizontal ? a : b, horizontal ? b : a) != RGB(255, 255, 255))
                return a;
    return -1;
}

} // namespace

int InkOffset(TFont& font, const std::string& caption)
{
    return FirstInk(font, caption, true);
}

int InkTopOffset(TFont& font, const std::string& caption)
{
    return FirstInk(font, caption, false);
}

namespace {

// The first column (or row) inside area, scanning left to right (or top to bottom), that
// holds a pixel of colour in the button's window; -1 when none.
int FirstInkLine(TcxCustomButton& button, COLORREF colour, const RECT& area, bool columns)
{
    HDC dc = GetDC(button.Handle());
    const int outerFrom = columns ? area.left : area.top, outerTo = columns ? area.right : area.bottom;
    const int innerFrom = columns ? area.top : area.left, innerTo = columns ? area.bottom : area.right;
    int found = -1;
    for (int a = outerFrom; a < outerTo && found < 0; ++a)
        for (int b = innerFrom; b < innerTo; ++b)
            if (GetPixel(dc, columns ? a : b, columns ? b : a) == colour) {
                found = a;
                break;
            }
    ReleaseDC(button.Handle(), dc);
    return found;
}

} // namespace

int FirstInkColumn(TcxCustomButton& button, COLORREF colour, const RECT& area)
{
    return FirstInkLine(button, colour, area, true);
}

int FirstInkRow(TcxCustomButton& button, COLORREF colour, const RECT& area)
{
    return FirstInkLine(button, colour, area, false);
}

void ClickAt(TcxCustomButton& button, POINT client)
{
    // Over the button, as a user's click is: the platform would otherwise report the
    // mouse leaving it between press and release.
    POINT screen = client;
    ClientToScreen(button.Handle(), &screen);
    SetCursorPos(screen.x, screen.y);
    Pump(10);
    PostMessageA(button.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.x, client.y));
    PostMessageA(button.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(client.x, client.y));
    Pump(40);
}

} // namespace zv::test::button
