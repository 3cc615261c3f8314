// The layout arithmetic, case by case, without a window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ButtonLayout.h"

namespace {

constexpr TButtonBox kExit{385, 424, 75, 25};
constexpr TButtonBox kAllOff{17, 424, 75, 25};

// Port buttons for the given letter indexes, as the window creates them: placed by letter,
// given the common width.
std::vector<TButtonBox> SwitchesAt(const std::vector<int>& letterIndexes, int width)
{
    std::vector<TButtonBox> boxes;
    for (int k : letterIndexes) {
        TButtonBox box = InitialSwitchBox(k, 25);
        box.Width = width;
        boxes.push_back(box);
    }
    return boxes;
}

std::vector<int> FirstLetters(int count)
{
    std::vector<int> indexes;
    for (int k = 0; k < count; ++k) indexes.push_back(k);
    return indexes;
}

TEST(CommonButtonWidth, EightPixelsPerCharacterOfTheLongestCaptionPlus18)
{
    EXPECT_EQ(CommonButtonWidth({"&A - Turn on switch  1", "&B - x"}), 194);
    EXPECT_EQ(CommonButtonWidth({"&A - Fan", "&B - Lamp", "&D - Pump"}), 90);
    EXPECT_EQ(CommonButtonWidth({}), 18);
}

TEST(ArrangeButtons, DefaultFileOnAWideScreenUsesTwoColumns)
{
    const TPanelLayout layout = ArrangeButtons(SwitchesAt(FirstLetters(14), 194), kExit, kAllOff, 1280);
    ASSERT_TRUE(layout.TwoColumns);
    for (int row = 0; row < 7; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(layout.Switches[row], (TButtonBox{10, 26 * row + 10, 194, 25}));
        EXPECT_EQ(layout.Switches[row + 7], (TButtonBox{214, 26 * row + 10, 194, 25}));
    }
    EXPECT_EQ(layout.Exit, (TButtonBox{333, 206, 75, 25}));
    EXPECT_EQ(layout.AllOff, (TButtonBox{10, 206, 75, 25}));
    EXPECT_EQ(layout.WindowWidth, 428);
    EXPECT_EQ(layout.WindowHeight, 276);
    EXPECT_EQ(layout.SeparatingPasses, 0);
}

TEST(ArrangeButtons, TwoColumnsNeedAScreenWiderThanThreeButtons)
{
    struct Case { int screenWidth; bool twoColumns; };
    for (const Case c : {Case{582, false}, Case{584, false}, Case{585, true}}) {
        SCOPED_TRACE(c.screenWidth);
        const TPanelLayout layout = ArrangeButtons(SwitchesAt(FirstLetters(14), 194), kExit, kAllOff, c.screenWidth);
        EXPECT_EQ(layout.TwoColumns, c.twoColumns);
    }
}

TEST(ArrangeButtons, DefaultFileOnANarrowScreenKeepsOneColumnByLetter)
{
    const TPanelLayout layout = ArrangeButtons(SwitchesAt(FirstLetters(14), 194), kExit, kAllOff, 582);
    ASSERT_FALSE(layout.TwoColumns);
    for (int k = 0; k < 14; ++k) EXPECT_EQ(layout.Switches[k], (TButtonBox{20, 26 * k + 10, 194, 25}));
    EXPECT_EQ(layout.WindowWidth, 194 + 50);
    // Lowest button ends at 26 * 13 + 35 = 373.
    EXPECT_EQ(layout.WindowHeight, 373 + 85);
    EXPECT_EQ(layout.Exit, (TButtonBox{20 + 194 - 75, 373 + 15, 75, 25}));
    EXPECT_EQ(layout.AllOff, (TButtonBox{20, 373 + 15, 75, 25}));
}

TEST(ArrangeButtons, GapsOfUnnamedLettersStayInOneColumnAndTheBottomButtonsAreMovedApart)
{
    // A, B and D named Fan, Lamp and Pump.
    const TPanelLayout layout = ArrangeButtons(SwitchesAt({0, 1, 3}, 90), kExit, kAllOff, 1280);
    EXPECT_FALSE(layout.TwoColumns);
    EXPECT_EQ(layout.Switches[0].Top, 10);
    EXPECT_EQ(layout.Switches[1].Top, 36);
    EXPECT_EQ(layout.Switches[2].Top, 88);
    EXPECT_EQ(layout.WindowWidth, 140);
    EXPECT_EQ(layout.WindowHeight, 198);
    EXPECT_EQ(layout.SeparatingPasses, 17);
    EXPECT_EQ(layout.Exit, (TButtonBox{69, 128, 75, 25}));
    EXPECT_EQ(layout.AllOff, (TButtonBox{-14, 128, 75, 25}));
}

TEST(ArrangeButtons, RowsAndRightColumnByButtonCount)
{
    struct Case { int count; bool twoColumns; int rows; int windowHeight; };
    const Case cases[] = {
        {12, false, 12, 26 * 11 + 35 + 85},
        {13, true, 7, 26 * 6 + 35 + 85},
        {20, true, 10, 354},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        const TPanelLayout layout = ArrangeButtons(SwitchesAt(FirstLetters(c.count), 194), kExit, kAllOff, 1280);
        EXPECT_EQ(layout.TwoColumns, c.twoColumns);
        EXPECT_EQ(layout.WindowHeight, c.windowHeight);
        if (!c.twoColumns) continue;
        EXPECT_EQ(layout.WindowWidth, 2 * 194 + 40);
        const int leftCount = (c.count + 1) / 2;
        for (int i = 0; i < c.count; ++i) {
            SCOPED_TRACE(i);
            const bool left = i < leftCount;
            const int row = left ? i : i - leftCount;
            EXPECT_EQ(layout.Switches[i].Left, left ? 10 : 214);
            EXPECT_EQ(layout.Switches[i].Top, 26 * row + 10);
        }
        EXPECT_EQ(c.rows, leftCount);
        // "E&xit" ends where the last button ends.
        const TButtonBox& last = layout.Switches[c.count - 1];
        EXPECT_EQ(layout.Exit.Left + layout.Exit.Width, last.Left + last.Width);
    }
}

TEST(ArrangeButtons, NoSwitchGivesTheBottomButtonsSideBySideInAWindowThatHoldsThem)
{
    const TPanelLayout layout = ArrangeButtons({}, kExit, kAllOff, 1280);
    EXPECT_TRUE(layout.Switches.empty());
    EXPECT_EQ(layout.AllOff, (TButtonBox{20, 10, 75, 25}));
    EXPECT_EQ(layout.Exit, (TButtonBox{105, 10, 75, 25}));
    // One-column margins: 20 on the left, 20 + 10 on the right; the window 45 pixels
    // taller than the buttons' lower edge, as it is in every arrangement.
    EXPECT_EQ(layout.WindowWidth, 210);
    EXPECT_EQ(layout.WindowHeight, 80);
}

} // namespace
