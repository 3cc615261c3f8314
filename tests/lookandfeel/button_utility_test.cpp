// The utility's port buttons as a user sees them: built by the main window from a
// configuration file, looked at in Wine's visual style (this process) and in the classic
// look (a child process started with visual styles switched off), on pixels and in
// screenshots (build tree's artifacts folder: button_<look>_<state>.bmp).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "app/Main.h"
#include "framework/application.h"
#include "lookandfeel/cxButtons.h"
#include "lookandfeel/dxThemeManager.h"
#include "lookandfeel/dxUxTheme.h"
#include "tests/lookandfeel/theme_switch.h"
#include "tests/lookandfeel/button_test_support.h"
#include "tests/support/child_process.h"
#include "tests/support/gui_driver.h"
#include "tests/support/gui_pump.h"
#include "tests/support/scratch_dir.h"

namespace {

using namespace zv::test::button;

using zv::test::ReadThemeActive;
using zv::test::ThemeActiveGuard;
using zv::test::ThemeManagerKey;
using zv::test::WineThemeSwitch;
using zv::test::WriteThemeActive;

const char Config[] = "[SwitchNames]\r\nA=Fan\r\nB=Lamp\r\nC=Pump\r\n";

using zv::test::FormDeleter;
using FormPtr = std::unique_ptr<TFrmMain, FormDeleter>;

FormPtr BuildShown(zv::test::ScratchDir& dir)
{
    FormPtr form(new TFrmMain(nullptr, dir.Write(Config)));
    PumpUntil([&] { return IsWindowVisible(form->Handle()) != FALSE; }, 5000);
    Pump(50);
    return form;
}

// Where the caption's first ink must be: content edge + margin 5 + the 1-pixel inset.
int ExpectedCaptionLeft(TcxButton& button)
{
    return button.GetContentRect().left + 6 + InkOffset(button.Font(), button.Caption());
}

COLORREF CaptionColour(TcxButton& button, TcxButtonState state)
{
    return ColorToRGB(button.GetPainterClass()->ButtonSymbolColor(state, button.Font().Color()));
}

// Puts a button through its looks (with the focus first on elsewhere) and saves a
// screenshot of each. Returns false when a screenshot could not be written.
bool ScreenshotStates(TcxButton& button, TWinControl& elsewhere, const std::string& look)
{
    bool saved = true;
    elsewhere.SetFocus();
    Pump(20);
    auto shoot = [&](const char* state) {
        PaintNow(button);
        Pump(20);
        saved &= zv::test::SaveScreenshot(button.Handle(), zv::test::ArtifactPath("button_" + look + "_" + state + ".bmp"));
    };
    shoot("normal");
    button.Perform(CM_MOUSEENTER);
    shoot("hot");
    button.Perform(CM_MOUSELEAVE);
    SendMessageA(button.Handle(), BM_SETSTATE, TRUE, 0);
    shoot("pressed");
    SendMessageA(button.Handle(), BM_SETSTATE, FALSE, 0);
    button.SetFocus();
    Pump(20);
    shoot("focused");
    button.SetEnabled(false);
    shoot("disabled");
    button.SetEnabled(true);
    return saved;
}

TEST(UtilityButtons, ThemedDesktopGivesThePushButtonLookWithHotTracking)
{
    if (!AreVisualStylesAvailable(totButton)) GTEST_SKIP() << "the prefix runs without visual styles";
    zv::test::ScratchDir dir;
    FormPtr form = BuildShown(dir);
    ASSERT_EQ(form->SwitchCount(), 3);
    TcxButton& button = *form->SwitchButtons(0);
    EXPECT_EQ(button.Margin(), 5);
    EXPECT_EQ(button.LookAndFeel().Kind(), lfOffice11);
    EXPECT_EQ(button.GetPainterClass(), TcxWinXPLookAndFeelPainter::PainterClass())
        << "the Office 2003 kind paints as the desktop theme";
    EXPECT_TRUE(button.IsHotTrack());

    PaintNow(button);
    EXPECT_EQ(FirstInkColumn(button, CaptionColour(button, cxbsNormal), button.GetContentRect()),
              ExpectedCaptionLeft(button));
    EXPECT_EQ(WindowColumn(button, 3), ThemedColumn(cxbsNormal, button.Width(), button.Height(), 3));
    button.Perform(CM_MOUSEENTER);
    PaintNow(button);
    EXPECT_EQ(button.GetButtonState(), cxbsHot);
    EXPECT_EQ(WindowColumn(button, 3), ThemedColumn(cxbsHot, button.Width(), button.Height(), 3));
    button.Perform(CM_MOUSELEAVE);
    // The caption does not move when pressed in the themed look.
    SendMessageA(button.Handle(), BM_SETSTATE, TRUE, 0);
    PaintNow(button);
    EXPECT_EQ(FirstInkColumn(button, CaptionColour(button, cxbsPressed), button.GetContentRect()),
              ExpectedCaptionLeft(button));
    SendMessageA(button.Handle(), BM_SETSTATE, FALSE, 0);

    EXPECT_TRUE(ScreenshotStates(button, *form->BtnExit, "themed"));
}

// Exit code: a bit per failed expectation (printed too).
ZV_CHILD_MODE(UtilityButtonsClassic)
{
    int failures = 0;
    auto check = [&](bool ok, int bit, const char* what) {
        if (ok) return;
        std::printf("failed: %s\n", what);
        std::fflush(stdout);
        failures |= bit;
    };
    if (AreVisualStylesAvailable(totButton)) return 255;
    zv::test::ScratchDir dir;
    FormPtr form = BuildShown(dir);
    if (form->SwitchCount() != 3) return 254;
    TcxButton& button = *form->SwitchButtons(0);
    check(button.GetPainterClass() == TcxStandardLookAndFeelPainter::PainterClass(), 1, "standard painter");
    check(!button.IsHotTrack(), 2, "no hot tracking");
    const int w = button.Width(), h = button.Height();

    PaintNow(button);
    check(WindowPixel(button, 0, 0) == ColorToRGB(clBtnHighlight) &&
              WindowPixel(button, w - 1, h - 1) == ColorToRGB(cl3DDkShadow) &&
              WindowPixel(button, 1, 1) == ColorToRGB(cl3DLight) &&
              WindowPixel(button, w - 2, h - 2) == ColorToRGB(clBtnShadow),
          4, "normal frame: 2 pixels, highlight and dark shadow outside, light and shadow inside");
    check(FirstInkColumn(button, ColorToRGB(clBtnText), button.GetContentRect()) == ExpectedCaptionLeft(button), 8,
          "caption at content left + 6");

    button.SetFocus();
    Pump(30);
    PaintNow(button);
    check(button.GetButtonState() == cxbsDefault, 16, "focused is the default state");
    check(WindowPixel(button, 0, 0) == ColorToRGB(clBlack) && WindowPixel(button, w - 1, h - 1) == ColorToRGB(clBlack) &&
              WindowPixel(button, 1, 1) == ColorToRGB(clBtnHighlight) &&
              WindowPixel(button, w - 2, h - 2) == ColorToRGB(cl3DDkShadow),
          32, "default frame: black outside, then the 3-D frame");
    button.Perform(CM_MOUSEENTER);
    check(!button.IsHot(), 64, "entering does not make it hot");

    SendMessageA(button.Handle(), BM_SETSTATE, TRUE, 0);
    PaintNow(button);
    check(FirstInkColumn(button, ColorToRGB(clBtnText), button.GetContentRect()) == ExpectedCaptionLeft(button) + 1,
          128, "pressed caption one pixel right");
    SendMessageA(button.Handle(), BM_SETSTATE, FALSE, 0);
    check(ScreenshotStates(button, *form->BtnExit, "classic"), 256, "screenshots");
    return failures;
}

TEST(UtilityButtons, ClassicDesktopGivesTheStandardFrame)
{
    ThemeActiveGuard guard;
    ASSERT_TRUE(WriteThemeActive("0"));
    zv::test::ChildProcess child = zv::test::ChildProcess::Start("UtilityButtonsClassic");
    EXPECT_EQ(child.WaitForExit(120'000), 0u)
        << "255 styles still on; 1 painter, 2 hot tracking, 4 normal frame, 8 caption, 16 default state, "
           "32 default frame, 64 hot, 128 pressed caption, 256 screenshots";
}

// Exit codes: 0 passed; 100 + n: step n failed; 99: Wine's switches missing.
ZV_CHILD_MODE(UtilityButtonsThemeSwitch)
{
    WineThemeSwitch wine;
    if (!wine.Load()) return 99;
    wchar_t file[1024] = {}, color[1024] = {}, size[1024] = {};
    if (FAILED(dxUxTheme::GetCurrentThemeName(file, 1024, color, 1024, size, 1024))) return 101;
    zv::test::ScratchDir dir;
    FormPtr form = BuildShown(dir);
    TcxButton& button = *form->SwitchButtons(0);
    if (button.GetPainterClass() != TcxWinXPLookAndFeelPainter::PainterClass()) return 102;

    wine.EnableTheming(FALSE);
    WriteThemeActive("1");
    if (!PumpUntil([] { return !AreVisualStylesAvailable(totButton); }, 10'000)) return 103;
    PaintNow(button);
    if (button.GetPainterClass() != TcxStandardLookAndFeelPainter::PainterClass()) return 104;
    if (WindowPixel(button, 0, 0) != ColorToRGB(clBtnHighlight)) return 105;

    HANDLE themeFile = nullptr;
    if (FAILED(wine.OpenThemeFile(file, color, size, &themeFile, 0)) || !themeFile) return 106;
    const HRESULT applied = wine.ApplyTheme(themeFile, const_cast<char*>(""), nullptr);
    wine.CloseThemeFile(themeFile);
    WriteThemeActive("1");
    if (FAILED(applied)) return 107;
    if (!PumpUntil([] { return AreVisualStylesAvailable(totButton); }, 10'000)) return 108;
    PaintNow(button);
    if (button.GetPainterClass() != TcxWinXPLookAndFeelPainter::PainterClass()) return 109;
    if (WindowColumn(button, 3) != ThemedColumn(cxbsNormal, button.Width(), button.Height(), 3)) return 110;
    return 0;
}

TEST(UtilityButtons, AThemeSwitchShowsAtTheNextPaint)
{
    if (!AreVisualStylesAvailable(totButton)) GTEST_SKIP() << "the prefix runs without visual styles";
    ThemeActiveGuard guard;
    zv::test::ChildProcess child = zv::test::ChildProcess::Start("UtilityButtonsThemeSwitch");
    const DWORD code = child.WaitForExit(120'000);
    if (code == 99) GTEST_SKIP() << "Wine's theme switches are missing";
    EXPECT_EQ(code, 0u) << "102 not themed at start, 103 no switch off, 104/105 not classic at the next paint, "
                           "106-108 switching back, 109/110 not themed again";
}

} // namespace
