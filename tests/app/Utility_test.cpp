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

    ScratchDir Dir;
    std::string Exe = Dir.File("ZorvanMenu.exe");
    std::string Ini = Dir.File("ZorvanMenu.ini");
};

TEST_F(Utility, YesWritesTheDefaultFileAndShowsItsFourteenButtons)
{
    ChildProcess utility = ChildProcess::StartProgram(Exe);
    AnswerMissingFile(utility, "&Yes");
    HWND window = WaitForVisibleWindow(utility.ProcessId(), kMainCaption, kWindowTimeoutMs);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(ReadFileBytes(Ini), DefaultConfigText());

    int switchButtons = 0;
    for (const std::string& text : ChildTexts(window)) switchButtons += text.find(" - Turn on switch ") != std::string::npos;
    EXPECT_EQ(switchButtons, 14);

    zv::test::WaitUntilIdle(window, 5'000);
    zv::test::BringToFront(window);
    Sleep(300);
    EXPECT_TRUE(zv::test::SaveScreenshot(window, zv::test::ArtifactPath("utility_default_configuration.bmp")));

    // "E&xit" ends the utility with exit code 0.
    PostMessageA(zv::test::FindChildByText(window, "E&xit"), BM_CLICK, 0, 0);
    EXPECT_EQ(utility.WaitForExit(kWindowTimeoutMs), 0u);
    EXPECT_EQ(utility.Output(), "") << "the utility writes nothing to its standard handles";
}

TEST_F(Utility, NoEndsWithExitCode1BeforeAnyWindow)
{
    ChildProcess utility = ChildProcess::StartProgram(Exe);
    AnswerMissingFile(utility, "&No");
    EXPECT_EQ(utility.WaitForExit(kWindowTimeoutMs), 1u);
    EXPECT_EQ(utility.Output(), "");
    EXPECT_EQ(GetFileAttributesA(Ini.c_str()), INVALID_FILE_ATTRIBUTES) << "no file written";
}

TEST_F(Utility, AFileThatCannotBeCreatedIsShownAndNoWindowOpens)
{
    // A folder where the file belongs: the file cannot be created.
    ASSERT_TRUE(CreateDirectoryA(Ini.c_str(), nullptr));
    ChildProcess utility = ChildProcess::StartProgram(Exe);
    AnswerMissingFile(utility, "&Yes");
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
    std::string Report = Dir.File("heap-audit.txt");
};

TEST_F(AuditedUtility, ExitFreesEverythingAndTouchesNothingDestroyed)
{
    ChildProcess utility = ChildProcess::StartProgram(Exe);
    AnswerMissingFile(utility, "&Yes");
    HWND window = WaitForVisibleWindow(utility.ProcessId(), kMainCaption, kWindowTimeoutMs);
    ASSERT_NE(window, nullptr);
    zv::test::WaitUntilIdle(window, 5'000);
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
    PostMessageA(zv::test::FindChildByText(window, "E&xit"), BM_CLICK, 0, 0);
    EXPECT_EQ(utility.WaitForExit(kWindowTimeoutMs), 0u);
    // The verdict goes to the standard error handle and into the report file.
    EXPECT_EQ(zv::test::WithoutHeapAuditPeak(utility.Output()), zv::test::kCleanHeapAudit);
    const std::string report = ReadFileBytes(Report);
    EXPECT_NE(report.find("heap audit: 0 blocks (0 bytes) still allocated at exit"), std::string::npos) << report;
}

} // namespace
