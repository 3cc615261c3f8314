// The listing and the raise-time stack copy over this exe's own code and stack, resolved
// through its own debug data.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "exceptions/EdebugResolve.h"
#include "exceptions/ExceptionLogListingWin.h"
#include "exceptions/ExceptionLogModules.h"
#include "exceptions/ExceptionLogStackCopy.h"
#include "exceptions/ExceptionLogThreads.h"

namespace {

volatile int ListingSink = 0;
const void* volatile CalleeReturnAddress = nullptr;
int CallerLine = 0;

} // namespace

__attribute__((noinline)) void ListingCallee()
{
    CalleeReturnAddress = __builtin_return_address(0);
    ListingSink = ListingSink + 1;
}

__attribute__((noinline)) void ListingCaller()
{
    ListingSink = ListingSink + 2;
    CallerLine = __LINE__ + 1;
    ListingCallee();
    ListingSink = ListingSink + 3;
}

namespace {

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST(RealListing, ShowsTheCallWithItsSourceHeaderAndTheCalledProcedure)
{
    ListingCaller();
    const auto* call = static_cast<const std::uint8_t*>(CalleeReturnAddress) - 5;
    ASSERT_EQ(*call, 0xE8) << "the direct call to the callee";

    TVantrelModulesList modules;
    TELDebugResolver resolver(modules);
    const std::vector<std::string> lines = GetDisassemblyListing(call, resolver);
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    SCOPED_TRACE(text);
    ASSERT_GE(lines.size(), 3u);

    // The listing begins with the header of the call's own line, naming the procedure.
    EXPECT_EQ(lines[0], "; tests/exceptions/ExceptionLog_listing_real_test.ListingCaller (Line=" +
                            std::to_string(CallerLine) + " - Offset=" + lines[0].substr(lines[0].rfind('=') + 1));
    EXPECT_EQ(lines[1], "; " + std::string(lines[0].size() - 2, '-'));

    const auto marked = std::find_if(lines.begin(), lines.end(),
                                     [](const std::string& line) { return Contains(line, "<-- EXCEPTION"); });
    ASSERT_NE(marked, lines.end());
    char address[17];
    std::snprintf(address, sizeof address, sizeof(void*) == 8 ? "%016llX" : "%08llX",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(call)));
    EXPECT_EQ(marked->rfind(address, 0), 0u);
    EXPECT_TRUE(Contains(*marked, "call    tests/exceptions/ExceptionLog_listing_real_test.ListingCallee (Line="));
    EXPECT_EQ(std::count_if(marked + 1, lines.end(), [](const std::string& line) { return line[0] != ';'; }) <= 10,
              true);
}

// A reserved range whose first `readable` bytes are committed and the rest not.
struct TPartlyReadable {
    explicit TPartlyReadable(std::size_t size, std::size_t readable)
    {
        Base = static_cast<std::uint8_t*>(VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS));
        if (Base && readable) VirtualAlloc(Base, readable, MEM_COMMIT, PAGE_READWRITE);
    }
    ~TPartlyReadable()
    {
        if (Base) VirtualFree(Base, 0, MEM_RELEASE);
    }
    std::uint8_t* Base = nullptr;
};

TEST(RaiseStackCopy, KeepsAtMost102400BytesAndEndsAtUnreadableMemory)
{
    TRaiseStackCopy copy;
    EXPECT_EQ(copy.Length(), 0u);
    TPartlyReadable large(256 * 1024, 256 * 1024);
    ASSERT_NE(large.Base, nullptr);
    const auto base = reinterpret_cast<std::uintptr_t>(large.Base);
    copy.Take(base, base + 256 * 1024, nullptr, 1);
    EXPECT_EQ(copy.Length(), 102400u);
    TPartlyReadable partly(64 * 1024, 8192);
    const auto partlyBase = reinterpret_cast<std::uintptr_t>(partly.Base);
    copy.Take(partlyBase, partlyBase + 64 * 1024, nullptr, 1);
    EXPECT_EQ(copy.Length(), 8192u);
    copy.Take(partlyBase + 100, partlyBase + 100, nullptr, 1);
    EXPECT_EQ(copy.Length(), 0u);
}

const void* volatile RaiseAddress = nullptr;

__attribute__((noinline)) void TakeCopyHere(TRaiseStackCopy& copy)
{
    volatile std::uintptr_t marker = 0;
    // The call in the caller stands for the throw's address.
    RaiseAddress = static_cast<const std::uint8_t*>(__builtin_return_address(0)) - 5;
    copy.Take(reinterpret_cast<std::uintptr_t>(&marker), CurrentThreadStackTop(), RaiseAddress,
              GetCurrentThreadId());
    ListingSink = ListingSink + 1;
}

TEST(RaiseStackCopy, IsTracedWithTheRaiseAddressFirstAfterItsFramesAreGone)
{
    TRaiseStackCopy copy;
    TVantrelModulesList modules;
    TELDebugResolver resolver(modules);
    EXPECT_EQ(GetLastExceptionCallStack(copy, resolver), nullptr);

    const int line = __LINE__ + 1;
    TakeCopyHere(copy);
    // The frames of the copy are overwritten by now; the copy still holds them.
    const auto stack = GetLastExceptionCallStack(copy, resolver);
    ASSERT_NE(stack, nullptr);
    ASSERT_GT(stack->Count(), 1);
    const TVantrelDebugInfo& first = *stack->GetItem(0);
    EXPECT_EQ(first.First, 1);
    EXPECT_EQ(first.Address, reinterpret_cast<std::uintptr_t>(RaiseAddress));
    EXPECT_EQ(first.ThreadID, GetCurrentThreadId());
    EXPECT_EQ(first.ProcedureName.View(), "TestBody");
    EXPECT_EQ(first.LineNumber, static_cast<std::uint32_t>(line));

    copy.Clear();
    EXPECT_EQ(GetLastExceptionCallStack(copy, resolver), nullptr);
}

} // namespace
