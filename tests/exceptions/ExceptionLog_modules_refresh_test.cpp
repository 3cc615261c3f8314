// Refreshing the modules list: the set of modules against one the test enumerates itself
// (K32EnumProcessModules, looked up in kernel32 directly), each enumeration path, the
// order by handle, and records made while enumerating.
#include <gtest/gtest.h>

#include <windows.h>

#include <tlhelp32.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "exceptions/ExceptionLogModules.h"
#include "framework/dllfunctions.h"
#include "tests/exceptions/ExceptionLog_modules_fixtures.h"
#include "tests/support/probes.h"

namespace {

using zv::test::LibraryBesideExe;
using zv::test::TTestLibrary;

std::set<void*> LoadedModules()
{
    using TEnumProc = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, LPDWORD);
    const auto enumerate =
        DllFunctionCast<TEnumProc>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "K32EnumProcessModules"));
    EXPECT_NE(enumerate, nullptr);
    if (!enumerate) return {};
    std::vector<HMODULE> modules(1024);
    DWORD needed = 0;
    EXPECT_TRUE(enumerate(GetCurrentProcess(), modules.data(), static_cast<DWORD>(modules.size() * sizeof(HMODULE)),
                          &needed));
    modules.resize(needed / sizeof(HMODULE));
    return std::set<void*>(modules.begin(), modules.end());
}

// Module snapshots read the process's loader data, which thread snapshots do not: they
// can fail where the platform's thread-snapshot probe passes.
std::string ProbeModuleSnapshots()
{
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, GetCurrentProcessId());
    if (snapshot == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return "module snapshots fail with error " + std::to_string(error) +
               (zv::test::RunningUnderCpuEmulation() ? " under CPU emulation" : "");
    }
    CloseHandle(snapshot);
    return {};
}

std::set<void*> RecordedModules(const TVantrelModulesList& list)
{
    std::set<void*> handles;
    for (int index = 0; index < list.Count(); ++index) handles.insert(list.GetItem(index)->HModule);
    return handles;
}

struct TEnumerationCase {
    const char* Label;
    TModulesEnumeration Enumeration;
};

class ExceptionLogModuleRefresh : public testing::TestWithParam<TEnumerationCase> {};

TEST_P(ExceptionLogModuleRefresh, ListsTheLoadedModulesSortedByHandle)
{
    if (GetParam().Enumeration == meToolhelp) ZV_SKIP_UNLESS_PROBE_PASSES(ProbeModuleSnapshots());
    TVantrelModulesList list;
    ASSERT_TRUE(list.Refresh(GetParam().Enumeration));
    EXPECT_EQ(RecordedModules(list), LoadedModules());
    EXPECT_GT(list.Count(), 3);
    for (int index = 0; index < list.Count(); ++index) {
        const TVantrelModuleInfo* record = list.GetItem(index);
        SCOPED_TRACE(record->FileName);
        EXPECT_FALSE(record->FileName.empty());
        EXPECT_EQ(record->FileName, LoadedModuleFileName(record->HModule));
        // Made while enumerating: neither kind nor exports.
        EXPECT_EQ(record->Kind, mtUnknown);
        EXPECT_EQ(record->Exports.Count(), 0);
        if (index > 0) {
            EXPECT_LT(reinterpret_cast<std::uintptr_t>(list.GetItem(index - 1)->HModule),
                      reinterpret_cast<std::uintptr_t>(record->HModule));
        }
    }
    const std::size_t before = list.Count();
    EXPECT_TRUE(list.Refresh(GetParam().Enumeration));
    EXPECT_EQ(static_cast<std::size_t>(list.Count()), before) << "a second refresh adds nothing";
}

INSTANTIATE_TEST_SUITE_P(Paths, ExceptionLogModuleRefresh,
                         testing::Values(TEnumerationCase{"automatic", meAutomatic}, TEnumerationCase{"psapi", mePsapi},
                                         TEnumerationCase{"toolhelp", meToolhelp}),
                         [](const testing::TestParamInfo<TEnumerationCase>& info) { return info.param.Label; });

TEST(ExceptionLogModuleRefreshRecords, RecordMadeWhileEnumeratingIsMadeInFullOnRequest)
{
    TVantrelModulesList list;
    ASSERT_TRUE(list.Refresh());
    const int count = list.Count();
    TVantrelModuleInfo* kernel32 = list.ModuleInfoFor(GetModuleHandleA("kernel32.dll"));
    ASSERT_NE(kernel32, nullptr);
    EXPECT_EQ(kernel32->Kind, mtOSLibrary);
    TVantrelModuleInfo* exe = list.ModuleInfoFor(GetModuleHandleA(nullptr));
    ASSERT_NE(exe, nullptr);
    EXPECT_EQ(exe->Kind, mtMainModule);
    EXPECT_EQ(list.Count(), count) << "replaced, not added";

    // A full record stays as it is through the next refresh.
    ASSERT_TRUE(list.Refresh());
    EXPECT_EQ(list.Count(), count);
    EXPECT_EQ(list.ModuleInfoFor(GetModuleHandleA(nullptr)), exe);
    EXPECT_EQ(exe->Kind, mtMainModule);
}

TEST(ExceptionLogModuleRefreshRecords, LoadedAndUnloadedLibrary)
{
    TVantrelModulesList list;
    TTestLibrary library(LibraryBesideExe("ExceptionLog_modules_dll.dll"));
    ASSERT_NE(library.Get(), nullptr) << GetLastError();
    ASSERT_TRUE(list.Refresh());
    EXPECT_EQ(RecordedModules(list).count(library.Handle()), 1u);
    void* const handle = library.Handle();
    library.Free();
    ASSERT_TRUE(list.Refresh());
    EXPECT_EQ(RecordedModules(list).count(handle), 0u);
    EXPECT_EQ(RecordedModules(list), LoadedModules());
}

} // namespace
