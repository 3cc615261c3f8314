// Programs that run their own Application, each in a child process driven from the test.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "framework/thread.h"
#include "tests/support/child_process.h"
#include "tests/support/gui_driver.h"

namespace {

using zv::test::ChildProcess;

constexpr UINT kShowMessage = WM_APP + 7;
constexpr DWORD kRunReturned = 7;
constexpr char kCaption[] = "Sample Switch Panel";
constexpr char kTitle[] = "Sample Title";

// A small form like the utility's main window: hidden until its private message.
class TSampleForm : public TForm {
    RUNTIME_CLASS(TSampleForm, TForm)
public:
    explicit TSampleForm(TComponent* owner) : TForm(owner)
    {
        SetCaption(kCaption);
        SetBorderIcons(biSystemMenu | biMinimize);
        SetPosition(poScreenCenter);
        SetKeyPreview(true);
        SetShowHint(true);
        SetClientWidth(260);
        SetClientHeight(90);
        Exit = MakeButton("E&xit", "Exit the application (X)", 170);
        Exit->SetOnClick([this](TObject*) { Close(); });
        Fail = MakeButton("T&urn All Off", "Turn all ports off (U)", 15);
        Fail->SetOnClick([](TObject*) { throw Exception("Cannot open COM9"); });
        PostToSelf(kShowMessage);
    }

    TButton* Exit;
    TButton* Fail;

protected:
    void Dispatch(TMessage& message) override
    {
        if (message.Msg == kShowMessage) {
            SetVisible(true);
            return;
        }
        TForm::Dispatch(message);
    }

private:
    TButton* MakeButton(const char* caption, const char* hint, int left)
    {
        auto* button = new TButton(this);
        button->SetCaption(caption);
        button->SetHint(hint);
        button->SetTabStop(false);
        button->SetBounds(left, 55, 75, 25);
        button->SetParent(this);
        return button;
    }
};

TSampleForm* sampleForm = nullptr;

ZV_CHILD_MODE(RunSampleForm)
{
    Application->SetShowMainForm(false);
    Application->Initialize();
    Application->SetTitle(kTitle);
    Application->CreateForm(sampleForm);
    Application->Run();
    return static_cast<int>(kRunReturned);
}

// A worker thread's Synchronize request reaches the idle message loop, which closes the form.
ZV_CHILD_MODE(SynchronizeWhileIdle)
{
    Application->Initialize();
    Application->CreateForm(sampleForm);
    struct TCloser : TThread {
        void Execute() override
        {
            Sleep(300);
            Synchronize([] { sampleForm->Close(); });
        }
    } closer;
    closer.Start();
    Application->Run();
    closer.WaitFor();
    return static_cast<int>(kRunReturned);
}

HWND WaitForSample(const ChildProcess& child)
{
    return zv::test::WaitForVisibleWindow(child.ProcessId(), kCaption, 20'000);
}

bool IsMessageBox(HWND window)
{
    return zv::test::WindowClassName(window) == "#32770";
}

// The windows the shell gives a task-bar button: visible, unowned, not tool windows.
std::vector<HWND> TaskBarWindowsOf(DWORD processId)
{
    std::vector<HWND> result;
    for (HWND w : zv::test::TopLevelWindowsOf(processId)) {
        const bool tool = GetWindowLongPtrA(w, GWL_EXSTYLE) & WS_EX_TOOLWINDOW;
        if (IsWindowVisible(w) && !GetWindow(w, GW_OWNER) && !tool) result.push_back(w);
    }
    return result;
}

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = 20'000)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!done()) {
        if (GetTickCount64() > end) return false;
        Sleep(20);
    }
    return true;
}

