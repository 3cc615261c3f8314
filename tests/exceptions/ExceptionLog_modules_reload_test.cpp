// A library unloaded and loaded again gets a fresh record: after a refresh, and when it
// comes back at the same address (a later time stamp, or another file) through the stale
// rule. The tests load copies of the test library in a scratch folder; the library is
// linked at a fixed base without relocation (CMakeLists.txt), so a copy loaded after the
// first is gone lands at the same address.
#include <gtest/gtest.h>

#include <windows.h>

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

TEST(ExceptionLogModuleReload, RefreshAfterUnloadThenReloadGivesAFreshRecord)
{
    ScratchDir scratch;
    double firstDate = 0;
    const std::string path = LibraryCopy(scratch, "modlib.dll", 2, firstDate);
    TVantrelModulesList list;
    ASSERT_NE(list.ModuleInfoFor(GetModuleHandleA("kernel32.dll")), nullptr);
    TTestLibrary library(path);
    ASSERT_NE(library.Get(), nullptr) << GetLastError();
    void* const handle = library.Handle();
    const TVantrelModuleInfo* first = list.ModuleInfoFor(handle);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(SameText(first->FileName, path)) << first->FileName;
    EXPECT_EQ(first->FileDate, firstDate);
    EXPECT_EQ(first->FileDescription, "Modules list test library");
    EXPECT_EQ(first->FileVersion, "2.3.4.5");
    EXPECT_EQ(first->Kind, mtOSLibrary);

    library.Free();
    list.Refresh();
    EXPECT_FALSE(HasRecordOf(list, handle)) << "the unloaded library's record is gone";
    EXPECT_TRUE(HasRecordOf(list, GetModuleHandleA("kernel32.dll")));

    const FILETIME later = SetFileWriteDay(path, 3);
    TTestLibrary again(path);
    ASSERT_NE(again.Get(), nullptr);
    const TVantrelModuleInfo* fresh = list.ModuleInfoFor(again.Handle());
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->FileDate, FileTimeToDateTime(later));
}

TEST(ExceptionLogModuleReload, ReloadWithAnotherDateAtTheSameHandleIsStale)
{
    ScratchDir scratch;
    double firstDate = 0;
    const std::string path = LibraryCopy(scratch, "modlib.dll", 2, firstDate);
    TVantrelModulesList list;
    ASSERT_NE(list.ModuleInfoFor(GetModuleHandleA("kernel32.dll")), nullptr);
    TTestLibrary library(path);
    ASSERT_NE(library.Get(), nullptr) << GetLastError();
    void* const handle = library.Handle();
    ASSERT_NE(list.ModuleInfoFor(handle), nullptr);

    list.DeleteStaleRecords();
    EXPECT_EQ(list.Count(), 2) << "nothing changed: nothing is stale";

    library.Free();
    const FILETIME later = SetFileWriteDay(path, 3);
    TTestLibrary again(path);
    ASSERT_EQ(again.Handle(), handle) << "loaded at its fixed base again";
    list.DeleteStaleRecords();
    EXPECT_FALSE(HasRecordOf(list, handle));
    EXPECT_TRUE(HasRecordOf(list, GetModuleHandleA("kernel32.dll")));
    const TVantrelModuleInfo* fresh = list.ModuleInfoFor(handle);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->FileDate, FileTimeToDateTime(later));
    EXPECT_NE(fresh->FileDate, firstDate);
}

TEST(ExceptionLogModuleReload, AnotherFileAtTheSameHandleIsStaleByName)
{
    ScratchDir scratch;
    double date = 0;
    const std::string first = LibraryCopy(scratch, "modlib_a.dll", 2, date);
    const std::string second = LibraryCopy(scratch, "modlib_b.dll", 2, date);
    TVantrelModulesList list;
    TTestLibrary library(first);
    ASSERT_NE(library.Get(), nullptr) << GetLastError();
    void* const handle = library.Handle();
    ASSERT_NE(list.ModuleInfoFor(handle), nullptr);
    library.Free();

    TTestLibrary other(second);
    ASSERT_EQ(other.Handle(), handle) << "the other copy lands at the same base";
    ASSERT_EQ(list.GetItem(0)->FileDate, date) << "same write time: only the name tells them apart";
    list.DeleteStaleRecords();
    EXPECT_EQ(list.Count(), 0);
    const TVantrelModuleInfo* fresh = list.ModuleInfoFor(handle);
    ASSERT_NE(fresh, nullptr);
    EXPECT_TRUE(SameText(fresh->FileName, second)) << fresh->FileName;
}

TEST(ExceptionLogModuleReload, UnloadedLibraryIsStale)
{
    ScratchDir scratch;
    double date = 0;
    const std::string path = LibraryCopy(scratch, "modlib.dll", 2, date);
    TVantrelModulesList list;
    TTestLibrary library(path);
    ASSERT_NE(library.Get(), nullptr) << GetLastError();
    ASSERT_NE(list.ModuleInfoFor(library.Handle()), nullptr);
    library.Free();
    list.DeleteStaleRecords();
    EXPECT_EQ(list.Count(), 0);
}

} // namespace
