// The processes list read from the system under Wine, on each of its three paths: the
// test process and programs the tests start (ExceptionLog_processes_child: a version
// resource, a known number of threads) are listed with their full paths, versions,
// descriptions and thread counts; a path whose snapshot fails falls back to EnumProcesses;
// a process that cannot be opened is left out before Vista only.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <string>
#include <vector>

#include "exceptions/ExceptionLogProcesses.h"
#include "exceptions/ExceptionLogProcessesWin.h"
#include "framework/strutils.h"
#include "tests/support/child_process.h"
#include "tests/support/probes.h"

namespace {

using zv::test::ChildProcess;

constexpr char kChildDescription[] = "Processes list test child";
constexpr char kChildVersion[] = "3.1.4.15";

std::string ThisExeName()
{
    char name[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, name, MAX_PATH);
    return std::string(name, length);
}

std::string ChildExeName()
{
    return ExtractFilePath(ThisExeName()) + "ExceptionLog_processes_child.exe";
}

// The child program, running with its threads started until the object goes.
class TRunningChild {
public:
    explicit TRunningChild(int threads)
        : FThreads(threads), FReadyName(EventName("ready")), FStopName(EventName("stop")),
          FReady(CreateEventA(nullptr, TRUE, FALSE, FReadyName.c_str())),
          FStop(CreateEventA(nullptr, TRUE, FALSE, FStopName.c_str())),
          FProcess(ChildProcess::StartProgram(ChildExeName(), {std::to_string(threads), FReadyName, FStopName}))
    {
    }
    TRunningChild(const TRunningChild&) = delete;
    TRunningChild& operator=(const TRunningChild&) = delete;
    ~TRunningChild()
    {
        Stop();
        CloseHandle(FReady);
        CloseHandle(FStop);
    }

    // True once every thread of the child runs; the child's output says why not.
    ::testing::AssertionResult WaitUntilReady()
    {
        const HANDLE handles[] = {FReady, FProcess.Handle()};
        const DWORD result = WaitForMultipleObjects(2, handles, FALSE, 60'000);
        if (result == WAIT_OBJECT_0) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the child did not get ready (wait result " << result
                                             << "): " << FProcess.Output();
    }
    // Lets the child's threads end and waits for its exit; returns its exit code.
    DWORD Stop()
    {
        if (FStopped) return FExitCode;
        FStopped = true;
        SetEvent(FStop);
        FExitCode = FProcess.WaitForExit(30'000);
        return FExitCode;
    }

    DWORD Pid() const noexcept { return FProcess.ProcessId(); }
    HANDLE Handle() const noexcept { return FProcess.Handle(); }
    // The threads the child runs: those it started and its main thread.
    std::uint32_t ThreadCount() const noexcept { return static_cast<std::uint32_t>(FThreads + 1); }
    std::string Output() { return FProcess.Output(); }

private:
    static std::string EventName(const char* what)
    {
        static std::atomic<int> counter{0};
        return "ZvProcessesTest-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter) + "-" +
               what;
    }

    int FThreads;
    std::string FReadyName;
    std::string FStopName;
    HANDLE FReady;
    HANDLE FStop;
    ChildProcess FProcess;
    bool FStopped = false;
    DWORD FExitCode = STILL_ACTIVE;
};

const TVantrelProcessInfo* Find(const TVantrelProcessesList& list, DWORD pid)
{
    for (int i = 0; i < list.Count(); ++i)
        if (list.GetItem(i)->PID == pid) return list.GetItem(i);
    return nullptr;
}

::testing::AssertionResult StrictlySortedByPid(const TVantrelProcessesList& list)
{
    for (int i = 1; i < list.Count(); ++i)
        if (list.GetItem(i - 1)->PID >= list.GetItem(i)->PID)
            return ::testing::AssertionFailure() << "PID " << list.GetItem(i - 1)->PID << " at " << i - 1
                                                 << " before PID " << list.GetItem(i)->PID;
    return ::testing::AssertionSuccess();
}

// The child's record as every path must give it: its full path and version resource.
void ExpectChildRecord(const TVantrelProcessesList& list, const TRunningChild& child)
{
    const TVantrelProcessInfo* record = Find(list, child.Pid());
    ASSERT_NE(record, nullptr) << "the child (PID " << child.Pid() << ") is not listed";
    EXPECT_TRUE(SameText(record->ExeName, ChildExeName())) << record->ExeName;
    EXPECT_EQ(record->ExeDescription, kChildDescription);
    EXPECT_EQ(record->ExeVersion, kChildVersion);
}

const char* PathName(TProcessesListPath path)
{
    switch (path) {
    case plpNT4: return "NT 4";
    case plpBeforeVista: return "before Vista";
    case plpVistaAndLater: return "Vista and later";
    }
    return "?";
}

class ProcessesListOfTheSystem : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FTwoThreads.WaitUntilReady());
        ASSERT_TRUE(FFiveThreads.WaitUntilReady());
    }

