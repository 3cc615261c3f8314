// The scan over planted stacks in this process's own memory (TProcessStackMemory): a code
// area whose first page cannot be read, holding the call forms of the native code kind,
// and a stack area of three pages whose middle page cannot be read (no access, a guard
// page, or decommitted). The scan must skip the gap without touching it and find what lies
// beyond it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "exceptions/ExceptionLogStackWin.h"
#include "tests/exceptions/code_bytes.h"

namespace {

constexpr std::size_t Page = 0x1000;
constexpr std::size_t Word = sizeof(void*);

// Offsets inside the readable code page.
constexpr std::uintptr_t ProcedureOffset = 0x800;
constexpr std::uintptr_t SlotOffset = 0x900;

// A call form ending at a return address; its bytes may depend on where they land.
struct TRealForm {
    const char* Name;
    std::vector<std::uint8_t> (*Bytes)(std::uintptr_t returnAddress, std::uintptr_t code);
    int Length; // bytes from the call site to the return address
};

std::vector<std::uint8_t> CallRel32(std::uintptr_t v, std::uintptr_t code)
{
    return Cat({0xE8}, Le32(static_cast<std::int64_t>(code + ProcedureOffset) - static_cast<std::int64_t>(v)));
}
std::vector<std::uint8_t> CallRegister(std::uintptr_t, std::uintptr_t) { return {0xFF, 0xD0}; }
std::vector<std::uint8_t> CallMemory(std::uintptr_t, std::uintptr_t) { return {0xFF, 0x13}; }
std::vector<std::uint8_t> CallDisp32(std::uintptr_t, std::uintptr_t) { return Cat({0xFF, 0x96}, Le32(0x120)); }
std::vector<std::uint8_t> CallStack(std::uintptr_t, std::uintptr_t) { return {0xFF, 0x14, 0x24}; }
std::vector<std::uint8_t> CallStackDisp8(std::uintptr_t, std::uintptr_t) { return {0xFF, 0x54, 0x24, 0x10}; }
std::vector<std::uint8_t> CallStackDisp32(std::uintptr_t, std::uintptr_t)
{
    return Cat({0xFF, 0x94, 0x24}, Le32(0x1000));
}
#if defined(_WIN64)
std::vector<std::uint8_t> CallRex(std::uintptr_t, std::uintptr_t) { return {0x41, 0xFF, 0xD3}; }
std::vector<std::uint8_t> CallDisp8(std::uintptr_t, std::uintptr_t) { return {0x48, 0xFF, 0x50, 0x08}; }
std::vector<std::uint8_t> CallSlot(std::uintptr_t v, std::uintptr_t code)
{
    return Cat({0xFF, 0x15}, Le32(static_cast<std::int64_t>(code + SlotOffset) - static_cast<std::int64_t>(v)));
}
const TRealForm Forms[] = {
    {"call rel32", CallRel32, 5},          {"call rax", CallRegister, 2},
    {"call r11", CallRex, 3},              {"call [rbx]", CallMemory, 2},
    {"call [rax+8] (REX)", CallDisp8, 4},  {"call [rsi+disp32]", CallDisp32, 6},
    {"call [rsp]", CallStack, 3},          {"call [rsp+disp8]", CallStackDisp8, 4},
    {"call [rsp+disp32]", CallStackDisp32, 7}, {"call [rip+disp32]", CallSlot, 6},
};
#else
std::vector<std::uint8_t> CallDisp8(std::uintptr_t, std::uintptr_t) { return {0x8B, 0x45, 0x08, 0xFF, 0x50, 0x04}; }
std::vector<std::uint8_t> CallSlot(std::uintptr_t, std::uintptr_t code)
{
    return Cat({0xFF, 0x15}, Le32(static_cast<std::int64_t>(code + SlotOffset)));
}
const TRealForm Forms[] = {
    {"call rel32", CallRel32, 5},          {"call eax", CallRegister, 2},
    {"call [ebx]", CallMemory, 2},         {"mov; call [eax+4]", CallDisp8, 3},
    {"call [esi+disp32]", CallDisp32, 6},  {"call [esp]", CallStack, 3},
    {"call [esp+disp8]", CallStackDisp8, 4}, {"call [esp+disp32]", CallStackDisp32, 7},
    {"call [abs32]", CallSlot, 6},
};
#endif
constexpr int FormCount = static_cast<int>(sizeof(Forms) / sizeof(Forms[0]));

// Reserved and committed pages, released at the end.
class TPages {
public:
    explicit TPages(std::size_t count)
        : FBase(static_cast<std::uint8_t*>(VirtualAlloc(nullptr, count * Page, MEM_RESERVE | MEM_COMMIT,
                                                          PAGE_READWRITE))),
          FError(FBase ? 0 : GetLastError())
    {
    }
    TPages(const TPages&) = delete;
    TPages& operator=(const TPages&) = delete;
    ~TPages()
    {
        if (FBase) VirtualFree(FBase, 0, MEM_RELEASE);
    }
    std::uint8_t* Base() const noexcept { return FBase; }
    std::uintptr_t Address(std::size_t offset) const noexcept { return reinterpret_cast<std::uintptr_t>(FBase) + offset; }
    DWORD Error() const noexcept { return FError; }
    // The protection of page index; empty on success, else the failing call and its error.
    std::string Protect(std::size_t index, DWORD protection) const
    {
        DWORD old = 0;
        if (!VirtualProtect(FBase + index * Page, Page, protection, &old))
            return "VirtualProtect failed: " + std::to_string(GetLastError());
        return {};
    }
    std::string Decommit(std::size_t index) const
    {
        if (!VirtualFree(FBase + index * Page, Page, MEM_DECOMMIT))
            return "VirtualFree(MEM_DECOMMIT) failed: " + std::to_string(GetLastError());
        return {};
    }

private:
    std::uint8_t* FBase;
    DWORD FError;
};

// Names every address after itself, in one module, so the repeat rule applies.
TVantrelModuleInfo* const PlantedModule = reinterpret_cast<TVantrelModuleInfo*>(std::uintptr_t(0x1000));
void Resolve(std::uintptr_t address, TVantrelDebugInfo& entry, bool ownStack, bool first, std::uint32_t thread)
{
    entry = TVantrelDebugInfo();
    entry.DebugDetail = ddProcedure;
    entry.ModuleInfo = PlantedModule;
    entry.ThreadID = thread;
    entry.OwnStack = ownStack;
    entry.First = first;
    entry.ProcedureName = "P" + std::to_string(address);
}

enum TGapKind { gkNoAccess, gkGuard, gkDecommitted };

struct TGapCase {
    const char* Name;
    TGapKind Kind;
};

class RealStack : public testing::TestWithParam<TGapCase> {
protected:
    void SetUp() override
    {
        ASSERT_NE(FCode.Base(), nullptr) << "VirtualAlloc failed: " << FCode.Error();
        ASSERT_NE(FStack.Base(), nullptr) << "VirtualAlloc failed: " << FStack.Error();
        // Code: page 0 unreadable, page 1 int3 bytes with the forms, a procedure and a slot.
        std::memset(FCode.Base() + Page, 0xCC, Page);
        const std::uintptr_t code = FCode.Address(Page);
        const std::uint8_t procedure[] = {0x55, 0x89, 0xE5, 0x5D, 0xC3};
        std::memcpy(FCode.Base() + Page + ProcedureOffset, procedure, sizeof procedure);
        std::memcpy(FCode.Base() + Page + SlotOffset, &code, Word);
        for (int k = 0; k < FormCount; ++k) {
            const std::uintptr_t v = ReturnOf(k);
            const std::vector<std::uint8_t> bytes = Forms[k].Bytes(v, code);
            std::memcpy(reinterpret_cast<void*>(v - bytes.size()), bytes.data(), bytes.size());
        }
        // A call eax whose return address lies 2 bytes into the readable page: the 7 or 8
        // bytes before it reach into the unreadable one.
        FCode.Base()[Page] = 0xFF;
        FCode.Base()[Page + 1] = 0xD0;
        ASSERT_EQ(FCode.Protect(0, PAGE_NOACCESS), "");
        ASSERT_EQ(FCode.Protect(1, PAGE_EXECUTE_READ), "");
    }

