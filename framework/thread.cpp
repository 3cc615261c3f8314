#include "framework/thread.h"

#include <deque>
#include <utility>

#include "framework/exceptions.h"
#include "framework/format.h"
#include "framework/sysutils.h"
#include "framework/units.h"

// Dynamic initialisation runs on the thread that starts the program, before main.
DWORD MainThreadID = GetCurrentThreadId();

namespace {

// One Synchronize call, owned by (on the stack of) the thread that waits for it.
struct TSyncRequest {
    std::function<void()> Method;
    std::exception_ptr Error;
    bool Done = false;  // guarded by TSyncState::Lock
};

struct TSyncState {
    SRWLOCK Lock = SRWLOCK_INIT;
    CONDITION_VARIABLE RequestDone = CONDITION_VARIABLE_INIT;
    std::deque<TSyncRequest*> Queue;
    TWakeMainThreadProc WakeHook;
};

TSyncState syncState ZV_UNIT(zv::unit::kRuntime);

TSyncState& SyncState() { return syncState; }

class TExclusiveLock {
public:
    explicit TExclusiveLock(SRWLOCK& lock) noexcept : FLock(lock) { AcquireSRWLockExclusive(&FLock); }
    ~TExclusiveLock() { ReleaseSRWLockExclusive(&FLock); }
    TExclusiveLock(const TExclusiveLock&) = delete;
    TExclusiveLock& operator=(const TExclusiveLock&) = delete;

private:
    SRWLOCK& FLock;
};

[[noreturn]] void RaiseThreadError(DWORD error)
{
    throw EThread(Format("Thread Error: %s (%d)", {SysErrorMessage(error), static_cast<int>(error)}));
}

void DefaultWakeMainThread() noexcept
{
    // The result is ignored on purpose: posting fails when the main thread has no message
    // queue, and such a thread can only be waiting in WaitFor or CheckSynchronize, which
    // watch SyncEvent instead.
    PostThreadMessageA(MainThreadID, WM_NULL, 0, 0);
}

void WakeMainThread() noexcept
{
    TWakeMainThreadProc hook;
    try {
        {
            TSyncState& state = SyncState();
            TExclusiveLock lock(state.Lock);
            hook = state.WakeHook;
        }
        if (hook) {
            hook();
            return;
        }
    } catch (...) {
        // Waking is only a hint: the request is queued and SyncEvent is signalled, and the
        // requesting thread must go on to wait for it whatever the hook did.
        return;
    }
    DefaultWakeMainThread();
}

// Indexed by TThreadPriority.
const int PriorityValues[] = {
    THREAD_PRIORITY_IDLE,   THREAD_PRIORITY_LOWEST,       THREAD_PRIORITY_BELOW_NORMAL,
    THREAD_PRIORITY_NORMAL, THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
    THREAD_PRIORITY_TIME_CRITICAL,
};

} // namespace

HANDLE SyncEvent()
{
    static const HANDLE event = [] {
        HANDLE h = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (!h) RaiseLastOSError();
        return h;
    }();
    return event;
}

TWakeMainThreadProc SetWakeMainThread(TWakeMainThreadProc hook)
{
    TSyncState& state = SyncState();
    TExclusiveLock lock(state.Lock);
    std::swap(state.WakeHook, hook);
    return hook;
}

bool CheckSynchronize(DWORD timeoutMs)
{
    DWORD current = GetCurrentThreadId();
    if (current != MainThreadID)
        throw EThread(Format("CheckSynchronize called from thread $%x, which is NOT the main thread", {current}));
    HANDLE event = SyncEvent();
    if (timeoutMs != 0 && WaitForSingleObject(event, timeoutMs) == WAIT_FAILED) RaiseLastOSError();

    TSyncState& state = SyncState();
    bool ran = false;
    for (;;) {
        // One request at a time, so that a request which itself runs CheckSynchronize
        // (a modal loop) keeps the order of the rest.
        TSyncRequest* request;
        {
            TExclusiveLock lock(state.Lock);
            if (state.Queue.empty()) {
                // Under the lock, so a request queued meanwhile cannot lose its signal.
                if (!ResetEvent(event)) RaiseLastOSError();
                break;
            }
            request = state.Queue.front();
            state.Queue.pop_front();
        }
        try {
            request->Method();
        } catch (...) {
            request->Error = std::current_exception();
        }
        {
            TExclusiveLock lock(state.Lock);
            request->Done = true;
        }
        // After Done is set the requester may return and free the request; touch it no more.
        WakeAllConditionVariable(&state.RequestDone);
        ran = true;
    }
    return ran;
}

