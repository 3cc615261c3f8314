// Theme services under Wine. A new prefix runs Wine's own visual style ("light"), so the
// in-process tests see visual styles on. Visual styles off, and a theme change while the
// program runs, are tested in child processes: Wine's theme library reads the registry
// switch only when it loads, and a switch made in-process changes the registry for every
// process of the prefix, which the guard below puts back.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/application.h"
#include "lookandfeel/dxThemeManager.h"
#include "lookandfeel/dxUxTheme.h"
#include "tests/lookandfeel/theme_switch.h"
#include "tests/support/child_process.h"
#include "tests/support/gui_pump.h"

namespace {

using zv::test::ChildChecks;
using zv::test::ReadThemeActive;
using zv::test::ThemeActiveGuard;
using zv::test::ThemeManagerKey;
using zv::test::WineThemeSwitch;
using zv::test::WriteThemeActive;

void PumpFor(DWORD ms)
{
    const ULONGLONG end = GetTickCount64() + ms;
    MSG msg;
    while (GetTickCount64() < end) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    }
}

using zv::test::PumpUntil;

void SimulateThemeChange()
{
    ASSERT_NE(dxThemeChangeReceiverWindow(), nullptr);
    SendMessageA(dxThemeChangeReceiverWindow(), WM_THEMECHANGED, 0, 0);
}

// Wine's light style has no classes for the shell's own parts.
const TdxThemedObjectType MissingUnderWine[] = {totClock, totExplorerBar, totPage, totStartPanel,
                                                totTaskBand, totTaskBar, totTrayNotify};

TEST(ThemeLibrary, EveryFunctionIsFoundByNameAndAMissingOneLeavesAnEmptyEntry)
{
    ASSERT_TRUE(IsWindowsXPOrLater());
    ASSERT_TRUE(IsThemeLibraryLoaded());
    const HMODULE theme = GetModuleHandleA("uxtheme.dll");
    ASSERT_NE(theme, nullptr);
    TdxUxThemeFunctions functions;
    EXPECT_EQ(ResolveUxThemeFunctions(theme, functions), 52);
    EXPECT_NE(UxThemeFunctions().OpenThemeData, nullptr);
    EXPECT_NE(UxThemeFunctions().BufferedPaintSetAlpha, nullptr);

    // kernel32 has none of the names: every entry stays empty, and an entry that was
    // filled before is emptied.
    EXPECT_EQ(ResolveUxThemeFunctions(GetModuleHandleA("kernel32.dll"), functions), 0);
    EXPECT_EQ(functions.OpenThemeData, nullptr);
    EXPECT_EQ(functions.IsThemeActive, nullptr);
    EXPECT_EQ(ResolveUxThemeFunctions(nullptr, functions), 0);

    ASSERT_TRUE(IsDwmPresent());
    TdxDwmFunctions dwm;
    EXPECT_EQ(ResolveDwmFunctions(GetModuleHandleA("dwmapi.dll"), dwm), 9);
    // Wine has no desktop composition.
    EXPECT_FALSE(IsCompositionEnabled());
}

