#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "framework/application.h"
#include "framework/dialogs.h"
#include "tests/support/gui_driver.h"
#include "tests/support/started_thread.h"

namespace {

// Answers the warning dialog from another thread, the way a user would, while the test's
// thread runs the modal loop.
TModalResult AnswerWarning(const std::function<void(HWND)>& answer, bool& sawButtons)
{
    Application->Initialize();
    std::atomic<bool> buttons{false};
    std::thread user = zv::test::StartedThread([&] {
        HWND dialog = zv::test::WaitForVisibleWindow(GetCurrentProcessId(), "Warning", 10'000);
        if (!dialog) return;
        buttons = zv::test::FindChildByText(dialog, "&Yes") && zv::test::FindChildByText(dialog, "&No");
        zv::test::WaitUntilIdle(dialog, 5'000);
        answer(dialog);
    });
    const TModalResult result = MessageDlg("The file does not exist. Create it?", mtWarning, mbYes | mbNo);
    user.join();
    sawButtons = buttons;
    return result;
}

TEST(MessageDlg, YesNoWarningAnswers)
{
    struct Case {
        const char* Label;
        std::function<void(HWND)> Answer;
        TModalResult Expected;
    };
    const Case cases[] = {
        {"Enter", [](HWND d) { PostMessageA(d, WM_KEYDOWN, VK_RETURN, 1); }, mrYes},
        {"Escape", [](HWND d) { PostMessageA(d, WM_KEYDOWN, VK_ESCAPE, 1); }, mrNo},
        {"close box", [](HWND d) { PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); }, mrCancel},
        {"accelerator n", [](HWND d) { PostMessageA(d, WM_CHAR, 'n', 1); }, mrNo},
        {"click No", [](HWND d) { PostMessageA(zv::test::FindChildByText(d, "&No"), BM_CLICK, 0, 0); }, mrNo},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label);
        bool sawButtons = false;
        EXPECT_EQ(AnswerWarning(c.Answer, sawButtons), c.Expected);
        EXPECT_TRUE(sawButtons);
    }
}

TEST(ShowMessage, MessageBoxWithTheTextAndTheApplicationTitle)
{
    Application->Initialize();
    Application->SetTitle("Dialog Test Title");
    std::atomic<bool> sawText{false};
    std::thread user = zv::test::StartedThread([&] {
        HWND box = zv::test::WaitForVisibleWindow(GetCurrentProcessId(), "Dialog Test Title", 10'000);
        if (!box) return;
        sawText = zv::test::FindChildByText(box, "Cannot open COM1") != nullptr;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    ShowMessage("Cannot open COM1");
    user.join();
    EXPECT_TRUE(sawText);
}

} // namespace
