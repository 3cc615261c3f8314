// The threads list and the bookkeeping of the thread hooks. Windows.
#include "exceptions/ExceptionLogThreads.h"

#include <cstring>
#include <new>

#include "exceptions/EcoreHelpers.h"
#include "framework/dllfunctions.h"

// Holds the list's lock for reading or for writing; nothing for a copy.
class TThreadsListLock {
public:
    enum TMode { ForReading, ForWriting };
    TThreadsListLock(const TVantrelThreadsList& list, TMode mode) noexcept : FLock(list.FLock.get()), FMode(mode)
    {
        if (!FLock) return;
        if (FMode == ForWriting)
            FLock->BeginWrite();
        else
            FLock->BeginRead();
    }
    ~TThreadsListLock()
    {
        if (!FLock) return;
        if (FMode == ForWriting)
            FLock->EndWrite();
        else
            FLock->EndRead();
    }
    TThreadsListLock(const TThreadsListLock&) = delete;
    TThreadsListLock& operator=(const TThreadsListLock&) = delete;

private:
    TMultiReadExclusiveWriteSynchronizer* FLock;
    TMode FMode;
};

// The list's lock for the lifetime of the guard.
struct TThreadsListRead : TThreadsListLock {
    explicit TThreadsListRead(const TVantrelThreadsList& list) noexcept : TThreadsListLock(list, ForReading) {}
};
struct TThreadsListWrite : TThreadsListLock {
    explicit TThreadsListWrite(const TVantrelThreadsList& list) noexcept : TThreadsListLock(list, ForWriting) {}
};

namespace {

// The calling thread's information block, through its self pointer. The headers'
// NtCurrentTeb reads the segment through a zero-length array, which GCC's bounds warning
// refuses.
const NT_TIB* CurrentTib() noexcept
{
    const NT_TIB* tib;
#if defined(_WIN64)
    __asm__("movq %%gs:0x30, %0" : "=r"(tib));
#else
    __asm__("movl %%fs:0x18, %0" : "=r"(tib));
#endif
    return tib;
}

TThreadSnapshotHeader* HeaderOf(const void* snapshot) noexcept
{
    return static_cast<TThreadSnapshotHeader*>(const_cast<void*>(snapshot)) - 1;
}

using TGetThreadId = DWORD(WINAPI*)(HANDLE);

// GetThreadId came with Windows Vista (and Server 2003); without it the check it serves is
// left out.
TGetThreadId GetThreadIdFunction() noexcept
{
    static const TGetThreadId function = [] {
        const HMODULE kernel = GetModuleHandleA("kernel32.dll");
        return kernel ? DllFunctionCast<TGetThreadId>(GetProcAddress(kernel, "GetThreadId")) : nullptr;
    }();
    return function;
}

bool ThreadHasEnded(const ThreadEntry& entry) noexcept
{
    DWORD exitCode = 0;
    if (!GetExitCodeThread(entry.Handle, &exitCode)) return true;
    if (exitCode != STILL_ACTIVE) return true;
    // A handle that the creator closed may have been given to another thread since;
    // the entry's thread is then gone (or at least no longer reachable through it).
    if (const TGetThreadId getThreadId = GetThreadIdFunction()) {
        const DWORD id = getThreadId(entry.Handle);
        if (id != 0 && id != entry.ThreadID) return true;
    }
    // A thread may end with exit code 259 itself. The main thread's duplicate carries no
    // SYNCHRONIZE right; its wait fails and the exit code alone decides.
    return WaitForSingleObject(entry.Handle, 0) == WAIT_OBJECT_0;
}

// A snapshot of the calling thread's stack from this function's frame up to the stack
// top, with its size; null when the range is not the thread's readable stack (a fiber's
// or another alternate stack) or memory runs out. Not inlined, so that the frame is below
// every frame of the caller.
__attribute__((noinline)) const void* SnapshotOfCallerStack(std::size_t& size) noexcept
{
    size = 0;
    const NT_TIB* tib = CurrentTib();
    const auto top = reinterpret_cast<std::uintptr_t>(tib->StackBase);
    const auto limit = reinterpret_cast<std::uintptr_t>(tib->StackLimit);
    const auto position = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    if (position < limit || position >= top) return nullptr;
    const auto* start = reinterpret_cast<const void*>(position);
    if (!IsValidBlockAddr(start, top - position)) return nullptr;
    const void* snapshot = NewThreadSnapshot(start, top - position);
    if (snapshot) size = top - position;
    return snapshot;
}

} // namespace