void TThread::Synchronize(TThread* /*thread*/, std::function<void()> method)
{
    if (GetCurrentThreadId() == MainThreadID) {
        method();
        return;
    }
    TSyncRequest request;
    request.Method = std::move(method);
    HANDLE event = SyncEvent();
    TSyncState& state = SyncState();
    {
        TExclusiveLock lock(state.Lock);
        state.Queue.push_back(&request);
        if (!SetEvent(event)) {
            DWORD error = GetLastError();
            state.Queue.pop_back();
            RaiseLastOSError(error);
        }
    }
    WakeMainThread();
    {
        TExclusiveLock lock(state.Lock);
        // The wait is unbounded by design: the caller asked to run on the main thread and
        // cannot go on before it has. Spurious wake-ups loop.
        while (!request.Done) SleepConditionVariableSRW(&state.RequestDone, &state.Lock, INFINITE, 0);
    }
    if (request.Error) std::rethrow_exception(request.Error);
}

DWORD WINAPI RuntimeThreadWrapper(void* startRecord)
{
    // Nothing may unwind past this frame: with DWARF-2 unwinding an exception cannot cross
    // the system's thread start code and would end the process.
    try {
        auto* record = static_cast<TThreadStartRecord*>(startRecord);
        return record->Func(record->Parameter);
    } catch (...) {
        return 1;
    }
}

TThread::TThread()
{
    FStartRecord = {&TThread::ThreadProc, this};
    FHandle.Reset(CreateThread(nullptr, 0, &RuntimeThreadWrapper, &FStartRecord, CREATE_SUSPENDED, &FThreadID));
    if (!FHandle) {
        DWORD error = GetLastError();
        throw EThread(Format("Thread creation error: %s", {SysErrorMessage(error)}));
    }
}

TThread::~TThread()
{
    TerminateAndWait();
    // FHandle closes next. A thread freeing itself (FreeOnTerminate) closes its own
    // handle: allowed, the thread object in the system lives on until the thread ends.
}

void TThread::TerminateAndWait() noexcept
{
    if (GetCurrentThreadId() == FThreadID) return;
    if (!FStarted)
        FAbandoned = true;
    else
        FTerminated = true;
    // Undo every suspension, the creation's included, so the thread can run to its end.
    DWORD count;
    do {
        count = ResumeThread(FHandle.Get());
    } while (count != static_cast<DWORD>(-1) && count > 1);
    FSuspended = false;
    DWORD error;
    if (count == static_cast<DWORD>(-1) || !WaitForHandle(error)) {
        // Nothing can be reported from here (destructors call it), and the object's memory
        // must not go while the thread may still use it: fall back to a plain wait. Its
        // result is ignored because there is nothing left to try.
        WaitForSingleObject(FHandle.Get(), INFINITE);
    }
}

DWORD TThread::ThreadProc(void* parameter)
{
    auto* thread = static_cast<TThread*>(parameter);
    // The object lives at least until this routine ends, so the signal is safe to give.
    if (thread->FRunningSignal) SetEvent(thread->FRunningSignal);
    if (thread->FAbandoned) return 0;
    try {
        if (!thread->FTerminated) thread->Execute();
    } catch (...) {
        thread->FFatalException = std::current_exception();
    }
    bool freeThread = thread->FFreeOnTerminate;
    DWORD result = thread->FReturnValue;
    thread->FFinished = true;
    if (thread->FOnTerminate) {
        try {
            Synchronize(thread, [thread] { thread->FOnTerminate(thread); });
        } catch (...) {
            if (!thread->FFatalException) thread->FFatalException = std::current_exception();
        }
    }
    if (freeThread) delete thread;
    return result;
}