    TRunningChild FTwoThreads{2};
    TRunningChild FFiveThreads{5};
};

// The path of the version check: Wine reports Windows 7. Both children and this process
// are listed, sorted, and a second refresh replaces the first list rather than adding to it.
TEST_F(ProcessesListOfTheSystem, DefaultPathListsThisProcessAndTheChildren)
{
    EXPECT_EQ(ProcessesListPathForThisSystem(), plpVistaAndLater);
    TVantrelProcessesList list;
    for (int refresh = 1; refresh <= 2; ++refresh) {
        SCOPED_TRACE("refresh " + std::to_string(refresh));
        const TProcessesListPath path = list.Refresh();
        // A failed snapshot under emulation gives the EnumProcesses path instead.
        EXPECT_TRUE(path == ProcessesListPathForThisSystem() || path == plpNT4) << PathName(path);
        EXPECT_TRUE(StrictlySortedByPid(list));
        const TVantrelProcessInfo* self = Find(list, GetCurrentProcessId());
        ASSERT_NE(self, nullptr);
        EXPECT_TRUE(SameText(self->ExeName, ThisExeName())) << self->ExeName;
        ExpectChildRecord(list, FTwoThreads);
        ExpectChildRecord(list, FFiveThreads);
    }
}

// Each path counts the threads of each process for itself: from the process snapshot on
// Vista and later, from a thread snapshot on the other two.
TEST_F(ProcessesListOfTheSystem, ThreadCountsOnEveryPath)
{
    ZV_SKIP_UNLESS_PROBE_PASSES(zv::test::ProbeToolhelpSnapshots());
    for (const TProcessesListPath path : {plpVistaAndLater, plpBeforeVista, plpNT4}) {
        SCOPED_TRACE(PathName(path));
        TVantrelProcessesList list;
        EXPECT_EQ(list.Refresh(path), path);
        for (const TRunningChild* child : {&FTwoThreads, &FFiveThreads}) {
            const TVantrelProcessInfo* record = Find(list, child->Pid());
            ASSERT_NE(record, nullptr);
            EXPECT_EQ(record->ThreadCount, child->ThreadCount());
        }
        const TVantrelProcessInfo* self = Find(list, GetCurrentProcessId());
        ASSERT_NE(self, nullptr);
        EXPECT_GE(self->ThreadCount, 1u);
    }
}

// The two paths that open each process read its priority class and working set.
TEST_F(ProcessesListOfTheSystem, OpeningPathsReadPriorityAndMemory)
{
    ASSERT_TRUE(SetPriorityClass(FFiveThreads.Handle(), BELOW_NORMAL_PRIORITY_CLASS))
        << zv::test::LastErrorText();
    for (const TProcessesListPath path : {plpBeforeVista, plpNT4}) {
        SCOPED_TRACE(PathName(path));
        TVantrelProcessesList list;
        const TProcessesListPath taken = list.Refresh(path);
        EXPECT_TRUE(taken == path || taken == plpNT4) << PathName(taken);
        EXPECT_TRUE(StrictlySortedByPid(list));
        ExpectChildRecord(list, FTwoThreads);
        ExpectChildRecord(list, FFiveThreads);
        const TVantrelProcessInfo* normal = Find(list, FTwoThreads.Pid());
        const TVantrelProcessInfo* belowNormal = Find(list, FFiveThreads.Pid());
        ASSERT_TRUE(normal && belowNormal);
        EXPECT_EQ(normal->PriorityClass, kPriorityClassNormal);
        EXPECT_EQ(PriorityClassName(normal->PriorityClass), "Normal");
        EXPECT_EQ(belowNormal->PriorityClass, kPriorityClassBelowNormal);
        EXPECT_GT(normal->MemoryUsage, 0u);
        EXPECT_GT(belowNormal->MemoryUsage, 0u);
        const TVantrelProcessInfo* self = Find(list, GetCurrentProcessId());
        ASSERT_NE(self, nullptr);
        EXPECT_TRUE(SameText(self->ExeName, ThisExeName())) << self->ExeName;
    }
}

// Vista and later open no process for its priority: the class comes from the base
// priority of the process's own snapshot entry. (Wine puts its number of the class, 2 for
// Normal, where Windows puts the base priority, 8; so every class reads as "Low" there.)
TEST_F(ProcessesListOfTheSystem, VistaPathDerivesPriorityFromTheSnapshot)
{
    ASSERT_TRUE(SetPriorityClass(FFiveThreads.Handle(), HIGH_PRIORITY_CLASS)) << zv::test::LastErrorText();
    TVantrelProcessesList list;
    if (list.Refresh(plpVistaAndLater) != plpVistaAndLater) GTEST_SKIP() << "the process snapshot failed";
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    ASSERT_NE(snapshot, INVALID_HANDLE_VALUE) << zv::test::LastErrorText();
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int compared = 0;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (entry.th32ProcessID != FTwoThreads.Pid() && entry.th32ProcessID != FFiveThreads.Pid()) continue;
        SCOPED_TRACE("PID " + std::to_string(entry.th32ProcessID) + ", base priority " +
                     std::to_string(entry.pcPriClassBase));
        const TVantrelProcessInfo* record = Find(list, entry.th32ProcessID);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->PriorityClass, PriorityClassFromBasePriority(entry.pcPriClassBase));
        EXPECT_EQ(record->MemoryUsage, 0u);
        ++compared;
    }
    CloseHandle(snapshot);
    EXPECT_EQ(compared, 2);
}