// Each member, read by its own name rather than through the slot table, holds the export
// of that name: a slot table that paired a name with another member would fail here.
TEST(ThemeLibrary, EveryMemberHoldsTheExportOfItsOwnName)
{
    const HMODULE theme = GetModuleHandleA("uxtheme.dll");
    const HMODULE dwmapi = GetModuleHandleA("dwmapi.dll");
    ASSERT_NE(theme, nullptr);
    ASSERT_NE(dwmapi, nullptr);
    TdxUxThemeFunctions functions;
    ResolveUxThemeFunctions(theme, functions);
    TdxDwmFunctions dwm;
    ResolveDwmFunctions(dwmapi, dwm);
    int checked = 0;
#define ZV_EXPECT_OWN_EXPORT(table, module, name)                                      \
    EXPECT_EQ(DllFunctionAddress(table.name), GetProcAddress(module, #name)) << #name; \
    ++checked;
#define ZV_EXPECT_THEME_EXPORT(name, type) ZV_EXPECT_OWN_EXPORT(functions, theme, name)
#define ZV_EXPECT_DWM_EXPORT(name, type) ZV_EXPECT_OWN_EXPORT(dwm, dwmapi, name)
    DX_UXTHEME_FUNCTIONS(ZV_EXPECT_THEME_EXPORT)
    DX_DWM_FUNCTIONS(ZV_EXPECT_DWM_EXPORT)
#undef ZV_EXPECT_DWM_EXPORT
#undef ZV_EXPECT_THEME_EXPORT
#undef ZV_EXPECT_OWN_EXPORT
    EXPECT_EQ(checked, 61);
    EXPECT_EQ(dxUxThemeFunctionSlots().size(), 52u);
    EXPECT_EQ(dxDwmFunctionSlots().size(), 9u);
    // The in-use table is the same.
    EXPECT_EQ(DllFunctionAddress(UxThemeFunctions().DrawThemeEdge), GetProcAddress(theme, "DrawThemeEdge"));
    EXPECT_EQ(DllFunctionAddress(UxThemeFunctions().DrawThemeIcon), GetProcAddress(theme, "DrawThemeIcon"));
}

TEST(ThemeLibrary, ClassNamesFollowTheTypes)
{
    struct Case {
        TdxThemedObjectType Type;
        const wchar_t* Name;
    };
    const Case cases[] = {{totButton, L"Button"},   {totRebar, L"Rebar"},     {totScrollBar, L"ScrollBar"},
                          {totTreeview, L"TreeView"}, {totTrayNotify, L"TrayNotify"}, {totWindow, L"Window"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Type);
        EXPECT_STREQ(dxThemedObjectClassName(c.Type), c.Name);
    }
    EXPECT_STREQ(dxThemedObjectClassName(static_cast<TdxThemedObjectType>(25)), L"");
}

TEST(ThemeServices, WineLightStyleIsActiveButNotAStandardTheme)
{
    EXPECT_TRUE(dxUxTheme::IsThemeActive());
    EXPECT_TRUE(AreVisualStylesAvailable());
    EXPECT_TRUE(AreVisualStylesAvailable(totButton));
    EXPECT_FALSE(IsStandardTheme()) << "Wine's style is light.msstyles, not Luna or Royale";
}

TEST(ThemeServices, OneOpenPerTypeAndTheCacheOwnsIt)
{
    CloseAllThemes();
    const HTHEME first = OpenTheme(totButton);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(OpenTheme(totButton), first);
    EXPECT_EQ(OpenTheme(totButton, L"BUTTON"), first) << "the same class, case ignored";
    EXPECT_EQ(CloseTheme(totButton), S_OK);
    EXPECT_EQ(CloseTheme(totButton), 0) << "nothing cached any more";

    // Another class list replaces the cached theme; the name is kept for the next
    // open without a list.
    ASSERT_NE(OpenTheme(totEdit), nullptr);
    ASSERT_NE(OpenTheme(totEdit, L"Button"), nullptr);
    CloseAllThemes();
    EXPECT_EQ(CloseTheme(totEdit), 0);
    const HTHEME reopened = OpenTheme(totEdit);
    ASSERT_NE(reopened, nullptr);
    // Which class the cached theme was opened with shows in the parts it defines: find a
    // part that "Button" and "Edit" disagree on.
    HTHEME button = dxUxTheme::OpenThemeData(nullptr, L"Button");
    HTHEME edit = dxUxTheme::OpenThemeData(nullptr, L"Edit");
    ASSERT_NE(button, nullptr);
    ASSERT_NE(edit, nullptr);
    int part = 1;
    while (part < 10 && dxUxTheme::IsThemePartDefined(button, part, 0) == dxUxTheme::IsThemePartDefined(edit, part, 0))
        ++part;
    ASSERT_LT(part, 10) << "no part tells the two classes apart";
    EXPECT_EQ(dxUxTheme::IsThemePartDefined(reopened, part, 0), dxUxTheme::IsThemePartDefined(button, part, 0))
        << "CloseAllThemes kept the name \"Button\" for the next open";
    dxUxTheme::CloseThemeData(edit);
    dxUxTheme::CloseThemeData(button);
    CloseAllThemes();
}

TEST(ThemeServices, AClassThatDoesNotOpenMakesItsTypeUnavailable)
{
    for (TdxThemedObjectType type : MissingUnderWine) {
        SCOPED_TRACE(type);
        EXPECT_EQ(OpenTheme(type), nullptr);
        EXPECT_FALSE(AreVisualStylesAvailable(type));
    }
    CloseAllThemes();
    EXPECT_EQ(OpenTheme(totButton, L"NoSuchThemeClass"), nullptr);
    // The failed name is forgotten: the next plain open uses the type's own class.
    EXPECT_NE(OpenTheme(totButton), nullptr);
    CloseAllThemes();
}

TEST(ThemeServices, AvailabilityForASetOpensInTypeOrderAndStopsAtTheFirstFailure)
{
    CloseAllThemes();
    EXPECT_TRUE(AreVisualStylesAvailable(TdxThemedObjectTypes{}));
    for (int t = 0; t < dxThemedObjectTypeCount; ++t) {
        SCOPED_TRACE(t);
        EXPECT_EQ(CloseTheme(static_cast<TdxThemedObjectType>(t)), 0) << "an empty set opens nothing";
    }

    EXPECT_TRUE(AreVisualStylesAvailable({totButton, totEdit, totHeader}));
    EXPECT_EQ(CloseTheme(totButton), S_OK);
    EXPECT_EQ(CloseTheme(totEdit), S_OK);
    EXPECT_EQ(CloseTheme(totHeader), S_OK);

    // totButton opens, totClock fails, totEdit is never tried.
    EXPECT_FALSE(AreVisualStylesAvailable({totEdit, totClock, totButton}));
    EXPECT_EQ(CloseTheme(totButton), S_OK);
    EXPECT_EQ(CloseTheme(totEdit), 0);
    CloseAllThemes();
}

TEST(ThemeServices, ThemeChangeDropsTheCacheAndCallsNotificatorsInOrder)
{
    const HTHEME before = OpenTheme(totButton);
    ASSERT_NE(before, nullptr);
    ASSERT_NE(OpenTheme(totHeader), nullptr);

    std::vector<std::string> calls;
    std::vector<HRESULT> closeAtCall;
    TdxThemeChangedNotificator first;
    TdxThemeChangedNotificator silent;  // no handler: skipped
    TdxThemeChangedNotificator second;
    auto third = std::make_unique<TdxThemeChangedNotificator>();
    first.SetOnThemeChanged([&] {
        calls.push_back("first");
        // The cache is already dropped when notificators run.
        closeAtCall.push_back(CloseTheme(totButton));
    });
    second.SetOnThemeChanged([&] {
        calls.push_back("second");
        third.reset();  // destroyed before its turn: not called
    });
    third->SetOnThemeChanged([&] { calls.push_back("third"); });

    SimulateThemeChange();
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(closeAtCall, std::vector<HRESULT>{0});
    EXPECT_EQ(CloseTheme(totHeader), 0);
    EXPECT_TRUE(AreVisualStylesAvailable(totButton)) << "the flag is reread: styles are still on";

    // A destroyed notificator has left the list for good.
    calls.clear();
    SimulateThemeChange();
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "second"}));
    CloseAllThemes();
}

