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

int FirstInkColumn(TcxCustomButton& button, COLORREF colour, const RECT& area)
{
    HDC dc = GetDC(button.Handle());
    int found = -1;
    for (int x = area.left; x < area.right && found < 0; ++x)
        for (int y = area.top; y < area.bottom; ++y)
            if (GetPixel(dc, x, y) == colour) {
                found = x;
                break;
            }
    ReleaseDC(button.Handle(), dc);
    return found;
}

int InkOffset(TFont& font, const std::string& caption)
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
    for (int x = 0; x < 400; ++x)
        for (int y = 0; y < 60; ++y)
            if (GetPixel(surface.Canvas().Handle(), x, y) != RGB(255, 255, 255)) return x;
    return -1;
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