bool IsRuntimeThread(const ThreadEntry& entry) noexcept
{
    return entry.ThreadID == MainThreadID || entry.ThreadObject != nullptr;
}

std::uintptr_t CurrentThreadStackTop() noexcept
{
    return reinterpret_cast<std::uintptr_t>(CurrentTib()->StackBase);
}

const void* NewThreadSnapshot(const void* bytes, std::size_t size) noexcept
{
    if (size == 0 || size > SIZE_MAX - sizeof(TThreadSnapshotHeader)) return nullptr;
    void* block = HeapAlloc(GetProcessHeap(), 0, sizeof(TThreadSnapshotHeader) + size);
    if (!block) return nullptr;
    auto* header = new (block) TThreadSnapshotHeader{1, ThreadSnapshotSignature, size};
    std::memcpy(header + 1, bytes, size);
    return header + 1;
}

void AddThreadSnapshotReference(const void* snapshot) noexcept
{
    InterlockedIncrement(&HeaderOf(snapshot)->References);
}

void ReleaseThreadSnapshot(const void* snapshot) noexcept
{
    if (!snapshot) return;
    TThreadSnapshotHeader* header = HeaderOf(snapshot);
    if (InterlockedDecrement(&header->References) == 0) HeapFree(GetProcessHeap(), 0, header);
}

const void* ThreadSnapshotBlock(const void* snapshot) noexcept
{
    return HeaderOf(snapshot);
}

TVantrelThreadsList::TVantrelThreadsList() : FLock(std::make_unique<TMultiReadExclusiveWriteSynchronizer>()) {}

std::unique_ptr<TVantrelThreadsList> TVantrelThreadsList::CopyOf(const TVantrelThreadsList& source)
{
    std::unique_ptr<TVantrelThreadsList> copy(new TVantrelThreadsList(TNoLock{}));
    TThreadsListRead read(source);
    copy->SetCapacity(source.Count());
    for (int index = 0; index < source.Count(); ++index) {
        auto entry = std::make_unique<ThreadEntry>(*source.GetItem(index));
        copy->TList::Add(entry.get());
        // In the copy now, which frees it; from here nothing throws before the reference
        // that the copy gives up is taken.
        ThreadEntry* added = entry.release();
        if (added->Snapshot) {
            AddThreadSnapshotReference(added->Snapshot);
            added->SnapshotBorrowed = true;
        }
    }
    return copy;
}

TVantrelThreadsList::~TVantrelThreadsList()
{
    TList::Clear();
}

void TVantrelThreadsList::Notify(void* item, TListNotification action)
{
    if (action != lnDeleted) return;
    auto* entry = static_cast<ThreadEntry*>(item);
    ReleaseThreadSnapshot(entry->Snapshot);
    delete entry;
}

int TVantrelThreadsList::IndexOfHandle(HANDLE handle) const noexcept
{
    for (int index = 0; index < Count(); ++index)
        if (static_cast<const ThreadEntry*>(Items(index))->Handle == handle) return index;
    return -1;
}

int TVantrelThreadsList::IndexOfThreadObject(const TThread* threadObject) const noexcept
{
    for (int index = 0; index < Count(); ++index)
        if (static_cast<const ThreadEntry*>(Items(index))->ThreadObject == threadObject) return index;
    return -1;
}

int TVantrelThreadsList::IndexOfThreadID(DWORD threadId) const noexcept
{
    for (int index = 0; index < Count(); ++index)
        if (static_cast<const ThreadEntry*>(Items(index))->ThreadID == threadId) return index;
    return -1;
}

std::optional<ThreadEntry> TVantrelThreadsList::CopyAt(int index) const
{
    if (index < 0) return std::nullopt;
    ThreadEntry entry = *GetItem(index);
    entry.Snapshot = nullptr;
    entry.SnapshotSize = 0;
    entry.SnapshotBorrowed = false;
    return entry;
}

std::optional<ThreadEntry> TVantrelThreadsList::FindByHandle(HANDLE handle) const
{
    TThreadsListRead read(*this);
    return CopyAt(IndexOfHandle(handle));
}

std::optional<ThreadEntry> TVantrelThreadsList::FindByThreadObject(const TThread* threadObject) const
{
    if (!threadObject) return std::nullopt;
    TThreadsListRead read(*this);
    return CopyAt(IndexOfThreadObject(threadObject));
}

