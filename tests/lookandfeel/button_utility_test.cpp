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

using zv::test::ChildChecks;
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

// The child says each check it made (ChildChecks).
ZV_CHILD_MODE(UtilityButtonsClassic)
{
    ChildChecks checks;
    if (!checks.Check(!AreVisualStylesAvailable(totButton), "visual styles are off")) return checks.ExitCode();
    zv::test::ScratchDir dir;
    FormPtr form = BuildShown(dir);
    if (!checks.Check(form->SwitchCount() == 3, "the form shows 3 switch buttons",
                      std::to_string(form->SwitchCount()) + " of them"))
        return checks.ExitCode();
    TcxButton& button = *form->SwitchButtons(0);
    checks.Check(button.GetPainterClass() == TcxStandardLookAndFeelPainter::PainterClass(), "standard painter");
    checks.Check(!button.IsHotTrack(), "no hot tracking");
    const int w = button.Width(), h = button.Height();

    PaintNow(button);
    checks.Check(WindowPixel(button, 0, 0) == ColorToRGB(clBtnHighlight) &&
                     WindowPixel(button, w - 1, h - 1) == ColorToRGB(cl3DDkShadow) &&
                     WindowPixel(button, 1, 1) == ColorToRGB(cl3DLight) &&
                     WindowPixel(button, w - 2, h - 2) == ColorToRGB(clBtnShadow),
                 "normal frame: 2 pixels, highlight and dark shadow outside, light and shadow inside");
    const int captionLeft = FirstInkColumn(button, ColorToRGB(clBtnText), button.GetContentRect());
    checks.Check(captionLeft == ExpectedCaptionLeft(button), "caption at content left + 6",
                 "at " + std::to_string(captionLeft));

    button.SetFocus();
    Pump(30);
    PaintNow(button);
    checks.Check(button.GetButtonState() == cxbsDefault, "focused is the default state");
    checks.Check(WindowPixel(button, 0, 0) == ColorToRGB(clBlack) &&
                     WindowPixel(button, w - 1, h - 1) == ColorToRGB(clBlack) &&
                     WindowPixel(button, 1, 1) == ColorToRGB(clBtnHighlight) &&
                     WindowPixel(button, w - 2, h - 2) == ColorToRGB(cl3DDkShadow),
                 "default frame: black outside, then the 3-D frame");
    button.Perform(CM_MOUSEENTER);
    checks.Check(!button.IsHot(), "entering does not make it hot");

    SendMessageA(button.Handle(), BM_SETSTATE, TRUE, 0);
    PaintNow(button);
    const int pressedLeft = FirstInkColumn(button, ColorToRGB(clBtnText), button.GetContentRect());
    checks.Check(pressedLeft == ExpectedCaptionLeft(button) + 1, "pressed caption one pixel right",
                 "at " + std::to_string(pressedLeft));
    SendMessageA(button.Handle(), BM_SETSTATE, FALSE, 0);
    checks.Check(ScreenshotStates(button, *form->BtnExit, "classic"), "screenshots");
    return checks.ExitCode();
}

TEST(UtilityButtons, ClassicDesktopGivesTheStandardFrame)
{
    ThemeActiveGuard guard;
    ASSERT_TRUE(WriteThemeActive("0"));
    zv::test::ChildProcess child = zv::test::ChildProcess::Start("UtilityButtonsClassic");
    EXPECT_EQ(child.WaitForExit(120'000), 0u);
    EXPECT_EQ(child.Output(),
              ChildChecks::Passed({"visual styles are off", "the form shows 3 switch buttons", "standard painter",
                                   "no hot tracking",
                                   "normal frame: 2 pixels, highlight and dark shadow outside, light and shadow inside",
                                   "caption at content left + 6", "focused is the default state",
                                   "default frame: black outside, then the 3-D frame", "entering does not make it hot",
                                   "pressed caption one pixel right", "screenshots"}));
}

// The child stops at the first check that fails: each step needs the one before.
ZV_CHILD_MODE(UtilityButtonsThemeSwitch)
{
    ChildChecks checks;
    WineThemeSwitch wine;
    if (!wine.Load()) {
        checks.Skip("Wine's theme switches are missing");
        return 0;
    }
    wchar_t file[1024] = {}, color[1024] = {}, size[1024] = {};
    if (!checks.Check(SUCCEEDED(dxUxTheme::GetCurrentThemeName(file, 1024, color, 1024, size, 1024)),
                      "the current theme has a name"))
        return checks.ExitCode();
    zv::test::ScratchDir dir;
    FormPtr form = BuildShown(dir);
    TcxButton& button = *form->SwitchButtons(0);
    if (!checks.Check(button.GetPainterClass() == TcxWinXPLookAndFeelPainter::PainterClass(), "themed at start"))
        return checks.ExitCode();

    wine.EnableTheming(FALSE);
    WriteThemeActive("1");
    if (!checks.Check(PumpUntil([] { return !AreVisualStylesAvailable(totButton); }, 10'000),
                      "styles go off within 10 s"))
        return checks.ExitCode();
    PaintNow(button);
    if (!checks.Check(button.GetPainterClass() == TcxStandardLookAndFeelPainter::PainterClass(),
                      "standard painter at the next paint") ||
        !checks.Check(WindowPixel(button, 0, 0) == ColorToRGB(clBtnHighlight), "classic frame at the next paint"))
        return checks.ExitCode();

    HANDLE themeFile = nullptr;
    if (!checks.Check(SUCCEEDED(wine.OpenThemeFile(file, color, size, &themeFile, 0)) && themeFile,
                      "the theme file opens"))
        return checks.ExitCode();
    const HRESULT applied = wine.ApplyTheme(themeFile, const_cast<char*>(""), nullptr);
    wine.CloseThemeFile(themeFile);
    WriteThemeActive("1");
    if (!checks.Check(SUCCEEDED(applied), "the theme applies") ||
        !checks.Check(PumpUntil([] { return AreVisualStylesAvailable(totButton); }, 10'000),
                      "styles come back within 10 s"))
        return checks.ExitCode();
    PaintNow(button);
    if (checks.Check(button.GetPainterClass() == TcxWinXPLookAndFeelPainter::PainterClass(),
                     "themed painter at the next paint"))
        checks.Check(WindowColumn(button, 3) == ThemedColumn(cxbsNormal, button.Width(), button.Height(), 3),
                     "themed picture at the next paint");
    return checks.ExitCode();
}

TEST(UtilityButtons, AThemeSwitchShowsAtTheNextPaint)
{
    if (!AreVisualStylesAvailable(totButton)) GTEST_SKIP() << "the prefix runs without visual styles";
    ThemeActiveGuard guard;
    zv::test::ChildProcess child = zv::test::ChildProcess::Start("UtilityButtonsThemeSwitch");
    const DWORD code = child.WaitForExit(120'000);
    const std::string output = child.Output();
    if (const std::string why = ChildChecks::Skipped(output); !why.empty()) GTEST_SKIP() << why;
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(output, ChildChecks::Passed({"the current theme has a name", "themed at start",
                                           "styles go off within 10 s", "standard painter at the next paint",
                                           "classic frame at the next paint", "the theme file opens",
                                           "the theme applies", "styles come back within 10 s",
                                           "themed painter at the next paint", "themed picture at the next paint"}));
}

} // namespace
