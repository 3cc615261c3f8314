// The runtime's thread class and the synchronisation of worker threads with the main
// (user-interface) thread.
//
// A worker hands a function to the main thread with Synchronize and waits until it has run
// there. The main thread runs pending requests in CheckSynchronize, which its message loop
// calls when woken; TThread::WaitFor on the main thread runs them too, so a thread that
// synchronises while the main thread waits for it cannot deadlock.
#pragma once

#include <windows.h>

#include <atomic>
#include <exception>
#include <functional>

#include "handles.h"
#include "object.h"

// The thread that initialised the program: the one that ran the static initialisers, i.e.
// the thread of main/WinMain. Synchronised requests run on it. Set once before main runs;
// a host that initialises the runtime on another thread may assign it before any thread
// synchronises.
extern DWORD MainThreadID;

// Runs every pending Synchronize request, in the order they were made, on the calling
// thread, which must be the main thread (any other raises EThread). Waits up to timeoutMs
// for a first request when none is pending (0: does not wait). True when any request ran.
// An exception thrown by a request is handed to the thread that made it, never raised here.
bool CheckSynchronize(DWORD timeoutMs = 0);

// A manual-reset event that is signalled while Synchronize requests are pending, so a
// message loop can wait for it beside its messages (MsgWaitForMultipleObjects). Owned by the
// runtime, valid for the life of the process; never null. Raises EOSError when it cannot
// be created on first use.
HANDLE SyncEvent();

// Asks the main thread to call CheckSynchronize soon. Called on the requesting thread after
// a request was queued; it must not block on the main thread and should not throw (an
// exception is swallowed, as waking is only a hint beside SyncEvent).
using TWakeMainThreadProc = std::function<void()>;
// Replaces the wake-up hook; an empty one restores the default, which posts WM_NULL to
// MainThreadID's message queue. Returns the previous hook (empty when it was the default).
// Any thread may call it.
TWakeMainThreadProc SetWakeMainThread(TWakeMainThreadProc hook);

// The start routine of every runtime thread: calls Func(Parameter) and ends the thread with
// its result. An exception that escapes Func cannot cross the start routine; it is caught
// there and the thread ends with exit code 1. Code that hooks thread creation recognises
// runtime threads by this routine and its parameter record.
using TThreadFunc = DWORD (*)(void* parameter);
struct TThreadStartRecord {
    TThreadFunc Func;
    void* Parameter;
};
DWORD WINAPI RuntimeThreadWrapper(void* startRecord);

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// A thread object. The constructor creates the system thread suspended (it cannot run
// Execute before the derived class is constructed); Start runs it.
//
// Destroying a thread object ends its thread first (TerminateAndWait): one that runs is
// asked to terminate and waited for; one that was never started ends without running
// Execute. A derived class whose Execute uses the derived class's members must call
// TerminateAndWait in its own destructor, since those members are gone by the time the
// base destructor runs.
class TThread : public TObject {
    RUNTIME_CLASS(TThread, TObject)
public:
    // Raises EThread when the system cannot create the thread.
    TThread();
    ~TThread() override;

protected:
    // The thread's work. Runs on the new thread; should return soon after Terminated()
    // becomes true. Whatever it throws is kept in FatalException(). This must stay the first
    // virtual function that TThread adds: code that hooks thread creation patches that slot.
    virtual void Execute() = 0;

    // Runs method on the main thread and returns when it has run there; an exception it
    // throws is raised again here. Called on the main thread it runs at once.
    void Synchronize(std::function<void()> method) { Synchronize(this, std::move(method)); }

    // Ends the thread as the destructor does: sets Terminated, undoes any suspension and
    // waits for the thread to end (on the main thread running Synchronize requests and sent
    // messages meanwhile); a thread never started ends without running Execute or
    // OnTerminate, and cannot be started afterwards. May be called more than once; does
    // nothing on the thread itself.
    void TerminateAndWait() noexcept;

public:
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // As the member Synchronize, for any thread; thread may be null (it is not used).
    static void Synchronize(TThread* thread, std::function<void()> method);

    // Runs a thread that has never been started, and returns once it runs. Raises EThread
    // when it was started before.
    void Start();
    // Starts a thread that was never started, else undoes one Suspend.
    void Resume();
    // Suspends the system thread wherever it is (it may hold locks: use with care).
    void Suspend();
    bool Suspended() const noexcept { return FSuspended.load(); }

    // Asks Execute to end; it reads Terminated().
    void Terminate() noexcept { FTerminated = true; }
    bool Terminated() const noexcept { return FTerminated.load(); }

    // Waits until the thread has ended (after OnTerminate ran) and returns its exit code,
    // which is ReturnValue(). On the main thread it runs Synchronize requests and sent
    // messages while it waits. Raises EThread for a thread that was never started, that
    // frees itself (the object may be gone before the wait ends), or when called on the
    // thread itself.
    DWORD WaitFor();

    // Raises EThread when the system refuses.
    TThreadPriority Priority() const;
    void SetPriority(TThreadPriority value);

    // When set, the object deletes itself once Execute and OnTerminate have run. Set it
    // before Start; do not touch the object from other threads after it can have ended.
    bool FreeOnTerminate() const noexcept { return FFreeOnTerminate; }
    void SetFreeOnTerminate(bool value) noexcept { FFreeOnTerminate = value; }

    // Owned by the object; valid while it lives.
    HANDLE Handle() const noexcept { return FHandle.Get(); }
    DWORD ThreadID() const noexcept { return FThreadID; }

    // The thread's exit code; Execute sets it.
    DWORD ReturnValue() const noexcept { return FReturnValue; }
    void SetReturnValue(DWORD value) noexcept { FReturnValue = value; }

    // True once Execute has ended (OnTerminate may still be running).
    bool Finished() const noexcept { return FFinished.load(); }
    // Whatever escaped Execute (or OnTerminate); null when nothing did.
    std::exception_ptr FatalException() const { return FFatalException; }

    // Runs on the main thread, through Synchronize, after Execute ends; sender is the thread.
    const TNotifyEvent& OnTerminate() const noexcept { return FOnTerminate; }
    void SetOnTerminate(TNotifyEvent handler) { FOnTerminate = std::move(handler); }

private:
    static DWORD ThreadProc(void* thread);
    // Waits for the system thread to end, servicing the main thread's duties when called
    // there. Returns false, with the error code, when waiting failed.
    bool WaitForHandle(DWORD& error) noexcept;

    TThreadStartRecord FStartRecord{};
    TKernelHandle FHandle;
    DWORD FThreadID = 0;
    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FFinished{false};
    std::atomic<bool> FSuspended{true};
    // Set by TerminateAndWait for a thread that was never started: the start routine must end
    // without touching the half-destroyed object beyond this flag.
    std::atomic<bool> FAbandoned{false};
    // Given by the thread as soon as it runs; Start waits for it (see there).
    HANDLE FRunningSignal = nullptr;
    bool FStarted = false;
    bool FFreeOnTerminate = false;
    DWORD FReturnValue = 0;
    std::exception_ptr FFatalException;
    TNotifyEvent FOnTerminate;
};