std::vector<std::string> GHandled;

void RecordHandled(TObject*, std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const Exception& e) {
        GHandled.push_back(e.Message());
    } catch (...) {
        GHandled.push_back("?");
    }
}

TEST(ThemeServices, AnExceptionInANotificatorGoesToTheApplicationAndTheRestStillRun)
{
    GHandled.clear();
    const THandleExceptionProc previous = SetHandleExceptionProc(RecordHandled);
    std::vector<std::string> calls;
    {
        TdxThemeChangedNotificator failing;
        TdxThemeChangedNotificator after;
        failing.SetOnThemeChanged([&] {
            calls.push_back("failing");
            throw Exception("theme handler failed");
        });
        after.SetOnThemeChanged([&] { calls.push_back("after"); });
        SimulateThemeChange();
    }
    SetHandleExceptionProc(previous);
    EXPECT_EQ(calls, (std::vector<std::string>{"failing", "after"}));
    EXPECT_EQ(GHandled, std::vector<std::string>{"theme handler failed"});
}

// A parent that paints into the DC it is given and leaves a font of its own selected, as
// careless WM_PRINTCLIENT handlers do.
LRESULT CALLBACK CarelessParentProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_PRINTCLIENT || msg == WM_ERASEBKGND) {
        SelectObject(reinterpret_cast<HDC>(wParam), GetStockObject(ANSI_FIXED_FONT));
        return 1;
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}

