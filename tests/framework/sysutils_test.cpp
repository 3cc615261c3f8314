#include <gtest/gtest.h>

#include <windows.h>

#include <climits>
#include <cstdint>
#include <limits>
#include <string>

#include "framework/exceptions.h"
#include "framework/exceptions_win32.h"
#include "framework/sysutils.h"

namespace {

// A fresh directory under the temp directory, removed with its contents afterwards.
class FileSystemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH + 1];
        DWORD length = GetTempPathA(sizeof temp, temp);
        ASSERT_GT(length, 0u) << GetLastError();
        FRoot = std::string(temp, length) + "zv_sysutils_" + std::to_string(GetCurrentProcessId()) + "\\";
        RemoveTree(FRoot);   // left over by an earlier run that died
        ASSERT_TRUE(CreateDirectoryA(FRoot.c_str(), nullptr)) << GetLastError();
    }

    void TearDown() override { RemoveTree(FRoot); }

    static void RemoveTree(const std::string& directory)
    {
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((directory + "*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                std::string name = data.cFileName;
                if (name == "." || name == "..") continue;
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(directory + name + "\\");
                else
                    DeleteFileA((directory + name).c_str());
            } while (FindNextFileA(find, &data));
            FindClose(find);
        }
        RemoveDirectoryA(directory.c_str());
    }

    void MakeFile(const std::string& path)
    {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
        CloseHandle(file);
    }

    std::string FRoot;
};

TEST_F(FileSystemTest, FileAndDirectoryExistenceAreTold)
{
    MakeFile(FRoot + "file.txt");
    EXPECT_TRUE(FileExists(FRoot + "file.txt"));
    EXPECT_FALSE(DirectoryExists(FRoot + "file.txt"));
    EXPECT_TRUE(DirectoryExists(FRoot));
    EXPECT_TRUE(DirectoryExists(ExcludeTrailingPathDelimiter(FRoot)));
    EXPECT_FALSE(FileExists(ExcludeTrailingPathDelimiter(FRoot)));
    EXPECT_FALSE(FileExists(FRoot + "missing.txt"));
    EXPECT_FALSE(DirectoryExists(FRoot + "missing"));
}

TEST_F(FileSystemTest, ForceDirectoriesCreatesEveryMissingLevel)
{
    const std::string deep = FRoot + "a\\b/c\\";
    EXPECT_TRUE(ForceDirectories(deep));
    EXPECT_TRUE(DirectoryExists(FRoot + "a"));
    EXPECT_TRUE(DirectoryExists(FRoot + "a\\b"));
    EXPECT_TRUE(DirectoryExists(FRoot + "a\\b\\c"));
    EXPECT_TRUE(ForceDirectories(FRoot + "a\\b\\c"));   // already there
    EXPECT_TRUE(ForceDirectories(FRoot + "a\\b\\d"));
    EXPECT_TRUE(DirectoryExists(FRoot + "a\\b\\d"));
}

TEST_F(FileSystemTest, ForceDirectoriesFailsWhereAFileBlocksThePath)
{
    MakeFile(FRoot + "blocker");
    SetLastError(0);
    EXPECT_FALSE(ForceDirectories(FRoot + "blocker\\sub"));
    EXPECT_NE(GetLastError(), 0u);
    EXPECT_FALSE(DirectoryExists(FRoot + "blocker\\sub"));
    EXPECT_FALSE(ForceDirectories(""));
}

TEST(GetModuleName, GivesTheFullPathOfALoadedModule)
{
    char expected[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, expected, sizeof expected);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(GetModuleName(nullptr), std::string(expected, length));
    EXPECT_TRUE(SameText(ExtractFileName(GetModuleName(nullptr)), "framework_tests.exe"));

    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    ASSERT_NE(kernel, nullptr);
    std::string kernelPath = GetModuleName(kernel);
    EXPECT_TRUE(SameText(ExtractFileName(kernelPath), "kernel32.dll")) << kernelPath;
    EXPECT_NE(ExtractFileDir(kernelPath), "");

    // An address that is no module's base.
    static int notAModule = 0;
    EXPECT_EQ(GetModuleName(reinterpret_cast<HMODULE>(&notAModule)), "");
}

std::string MessageOf(DWORD code)
{
    try {
        RaiseLastOSError(code);
    } catch (const EOSError& e) {
        EXPECT_EQ(e.ErrorCode(), code);
        return e.Message();
    }
    ADD_FAILURE() << "no EOSError";
    return {};
}

TEST(RaiseLastOSError, NamesTheCodeAndTheSystemText)
{
    ASSERT_NE(SysErrorMessage(ERROR_FILE_NOT_FOUND), "");
    EXPECT_EQ(MessageOf(ERROR_FILE_NOT_FOUND),
              "System Error.  Code: 2.\r\n" + SysErrorMessage(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(MessageOf(0x80004005u), "System Error.  Code: -2147467259.\r\n" + SysErrorMessage(0x80004005u));
    EXPECT_EQ(MessageOf(0), "A call to an OS function failed");
}

TEST(RaiseLastOSError, TakesTheThreadsLastError)
{
    SetLastError(ERROR_ACCESS_DENIED);
    try {
        RaiseLastOSError();
        ADD_FAILURE() << "no exception";
    } catch (const EOSError& e) {
        EXPECT_EQ(e.ErrorCode(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
        EXPECT_EQ(e.Message(), "System Error.  Code: 5.\r\n" + SysErrorMessage(ERROR_ACCESS_DENIED));
    }
}

TEST(Win32Check, PassesSuccessThroughAndRaisesTheCallsError)
{
    EXPECT_EQ(Win32Check(TRUE), TRUE);
    EXPECT_EQ(Win32Check(7), 7);
    try {
        Win32Check(DeleteFileA("Z:\\zv-no-such-dir\\no-such-file.txt"));
        ADD_FAILURE() << "no exception";
    } catch (const EOSError& e) {
        EXPECT_TRUE(e.ErrorCode() == ERROR_PATH_NOT_FOUND || e.ErrorCode() == ERROR_FILE_NOT_FOUND) << e.ErrorCode();
        EXPECT_EQ(e.Message().rfind("System Error.  Code: ", 0), 0u) << e.Message();
    }
}

// The classes for OS exceptions chain under EExternal, beside the portable ones.
TEST(ExceptionClasses, OSExceptionClassesKeepTheRecordAndChainUnderEExternal)
{
    EXCEPTION_RECORD record{};
    record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
    EAccessViolation violation("Access violation", &record);
    const Exception& caught = violation;
    EXPECT_EQ(caught.ClassName(), "EAccessViolation");
    EXPECT_TRUE(caught.InheritsFrom("EExternal"));
    EXPECT_TRUE(caught.InheritsFrom("Exception"));
    EXPECT_FALSE(EStackOverflow().InheritsFrom("EAccessViolation"));
    EXPECT_EQ(violation.ExceptionRecord().ExceptionCode, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
    EXPECT_STREQ(caught.what(), "Access violation");
}

} // namespace
