// Real threads for the threads-list tests, created as the library's creation hook does:
// suspended, recorded in a list, then resumed; and the independent measure of a stack's top.
#pragma once

#include <windows.h>

#include <cstdint>

#include "exceptions/ExceptionLogThreads.h"

namespace zv::test {

// The end of the reservation that holds onStack: the top of that thread's stack, found from
// the virtual memory layout alone (not from the thread information block).
std::uintptr_t StackReservationEnd(const void* onStack);

// How a tracked thread ends once it is released.
enum class TThreadEnd {
    Returns,            // returns 0 from its start routine
    ReturnsStillActive, // returns 259, the value of STILL_ACTIVE
    CallsExitThread,    // ends with ExitThread, past the list's bookkeeping
    RecordsExit,        // removes its own entry (the exit hook's bookkeeping), then returns
};

// A thread in a list. It records its start, measures its own stack top, says that it runs
// and waits to be released. The constructor returns once the thread runs, so threads start
// one at a time. The destructor releases the thread, waits for it and closes its handle.
class TTrackedThread {
public:
    TTrackedThread(TVantrelThreadsList& list, TThreadEnd end);
    ~TTrackedThread();
    TTrackedThread(const TTrackedThread&) = delete;
    TTrackedThread& operator=(const TTrackedThread&) = delete;

    // The start routine every tracked thread is created with.
    static LPTHREAD_START_ROUTINE StartRoutine() noexcept { return &Run; }
    HANDLE Handle() const noexcept { return FHandle; }
    DWORD ThreadID() const noexcept { return FThreadID; }
    // The thread's stack top by StackReservationEnd, measured on the thread.
    std::uintptr_t MeasuredStackTop() const noexcept { return FMeasuredStackTop; }
    // What RecordThreadStart answered on the thread.
    bool StartRecorded() const noexcept { return FStartRecorded; }
    // What RecordThreadExit answered (RecordsExit only, after Finish).
    bool ExitRecorded() const noexcept { return FExitRecorded; }
    // Lets the thread end, without waiting.
    void Release();
    // Lets the thread end and waits until it has.
    void Finish();
    // Ends the thread with TerminateThread and waits until it has.
    void Terminate();
    // Closes the handle without ending the thread (as a creator that lets its thread go
    // does); Finish still works.
    void CloseHandleEarly();

private:
    static DWORD WINAPI Run(void* self);

    TVantrelThreadsList& FList;
    TThreadEnd FEnd;
    HANDLE FHandle = nullptr;
    // A duplicate kept for waiting once the creator's handle is closed.
    HANDLE FWaitHandle = nullptr;
    HANDLE FRunning = nullptr;
    HANDLE FRelease = nullptr;
    DWORD FThreadID = 0;
    std::uintptr_t FMeasuredStackTop = 0;
    bool FStartRecorded = false;
    bool FExitRecorded = false;
    bool FEnded = false;
};

} // namespace zv::test