std::optional<ThreadEntry> TVantrelThreadsList::FindByThreadID(DWORD threadId) const
{
    TThreadsListRead read(*this);
    return CopyAt(IndexOfThreadID(threadId));
}

bool TVantrelThreadsList::RemoveCurrentThread() noexcept
{
    TThreadsListWrite write(*this);
    const int index = IndexOfThreadID(GetCurrentThreadId());
    if (index < 0) return false;
    TList::Delete(index);
    return true;
}

int TVantrelThreadsList::RemoveDeadEntries() noexcept
{
    TThreadsListWrite write(*this);
    int removed = 0;
    for (int index = Count() - 1; index >= 0; --index) {
        if (!ThreadHasEnded(*GetItem(index))) continue;
        TList::Delete(index);
        ++removed;
    }
    return removed;
}

void TVantrelThreadsList::Clear()
{
    TThreadsListWrite write(*this);
    TList::Clear();
}

void TVantrelThreadsList::Delete(int index)
{
    TThreadsListWrite write(*this);
    TList::Delete(index);
}

bool TVantrelThreadsList::GetReported(DWORD threadId) const noexcept
{
    TThreadsListRead read(*this);
    const int index = IndexOfThreadID(threadId);
    return index >= 0 && GetItem(index)->Reported;
}

bool TVantrelThreadsList::SetReported(DWORD threadId, bool reported) noexcept
{
    TThreadsListWrite write(*this);
    const int index = IndexOfThreadID(threadId);
    if (index < 0) return false;
    GetItem(index)->Reported = reported;
    return true;
}

ThreadEntry TVantrelThreadsList::BeginThreadCreation() noexcept
{
    RemoveDeadEntries();
    return NewEntry();
}

bool TVantrelThreadsList::AddLocked(const ThreadEntry& entry, bool replaceSameThread) noexcept
{
    // Made before the lock is taken, which keeps the lock short.
    ThreadEntry* added = new (std::nothrow) ThreadEntry(entry);
    if (!added) return false;
    try {
        TThreadsListWrite write(*this);
        const int existing = replaceSameThread ? IndexOfThreadID(entry.ThreadID) : -1;
        if (existing >= 0)
            SetItems(existing, added);
        else
            TList::Add(added);
        return true;
    } catch (...) {
        delete added;
        return false;
    }
}

bool TVantrelThreadsList::AddCreatedThread(ThreadEntry entry, DWORD threadId, HANDLE handle) noexcept
{
    entry.ThreadID = threadId;
    entry.Handle = handle;
    entry.Snapshot = nullptr;
    entry.SnapshotSize = 0;
    entry.SnapshotBorrowed = false;
    // Thread identifiers are reused: an entry with this one belongs to a thread that ended
    // since the dead entries were last removed.
    return AddLocked(entry, true);
}

bool TVantrelThreadsList::RecordResume(HANDLE thread) noexcept
{
    {
        // Most resumes are of threads the list does not know; they cost no stack copy.
        TThreadsListRead read(*this);
        if (IndexOfHandle(thread) < 0) return false;
    }
    std::size_t size = 0;
    const void* snapshot = SnapshotOfCallerStack(size);
    const void* released;
    bool found;
    {
        TThreadsListWrite write(*this);
        const int index = IndexOfHandle(thread);
        found = index >= 0;
        if (found) {
            ThreadEntry& entry = *GetItem(index);
            entry.CallerID = GetCurrentThreadId();
            released = entry.Snapshot;
            entry.Snapshot = snapshot;
            entry.SnapshotSize = snapshot ? size : 0;
            entry.SnapshotBorrowed = false;
        } else {
            released = snapshot;
        }
    }
    // Outside the lock, which keeps it short.
    ReleaseThreadSnapshot(released);
    return found;
}

bool TVantrelThreadsList::RecordThreadStart() noexcept
{
    const std::uintptr_t top = CurrentThreadStackTop();
    TThreadsListWrite write(*this);
    const int index = IndexOfThreadID(GetCurrentThreadId());
    if (index < 0) return false;
    GetItem(index)->StackTop = top;
    return true;
}

bool TVantrelThreadsList::AddForwardedEntry(const ThreadEntry& entry) noexcept
{
    ThreadEntry borrowed = entry;
    if (borrowed.Snapshot) {
        AddThreadSnapshotReference(borrowed.Snapshot);
        borrowed.SnapshotBorrowed = true;
    }
    if (AddLocked(borrowed, true)) return true;
    ReleaseThreadSnapshot(borrowed.Snapshot);
    return false;
}
