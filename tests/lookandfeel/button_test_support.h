// Helpers of the push-button tests: pumping messages, painting now and reading back what
// a button window shows, and what the platform itself draws for comparison.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "lookandfeel/cxButtons.h"
#include "tests/support/gui_pump.h"

namespace zv::test::button {

// Handles this thread's messages for ms milliseconds.
void Pump(DWORD ms);
using zv::test::PumpUntil;
// Invalidates and paints the button now.
void PaintNow(TcxCustomButton& button);
// A pixel of the button's window as the screen shows it.
COLORREF WindowPixel(TcxCustomButton& button, int x, int y);
// Column x of the window, top to bottom, rows 3 to height - 4.
std::vector<COLORREF> WindowColumn(TcxCustomButton& button, int x);
// The same column of the "Button" theme's push-button part drawn by the platform for a
// state into a width x height surface filled with the button face colour.
std::vector<COLORREF> ThemedColumn(TcxButtonState state, int width, int height, int x);
// The leftmost column inside area that holds a pixel of colour; -1 when none.
int FirstInkColumn(TcxCustomButton& button, COLORREF colour, const RECT& area);
// The topmost row inside area that holds a pixel of colour; -1 when none.
int FirstInkRow(TcxCustomButton& button, COLORREF colour, const RECT& area);
// How far right of its drawing position the text's first ink lies, in font.
int InkOffset(TFont& font, const std::string& caption);
// How far below its drawing position the text's first ink lies, in font.
int InkTopOffset(TFont& font, const std::string& caption);
// Moves the cursor to a client point, posts a left press and release there and handles them.
void ClickAt(TcxCustomButton& button, POINT client);

} // namespace zv::test::button
