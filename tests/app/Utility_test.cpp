// The utility's executable, copied into a folder of its own and started as a user starts
// it: the missing-file prompt, the default file it writes, the window it then shows, and
// start-up failures.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/SwitchConfig.h"
#include "tests/app/programs.h"
#include "tests/support/child_process.h"
#include "tests/support/gui_driver.h"
#include "tests/support/scratch_dir.h"

namespace {

using zv::test::ChildProcess;
using zv::test::FromBuildTree;
using zv::test::ReadFileBytes;
using zv::test::ScratchDir;
using zv::test::WaitForVisibleWindow;

constexpr DWORD kWindowTimeoutMs = 30'000;
constexpr char kMainCaption[] = "Zorvan Menu Utility";

std::string BuiltUtility() { return FromBuildTree(ZV_UTILITY_EXE); }

BOOL CALLBACK CollectChild(HWND child, LPARAM list)
{
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
    return TRUE;
}

std::vector<HWND> ChildrenOf(HWND parent)
{
    std::vector<HWND> children;
    EnumChildWindows(parent, &CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

std::vector<std::string> ChildTexts(HWND parent)
{
    std::vector<std::string> texts;
    for (HWND child : ChildrenOf(parent)) texts.push_back(zv::test::WindowText(child));
    return texts;
}

bool HasVisibleMainWindow(DWORD processId)
{
    for (HWND window : zv::test::TopLevelWindowsOf(processId))
        if (IsWindowVisible(window) && zv::test::WindowText(window) == kMainCaption) return true;
    return false;
}

// A copy of the utility named ZorvanMenu.exe in a folder of its own.
class Utility : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(CopyFileA(Built().c_str(), Exe.c_str(), FALSE)) << GetLastError(); }
    virtual std::string Built() const { return BuiltUtility(); }
    void TearDown() override { DeleteFileA(Exe.c_str()); DeleteFileA(Ini.c_str()); }

    // Waits for the missing-file question and answers it by clicking a button.
    void AnswerMissingFile(ChildProcess& utility, const std::string& button)
    {
        HWND dialog = WaitForVisibleWindow(utility.ProcessId(), "Warning", kWindowTimeoutMs);
        ASSERT_NE(dialog, nullptr) << "no missing-file question";
        const std::vector<std::string> texts = ChildTexts(dialog);
        EXPECT_NE(std::find(texts.begin(), texts.end(), MissingFileQuestion(Ini)), texts.end())
            << ::testing::PrintToString(texts);
        HWND target = zv::test::FindChildByText(dialog, button);
        ASSERT_NE(target, nullptr);
        PostMessageA(target, BM_CLICK, 0, 0);
    }

    // Starts the copy and answers its missing-file question with the button.
    ChildProcess StartAnswering(const std::string& button)
    {
        ChildProcess utility = ChildProcess::StartProgram(Exe);
        AnswerMissingFile(utility, button);
        return utility;
    }

    // Starts the copy, lets it write the default file, and waits until its main window is
    // shown and idle; window is null when none came.
    ChildProcess StartWithDefaultFile(HWND& window)
    {
        ChildProcess utility = StartAnswering("&Yes");
        window = WaitForVisibleWindow(utility.ProcessId(), kMainCaption, kWindowTimeoutMs);
        if (window) zv::test::WaitUntilIdle(window, 5'000);
        return utility;
    }

    // "E&xit" ends the utility with exit code 0 and the output it should have written.
    void ExitAndCheck(ChildProcess& utility, HWND window)
    {
        PostMessageA(zv::test::FindChildByText(window, "E&xit"), BM_CLICK, 0, 0);
        EXPECT_EQ(utility.WaitForExit(kWindowTimeoutMs), 0u);
        EXPECT_EQ(zv::test::WithoutHeapAuditPeak(utility.Output()), OutputAtExit());
    }
    // The utility writes nothing to its standard handles.
    virtual std::string OutputAtExit() const { return ""; }

    ScratchDir Dir;
    std::string Exe = Dir.File("ZorvanMenu.exe");
    std::string Ini = Dir.File("ZorvanMenu.ini");
};

TEST_F(Utility, YesWritesTheDefaultFileAndShowsItsFourteenButtons)
{
    HWND window = nullptr;
    ChildProcess utility = StartWithDefaultFile(window);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(ReadFileBytes(Ini), DefaultConfigText());

    int switchButtons = 0;
    for (const std::string& text : ChildTexts(window)) switchButtons += text.find(" - Turn on switch ") != std::string::npos;
    EXPECT_EQ(switchButtons, 14);

    zv::test::BringToFront(window);
    Sleep(300);
    EXPECT_TRUE(zv::test::SaveScreenshot(window, zv::test::ArtifactPath("utility_default_configuration.bmp")));

    ExitAndCheck(utility, window);
}

TEST_F(Utility, NoEndsWithExitCode1BeforeAnyWindow)
{
    ChildProcess utility = StartAnswering("&No");
    EXPECT_EQ(utility.WaitForExit(kWindowTimeoutMs), 1u);
    EXPECT_EQ(utility.Output(), "");
    EXPECT_EQ(GetFileAttributesA(Ini.c_str()), INVALID_FILE_ATTRIBUTES) << "no file written";
}

TEST_F(Utility, AFileThatCannotBeCreatedIsShownAndNoWindowOpens)
{
    // A folder where the file belongs: the file cannot be created.
    ASSERT_TRUE(CreateDirectoryA(Ini.c_str(), nullptr));
    ChildProcess utility = StartAnswering("&Yes");
    HWND error = zv::test::WaitForTopLevelWindow(
        utility.ProcessId(),
        [](HWND w) {
            return IsWindowVisible(w) && zv::test::WindowClassName(w) == "#32770" &&
                   zv::test::WindowText(w) == "Zorvan Menu";
        },
        kWindowTimeoutMs);
    ASSERT_NE(error, nullptr) << "no error message";
    bool found = false;
    for (const std::string& text : ChildTexts(error))
        found = found || text.rfind("Cannot create file \"" + Ini + "\". ", 0) == 0;
    EXPECT_TRUE(found) << "the file creation error is not shown";
    EXPECT_FALSE(HasVisibleMainWindow(utility.ProcessId()));
    PostMessageA(error, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(utility.WaitForExit(kWindowTimeoutMs), 0u);
    EXPECT_EQ(utility.Output(), "");
    EXPECT_FALSE(HasVisibleMainWindow(utility.ProcessId()));
    RemoveDirectoryA(Ini.c_str());
}

// The same utility linked with the debug heap (tests/support/heap_audit.cpp): after its
// last unit has stopped it reports what is still allocated, and it ends with its own exit
// code only when that is nothing and no block was freed twice.
class AuditedUtility : public Utility {
protected:
    std::string Built() const override { return FromBuildTree(ZV_AUDITED_UTILITY_EXE); }
    void SetUp() override
    {
        Utility::SetUp();
        ASSERT_TRUE(SetEnvironmentVariableA("ZV_HEAP_AUDIT_REPORT", Report.c_str()));
    }
    void TearDown() override
    {
        SetEnvironmentVariableA("ZV_HEAP_AUDIT_REPORT", nullptr);
        DeleteFileA(Report.c_str());
        Utility::TearDown();
    }
    // The debug heap's verdict goes to the standard error handle (and into the report file).
    std::string OutputAtExit() const override { return zv::test::kCleanHeapAudit; }
    std::string Report = Dir.File("heap-audit.txt");
};

TEST_F(AuditedUtility, ExitFreesEverythingAndTouchesNothingDestroyed)
{
    HWND window = nullptr;
    ChildProcess utility = StartWithDefaultFile(window);
    ASSERT_NE(window, nullptr);
    // The pointer over a port button: mouse tracking and hot painting are part of the state.
    HWND first = nullptr;
    for (HWND child : ChildrenOf(window))
        if (!first && zv::test::WindowText(child).find(" - Turn on switch ") != std::string::npos) first = child;
    ASSERT_NE(first, nullptr);
    {
        RECT r{};
        GetWindowRect(first, &r);
        SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        Sleep(200);
    }
    ExitAndCheck(utility, window);
    const std::string report = ReadFileBytes(Report);
    EXPECT_NE(report.find("heap audit: 0 blocks (0 bytes) still allocated at exit"), std::string::npos) << report;
}

} // namespace