    std::uintptr_t CodePage() const { return FCode.Address(Page); }
    std::uintptr_t ReturnOf(int k) const { return CodePage() + 0x40 + 0x40 * static_cast<std::uintptr_t>(k); }
    std::uintptr_t SiteOf(int k) const { return ReturnOf(k) - static_cast<std::uintptr_t>(Forms[k].Length); }
    void Plant(std::size_t offset, std::uintptr_t value) { std::memcpy(FStack.Base() + offset, &value, Word); }

    // Makes the middle stack page the case's gap.
    std::string MakeGap() const
    {
        switch (GetParam().Kind) {
        case gkNoAccess: return FStack.Protect(1, PAGE_NOACCESS);
        case gkGuard: return FStack.Protect(1, PAGE_READWRITE | PAGE_GUARD);
        case gkDecommitted: return FStack.Decommit(1);
        }
        return "unknown gap";
    }

    TStackTraceParams Params() const
    {
        TStackTraceParams params;
        params.StackPointer = FStack.Address(0);
        params.StackTop = FStack.Address(3 * Page - Word);
        params.ThreadID = GetCurrentThreadId();
        return params;
    }

    static std::vector<std::uintptr_t> Addresses(const TVantrelStackList& list, int from, bool visibleOnly)
    {
        std::vector<std::uintptr_t> addresses;
        for (int i = from; i < list.Count(); ++i)
            if (!visibleOnly || list.GetItem(i)->DebugDetail != ddNone) addresses.push_back(list.GetItem(i)->Address);
        return addresses;
    }

