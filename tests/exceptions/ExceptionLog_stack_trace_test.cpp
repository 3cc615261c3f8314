// The scan over planted stacks: the entries it finds, the limits, unreadable gaps and the
// clean-up passes.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "exceptions/ExceptionLogStack.h"
#include "tests/exceptions/ExceptionLog_stack_memory.h"

namespace {

constexpr std::uintptr_t CodeBase = 0x10000;
constexpr std::uintptr_t StackBase = 0x80000;

// Each call site k is an "FF D0" (call eax / call rax) at CodeBase + 0x10 * (k + 1).
std::uintptr_t Site(int k) { return CodeBase + 0x10 * static_cast<std::uintptr_t>(k + 1); }
std::uintptr_t ReturnOf(int k) { return Site(k) + 2; }

class PlantedStack : public testing::TestWithParam<TStackCodeKind> {
protected:
    void SetUp() override
    {
        FMemory.AddRegion(CodeBase, 0x4000, true, 0xCC);
        for (int k = 0; k < 0x3F0; ++k) FMemory.Put(Site(k), {0xFF, 0xD0});
    }
    std::size_t Word() const { return GetParam() == sckX64 ? 8 : 4; }
    void Plant(std::size_t slot, std::uint64_t value) { FMemory.PutWord(StackBase + slot * Word(), value, Word()); }

    TStackTraceParams Params(std::size_t words) const
    {
        TStackTraceParams params;
        params.StackPointer = StackBase;
        params.StackTop = StackBase + (words - 1) * Word();
        params.CodeKind = GetParam();
        params.ThreadID = 7;
        return params;
    }

    // Names every address after itself: procedure "P<address>", line 0x100 + offset.
    static void Resolve(std::uintptr_t address, TVantrelDebugInfo& entry, bool ownStack, bool first,
                        std::uint32_t thread)
    {
        entry = TVantrelDebugInfo();
        entry.DebugDetail = ddSourceCode;
        entry.ThreadID = thread;
        entry.OwnStack = ownStack;
        entry.First = first;
        entry.UnitName = "unit.cpp";
        entry.ProcedureName = "P" + std::to_string(address);
        entry.LineNumber = 0x100 + static_cast<std::uint32_t>(address & 0xFF);
        entry.ProcedureLine = 1;
    }

    std::vector<std::uintptr_t> Visible(const TVantrelStackList& list) const
    {
        std::vector<std::uintptr_t> addresses;
        for (int i = 0; i < list.Count(); ++i)
            if (list.GetItem(i)->DebugDetail != ddNone) addresses.push_back(list.GetItem(i)->Address);
        return addresses;
    }

