// A library unloaded and loaded again gets a fresh record: after a refresh, and when it
// comes back at the same address (a later time stamp, or another file) through the stale
// rule; and a library loaded by its short name is recorded by its long one. The tests
// load copies of the test library in a scratch folder; the library is linked at a fixed
// base without relocation (CMakeLists.txt), so a copy loaded after the first is gone
// lands at the same address.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "exceptions/ExceptionLogModules.h"
#include "framework/datetime.h"
#include "framework/strutils.h"
#include "tests/exceptions/ExceptionLog_modules_fixtures.h"
#include "tests/support/scratch_dir.h"

namespace {

using zv::test::LibraryBesideExe;
using zv::test::ScratchDir;
using zv::test::SetFileWriteDay;
using zv::test::TTestLibrary;

// A copy of the test library in the scratch folder, its write time set to the day.
std::string LibraryCopy(const ScratchDir& scratch, const std::string& name, WORD day, double& date)
{
    const std::string path = scratch.File(name);
    EXPECT_TRUE(CopyFileA(LibraryBesideExe("ExceptionLog_modules_dll.dll").c_str(), path.c_str(), FALSE))
        << GetLastError();
    const FILETIME time = SetFileWriteDay(path, day);
    EXPECT_NE(time.dwLowDateTime | time.dwHighDateTime, 0u) << "the write time is set";
    date = FileTimeToDateTime(time);
    return path;
}

bool HasRecordOf(const TVantrelModulesList& list, void* handle)
{
    for (int index = 0; index < list.Count(); ++index) {
        if (list.GetItem(index)->HModule == handle) return true;
    }
    return false;
}

// A copy of the library written on 2 January, loaded, and the list with its record and
// kernel32's.
class ExceptionLogModuleReload : public testing::Test {
protected:
    void SetUp() override
    {
        FPath = LibraryCopy(FScratch, "modlib.dll", 2, FFirstDate);
        ASSERT_NE(FList.ModuleInfoFor(GetModuleHandleA("kernel32.dll")), nullptr);
        FLibrary = std::make_unique<TTestLibrary>(FPath);
        ASSERT_NE(FLibrary->Get(), nullptr) << GetLastError();
        FHandle = FLibrary->Handle();
        FFirst = FList.ModuleInfoFor(FHandle);
        ASSERT_NE(FFirst, nullptr);
    }

    // Declared first, so that it goes last: the library is freed before its file.
    ScratchDir FScratch;
    std::string FPath;
    double FFirstDate = 0;
    TVantrelModulesList FList;
    std::unique_ptr<TTestLibrary> FLibrary;
    void* FHandle = nullptr;
    const TVantrelModuleInfo* FFirst = nullptr;
};

TEST_F(ExceptionLogModuleReload, RefreshAfterUnloadThenReloadGivesAFreshRecord)
{
    EXPECT_TRUE(SameText(FFirst->FileName, FPath)) << FFirst->FileName;
    EXPECT_EQ(FFirst->FileDate, FFirstDate);
    EXPECT_EQ(FFirst->FileDescription, "Modules list test library");
    EXPECT_EQ(FFirst->FileVersion, "2.3.4.5");
    EXPECT_EQ(FFirst->Kind, mtOSLibrary);

    FLibrary->Free();
    FList.Refresh();
    EXPECT_FALSE(HasRecordOf(FList, FHandle)) << "the unloaded library's record is gone";
    EXPECT_TRUE(HasRecordOf(FList, GetModuleHandleA("kernel32.dll")));

    const FILETIME later = SetFileWriteDay(FPath, 3);
    TTestLibrary again(FPath);
    ASSERT_NE(again.Get(), nullptr);
    const TVantrelModuleInfo* fresh = FList.ModuleInfoFor(again.Handle());
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->FileDate, FileTimeToDateTime(later));
}

TEST_F(ExceptionLogModuleReload, ReloadWithAnotherDateAtTheSameHandleIsStale)
{
    FList.DeleteStaleRecords();
    EXPECT_EQ(FList.Count(), 2) << "nothing changed: nothing is stale";

    FLibrary->Free();
    const FILETIME later = SetFileWriteDay(FPath, 3);
    TTestLibrary again(FPath);
    ASSERT_EQ(again.Handle(), FHandle) << "loaded at its fixed base again";
    FList.DeleteStaleRecords();
    EXPECT_FALSE(HasRecordOf(FList, FHandle));
    EXPECT_TRUE(HasRecordOf(FList, GetModuleHandleA("kernel32.dll")));
    const TVantrelModuleInfo* fresh = FList.ModuleInfoFor(FHandle);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->FileDate, FileTimeToDateTime(later));
    EXPECT_NE(fresh->FileDate, FFirstDate);
}

TEST_F(ExceptionLogModuleReload, AnotherFileAtTheSameHandleIsStaleByName)
{
    double date = 0;
    const std::string other = LibraryCopy(FScratch, "modlib_b.dll", 2, date);
    ASSERT_EQ(FFirst->FileDate, date) << "same write time: only the name tells them apart";
    FLibrary->Free();
    TTestLibrary second(other);
    ASSERT_EQ(second.Handle(), FHandle) << "the other copy lands at the same base";
    FList.DeleteStaleRecords();
    EXPECT_FALSE(HasRecordOf(FList, FHandle));
    const TVantrelModuleInfo* fresh = FList.ModuleInfoFor(FHandle);
    ASSERT_NE(fresh, nullptr);
    EXPECT_TRUE(SameText(fresh->FileName, other)) << fresh->FileName;
}

TEST_F(ExceptionLogModuleReload, UnloadedLibraryIsStale)
{
    FLibrary->Free();
    FList.DeleteStaleRecords();
    EXPECT_FALSE(HasRecordOf(FList, FHandle));
    EXPECT_EQ(FList.Count(), 1);
}

TEST(ExceptionLogModuleFileName, LibraryLoadedByItsShortNameIsRecordedByItsLongName)
{
    ScratchDir scratch;
    double date = 0;
    const std::string path = LibraryCopy(scratch, "modules library with a long name.dll", 2, date);
    char shortName[MAX_PATH] = {};
    const DWORD length = GetShortPathNameA(path.c_str(), shortName, MAX_PATH);
    ASSERT_GT(length, 0u) << GetLastError();
    ASSERT_LT(length, static_cast<DWORD>(MAX_PATH));
    if (SameText(shortName, path)) GTEST_SKIP() << "the file system gives the file no short name";
    TTestLibrary library(shortName);
    ASSERT_NE(library.Get(), nullptr) << GetLastError();
    TVantrelModulesList list;
    const TVantrelModuleInfo* record = list.ModuleInfoFor(library.Handle());
    ASSERT_NE(record, nullptr);
    EXPECT_TRUE(SameText(record->FileName, path)) << record->FileName << " loaded as " << shortName;
}

} // namespace
