#include <gtest/gtest.h>

#include <windows.h>

#include "framework/hiddenwindow.h"

namespace {

UINT BroadcastMessage()
{
    static const UINT message = RegisterWindowMessageA("ZvHiddenWindowTestBroadcast");
    return message;
}

int GHeard = 0;

LRESULT CALLBACK CountingProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    if (msg == BroadcastMessage() && wParam == static_cast<WPARAM>(GetCurrentProcessId())) ++GHeard;
    return DefWindowProcA(window, msg, wParam, lParam);
}

// The point of these windows: the system's broadcasts go to top-level windows only.
TEST(HiddenTopLevelWindow, IsHiddenTopLevelAndHearsBroadcasts)
{
    HWND first = CreateHiddenTopLevelWindow({.ClassName = "ZvHiddenWindowTest", .Procedure = CountingProc});
    ASSERT_NE(first, nullptr) << GetLastError();
    // A second window of the class finds the class registered.
    HWND second = CreateHiddenTopLevelWindow({.ClassName = "ZvHiddenWindowTest", .Procedure = CountingProc});
    ASSERT_NE(second, nullptr) << GetLastError();

    for (HWND window : {first, second}) {
        EXPECT_FALSE(IsWindowVisible(window));
        EXPECT_EQ(GetAncestor(window, GA_PARENT), GetDesktopWindow());
        EXPECT_EQ(GetWindow(window, GW_OWNER), nullptr);
        EXPECT_NE(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
    }
    GHeard = 0;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(HWND_BROADCAST, BroadcastMessage(), GetCurrentProcessId(), 0, SMTO_ABORTIFHUNG, 5'000,
                        &ignored);
    EXPECT_EQ(GHeard, 2);
    DestroyWindow(second);
    DestroyWindow(first);
}

TEST(HiddenTopLevelWindow, StaysHiddenWhateverTheStyleAndTakesCaptionAndPlace)
{
    HWND window = CreateHiddenTopLevelWindow({.ClassName = "ZvHiddenWindowTestStyled",
                                              .Procedure = DefWindowProcA,
                                              .Caption = "Zv hidden caption",
                                              .Style = WS_POPUP | WS_CAPTION | WS_VISIBLE,
                                              .ExStyle = 0,
                                              .X = 40,
                                              .Y = 30});
    ASSERT_NE(window, nullptr) << GetLastError();
    EXPECT_FALSE(IsWindowVisible(window));
    char caption[64] = {};
    GetWindowTextA(window, caption, sizeof caption);
    EXPECT_STREQ(caption, "Zv hidden caption");
    RECT r{};
    GetWindowRect(window, &r);
    EXPECT_EQ(r.left, 40);
    EXPECT_EQ(r.top, 30);
    DestroyWindow(window);
}

TEST(HiddenTopLevelWindow, WithoutClassOrProcedureItIsRefused)
{
    SetLastError(0);
    EXPECT_EQ(CreateHiddenTopLevelWindow({.Procedure = DefWindowProcA}), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(CreateHiddenTopLevelWindow({.ClassName = "ZvHiddenWindowTestNoProc"}), nullptr);
}

} // namespace