    TPlantedMemory FMemory;
};

TEST_P(PlantedStack, FindsExactlyThePlantedReturnAddressesInOrder)
{
    FMemory.AddRegion(StackBase, 64 * Word(), true);
    Plant(1, ReturnOf(0));
    Plant(2, Site(1));          // points at a call, not behind one
    Plant(3, 0x12345678);       // no code at all
    Plant(5, ReturnOf(1));
    Plant(6, CodeBase + 0x800); // behind int3 bytes
    Plant(63, ReturnOf(2));     // the top word
    TStackTraceParams params = Params(64);
    params.StartAddress = 0x10999;
    const auto list = TraceStack(params, FMemory, Resolve);
    ASSERT_EQ(Visible(*list), (std::vector<std::uintptr_t>{0x10999, Site(0), Site(1), Site(2)}));
    EXPECT_EQ(list->GetItem(0)->First, 1);
    EXPECT_EQ(list->GetItem(1)->First, 0);
    EXPECT_EQ(list->GetItem(1)->ThreadID, 7u);
    EXPECT_EQ(list->GetItem(1)->OwnStack, 1);
}

TEST_P(PlantedStack, ShowsARepeatWithinOneModuleOnce)
{
    FMemory.AddRegion(StackBase, 16 * Word(), true);
    Plant(0, ReturnOf(0));
    Plant(1, ReturnOf(0));
    Plant(2, ReturnOf(1));
    Plant(3, ReturnOf(2));
    Plant(4, ReturnOf(1)); // next-but-one: hidden too
    Plant(8, ReturnOf(3));
    Plant(9, ReturnOf(4));
    Plant(10, ReturnOf(5));
    Plant(11, ReturnOf(3)); // two named entries between: a real frame again
    const auto list = TraceStack(Params(16), FMemory, Resolve);
    EXPECT_EQ(list->Count(), 9);
    EXPECT_EQ(Visible(*list), (std::vector<std::uintptr_t>{Site(0), Site(2), Site(1), Site(3), Site(4), Site(5), Site(3)}));
}

TEST_P(PlantedStack, FirstLevelTwoWithThreeLevelsKeepsEntriesThreeToFive)
{
    FMemory.AddRegion(StackBase, 16 * Word(), true);
    for (int k = 0; k < 7; ++k) Plant(static_cast<std::size_t>(k), ReturnOf(k));
    TStackTraceParams params = Params(16);
    params.FirstLevel = 2;
    params.Levels = 3;
    const auto list = TraceStack(params, FMemory, Resolve);
    EXPECT_EQ(Visible(*list), (std::vector<std::uintptr_t>{Site(2), Site(3), Site(4)}));
}

TEST_P(PlantedStack, KeepsOnlyTheDetailsOfTheMask)
{
    FMemory.AddRegion(StackBase, 4 * Word(), true);
    Plant(0, ReturnOf(0));
    TStackTraceParams params = Params(4);
    params.Details = AllDebugDetails & ~DebugDetailBit(ddSourceCode);
    EXPECT_EQ(TraceStack(params, FMemory, Resolve)->Count(), 0);
    params.Details = DebugDetailBit(ddSourceCode);
    EXPECT_EQ(TraceStack(params, FMemory, Resolve)->Count(), 1);
}

TEST_P(PlantedStack, SkipsAnUnreadableGapAndGoesOn)
{
    FMemory.AddRegion(StackBase, 0x400, true);
    FMemory.AddRegion(StackBase + 0x400, 0x400, false);
    FMemory.AddRegion(StackBase + 0x800, 0x400, true);
    Plant(0, ReturnOf(0));
    Plant(0x7F8 / Word(), ReturnOf(1)); // inside the gap: never read
    Plant(0x800 / Word(), ReturnOf(2));
    Plant(0xBF8 / Word(), ReturnOf(3));
    const auto list = TraceStack(Params(0xC00 / Word()), FMemory, Resolve);
    EXPECT_EQ(Visible(*list), (std::vector<std::uintptr_t>{Site(0), Site(2), Site(3)}));
}

TEST_P(PlantedStack, AFailedReadCostsOnlyItsWord)
{
    FMemory.AddRegion(StackBase, 16 * Word(), true);
    Plant(0, ReturnOf(0));
    Plant(1, ReturnOf(1));
    Plant(2, ReturnOf(2));
    FMemory.FailReadAt(StackBase + Word());
    const auto list = TraceStack(Params(16), FMemory, Resolve);
    EXPECT_EQ(Visible(*list), (std::vector<std::uintptr_t>{Site(0), Site(2)}));
}

TEST_P(PlantedStack, TestsReadabilityInBlocksOf400Bytes)
{
    FMemory.AddRegion(StackBase, 4000, true);
    FMemory.ResetCounts();
    TraceStack(Params(4000 / Word()), FMemory, Resolve);
    EXPECT_EQ(FMemory.ReadableCalls(), 10);
}

TEST_P(PlantedStack, ScansAtMost102400Bytes)
{
    const std::size_t limitSlot = StackScanLimit / Word();
    FMemory.AddRegion(StackBase, StackScanLimit + 16 * Word(), true);
    Plant(0, ReturnOf(0));
    Plant(limitSlot, ReturnOf(1));     // the last word of the lowered top
    Plant(limitSlot + 1, ReturnOf(2)); // beyond the limit
    const auto list = TraceStack(Params(limitSlot + 16), FMemory, Resolve);
    EXPECT_EQ(Visible(*list), (std::vector<std::uintptr_t>{Site(0), Site(1)}));
}

TEST_P(PlantedStack, StopsAddingPast1024Entries)
{
    const std::size_t words = 2000;
    FMemory.AddRegion(StackBase, words * Word(), true);
    for (std::size_t slot = 0; slot < words; ++slot) Plant(slot, ReturnOf(static_cast<int>(slot % 0x3F0)));
    const auto list = TraceStack(Params(words), FMemory, Resolve);
    EXPECT_EQ(list->Count(), StackEntriesLimit + 1);
    // A second trace into the full list adds nothing.
    EXPECT_EQ(TraceStackInto(*list, Params(words), FMemory, Resolve), 0);
}

TEST_P(PlantedStack, WithoutResolvingKeepsAddresses)
{
    FMemory.AddRegion(StackBase, 4 * Word(), true);
    Plant(0, ReturnOf(0));
    TStackTraceParams params = Params(4);
    params.Resolve = false;
    const auto list = TraceStack(params, FMemory, TStackResolver());
    ASSERT_EQ(list->Count(), 1);
    EXPECT_EQ(list->GetItem(0)->Address, Site(0));
    EXPECT_EQ(list->GetItem(0)->DebugDetail, ddModule);
}

INSTANTIATE_TEST_SUITE_P(Both, PlantedStack, testing::Values(sckI386, sckX64),
                         [](const testing::TestParamInfo<TStackCodeKind>& info) {
                             return std::string(info.param == sckX64 ? "x64" : "i386");
                         });

// --- The clean-up over hand-made traces ---

struct TEntryPlan {
    TVantrelDebugDetail Detail;
    std::uintptr_t Address;
    const char* Procedure;
    std::uint32_t ProcedureLine;
    std::uint32_t Thread;
};

TVantrelStackList ListOf(const std::vector<TEntryPlan>& plans)
{
    TVantrelStackList list;
    for (const TEntryPlan& plan : plans) {
        auto entry = std::make_unique<TVantrelDebugInfo>();
        entry->DebugDetail = plan.Detail;
        entry->Address = plan.Address;
        entry->UnitName = "unit.cpp";
        entry->ProcedureName = plan.Procedure;
        entry->LineNumber = plan.ProcedureLine ? 10 + plan.ProcedureLine : 10;
        entry->ProcedureLine = plan.ProcedureLine;
        entry->ThreadID = plan.Thread;
        entry->OwnStack = 1;
        list.Add(std::move(entry));
    }
    return list;
}

std::string Details(const TVantrelStackList& list)
{
    std::string details;
    for (int i = 0; i < list.Count(); ++i) details += static_cast<char>('0' + list.GetItem(i)->DebugDetail);
    return details;
}

struct TCleanUpCase {
    const char* Name;
    std::vector<TEntryPlan> Entries;
    bool InsideIDE;
    const char* Expected; // the details after the clean-up
};

const TCleanUpCase CleanUpCases[] = {
    {"stale_frames_between_a_procedure_and_its_start",
     {{ddSourceCode, 1, "P", 3, 1}, {ddSourceCode, 2, "Q", 2, 1}, {ddSourceCode, 3, "R", 4, 1}, {ddSourceCode, 4, "P", 0, 1}},
     false, "4004"},
    {"no_entry_between", {{ddSourceCode, 1, "P", 3, 1}, {ddSourceCode, 4, "P", 0, 1}}, false, "44"},
    {"other_thread_is_no_match",
     {{ddSourceCode, 1, "P", 3, 2}, {ddSourceCode, 2, "Q", 2, 1}, {ddSourceCode, 4, "P", 0, 1}}, false, "444"},
    {"inside_the_procedure_is_no_start",
     {{ddSourceCode, 1, "P", 3, 1}, {ddSourceCode, 2, "Q", 2, 1}, {ddSourceCode, 4, "P", 5, 1}}, false, "444"},
    {"repeat_of_the_next_but_one", {{ddProcedure, 1, "A", 0, 1}, {ddProcedure, 2, "B", 0, 1}, {ddProcedure, 1, "A", 0, 1}},
     false, "022"},
    {"unnamed_entries_do_not_count_as_next",
     {{ddProcedure, 1, "A", 0, 1}, {ddModule, 9, "", 0, 1}, {ddModule, 9, "", 0, 1}, {ddProcedure, 1, "A", 0, 1}}, false,
     "0112"},
    {"development_environment_drops_unnamed_and_handler_frames",
     {{ddModule, 1, "", 0, 1}, {ddProcedure, 2, "HandleExceptionNow", 0, 1}, {ddProcedure, 3, "Work", 0, 1}}, true, "2"},
    {"outside_it_they_stay",
     {{ddModule, 1, "", 0, 1}, {ddProcedure, 2, "HandleExceptionNow", 0, 1}, {ddProcedure, 3, "Work", 0, 1}}, false, "122"},
};

class CleanUp : public testing::TestWithParam<TCleanUpCase> {};

TEST_P(CleanUp, HidesRepeatsAndStaleFrames)
{
    TVantrelStackList list = ListOf(GetParam().Entries);
    CleanUpTrace(list, 0, GetParam().InsideIDE, true);
    EXPECT_EQ(Details(list), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Traces, CleanUp, testing::ValuesIn(CleanUpCases),
                         [](const testing::TestParamInfo<TCleanUpCase>& info) { return std::string(info.param.Name); });

TEST(CleanUpOfOneTrace, LeavesTheEarlierTracesAlone)
{
    TVantrelStackList list = ListOf({{ddProcedure, 1, "A", 0, 1}, {ddProcedure, 1, "A", 0, 1}, {ddProcedure, 1, "A", 0, 1}});
    CleanUpTrace(list, 1, false, true);
    EXPECT_EQ(Details(list), "202");
}

TEST(StackList, AddFromCopiesTheLocationOnly)
{
    TVantrelDebugInfo entry;
    entry.DebugDetail = ddSourceCode;
    entry.Address = 0x401000;
    entry.UnitName = "a.cpp";
    entry.ClassName = "C";
    entry.ProcedureName = "Run";
    entry.LineNumber = 12;
    entry.ProcedureLine = 3;
    entry.ThreadID = 5;
    TVantrelStackList list;
    list.AddFrom(entry);
    const TVantrelDebugInfo& copy = *list.GetItem(0);
    EXPECT_EQ(copy.DebugDetail, ddSourceCode);
    EXPECT_EQ(copy.Address, 0x401000u);
    EXPECT_EQ(copy.UnitName.View(), "a.cpp");
    EXPECT_EQ(copy.ClassName.View(), "C");
    EXPECT_EQ(copy.ProcedureName.View(), "Run");
    EXPECT_EQ(copy.LineNumber, 12u);
    EXPECT_EQ(copy.ThreadID, 0u);
    list.Delete(5);
    list.Delete(0);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.GetItem(0), nullptr);
}

TEST(LevelsMask, FollowsTheCallStackOptions)
{
    EXPECT_EQ(LevelsDetailMask({}), DebugDetailBit(ddSourceCode));
    EXPECT_EQ(LevelsDetailMask({csoShowDLLs}), DebugDetailBit(ddSourceCode) | DebugDetailBit(ddProcedure));
    EXPECT_EQ(LevelsDetailMask({csoShowBPLs}), DebugDetailBit(ddSourceCode) | DebugDetailBit(ddUnitAndProcedure));
}

} // namespace
