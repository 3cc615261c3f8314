#include "app/ButtonLayout.h"

#include <algorithm>

namespace {

constexpr int kRowPitch = 26;           // one row of port buttons
constexpr int kFirstRowTop = 10;
constexpr int kOneColumnLeft = 20;
constexpr int kTwoColumnLeft = 10;
constexpr int kTwoColumnThreshold = 12; // more buttons than this may use two columns
constexpr int kBottomGap = 50;          // from the lowest button's bottom to the layout's bottom
constexpr int kMinimumSeparation = 5;   // between "T&urn All Off" and "E&xit"
constexpr int kFrameAllowance = 10;     // added to a one-column window's width
constexpr int kSideBySideGap = 10;      // between the bottom buttons when there is no port button

int Bottom(const TButtonBox& box) { return box.Top + box.Height; }
int Right(const TButtonBox& box) { return box.Left + box.Width; }

// Without port buttons there is nothing to measure: the bottom buttons form the only row,
// "T&urn All Off" at the one-column margin and "E&xit" beside it as far off as two columns
// stand, in a window with the one-column margins.
TPanelLayout ArrangeWithoutSwitches(TButtonBox exit, TButtonBox allOff)
{
    TPanelLayout layout;
    allOff.Left = kOneColumnLeft;
    allOff.Top = kFirstRowTop;
    exit.Left = Right(allOff) + kSideBySideGap;
    exit.Top = kFirstRowTop;
    layout.Exit = exit;
    layout.AllOff = allOff;
    layout.WindowWidth = Right(exit) + kOneColumnLeft + kFrameAllowance;
    // The arrangement below leaves the window Height + 20 pixels taller than the bottom
    // buttons' lower edge (bottom = lowest + 50, buttons end at bottom - 10, the window at
    // bottom + Height + 10); the same space is kept here.
    layout.WindowHeight = std::max(Bottom(allOff), Bottom(exit)) + exit.Height + 20;
    return layout;
}

} // namespace

int CommonButtonWidth(const std::vector<std::string>& captions)
{
    std::size_t longest = 0;
    for (const auto& caption : captions) longest = std::max(longest, caption.size());
    return 8 * static_cast<int>(longest) + 18;
}

TButtonBox InitialSwitchBox(int letterIndex, int height)
{
    return TButtonBox{kOneColumnLeft, kRowPitch * letterIndex + kFirstRowTop, 0, height};
}

TPanelLayout ArrangeButtons(std::vector<TButtonBox> switches, TButtonBox exit, TButtonBox allOff,
                            int screenWidth)
{
    const int n = static_cast<int>(switches.size());
    if (n == 0) return ArrangeWithoutSwitches(exit, allOff);

    TPanelLayout layout;
    const TButtonBox& last = switches[n - 1];
    int bottom = Bottom(last);
    layout.TwoColumns = n > kTwoColumnThreshold && screenWidth / 3 > last.Width;

    if (layout.TwoColumns) {
        const int half = n / 2;
        for (int i = 0; i < half + 1; ++i) {
            if (n % 2 == 0 && i == half) break;
            TButtonBox& left = switches[i];
            left.Left = kTwoColumnLeft;
            left.Top = kRowPitch * i + kFirstRowTop;
            bottom = Bottom(left);
            const int j = half + i + (n % 2);
            // For odd n the last left row has no partner: slot n never holds a button.
            if (j < n) {
                switches[j].Left = 2 * left.Left + left.Width;
                switches[j].Top = left.Top;
            }
        }
    }

    const TButtonBox& lastPlaced = switches[n - 1];
    exit.Left = Right(lastPlaced) - exit.Width;
    // Two columns always put the twelfth button in the right column.
    layout.WindowWidth = layout.TwoColumns ? Right(switches[11]) + 2 * switches[0].Left
                                           : switches[0].Width + 2 * switches[0].Left + kFrameAllowance;
    bottom += kBottomGap;
    layout.WindowHeight = exit.Height + bottom + 10;
    exit.Top = bottom - exit.Height - 10;
    allOff.Left = switches[0].Left;
    allOff.Top = bottom - allOff.Height - 10;
    while (Right(allOff) + kMinimumSeparation > exit.Left) {
        exit.Left += 2;
        allOff.Left -= 2;
        ++layout.SeparatingPasses;
    }
    layout.Switches = std::move(switches);
    layout.Exit = exit;
    layout.AllOff = allOff;
    return layout;
}
