// Synchronisation objects of the runtime: critical sections, events and a
// reader/writer lock.
//
// Each object owns its system resource and frees it when it goes; none can be copied.
// Every creation failure raises EOSError with the system's text.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "handles.h"
#include "object.h"

// The outcome of waiting for a synchronisation object.
enum TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError };

// A critical section: re-entrant for the owning thread, like the system's.
// Any thread may use it; Leave must come from the thread that entered.
class TCriticalSection : public TObject {
    RUNTIME_CLASS(TCriticalSection, TObject)
public:
    // Raises EOSError when the system cannot set the section up.
    TCriticalSection();
    ~TCriticalSection() override;
    TCriticalSection(const TCriticalSection&) = delete;
    TCriticalSection& operator=(const TCriticalSection&) = delete;

    void Enter() noexcept;
    void Leave() noexcept;
    // Synonyms of Enter and Leave.
    void Acquire() noexcept { Enter(); }
    void Release() noexcept { Leave(); }
    // Enters when no other thread owns the section; true when it did (Leave it then).
    bool TryEnter() noexcept;

private:
    CRITICAL_SECTION FSection;
};

// Holds a critical section for the lifetime of the guard.
class TCriticalSectionGuard {
public:
    explicit TCriticalSectionGuard(TCriticalSection& section) noexcept : FSection(section) { FSection.Enter(); }
    ~TCriticalSectionGuard() { FSection.Leave(); }
    TCriticalSectionGuard(const TCriticalSectionGuard&) = delete;
    TCriticalSectionGuard& operator=(const TCriticalSectionGuard&) = delete;

private:
    TCriticalSection& FSection;
};

// A system event. A named event is shared with every process that opens the same name;
// when the name exists already, the existing event is used and the reset mode and
// initial state given here are ignored (as the system does).
class TEvent : public TObject {
    RUNTIME_CLASS(TEvent, TObject)
public:
    // Raises EOSError when the event cannot be created (e.g. the name belongs to another
    // kind of object).
    explicit TEvent(bool manualReset = true, bool initialState = false, const std::string& name = {});
    ~TEvent() override;
    TEvent(const TEvent&) = delete;
    TEvent& operator=(const TEvent&) = delete;

    // Both raise EOSError when the system refuses.
    void SetEvent();
    void ResetEvent();
    // Waits up to timeoutMs (INFINITE allowed). Any thread may call it. An auto-reset event
    // releases one waiter per SetEvent. Never raises: a failed wait gives wrError and
    // leaves the system error code in LastError().
    TWaitResult WaitFor(DWORD timeoutMs = INFINITE) noexcept;

    // The event's handle, owned by this object: valid while it lives; never null.
    HANDLE Handle() const noexcept { return FHandle.Get(); }
    // The error code of the last wait that returned wrError; 0 before any.
    DWORD LastError() const noexcept { return FLastError.load(); }

private:
    TKernelHandle FHandle;
    std::atomic<DWORD> FLastError{0};
};

// A manual-reset event that starts unsignalled and has no name.
class TSimpleEvent : public TEvent {
    RUNTIME_CLASS(TSimpleEvent, TEvent)
public:
    TSimpleEvent() : TEvent(true, false) {}
};

// Many readers or one writer. Built on the system's slim reader/writer lock, so it is not
// re-entrant: a thread that holds the lock in either mode must not ask for it again, and a
// reader cannot upgrade to writer (both would deadlock). End a mode from the thread that
// began it.
class TMultiReadExclusiveWriteSynchronizer : public TObject {
    RUNTIME_CLASS(TMultiReadExclusiveWriteSynchronizer, TObject)
public:
    TMultiReadExclusiveWriteSynchronizer() = default;
    TMultiReadExclusiveWriteSynchronizer(const TMultiReadExclusiveWriteSynchronizer&) = delete;
    TMultiReadExclusiveWriteSynchronizer& operator=(const TMultiReadExclusiveWriteSynchronizer&) = delete;

    // Blocks while a writer holds the lock.
    void BeginRead() noexcept;
    void EndRead() noexcept;
    // Blocks while any reader or writer holds the lock.
    void BeginWrite() noexcept;
    void EndWrite() noexcept;
    // Take the mode only when it is free at once; true when taken.
    bool TryBeginRead() noexcept;
    bool TryBeginWrite() noexcept;

private:
    SRWLOCK FLock = SRWLOCK_INIT;
};
