// The threads list of the exception library: one entry per thread the library knows, and
// the bookkeeping that the thread hooks (creation, resume, start, exit) perform on it.
//
// Windows only. The list that the hooks keep has a reader/writer lock of its own: lookups
// and copies read under it, every change writes under it. A handling works on a copy
// taken at its start, which has no lock and is private to the thread that made it; the
// handling suspends threads that may hold the shared list's lock, so it must not touch
// the shared list afterwards.
//
// The lock is the runtime's slim reader/writer lock: not re-entrant. No operation here
// calls out while holding it, so the only way a thread can find it taken by itself is a
// fault inside this file.
//
// Calling-thread stack snapshots live in the process heap (not in this module's C
// runtime heap) so that another module's copy of the library can keep the snapshot of an
// entry it was forwarded. A snapshot is shared by reference count: the list that took it
// holds one reference, every copy or forwarded entry that borrows it another, and the last
// holder frees it. A copy thus never frees a snapshot its source still holds, and never
// reads one that its source has meanwhile replaced.
#pragma once

#include <windows.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "framework/lists.h"
#include "framework/sync.h"
#include "framework/thread.h"

// The priority of an entry whose thread's priority has not been read (0x80000000).
constexpr std::int32_t ThreadPriorityNotRead = INT32_MIN;

// One known thread. A plain value: copying an entry copies the snapshot pointer without
// a reference; only the list decides who holds the snapshot (see the file comment).
struct ThreadEntry {
    DWORD ThreadID = 0;
    // The handle the thread was created with (the creator's, or the duplicate the library
    // made of the main thread's). Not owned by the entry: the list never closes it.
    HANDLE Handle = nullptr;
    // The thread that last resumed this one.
    DWORD CallerID = 0;
    std::int32_t Priority = ThreadPriorityNotRead;
    // The runtime thread object; null for other threads.
    TThread* ThreadObject = nullptr;
    // The top (highest address, exclusive) of the thread's stack, once it has started.
    std::uintptr_t StackTop = 0;
    // The thread class's Execute (its virtual-table slot) before the library wrapped it.
    void* PreviousExecute = nullptr;
    // The procedure in the runtime thread wrapper's start record, for a runtime thread
    // without a thread object.
    TThreadFunc ThreadProcedure = nullptr;
    // The start routine given to CreateThread, for any other thread.
    LPTHREAD_START_ROUTINE StartRoutine = nullptr;
    // The start parameter that goes with ThreadProcedure or StartRoutine.
    void* Parameter = nullptr;
    // The calling thread's stack when it last resumed this thread: SnapshotSize bytes that
    // lay just below the caller's stack top. Null when none.
    std::size_t SnapshotSize = 0;
    const void* Snapshot = nullptr;
    // The snapshot was taken by another list (a source list or another module's copy of
    // the library); this entry shares it.
    bool SnapshotBorrowed = false;
    // An exception of this thread has been reported.
    bool Reported = false;
};

// True for a thread of the runtime: the main thread or a thread with a thread object.
// Every other thread is a system thread.
bool IsRuntimeThread(const ThreadEntry& entry) noexcept;

// The stack top (the TIB's StackBase) of the calling thread.
std::uintptr_t CurrentThreadStackTop() noexcept;

// --- Snapshot blocks ---
// The layout is shared by every module's copy of the library: one process-heap block, this
// header, then the stack bytes; an entry's Snapshot points at the bytes.
struct TThreadSnapshotHeader {
    LONG References;
    DWORD Signature;
    std::uint64_t Size;
};
static_assert(sizeof(TThreadSnapshotHeader) == 16, "the header's layout is shared between modules");
constexpr DWORD ThreadSnapshotSignature = 0x50414E53; // "SNAP"

// A new snapshot holding a copy of size bytes at bytes (readable), with one reference;
// null when size is 0 or the heap refuses.
const void* NewThreadSnapshot(const void* bytes, std::size_t size) noexcept;
// One more holder of snapshot (not null, still held by someone).
void AddThreadSnapshotReference(const void* snapshot) noexcept;
// Gives up one hold; the last frees the block. Null does nothing.
void ReleaseThreadSnapshot(const void* snapshot) noexcept;
// The process-heap block that holds snapshot (for HeapSize and HeapValidate).
const void* ThreadSnapshotBlock(const void* snapshot) noexcept;

// The items are ThreadEntry objects the list owns. Change and read a list with a lock only
// through the members declared here (TList's own members take no lock); a copy belongs to
// one thread and may be read through TList's members as well.
class TVantrelThreadsList : public TList {
    RUNTIME_CLASS(TVantrelThreadsList, TList)
public:
    // An empty list with its own lock.
    TVantrelThreadsList();
    // A copy of source without a lock of its own, taken under source's read lock: every
    // entry copied, each snapshot shared (SnapshotBorrowed set). source may be a copy
    // itself. The caller owns the copy and uses it from one thread. Raises std::bad_alloc.
    static std::unique_ptr<TVantrelThreadsList> CopyOf(const TVantrelThreadsList& source);
    // Frees every entry and gives up its snapshot.
    ~TVantrelThreadsList() override;