bool TThread::WaitForHandle(DWORD& error) noexcept
{
    if (GetCurrentThreadId() != MainThreadID) {
        if (WaitForSingleObject(FHandle.Get(), INFINITE) == WAIT_FAILED) {
            error = GetLastError();
            return false;
        }
        return true;
    }
    try {
        HANDLE handles[2] = {FHandle.Get(), SyncEvent()};
        for (;;) {
            // Sent messages first: a thread blocked in SendMessage to one of our windows
            // would otherwise wait for us while we wait for it. The result only says
            // whether a posted message waits, which is left for the message loop.
            MSG msg;
            PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            DWORD result = MsgWaitForMultipleObjectsEx(2, handles, INFINITE, QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
            if (result == WAIT_OBJECT_0) return true;
            if (result == WAIT_OBJECT_0 + 1) {
                CheckSynchronize();
            } else if (result != WAIT_OBJECT_0 + 2) {
                error = GetLastError();
                return false;
            }
        }
    } catch (const EOSError& e) {
        error = e.ErrorCode();
        return false;
    } catch (...) {
        error = ERROR_GEN_FAILURE;
        return false;
    }
}

DWORD TThread::WaitFor()
{
    if (!FStarted) throw EThread("Cannot wait for a thread that was never started");
    if (FFreeOnTerminate) throw EThread("Cannot call WaitFor on a thread that frees itself");
    if (GetCurrentThreadId() == FThreadID) throw EThread("A thread cannot wait for itself");
    DWORD error;
    if (!WaitForHandle(error)) RaiseThreadError(error);
    DWORD exitCode;
    if (!GetExitCodeThread(FHandle.Get(), &exitCode)) RaiseThreadError(GetLastError());
    return exitCode;
}

void TThread::Start()
{
    if (FStarted) throw EThread("Cannot call Start on a running or suspended thread");
    // Start returns only once the new thread runs its start routine. Under the CPU
    // emulation that runs 32-bit Wine on Linux, two threads in their start-up at the same
    // moment can crash the process; one start at a time costs only a context switch.
    // The event is this call's own: a thread that frees itself may be gone before the wait
    // returns.
    const TKernelHandle running(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!running) RaiseThreadError(GetLastError());
    FRunningSignal = running.Get();
    FStarted = true;
    FSuspended = false;
    if (ResumeThread(FHandle.Get()) == static_cast<DWORD>(-1)) {
        DWORD error = GetLastError();
        FStarted = false;
        FSuspended = true;
        FRunningSignal = nullptr;
        RaiseThreadError(error);
    }
    WaitForSingleObject(running.Get(), INFINITE);
}

void TThread::Resume()
{
    if (!FStarted) {
        Start();
        return;
    }
    if (!FSuspended) return;
    DWORD previous = ResumeThread(FHandle.Get());
    if (previous == static_cast<DWORD>(-1)) RaiseThreadError(GetLastError());
    if (previous <= 1) FSuspended = false;
}

void TThread::Suspend()
{
    // A thread that was never started is suspended already; Start runs it.
    if (!FStarted) return;
    bool wasSuspended = FSuspended.exchange(true);
    if (SuspendThread(FHandle.Get()) == static_cast<DWORD>(-1)) {
        DWORD error = GetLastError();
        FSuspended = wasSuspended;
        RaiseThreadError(error);
    }
}

TThreadPriority TThread::Priority() const
{
    int value = GetThreadPriority(FHandle.Get());
    if (value == THREAD_PRIORITY_ERROR_RETURN) RaiseThreadError(GetLastError());
    // Threads of a real-time process report values between the named levels: take the
    // highest level not above the value.
    int result = tpIdle;
    for (int p = tpIdle; p <= tpTimeCritical; ++p)
        if (PriorityValues[p] <= value) result = p;
    return static_cast<TThreadPriority>(result);
}

void TThread::SetPriority(TThreadPriority value)
{
    int level = static_cast<int>(value);
    if (level < tpIdle || level > tpTimeCritical)
        throw EThread(Format("Invalid thread priority (%d)", {static_cast<int>(value)}));
    if (!SetThreadPriority(FHandle.Get(), PriorityValues[level])) RaiseThreadError(GetLastError());
}
