// A program's window opens on the virtual display, is found, painted, driven by keys and
// clicks, and captured in a screenshot.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "tests/support/child_process.h"
#include "tests/support/gui_driver.h"

namespace {

using namespace zv::test;

const char kCaption[] = "Harness Smoke Window";
const COLORREF kFill = RGB(0x20, 0x60, 0xA0);
const int kButtonId = 1;
const DWORD kExitByButton = 7;
const DWORD kExitByKey = 'q';

LRESULT CALLBACK SmokeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        HBRUSH brush = CreateSolidBrush(kFill);
        FillRect(dc, &paint.rcPaint, brush);
        DeleteObject(brush);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == kButtonId) PostQuitMessage(kExitByButton);
        return 0;
    case WM_CHAR:
        if (wParam == 'q') PostQuitMessage(kExitByKey);
        return 0;
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

ZV_CHILD_MODE(SmokeWindow)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &SmokeWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = "ZvHarnessSmokeWindow";
    if (!RegisterClassA(&windowClass)) return 100;
    HWND window = CreateWindowA("ZvHarnessSmokeWindow", kCaption, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                                100, 100, 360, 240, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!window) return 101;
    CreateWindowA("BUTTON", "Press", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 230, 150, 100, 30, window,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)), windowClass.hInstance, nullptr);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

std::string ArtifactPath(const std::string& name)
{
    const char* dir = std::getenv("ZV_ARTIFACTS");
    std::string base = dir ? dir : ".";
    return base + "\\" + name;
}

class DesktopSmoke : public testing::Test {
protected:
    void SetUp() override
    {
        window = WaitForVisibleWindow(child.ProcessId(), kCaption, 20'000);
        ASSERT_NE(window, nullptr) << "the child's window did not appear";
        ASSERT_TRUE(WaitUntilIdle(window, 5000));
    }

    ChildProcess child = ChildProcess::Start("SmokeWindow");
    HWND window = nullptr;
};

TEST_F(DesktopSmoke, TheWindowIsFoundAndItsPaintIsOnTheScreen)
{
    EXPECT_EQ(WindowClassName(window), "ZvHarnessSmokeWindow");
    ASSERT_TRUE(BringToFront(window));
    ASSERT_TRUE(WaitUntilIdle(window, 5000));
    Sleep(200);  // let the display catch up with the paint

    RECT client;
    ASSERT_TRUE(GetClientRect(window, &client));
    POINT inside{20, 20};
    ClientToScreen(window, &inside);
    EXPECT_EQ(ScreenPixel(inside), kFill);

    const std::string path = ArtifactPath("harness-smoke-window.bmp");
    ASSERT_TRUE(SaveScreenshot(window, path));
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &attributes));
    RECT frame;
    GetWindowRect(window, &frame);
    const DWORD rowBytes = (static_cast<DWORD>(frame.right - frame.left) * 3 + 3) & ~3u;
    EXPECT_EQ(attributes.nFileSizeLow, 54 + rowBytes * static_cast<DWORD>(frame.bottom - frame.top));
}

TEST_F(DesktopSmoke, AClickOnItsButtonReachesTheProgram)
{
    HWND button = FindChildByText(window, "Press");
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(BringToFront(window));
    ClickWindow(button);
    EXPECT_EQ(child.WaitForExit(10'000), kExitByButton);
}

TEST_F(DesktopSmoke, APostedKeyReachesTheProgram)
{
    PostCharacter(window, 'q');
    EXPECT_EQ(child.WaitForExit(10'000), kExitByKey);
}

} // namespace
