// The export list a module record carries: the test library's exports (one of them
// forwarded to kernel32) and a system library's, against GetProcAddress and the reader.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <set>
#include <string>

#include "exceptions/ExceptionLogModules.h"
#include "tests/exceptions/ExceptionLog_modules_fixtures.h"

namespace {

using zv::test::LibraryBesideExe;
using zv::test::TTestLibrary;

TEST(ExceptionLogModuleExports, LibraryExportsSortedByAddress)
{
    TTestLibrary library(LibraryBesideExe("ExceptionLog_modules_dll.dll"));
    ASSERT_NE(library.Get(), nullptr) << GetLastError();
    TVantrelModulesList list;
    const TVantrelModuleInfo* record = list.ModuleInfoFor(library.Handle());
    ASSERT_NE(record, nullptr);
    std::set<std::string> names;
    for (int index = 0; index < record->Exports.Count(); ++index) {
        const TVantrelFunctionInfo* info = record->Exports.GetItem(index);
        SCOPED_TRACE(info->Name);
        names.insert(info->Name);
        EXPECT_EQ(info->Address, reinterpret_cast<std::uintptr_t>(GetProcAddress(library.Get(), info->Name.c_str())));
        if (index > 0) {
            EXPECT_LE(record->Exports.GetItem(index - 1)->Address, info->Address);
        }
    }
    const std::set<std::string> expected = {"VantrelLog_PasswordRequestEvent", "VantrelLog_PasswordRequestEventEx",
                                            "ZvModulesDllAnswer", "ZvModulesDllSetAnswers", "ZvModulesDllTick",
                                            "ZvModulesDllTwice"};
    EXPECT_EQ(names, expected);
    // The forwarded export is kernel32's function itself.
    for (int index = 0; index < record->Exports.Count(); ++index) {
        if (record->Exports.GetItem(index)->Name == "ZvModulesDllTick") {
            EXPECT_EQ(record->Exports.GetItem(index)->Address,
                      reinterpret_cast<std::uintptr_t>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetTickCount")));
        }
    }
}

TEST(ExceptionLogModuleExports, SystemLibraryRecordHoldsItsExports)
{
    void* const kernel32 = GetModuleHandleA("kernel32.dll");
    TVantrelFunctionsList direct;
    ReadModuleExports(kernel32, direct);
    ASSERT_GT(direct.Count(), 100);
    TVantrelModulesList list;
    const TVantrelModuleInfo* record = list.ModuleInfoFor(kernel32);
    ASSERT_NE(record, nullptr);
    ASSERT_EQ(record->Exports.Count(), direct.Count());
    for (int index = 0; index < direct.Count(); ++index) {
        EXPECT_EQ(record->Exports.GetItem(index)->Name, direct.GetItem(index)->Name);
        EXPECT_EQ(record->Exports.GetItem(index)->Address, direct.GetItem(index)->Address);
    }
}

} // namespace
