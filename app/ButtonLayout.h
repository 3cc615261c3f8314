// The arithmetic of the main window's layout: the common width of the port buttons, their
// one- or two-column arrangement, the window's outer size and the places of "E&xit" and
// "T&urn All Off". Plain numbers, no windows, so every case is checked without a display.
#pragma once

#include <string>
#include <vector>

// A control's outer rectangle in the window's client coordinates.
struct TButtonBox {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const TButtonBox&) const = default;
};

struct TPanelLayout {
    std::vector<TButtonBox> Switches;   // slot i: the port button of slot i
    TButtonBox Exit;
    TButtonBox AllOff;
    int WindowWidth = 0;                // outer size: frame and caption bar included
    int WindowHeight = 0;
    bool TwoColumns = false;
    int SeparatingPasses = 0;           // how often "E&xit" and "T&urn All Off" were moved apart
};

// The width every port button gets: 8 pixels per character of the longest caption
// (accelerator mark included) plus 18. No caption gives 18.
int CommonButtonWidth(const std::vector<std::string>& captions);

// The place a port button gets when it is created: by letter index (0 for A), one column.
TButtonBox InitialSwitchBox(int letterIndex, int height);

// Arranges the port buttons (slot order, each already given the common width), then the
// two bottom buttons, and sizes the window. screenWidth decides whether two columns fit.
// With no port button the two bottom buttons stand side by side at the first row's place,
// in a window sized with the one-column margins.
TPanelLayout ArrangeButtons(std::vector<TButtonBox> switches, TButtonBox exit, TButtonBox allOff,
                            int screenWidth);
