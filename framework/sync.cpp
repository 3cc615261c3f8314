#include "framework/sync.h"

#include "framework/sysutils.h"

TCriticalSection::TCriticalSection()
{
    // Only the variant with a spin count reports failure; the plain one raises a structured
    // exception on old systems when memory runs out.
    if (!InitializeCriticalSectionAndSpinCount(&FSection, 0)) RaiseLastOSError();
}

TCriticalSection::~TCriticalSection()
{
    DeleteCriticalSection(&FSection);
}

void TCriticalSection::Enter() noexcept
{
    EnterCriticalSection(&FSection);
}

void TCriticalSection::Leave() noexcept
{
    LeaveCriticalSection(&FSection);
}

bool TCriticalSection::TryEnter() noexcept
{
    return TryEnterCriticalSection(&FSection) != FALSE;
}

TEvent::TEvent(bool manualReset, bool initialState, const std::string& name)
{
    FHandle.Reset(CreateEventA(nullptr, manualReset, initialState, name.empty() ? nullptr : name.c_str()));
    if (!FHandle) RaiseLastOSError();
}

TEvent::~TEvent() = default;

void TEvent::SetEvent()
{
    if (!::SetEvent(FHandle.Get())) RaiseLastOSError();
}

void TEvent::ResetEvent()
{
    if (!::ResetEvent(FHandle.Get())) RaiseLastOSError();
}

TWaitResult TEvent::WaitFor(DWORD timeoutMs) noexcept
{
    switch (WaitForSingleObject(FHandle.Get(), timeoutMs)) {
    case WAIT_OBJECT_0:
        return wrSignaled;
    case WAIT_TIMEOUT:
        return wrTimeout;
    case WAIT_ABANDONED:
        return wrAbandoned;
    default:
        FLastError.store(GetLastError());
        return wrError;
    }
}

void TMultiReadExclusiveWriteSynchronizer::BeginRead() noexcept
{
    AcquireSRWLockShared(&FLock);
}

void TMultiReadExclusiveWriteSynchronizer::EndRead() noexcept
{
    ReleaseSRWLockShared(&FLock);
}

void TMultiReadExclusiveWriteSynchronizer::BeginWrite() noexcept
{
    AcquireSRWLockExclusive(&FLock);
}

void TMultiReadExclusiveWriteSynchronizer::EndWrite() noexcept
{
    ReleaseSRWLockExclusive(&FLock);
}

bool TMultiReadExclusiveWriteSynchronizer::TryBeginRead() noexcept
{
    return TryAcquireSRWLockShared(&FLock) != FALSE;
}

bool TMultiReadExclusiveWriteSynchronizer::TryBeginWrite() noexcept
{
    return TryAcquireSRWLockExclusive(&FLock) != FALSE;
}