TEST(ThemeServices, ParentBackgroundKeepsTheSelectedFont)
{
    WNDCLASSA cls{};
    cls.lpfnWndProc = CarelessParentProc;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = "ZvCarelessParent";
    RegisterClassA(&cls);
    HWND parent = CreateWindowExA(0, cls.lpszClassName, "", WS_POPUP, 0, 0, 40, 20, nullptr, nullptr,
                                  cls.hInstance, nullptr);
    ASSERT_NE(parent, nullptr);
    HWND child = CreateWindowExA(0, "BUTTON", "", WS_CHILD, 0, 0, 20, 10, parent, nullptr, nullptr, nullptr);
    ASSERT_NE(child, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFontA(-11, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Tahoma");
    HGDIOBJ old = SelectObject(dc, font);
    RECT r{0, 0, 20, 10};
    // The platform's own call shows the parent really changes the font ...
    UxThemeFunctions().DrawThemeParentBackground(child, dc, &r);
    const bool parentChangesFont = GetCurrentObject(dc, OBJ_FONT) != font;
    SelectObject(dc, font);
    // ... and the wrapper puts it back.
    dxUxTheme::DrawThemeParentBackground(child, dc, &r);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
    DestroyWindow(parent);
    EXPECT_TRUE(parentChangesFont) << "the parent was not asked to paint: the test proves nothing";
}

// --- Visual styles switched off in the desktop settings --------------------------------

ZV_CHILD_MODE(ThemesOffAtStart)
{
    ChildChecks checks;
    checks.Check(IsThemeLibraryLoaded(), "the theme library is loaded");
    checks.Check(!dxUxTheme::IsThemeActive(), "no theme is active");
    checks.Check(!AreVisualStylesAvailable(), "no styles are available");
    checks.Check(!AreVisualStylesAvailable(totButton), "no button styles are available");
    checks.Check(OpenTheme(totButton) == nullptr, "no button theme opens");
    const int closed = CloseTheme(totButton);
    checks.Check(closed == 1, "CloseTheme answers 1", "it answers " + std::to_string(closed));
    checks.Check(!IsStandardTheme(), "no standard theme");
    checks.Check(dxThemeChangeReceiverWindow() != nullptr, "the theme-change receiver exists");
    return checks.ExitCode();
}

TEST(ThemeServicesOff, StylesSwitchedOffMeanNoThemeForAnyType)
{
    ThemeActiveGuard guard;
    ASSERT_TRUE(WriteThemeActive("0"));
    zv::test::ChildProcess child = zv::test::ChildProcess::Start("ThemesOffAtStart");
    EXPECT_EQ(child.WaitForExit(60'000), 0u);
    EXPECT_EQ(child.Output(),
              ChildChecks::Passed({"the theme library is loaded", "no theme is active", "no styles are available",
                                   "no button styles are available", "no button theme opens", "CloseTheme answers 1",
                                   "no standard theme", "the theme-change receiver exists"}));
}

// --- A theme change while the program runs -----------------------------------------------

// The child stops at the first check that fails: each step needs the one before.
ZV_CHILD_MODE(ThemeChangesWhileRunning)
{
    ChildChecks checks;
    WineThemeSwitch wine;
    if (!wine.Load()) {
        checks.Skip("this theme library has no EnableTheming/ApplyTheme switches");
        return 0;
    }
    wchar_t file[1024] = {}, color[1024] = {}, size[1024] = {};
    if (!checks.Check(SUCCEEDED(dxUxTheme::GetCurrentThemeName(file, 1024, color, 1024, size, 1024)),
                      "the current theme has a name") ||
        !checks.Check(AreVisualStylesAvailable(totButton), "styles are on at start"))
        return checks.ExitCode();

    std::vector<std::pair<std::string, bool>> calls;  // who, and what it saw
    TdxThemeChangedNotificator first, second;
    first.SetOnThemeChanged([&] { calls.emplace_back("first", AreVisualStylesAvailable()); });
    second.SetOnThemeChanged([&] { calls.emplace_back("second", AreVisualStylesAvailable()); });
    auto told = [&] {
        std::string text;
        for (const auto& [who, on] : calls) text += (text.empty() ? "" : ", ") + who + (on ? " saw on" : " saw off");
        return text.empty() ? std::string("nobody told") : text;
    };

    wine.EnableTheming(FALSE);
    // Give the registry back at once; the parent's guard is the safety net.
    WriteThemeActive("1");
    if (!checks.Check(PumpUntil([&] { return calls.size() >= 2; }, 10'000), "both are told of off", told()))
        return checks.ExitCode();
    const std::vector<std::pair<std::string, bool>> off{{"first", false}, {"second", false}};
    if (!checks.Check(calls == off, "off: first then second, each seeing no styles", told()) ||
        !checks.Check(!AreVisualStylesAvailable(totButton) && !OpenTheme(totButton), "no theme opens when off"))
        return checks.ExitCode();

    calls.clear();
    HANDLE themeFile = nullptr;
    if (!checks.Check(SUCCEEDED(wine.OpenThemeFile(file, color, size, &themeFile, 0)) && themeFile,
                      "the theme file opens"))
        return checks.ExitCode();
    const HRESULT applied = wine.ApplyTheme(themeFile, const_cast<char*>(""), nullptr);
    wine.CloseThemeFile(themeFile);
    WriteThemeActive("1");
    if (!checks.Check(SUCCEEDED(applied), "the theme applies") ||
        !checks.Check(PumpUntil([&] { return calls.size() >= 2; }, 10'000), "both are told of on", told()))
        return checks.ExitCode();
    const std::vector<std::pair<std::string, bool>> on{{"first", true}, {"second", true}};
    if (!checks.Check(calls == on, "on: first then second, each seeing styles", told()) ||
        !checks.Check(CloseTheme(totButton) == 0, "the cache was dropped") ||
        !checks.Check(AreVisualStylesAvailable(totButton), "the button theme opens after the change"))
        return checks.ExitCode();
    PumpFor(50);
    return checks.ExitCode();
}

TEST(ThemeServicesChange, SwitchingStylesOffAndOnIsNoticedWhileRunning)
{
    ThemeActiveGuard guard;
    zv::test::ChildProcess child = zv::test::ChildProcess::Start("ThemeChangesWhileRunning");
    const DWORD code = child.WaitForExit(60'000);
    const std::string output = child.Output();
    if (const std::string why = ChildChecks::Skipped(output); !why.empty()) GTEST_SKIP() << why;
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(output, ChildChecks::Passed({"the current theme has a name", "styles are on at start",
                                           "both are told of off", "off: first then second, each seeing no styles",
                                           "no theme opens when off", "the theme file opens", "the theme applies",
                                           "both are told of on", "on: first then second, each seeing styles",
                                           "the cache was dropped", "the button theme opens after the change"}));
    EXPECT_EQ(ReadThemeActive(), "1");
}

} // namespace
