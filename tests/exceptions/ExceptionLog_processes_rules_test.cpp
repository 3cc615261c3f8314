// The processes list's portable rules: the priority class of a base priority and its
// display name, the search by process identifier that attributes threads to their
// processes, and the records the list owns.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "exceptions/ExceptionLogProcesses.h"

namespace {

TEST(ProcessPriorityRules, ClassOfABasePriority)
{
    struct Case {
        std::int32_t Base;
        std::uint32_t Class;
    };
    // The system's own base priorities of the six classes are 4, 6, 8, 10, 13 and 24;
    // the others test the bounds.
    const Case cases[] = {
        {0, 0},
        {1, kPriorityClassLow},
        {4, kPriorityClassLow},
        {5, kPriorityClassLow},
        {6, kPriorityClassBelowNormal},
        {7, kPriorityClassBelowNormal},
        {8, kPriorityClassNormal},
        {9, kPriorityClassNormal},
        {10, kPriorityClassAboveNormal},
        {12, kPriorityClassAboveNormal},
        {13, kPriorityClassHigh},
        {23, kPriorityClassHigh},
        {24, kPriorityClassRealTime},
        {31, kPriorityClassRealTime},
        {-1, kPriorityClassLow},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("base priority " + std::to_string(c.Base));
        EXPECT_EQ(PriorityClassFromBasePriority(c.Base), c.Class);
    }
}

TEST(ProcessPriorityRules, DisplayNames)
{
    struct Case {
        std::uint32_t Class;
        const char* Name;
    };
    const Case cases[] = {
        {0x20, "Normal"},        {0x40, "Low"},          {0x80, "High"},
        {0x100, "Real-Time"},    {0x4000, "Below-Normal"}, {0x8000, "Above-Normal"},
        {0, ""},                 {0x10, ""},             {0x60, ""},
        {0xFFFFFFFFu, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("class " + std::to_string(c.Class));
        EXPECT_EQ(PriorityClassName(c.Class), c.Name);
    }
}

TVantrelProcessInfo Process(std::uint32_t pid, std::string name = {})
{
    TVantrelProcessInfo info;
    info.PID = pid;
    info.ExeName = std::move(name);
    return info;
}

// Lists of 0 to 9 processes (PIDs 10, 20, ...), every PID and every gap between them
// searched from every start index, valid or not: the search finds exactly the PIDs
// listed, whatever it is told to try first.
TEST(ProcessIdSearch, FindsEveryListedPidFromAnyStart)
{
    for (int size = 0; size < 10; ++size) {
        TVantrelProcessesList list;
        for (int i = 0; i < size; ++i) list.AddProcess(Process(10u * (i + 1)));
        for (std::uint32_t pid = 5; pid <= 10u * size + 5; pid += 5) {
            const bool listed = pid % 10 == 0;
            const int expected = listed ? static_cast<int>(pid / 10) - 1 : -1;
            for (int start = -2; start <= size + 1; ++start) {
                SCOPED_TRACE("size " + std::to_string(size) + ", pid " + std::to_string(pid) + ", start " +
                             std::to_string(start));
                int lastFound = start;
                EXPECT_EQ(list.IndexOfPID(pid, lastFound), expected);
                EXPECT_EQ(lastFound, listed ? expected : start);
            }
        }
    }
}

TEST(ProcessIdSearch, ThreadsCountForTheirOwnProcess)
{
    TVantrelProcessesList list;
    for (const std::uint32_t pid : {4u, 8u, 12u, 400u}) list.AddProcess(Process(pid));
    // As a thread snapshot lists them: grouped by process mostly, but not always, and
    // with a process that ended after the process list was taken (99).
    const std::uint32_t owners[] = {8, 8, 8, 4, 12, 12, 99, 8, 400, 400, 400, 400, 400, 4};
    int lastFound = -1;
    int unknown = 0;
    for (const std::uint32_t owner : owners)
        if (!list.CountThreadOf(owner, lastFound)) ++unknown;
    EXPECT_EQ(unknown, 1);
    const std::uint32_t expected[] = {2, 4, 2, 5};
    for (int i = 0; i < list.Count(); ++i) {
        SCOPED_TRACE("pid " + std::to_string(list.GetItem(i)->PID));
        EXPECT_EQ(list.GetItem(i)->ThreadCount, expected[i]);
    }
}

TEST(ProcessesListRecords, SortsRecordsByPid)
{
    TVantrelProcessesList list;
    list.AddProcess(Process(300, "c.exe"));
    list.AddProcess(Process(4, "a.exe"));
    list.AddProcess(Process(0xFFFFFFF0u, "d.exe"));
    list.AddProcess(Process(200, "b.exe"));
    list.SortByPID();
    const std::vector<std::string> names = {"a.exe", "b.exe", "c.exe", "d.exe"};
    ASSERT_EQ(list.Count(), 4);
    for (int i = 0; i < list.Count(); ++i) EXPECT_EQ(list.GetItem(i)->ExeName, names[i]);
    // Unsigned order: a PID above 2^31 sorts last, not first.
    EXPECT_EQ(list.GetItem(3)->PID, 0xFFFFFFF0u);
}

// Under the host build's leak checker a record that Delete, a replacement, Clear or the
// destructor left behind fails the test; one handed out by Extract is the caller's.
TEST(ProcessesListRecords, OwnsItsRecords)
{
    TVantrelProcessesList list;
    for (std::uint32_t pid = 1; pid <= 5; ++pid) list.AddProcess(Process(pid, std::string(64, 'x')));
    list.Delete(1);
    TVantrelProcessInfo* extracted = static_cast<TVantrelProcessInfo*>(list.Extract(list.GetItem(0)));
    ASSERT_NE(extracted, nullptr);
    EXPECT_EQ(extracted->PID, 1u);
    delete extracted;
    list.SetItems(0, new TVantrelProcessInfo(Process(30)));
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.GetItem(0)->PID, 30u);

    TVantrelProcessesList cleared;
    cleared.AddProcess(Process(7, std::string(64, 'y')));
    cleared.Clear();
    EXPECT_EQ(cleared.Count(), 0);
}

} // namespace