    TPages FCode{2};
    TPages FStack{3};
};

TEST_P(RealStack, FindsThePlantedFramesOnBothSidesOfTheGapAndHidesRepeats)
{
    const std::uintptr_t crossing = CodePage() + 2;
    // Page 0: every form once, stale values between them, a repeat and a crossing value.
    std::vector<std::uintptr_t> scanned; // the call sites in scan order, repeats included
    std::size_t at = 0;
    for (int k = 0; k < FormCount; ++k) {
        Plant(at, ReturnOf(k));
        scanned.push_back(SiteOf(k));
        Plant(at + Word, SiteOf(k));             // points at a call, not behind one
        Plant(at + 2 * Word, CodePage() + 0x700); // behind int3 bytes
        at += 5 * Word;
    }
    Plant(at, crossing);
    Plant(at + Word, FCode.Address(0x10));        // into the unreadable code page
    Plant(at + 2 * Word, FStack.Address(Page + 8)); // into the gap
    Plant(at + 3 * Word, ReturnOf(1));             // a repeat of one frame in a row
    Plant(at + 4 * Word, ReturnOf(1));
    scanned.push_back(SiteOf(1));
    scanned.push_back(SiteOf(1));
    // In the middle page before it becomes the gap: it must not be read.
    Plant(Page + 0x100, ReturnOf(2));
    // Page 2: frames beyond the gap, the last in the top word.
    Plant(2 * Page + 0x20, ReturnOf(3));
    Plant(2 * Page + 0x28, ReturnOf(0));
    Plant(3 * Page - Word, ReturnOf(FormCount - 1));
    scanned.insert(scanned.end(), {SiteOf(3), SiteOf(0), SiteOf(FormCount - 1)});
    ASSERT_EQ(MakeGap(), "");

    // An entry before this trace with the first planted site: the repeat rule stays inside
    // the trace's own entries.
    TVantrelStackList list;
    TVantrelDebugInfo before;
    Resolve(SiteOf(0), before, true, false, 1);
    before.Address = SiteOf(0);
    list.AddFrom(before);
    const int added = TraceStackInto(list, Params(), TProcessStackMemory(), Resolve);

    EXPECT_EQ(added, static_cast<int>(scanned.size()));
    EXPECT_EQ(Addresses(list, 1, false), scanned) << "every planted frame once per word, nothing else";
    std::vector<std::uintptr_t> visible = scanned;
    visible.erase(visible.begin() + FormCount); // the first of the two repeats
    EXPECT_EQ(Addresses(list, 1, true), visible);
    EXPECT_EQ(list.GetItem(0)->DebugDetail, ddProcedure) << "an entry of an earlier trace is left alone";

    if (GetParam().Kind == gkGuard) {
        MEMORY_BASIC_INFORMATION region{};
        ASSERT_NE(VirtualQuery(FStack.Base() + Page, &region, sizeof region), 0u);
        EXPECT_NE(region.Protect & PAGE_GUARD, 0u) << "the guard page was touched";
    }

    // First level 2, 3 levels: the accepted entries 3 to 5, repeats counted as they come.
    TStackTraceParams levels = Params();
    levels.FirstLevel = 2;
    levels.Levels = 3;
    const auto some = TraceStack(levels, TProcessStackMemory(), Resolve);
    EXPECT_EQ(Addresses(*some, 0, false), std::vector<std::uintptr_t>(scanned.begin() + 2, scanned.begin() + 5));
}

TEST_P(RealStack, TakesNoValueWhoseCallBytesReachIntoUnreadableMemory)
{
    ASSERT_EQ(MakeGap(), "");
    const std::uintptr_t crossing = CodePage() + 2;
    std::uintptr_t called = 0;
    EXPECT_EQ(CallSiteBefore(TProcessStackMemory(), NativeStackCodeKind, crossing, false, called), 0u);
    // The same call eax with its bytes all readable is taken.
    EXPECT_EQ(CallSiteBefore(TProcessStackMemory(), NativeStackCodeKind, ReturnOf(1), false, called), SiteOf(1));
    // A stack of only the crossing value and the gap's neighbours.
    Plant(Page - Word, crossing);
    Plant(2 * Page, crossing);
    EXPECT_EQ(TraceStack(Params(), TProcessStackMemory(), Resolve)->Count(), 0);
}

const TGapCase GapCases[] = {
    {"no_access", gkNoAccess},
    {"guard_page", gkGuard},
    {"decommitted", gkDecommitted},
};

INSTANTIATE_TEST_SUITE_P(Gaps, RealStack, testing::ValuesIn(GapCases),
                         [](const testing::TestParamInfo<TGapCase>& info) { return std::string(info.param.Name); });

} // namespace
