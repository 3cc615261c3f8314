#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "framework/dllfunctions.h"

namespace {

using TNoSuchExport = void(WINAPI*)();

// Four kernel32 exports and one that no module has.
#define KERNEL_TEST_FUNCTIONS(X)                      \
    X(GetTickCount, decltype(&::GetTickCount))        \
    X(GetCurrentProcessId, decltype(&::GetCurrentProcessId)) \
    X(ZvNoSuchExport, TNoSuchExport)                  \
    X(GetCurrentThreadId, decltype(&::GetCurrentThreadId)) \
    X(Sleep, decltype(&::Sleep))

struct TKernelTestFunctions {
    KERNEL_TEST_FUNCTIONS(ZV_DLL_FUNCTION_MEMBER)
};

const TDllFunctionSlot<TKernelTestFunctions> kSlots[] = {KERNEL_TEST_FUNCTIONS(ZV_DLL_FUNCTION_SLOT)};

TEST(DllFunctions, EachMemberHoldsTheExportOfItsOwnNameAndAMissingOneStaysEmpty)
{
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    ASSERT_NE(kernel, nullptr);
    TKernelTestFunctions functions;
    EXPECT_EQ(ResolveDllFunctions(kernel, functions, kSlots), 4);

    // Written out by member, not through the slots, so a slot that fills the wrong member
    // shows here.
    EXPECT_EQ(DllFunctionAddress(functions.GetTickCount), GetProcAddress(kernel, "GetTickCount"));
    EXPECT_EQ(DllFunctionAddress(functions.GetCurrentProcessId), GetProcAddress(kernel, "GetCurrentProcessId"));
    EXPECT_EQ(DllFunctionAddress(functions.GetCurrentThreadId), GetProcAddress(kernel, "GetCurrentThreadId"));
    EXPECT_EQ(DllFunctionAddress(functions.Sleep), GetProcAddress(kernel, "Sleep"));
    EXPECT_EQ(functions.ZvNoSuchExport, nullptr);
    // And they are the functions: calling through a member does what its name says.
    EXPECT_EQ(functions.GetCurrentProcessId(), GetCurrentProcessId());
    EXPECT_EQ(functions.GetCurrentThreadId(), GetCurrentThreadId());

    for (const TDllFunctionSlot<TKernelTestFunctions>& slot : kSlots) {
        SCOPED_TRACE(slot.Name);
        EXPECT_EQ(slot.Load(functions), GetProcAddress(kernel, slot.Name));
    }
}

TEST(DllFunctions, ResolvingAgainEmptiesWhatTheNewModuleLacks)
{
    TKernelTestFunctions functions;
    ASSERT_EQ(ResolveDllFunctions(GetModuleHandleA("kernel32.dll"), functions, kSlots), 4);
    // ntdll exports none of these names under them (its own are Nt*/Rtl*).
    EXPECT_EQ(ResolveDllFunctions(GetModuleHandleA("ntdll.dll"), functions, kSlots), 0);
    EXPECT_EQ(functions.GetTickCount, nullptr);
    EXPECT_EQ(functions.Sleep, nullptr);
    ASSERT_EQ(ResolveDllFunctions(GetModuleHandleA("kernel32.dll"), functions, kSlots), 4);
    EXPECT_EQ(ResolveDllFunctions(nullptr, functions, kSlots), 0);
    EXPECT_EQ(functions.GetCurrentProcessId, nullptr);
}

} // namespace