TEST(ApplicationRun, TheTaskBarEntryIsTheApplicationWindowWithTheTitle)
{
    ChildProcess child = ChildProcess::Start("RunSampleForm");
    HWND form = WaitForSample(child);
    ASSERT_NE(form, nullptr);
    const std::vector<HWND> entries = TaskBarWindowsOf(child.ProcessId());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(zv::test::WindowText(entries[0]), kTitle);
    EXPECT_EQ(GetWindow(form, GW_OWNER), entries[0]) << "the main form belongs to the entry";
    RECT r{};
    GetWindowRect(entries[0], &r);
    EXPECT_TRUE(IsRectEmpty(&r)) << "the entry itself shows nothing on the screen";
    PostMessageA(form, WM_CHAR, 'x', 1);
    EXPECT_EQ(child.WaitForExit(20'000), kRunReturned);
}

TEST(ApplicationRun, MinimisingTheMainFormMinimisesTheApplicationUntilItIsRestored)
{
    ChildProcess child = ChildProcess::Start("RunSampleForm");
    HWND form = WaitForSample(child);
    ASSERT_NE(form, nullptr);
    HWND entry = GetWindow(form, GW_OWNER);
    ASSERT_NE(entry, nullptr);
    PostMessageA(form, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(WaitFor([&] { return IsIconic(entry) && !IsWindowVisible(form); }))
        << "entry minimised " << IsIconic(entry) << ", form visible " << IsWindowVisible(form);
    PostMessageA(entry, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsIconic(entry) && IsWindowVisible(form) && !IsIconic(form); }))
        << "entry minimised " << IsIconic(entry) << ", form visible " << IsWindowVisible(form);
    // Closing the entry closes the main form, which ends the application.
    PostMessageA(entry, WM_CLOSE, 0, 0);
    EXPECT_EQ(child.WaitForExit(20'000), kRunReturned);
}

TEST(ApplicationRun, AcceleratorOfTheExitButtonClosesTheMainFormAndEndsRun)
{
    ChildProcess child = ChildProcess::Start("RunSampleForm");
    HWND form = WaitForSample(child);
    ASSERT_NE(form, nullptr);
    const LONG_PTR style = GetWindowLongPtrA(form, GWL_STYLE);
    EXPECT_EQ(style & WS_MAXIMIZEBOX, 0);
    PostMessageA(form, WM_CHAR, 'X', 1);
    EXPECT_EQ(child.WaitForExit(20'000), kRunReturned);
}

TEST(ApplicationRun, CloseBoxOfTheMainFormEndsRun)
{
    ChildProcess child = ChildProcess::Start("RunSampleForm");
    HWND form = WaitForSample(child);
    ASSERT_NE(form, nullptr);
    PostMessageA(form, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(child.WaitForExit(20'000), kRunReturned);
}

TEST(ApplicationRun, EscapingExceptionIsShownInAMessageBoxAndTheApplicationGoesOn)
{
    ChildProcess child = ChildProcess::Start("RunSampleForm");
    HWND form = WaitForSample(child);
    ASSERT_NE(form, nullptr);
    HWND button = zv::test::FindChildByText(form, "T&urn All Off");
    ASSERT_NE(button, nullptr);
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        PostMessageA(button, BM_CLICK, 0, 0);
        HWND box = zv::test::WaitForTopLevelWindow(
            child.ProcessId(),
            [](HWND w) { return IsWindowVisible(w) && IsMessageBox(w) && zv::test::WindowText(w) == kTitle; }, 20'000);
        ASSERT_NE(box, nullptr) << "a message box captioned with the application's title";
        EXPECT_NE(zv::test::FindChildByText(box, "Cannot open COM9."), nullptr);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        ASSERT_NE(zv::test::WaitForTopLevelWindow(
                      child.ProcessId(), [box](HWND) { return !IsWindow(box); }, 20'000),
                  nullptr);
    }
    EXPECT_EQ(child.WaitForExit(0), static_cast<DWORD>(STILL_ACTIVE));
    PostMessageA(form, WM_CHAR, 'x', 1);
    EXPECT_EQ(child.WaitForExit(20'000), kRunReturned);
}

TEST(ApplicationRun, SynchronizeRequestsRunWhileTheLoopIsIdle)
{
    ChildProcess child = ChildProcess::Start("SynchronizeWhileIdle");
    EXPECT_EQ(child.WaitForExit(20'000), kRunReturned);
}

TEST(ApplicationRun, ScreenshotOfTheSampleForm)
{
    ChildProcess child = ChildProcess::Start("RunSampleForm");
    HWND form = WaitForSample(child);
    ASSERT_NE(form, nullptr);
    zv::test::WaitUntilIdle(form, 5'000);
    zv::test::BringToFront(form);
    Sleep(300);
    EXPECT_TRUE(zv::test::SaveScreenshot(form, zv::test::ArtifactPath("sample_form.bmp")));
    PostMessageA(form, WM_CHAR, 'x', 1);
    EXPECT_EQ(child.WaitForExit(20'000), kRunReturned);
}

} // namespace
