// The processes running on the computer, for the processes section of a bug report.
//
// The records and the list are portable (the host build tests the priority rules, the
// thread-count attribution and the ownership of records under the sanitizers); Refresh
// reads the system and is Windows only (ExceptionLogProcessesWin.h holds its run-time
// resolved functions). A list is used by one thread at a time: the handling worker fills
// it and the report reads it afterwards.
#pragma once

#include <cstdint>
#include <string>

#include "framework/lists.h"

// The priority classes a process record holds, as the system numbers them.
constexpr std::uint32_t kPriorityClassNormal = 0x20;
constexpr std::uint32_t kPriorityClassLow = 0x40;
constexpr std::uint32_t kPriorityClassHigh = 0x80;
constexpr std::uint32_t kPriorityClassRealTime = 0x100;
constexpr std::uint32_t kPriorityClassBelowNormal = 0x4000;
constexpr std::uint32_t kPriorityClassAboveNormal = 0x8000;

// The priority class a process snapshot's base priority stands for: 0 gives 0 (no class:
// the idle process), below 6 Low, below 8 Below-Normal, below 10 Normal, below 13
// Above-Normal, above 23 Real-Time, otherwise High.
std::uint32_t PriorityClassFromBasePriority(std::int32_t basePriority) noexcept;

// The display name of a priority class ("Normal", "Low", "High", "Real-Time",
// "Below-Normal", "Above-Normal"); empty for any other value, 0 included.
std::string PriorityClassName(std::uint32_t priorityClass);

// One process.
struct TVantrelProcessInfo {
    std::uint32_t PID = 0;
    // The full path of the program's file when it could be found, else the name the
    // system lists (which then may have no extension, e.g. "System").
    std::string ExeName;
    // "FileDescription" and the file version of the program's version resource; empty
    // when the file or its resource could not be read.
    std::string ExeDescription;
    std::string ExeVersion;
    // One of the kPriorityClass values, or 0 when unknown.
    std::uint32_t PriorityClass = 0;
    // Working-set size in bytes; 0 when the system did not give it. 64 bits wide: a
    // working set past 4 GiB is no rarity, and a cut figure would be plainly wrong.
    std::uint64_t MemoryUsage = 0;
    // 0 when unknown (the report shows "??").
    std::uint32_t ThreadCount = 0;
};

// How the list is read from the system: the three platform generations differ in what
// they offer (ProcessesListPathForThisSystem in ExceptionLogProcessesWin.h picks one).
enum TProcessesListPath : std::uint8_t {
    // Windows NT 4: EnumProcesses (PSAPI), each process opened and asked.
    plpNT4,
    // Before Vista: a toolhelp process snapshot, each process opened and asked; processes
    // that cannot be opened, or have no name, are left out.
    plpBeforeVista,
    // Vista and later: every entry of a toolhelp process snapshot, asked no further than
    // for its program's path.
    plpVistaAndLater,
};

// The list owns its records: TList's Delete, Clear and a replacement through SetItems
// free them; Extract hands one over to the caller.
class TVantrelProcessesList : public TList {
    RUNTIME_CLASS(TVantrelProcessesList, TList)
public:
    TVantrelProcessesList() = default;
    ~TVantrelProcessesList() override;

    // The record at index, owned by the list; raises EListError for a bad index.
    TVantrelProcessInfo* GetItem(int index) const;
    // Appends a copy of info; returns its index.
    int AddProcess(const TVantrelProcessInfo& info);
    // Sorts the records by PID, ascending (stable).
    void SortByPID();

    // The index of the record with pid in a list sorted by PID, or -1. lastFound (any
    // value) is tried first and then a binary search is made; on a hit lastFound becomes
    // the index found, on a miss it is left alone. The threads of one process come one
    // after another in a thread snapshot, so the first try mostly hits.
    int IndexOfPID(std::uint32_t pid, int& lastFound) const noexcept;
    // Adds one to the thread count of the record with ownerPid (IndexOfPID); false when
    // the list has no such record.
    bool CountThreadOf(std::uint32_t ownerPid, int& lastFound) noexcept;

    // Windows. Clears the list and reads it again by the path the version check gives
    // (ProcessesListPathForThisSystem) with the functions of the system. Returns the path
    // that filled the list: when a toolhelp process snapshot cannot be taken (the CPU
    // emulation that runs 32-bit Wine refuses them now and then) the EnumProcesses path
    // fills it instead, so that the report never goes without its processes. Throws
    // nothing but std::bad_alloc.
    TProcessesListPath Refresh();
    // The same by the given path (tests run each path on any system).
    TProcessesListPath Refresh(TProcessesListPath path);

protected:
    void Notify(void* item, TListNotification action) override;

private:
    // Untyped additions would put records into the list that it does not own.
    using TList::Add;
    using TList::Insert;
};
