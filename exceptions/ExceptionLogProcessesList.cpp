// The processes list's records and rules; portable (no system calls).
#include "exceptions/ExceptionLogProcesses.h"

#include <memory>

std::uint32_t PriorityClassFromBasePriority(std::int32_t basePriority) noexcept
{
    if (basePriority == 0) return 0;
    if (basePriority < 6) return kPriorityClassLow;
    if (basePriority < 8) return kPriorityClassBelowNormal;
    if (basePriority < 10) return kPriorityClassNormal;
    if (basePriority < 13) return kPriorityClassAboveNormal;
    if (basePriority > 23) return kPriorityClassRealTime;
    return kPriorityClassHigh;
}

std::string PriorityClassName(std::uint32_t priorityClass)
{
    switch (priorityClass) {
    case kPriorityClassNormal: return "Normal";
    case kPriorityClassLow: return "Low";
    case kPriorityClassHigh: return "High";
    case kPriorityClassRealTime: return "Real-Time";
    case kPriorityClassBelowNormal: return "Below-Normal";
    case kPriorityClassAboveNormal: return "Above-Normal";
    default: return {};
    }
}

TVantrelProcessesList::~TVantrelProcessesList()
{
    // TList's destructor no longer reaches Notify: the records go here.
    TList::Clear();
}

void TVantrelProcessesList::Notify(void* item, TListNotification action)
{
    if (action == lnDeleted) delete static_cast<TVantrelProcessInfo*>(item);
}

TVantrelProcessInfo* TVantrelProcessesList::GetItem(int index) const
{
    return static_cast<TVantrelProcessInfo*>(Items(index));
}

int TVantrelProcessesList::AddProcess(const TVantrelProcessInfo& info)
{
    auto record = std::make_unique<TVantrelProcessInfo>(info);
    const int index = TList::Add(record.get());
    record.release();
    return index;
}

void TVantrelProcessesList::SortByPID()
{
    Sort([](void* a, void* b) {
        const std::uint32_t left = static_cast<TVantrelProcessInfo*>(a)->PID;
        const std::uint32_t right = static_cast<TVantrelProcessInfo*>(b)->PID;
        return left < right ? -1 : left > right ? 1 : 0;
    });
}

int TVantrelProcessesList::IndexOfPID(std::uint32_t pid, int& lastFound) const noexcept
{
    const int count = Count();
    if (lastFound >= 0 && lastFound < count && GetItem(lastFound)->PID == pid) return lastFound;
    int low = 0;
    int high = count - 1;
    while (low <= high) {
        const int middle = low + (high - low) / 2;
        const std::uint32_t found = GetItem(middle)->PID;
        if (found == pid) {
            lastFound = middle;
            return middle;
        }
        if (found < pid)
            low = middle + 1;
        else
            high = middle - 1;
    }
    return -1;
}

bool TVantrelProcessesList::CountThreadOf(std::uint32_t ownerPid, int& lastFound) noexcept
{
    const int index = IndexOfPID(ownerPid, lastFound);
    if (index < 0) return false;
    ++GetItem(index)->ThreadCount;
    return true;
}