// Vista and later list every process of the snapshot: the list holds each process that
// the system's EnumProcesses gives both before and after it, and nothing that neither gave.
TEST_F(ProcessesListOfTheSystem, VistaPathListsEveryProcessOfTheSystem)
{
    const auto enumerate = [] {
        std::vector<DWORD> ids(4096);
        DWORD needed = 0;
        EXPECT_TRUE(EnumProcesses(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &needed));
        ids.resize(needed / sizeof(DWORD));
        return std::set<DWORD>(ids.begin(), ids.end());
    };
    const std::set<DWORD> before = enumerate();
    TVantrelProcessesList list;
    const TProcessesListPath path = list.Refresh(plpVistaAndLater);
    const std::set<DWORD> after = enumerate();
    if (path != plpVistaAndLater) GTEST_SKIP() << "the process snapshot failed: " << PathName(path) << " path taken";
    std::set<DWORD> listed;
    for (int i = 0; i < list.Count(); ++i) listed.insert(list.GetItem(i)->PID);
    for (const DWORD pid : before) {
        if (after.count(pid)) {
            EXPECT_TRUE(listed.count(pid)) << "PID " << pid << " is missing";
        }
    }
    for (const DWORD pid : listed)
        EXPECT_TRUE(before.count(pid) || after.count(pid)) << "PID " << pid << " is not a process";
}

// A program that has ended is gone at the next refresh.
TEST_F(ProcessesListOfTheSystem, EndedProcessLeavesTheList)
{
    TVantrelProcessesList list;
    list.Refresh();
    ASSERT_NE(Find(list, FTwoThreads.Pid()), nullptr);
    ASSERT_EQ(FTwoThreads.Stop(), 0u) << FTwoThreads.Output();
    list.Refresh();
    EXPECT_EQ(Find(list, FTwoThreads.Pid()), nullptr);
    EXPECT_NE(Find(list, FFiveThreads.Pid()), nullptr);
}

// --- Failing system functions, through a table of the test's own ---

HANDLE WINAPI RefusedSnapshot(DWORD, DWORD)
{
    SetLastError(ERROR_NOACCESS);  // 998, what the CPU emulation answers
    return INVALID_HANDLE_VALUE;
}

// A process snapshot that fails leaves the report with the processes EnumProcesses gives,
// still with full paths and versions; their thread counts are unknown (0), since no
// thread snapshot can be taken either.
TEST_F(ProcessesListOfTheSystem, FailedSnapshotFallsBackToEnumProcesses)
{
    TProcessListFunctions functions = SystemProcessListFunctions();
    functions.CreateToolhelp32Snapshot = &RefusedSnapshot;
    for (const TProcessesListPath path : {plpVistaAndLater, plpBeforeVista}) {
        SCOPED_TRACE(PathName(path));
        TVantrelProcessesList list;
        EXPECT_EQ(RefreshProcessesList(list, path, functions), plpNT4);
        EXPECT_TRUE(StrictlySortedByPid(list));
        ExpectChildRecord(list, FTwoThreads);
        ExpectChildRecord(list, FFiveThreads);
        const TVantrelProcessInfo* child = Find(list, FFiveThreads.Pid());
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(child->ThreadCount, 0u);
        EXPECT_NE(Find(list, GetCurrentProcessId()), nullptr);
    }
}