    // False for a copy.
    bool HasLock() const noexcept { return FLock != nullptr; }

    // Lookups. A copy of the first entry that matches, or nothing. The copy's snapshot is
    // left out (Snapshot null, SnapshotSize 0, SnapshotBorrowed false): another thread may
    // free it as soon as the lock is released. Read snapshots through a copy of the list.
    // Any thread.
    std::optional<ThreadEntry> FindByHandle(HANDLE handle) const;
    // A null thread object finds nothing.
    std::optional<ThreadEntry> FindByThreadObject(const TThread* threadObject) const;
    std::optional<ThreadEntry> FindByThreadID(DWORD threadId) const;

    // The index of the entry of threadId, or -1, and the entry at an index (EListError when
    // out of bounds). Only on a copy: on a list with a lock, another thread may free the
    // entry at any time.
    int IndexOfThreadID(DWORD threadId) const noexcept;
    ThreadEntry* GetItem(int index) const { return static_cast<ThreadEntry*>(Items(index)); }

    // A new entry: every field zero but Priority, which is ThreadPriorityNotRead. In no list.
    static ThreadEntry NewEntry() noexcept { return ThreadEntry{}; }

    // Removes the calling thread's entry; false when it had none. Any thread.
    bool RemoveCurrentThread() noexcept;
    // Removes every entry whose thread has ended: its handle is no longer valid or names
    // another thread, its exit code is not STILL_ACTIVE (259), or the handle is signalled
    // (a thread that ended with exit code 259). Returns how many went. Any thread.
    int RemoveDeadEntries() noexcept;
    // Removes every entry (under the lock).
    void Clear();
    // Removes the entry at index (under the lock); EListError when out of bounds.
    void Delete(int index);

    // The reported mark of threadId's entry; false when there is none. Any thread.
    bool GetReported(DWORD threadId) const noexcept;
    // Sets it; false when threadId has no entry. Any thread.
    bool SetReported(DWORD threadId, bool reported) noexcept;

    // --- Bookkeeping of the thread hooks ---
    //
    // Creation, before the thread is created: removes the dead entries and gives a new
    // entry, which the hook fills with the start data of its kind (ThreadObject and
    // PreviousExecute; ThreadProcedure and Parameter; or StartRoutine and Parameter).
    ThreadEntry BeginThreadCreation() noexcept;
    // After a successful creation: stores threadId and handle in entry and adds it. The
    // entry must carry no snapshot. False when memory ran out (nothing was added).
    bool AddCreatedThread(ThreadEntry entry, DWORD threadId, HANDLE handle) noexcept;
    // The calling thread resumes thread: in thread's entry, stores the caller's identifier
    // and replaces the snapshot with a copy of the caller's stack from the current position
    // up to its stack top (none when that range is not readable or memory runs out). False,
    // changing nothing, when no entry has that handle. The hook decides whether to record
    // at all: a thread whose tracking is off (it is pausing threads for a handling) must
    // not call this, since it resumes threads it paused itself, which tells nothing about
    // who set them going.
    bool RecordResume(HANDLE thread) noexcept;
    // Thread start, on the new thread: stores the calling thread's stack top in its entry.
    // False when it has none.
    bool RecordThreadStart() noexcept;
    // Exit, on the ending thread: RemoveCurrentThread.
    bool RecordThreadExit() noexcept { return RemoveCurrentThread(); }
    // A forwarded event of another list (this module's or another module's copy of the
    // library): adds a copy of entry that borrows its snapshot, replacing an entry of the
    // same thread. The snapshot must stay held by its owner during the call. False when
    // memory ran out (the list is unchanged).
    bool AddForwardedEntry(const ThreadEntry& entry) noexcept;

protected:
    // Frees a deleted entry and gives up its snapshot.
    void Notify(void* item, TListNotification action) override;

private:
    struct TNoLock {};
    explicit TVantrelThreadsList(TNoLock) noexcept {}

    int IndexOfHandle(HANDLE handle) const noexcept;
    int IndexOfThreadObject(const TThread* threadObject) const noexcept;
    std::optional<ThreadEntry> CopyAt(int index) const;
    // Adds a heap copy of entry (which already holds its snapshot reference, if any);
    // replaceSameThread first removes an entry of the same thread. Under the write lock.
    bool AddLocked(const ThreadEntry& entry, bool replaceSameThread) noexcept;

    friend class TThreadsListLock;
    std::unique_ptr<TMultiReadExclusiveWriteSynchronizer> FLock;
};