// A machine with 2,000 processes, of which only the child (at position 1,500) exists:
// EnumProcesses fills what it is given and says how much that was.
std::atomic<DWORD> gCrowdedChildPid{0};

BOOL WINAPI CrowdedEnumProcesses(DWORD* ids, DWORD size, DWORD* needed)
{
    constexpr DWORD kProcesses = 2000;
    const DWORD count = std::min<DWORD>(size / sizeof(DWORD), kProcesses);
    for (DWORD i = 0; i < count; ++i) ids[i] = i == 1500 ? gCrowdedChildPid.load() : 0x40000000u + 4 * i;
    *needed = count * sizeof(DWORD);
    return TRUE;
}

// A buffer of 4,100 bytes holds 1,025 identifiers; a list that fills it may be cut short,
// so the EnumProcesses path asks again with more room rather than lose the rest.
TEST_F(ProcessesListOfTheSystem, EnumProcessesPathIsNotCutAtItsFirstBuffer)
{
    TProcessListFunctions functions = SystemProcessListFunctions();
    functions.EnumProcesses = &CrowdedEnumProcesses;
    gCrowdedChildPid = FTwoThreads.Pid();
    TVantrelProcessesList list;
    EXPECT_EQ(RefreshProcessesList(list, plpNT4, functions), plpNT4);
    ExpectChildRecord(list, FTwoThreads);
    EXPECT_EQ(Find(list, FFiveThreads.Pid()), nullptr);
}

HANDLE WINAPI SnapshotWithoutModules(DWORD flags, DWORD pid)
{
    if (flags & TH32CS_SNAPMODULE) {
        SetLastError(ERROR_PARTIAL_COPY);
        return INVALID_HANDLE_VALUE;
    }
    return CreateToolhelp32Snapshot(flags, pid);
}

DWORD WINAPI ModuleFileNameUnreadable(HANDLE, HMODULE, char*, DWORD)
{
    SetLastError(ERROR_PARTIAL_COPY);
    return 0;
}

// Where another process's memory cannot be read (one of the other word size, a protected
// one, or any under the CPU emulation that runs 32-bit Wine), neither its module snapshot
// nor GetModuleFileNameExA gives its program; QueryFullProcessImageNameA still does, so
// the report keeps the path and version.
TEST_F(ProcessesListOfTheSystem, ProgramPathWithoutReadingTheProcessMemory)
{
    TProcessListFunctions functions = SystemProcessListFunctions();
    functions.CreateToolhelp32Snapshot = &SnapshotWithoutModules;
    functions.GetModuleFileNameExA = &ModuleFileNameUnreadable;
    for (const TProcessesListPath path : {plpVistaAndLater, plpBeforeVista, plpNT4}) {
        SCOPED_TRACE(PathName(path));
        TVantrelProcessesList list;
        RefreshProcessesList(list, path, functions);
        ExpectChildRecord(list, FTwoThreads);
        ExpectChildRecord(list, FFiveThreads);
    }
}

std::atomic<DWORD> gRefusedPid{0};

HANDLE WINAPI OpenProcessRefusingOne(DWORD access, BOOL inherit, DWORD pid)
{
    if (pid == gRefusedPid) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return OpenProcess(access, inherit, pid);
}

// A process that cannot be opened is missing before Vista (and on NT 4); Vista and later
// list it all the same, from the snapshot.
TEST_F(ProcessesListOfTheSystem, UnopenableProcessIsListedFromVistaOnly)
{
    TProcessListFunctions functions = SystemProcessListFunctions();
    functions.OpenProcess = &OpenProcessRefusingOne;
    gRefusedPid = FTwoThreads.Pid();
    for (const TProcessesListPath path : {plpNT4, plpBeforeVista, plpVistaAndLater}) {
        SCOPED_TRACE(PathName(path));
        TVantrelProcessesList list;
        const TProcessesListPath taken = RefreshProcessesList(list, path, functions);
        ASSERT_NE(Find(list, FFiveThreads.Pid()), nullptr);
        if (taken == plpVistaAndLater) {
            const TVantrelProcessInfo* refused = Find(list, FTwoThreads.Pid());
            ASSERT_NE(refused, nullptr);
            EXPECT_TRUE(SameText(ExtractFileName(refused->ExeName), ExtractFileName(ChildExeName())))
                << refused->ExeName;
        } else {
            EXPECT_TRUE(path != plpVistaAndLater) << "the process snapshot failed: " << PathName(taken) << " path taken";
            EXPECT_EQ(Find(list, FTwoThreads.Pid()), nullptr);
        }
    }
    gRefusedPid = 0;
}

} // namespace
