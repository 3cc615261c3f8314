// The threads list with real threads: dead entries, lookups, the start and exit
// bookkeeping, the resume snapshot, copies and forwarded entries that share snapshots.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "exceptions/ExceptionLogThreads.h"
#include "tests/exceptions/ExceptionLog_threads_support.h"
#include "tests/support/started_thread.h"

namespace {

using zv::test::StackReservationEnd;
using zv::test::TThreadEnd;
using zv::test::TTrackedThread;

// True while the process heap holds block as a block in use. Wine answers false for a
// block that was freed (checked below before any test relies on it).
bool HeapBlockInUse(const void* block)
{
    return HeapValidate(GetProcessHeap(), 0, block) != FALSE;
}

const ThreadEntry* EntryOf(const TVantrelThreadsList& copy, DWORD threadId)
{
    const int index = copy.IndexOfThreadID(threadId);
    return index < 0 ? nullptr : copy.GetItem(index);
}

TEST(ThreadSnapshotBlock, HeapValidateTellsALiveBlockFromAFreedOne)
{
    const char bytes[40] = "stack bytes";
    const void* snapshot = NewThreadSnapshot(bytes, sizeof(bytes));
    ASSERT_NE(snapshot, nullptr);
    const void* block = ThreadSnapshotBlock(snapshot);
    EXPECT_TRUE(HeapBlockInUse(block));
    EXPECT_EQ(HeapSize(GetProcessHeap(), 0, block), sizeof(TThreadSnapshotHeader) + sizeof(bytes));
    EXPECT_EQ(std::memcmp(snapshot, bytes, sizeof(bytes)), 0);

    AddThreadSnapshotReference(snapshot);
    ReleaseThreadSnapshot(snapshot);
    EXPECT_TRUE(HeapBlockInUse(block)) << "one holder is left";
    ReleaseThreadSnapshot(snapshot);
    EXPECT_FALSE(HeapBlockInUse(block)) << "the last holder frees the block";

    EXPECT_EQ(NewThreadSnapshot(bytes, 0), nullptr);
    ReleaseThreadSnapshot(nullptr);
}

// One way for a tracked thread to end or become unreachable.
struct TEndingCase {
    const char* Name;
    TThreadEnd End;
    void (*Ending)(TTrackedThread& thread);
};

const TEndingCase EndingCases[] = {
    {"ReturnedFromItsStartRoutine", TThreadEnd::Returns, [](TTrackedThread& t) { t.Finish(); }},
    {"Returned259", TThreadEnd::ReturnsStillActive, [](TTrackedThread& t) { t.Finish(); }},
    {"CalledExitThread", TThreadEnd::CallsExitThread, [](TTrackedThread& t) { t.Finish(); }},
    {"WasTerminated", TThreadEnd::Returns, [](TTrackedThread& t) { t.Terminate(); }},
    {"RunsButItsCreatorClosedTheHandle", TThreadEnd::Returns, [](TTrackedThread& t) { t.CloseHandleEarly(); }},
};

class EndedThreads : public ::testing::TestWithParam<TEndingCase> {};

TEST_P(EndedThreads, AreRemovedAtTheNextCreation)
{
    const TEndingCase& c = GetParam();
    TVantrelThreadsList list;
    TTrackedThread live(list, TThreadEnd::Returns);
    TTrackedThread ending(list, c.End);
    ASSERT_EQ(list.Count(), 2);
    c.Ending(ending);
    // Nothing is removed before the next creation asks for it.
    EXPECT_EQ(list.Count(), 2);

    const ThreadEntry fresh = list.BeginThreadCreation();
    EXPECT_EQ(list.Count(), 1);
    EXPECT_FALSE(list.FindByThreadID(ending.ThreadID()));
    EXPECT_TRUE(list.FindByThreadID(live.ThreadID()));
    EXPECT_EQ(fresh.ThreadID, 0u);
    EXPECT_EQ(fresh.Priority, static_cast<std::int32_t>(0x80000000));
}

INSTANTIATE_TEST_SUITE_P(TVantrelThreadsList, EndedThreads, ::testing::ValuesIn(EndingCases),
                         [](const ::testing::TestParamInfo<TEndingCase>& info) { return std::string(info.param.Name); });

TEST(TVantrelThreadsList, AnEntryWhoseHandleNowNamesAnotherThreadIsDead)
{
    // A creator that closed its handle may see the value given to a new thread; an entry
    // of an ended thread then holds a live thread's handle.
    TVantrelThreadsList list;
    TTrackedThread other(list, TThreadEnd::Returns);
    ThreadEntry stale = TVantrelThreadsList::NewEntry();
    const DWORD endedThreadId = other.ThreadID() + 4;
    ASSERT_TRUE(list.AddCreatedThread(stale, endedThreadId, other.Handle()));
    ASSERT_EQ(list.Count(), 2);

    EXPECT_EQ(list.RemoveDeadEntries(), 1);
    EXPECT_FALSE(list.FindByThreadID(endedThreadId));
    const auto kept = list.FindByHandle(other.Handle());
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->ThreadID, other.ThreadID());
}

TEST(TVantrelThreadsList, TheMainThreadsEntryWithItsNarrowDuplicateStaysAlive)
{
    // The main thread's entry holds a duplicate with access 74 (suspend and resume, get
    // context, query information): no SYNCHRONIZE, so its wait fails.
    HANDLE duplicate = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &duplicate, 74, FALSE, 0));
    ASSERT_EQ(GetCurrentThreadId(), MainThreadID);
    TVantrelThreadsList list;
    ThreadEntry main = TVantrelThreadsList::NewEntry();
    main.StackTop = CurrentThreadStackTop();
    ASSERT_TRUE(list.AddCreatedThread(main, GetCurrentThreadId(), duplicate));

    EXPECT_EQ(list.RemoveDeadEntries(), 0);
    const auto entry = list.FindByThreadID(MainThreadID);
    ASSERT_TRUE(entry);
    EXPECT_TRUE(IsRuntimeThread(*entry));
    const int onStack = 0;
    EXPECT_EQ(entry->StackTop, StackReservationEnd(&onStack));
    list.Clear();
    CloseHandle(duplicate);
}

TEST(TVantrelThreadsList, CreationStoresTheStartDataAndTheStartItsStackTop)
{
    TVantrelThreadsList list;
    TTrackedThread thread(list, TThreadEnd::Returns);
    EXPECT_TRUE(thread.StartRecorded());

    const auto entry = list.FindByThreadID(thread.ThreadID());
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->Handle, thread.Handle());
    EXPECT_EQ(entry->StartRoutine, TTrackedThread::StartRoutine());
    EXPECT_EQ(entry->Parameter, &thread);
    EXPECT_EQ(entry->Priority, static_cast<std::int32_t>(0x80000000));
    EXPECT_EQ(entry->CallerID, 0u);
    EXPECT_EQ(entry->ThreadObject, nullptr);
    EXPECT_FALSE(IsRuntimeThread(*entry));
    ASSERT_NE(thread.MeasuredStackTop(), 0u);
    EXPECT_EQ(entry->StackTop, thread.MeasuredStackTop());

    // The test's own thread is not in the list.
    EXPECT_FALSE(list.RecordThreadStart());
    EXPECT_FALSE(list.RemoveCurrentThread());
}

TEST(TVantrelThreadsList, LookupsFindByEachKeyAndMissUnknownOnes)
{
    TVantrelThreadsList list;
    TTrackedThread first(list, TThreadEnd::Returns);
    TTrackedThread second(list, TThreadEnd::Returns);
    // A runtime thread: the creation hook records its thread object.
    int objectStandIn = 0;
    auto* threadObject = reinterpret_cast<TThread*>(&objectStandIn);
    ThreadEntry objectEntry = list.BeginThreadCreation();
    objectEntry.ThreadObject = threadObject;
    const DWORD objectThreadId = GetCurrentThreadId();
    ASSERT_TRUE(list.AddCreatedThread(objectEntry, objectThreadId, GetCurrentThread()));

    EXPECT_EQ(list.FindByHandle(second.Handle())->ThreadID, second.ThreadID());
    EXPECT_EQ(list.FindByThreadID(first.ThreadID())->Handle, first.Handle());
    const auto byObject = list.FindByThreadObject(threadObject);
    ASSERT_TRUE(byObject);
    EXPECT_EQ(byObject->ThreadID, objectThreadId);
    EXPECT_TRUE(IsRuntimeThread(*byObject));

    EXPECT_FALSE(list.FindByHandle(reinterpret_cast<HANDLE>(0x7FFC)));
    EXPECT_FALSE(list.FindByThreadID(0));
    EXPECT_FALSE(list.FindByThreadObject(reinterpret_cast<TThread*>(&objectEntry)));
    // No object names no thread, although the system threads' entries hold none.
    EXPECT_FALSE(list.FindByThreadObject(nullptr));
}

TEST(TVantrelThreadsList, TheExitBookkeepingRemovesOnlyTheEndingThread)
{
    TVantrelThreadsList list;
    TTrackedThread staying(list, TThreadEnd::Returns);
    TTrackedThread leaving(list, TThreadEnd::RecordsExit);
    ASSERT_TRUE(list.RecordResume(leaving.Handle()));
    const void* block = ThreadSnapshotBlock(EntryOf(*TVantrelThreadsList::CopyOf(list), leaving.ThreadID())->Snapshot);
    leaving.Finish();
    EXPECT_TRUE(leaving.ExitRecorded());
    EXPECT_EQ(list.Count(), 1);
    EXPECT_TRUE(list.FindByThreadID(staying.ThreadID()));
    EXPECT_FALSE(HeapBlockInUse(block)) << "the ending thread's snapshot goes with its entry";
}

TEST(TVantrelThreadsList, TheReportedMarkIsKeptPerThread)
{
    TVantrelThreadsList list;
    TTrackedThread first(list, TThreadEnd::Returns);
    TTrackedThread second(list, TThreadEnd::Returns);
    EXPECT_FALSE(list.GetReported(first.ThreadID()));
    EXPECT_TRUE(list.SetReported(first.ThreadID(), true));
    EXPECT_TRUE(list.GetReported(first.ThreadID()));
    EXPECT_FALSE(list.GetReported(second.ThreadID()));
    EXPECT_TRUE(TVantrelThreadsList::CopyOf(list)->GetReported(first.ThreadID()));
    EXPECT_TRUE(list.SetReported(first.ThreadID(), false));
    EXPECT_FALSE(list.GetReported(first.ThreadID()));

    EXPECT_FALSE(list.SetReported(0, true));
    EXPECT_FALSE(list.GetReported(0));
}

// Bytes that stand for a frame of the thread that resumes another.
constexpr unsigned char PatternByte(std::size_t index)
{
    return static_cast<unsigned char>(0xA5 ^ (index * 37));
}
constexpr std::size_t PatternSize = 96;

struct TResumeFrame {
    std::uintptr_t PatternAddress = 0;
    bool Recorded = false;
};

// Resumes (for the list) from a frame that holds the pattern; the frame is still there,
// below the caller's, while the snapshot is taken.
__attribute__((noinline)) TResumeFrame ResumeFromPatternFrame(TVantrelThreadsList& list, HANDLE thread)
{
    volatile unsigned char pattern[PatternSize];
    for (std::size_t i = 0; i < PatternSize; ++i) pattern[i] = PatternByte(i);
    TResumeFrame frame;
    frame.PatternAddress = reinterpret_cast<std::uintptr_t>(&pattern[0]);
    frame.Recorded = list.RecordResume(thread);
    // Keeps the pattern alive until the snapshot exists.
    EXPECT_EQ(pattern[PatternSize - 1], PatternByte(PatternSize - 1));
    return frame;
}

TEST(TVantrelThreadsList, TheResumeSnapshotHoldsTheCallersStackUpToItsTop)
{
    TVantrelThreadsList list;
    TTrackedThread thread(list, TThreadEnd::Returns);
    const int onStack = 0;
    const std::uintptr_t top = StackReservationEnd(&onStack);
    ASSERT_NE(top, 0u);

    const TResumeFrame frame = ResumeFromPatternFrame(list, thread.Handle());
    ASSERT_TRUE(frame.Recorded);
    const auto copy = TVantrelThreadsList::CopyOf(list);
    const ThreadEntry* entry = EntryOf(*copy, thread.ThreadID());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->CallerID, GetCurrentThreadId());
    ASSERT_NE(entry->Snapshot, nullptr);
    // The snapshot is the range [top - size, top) of the caller's stack.
    const std::uintptr_t start = top - entry->SnapshotSize;
    ASSERT_LT(start, frame.PatternAddress);
    ASSERT_LE(frame.PatternAddress + PatternSize, top);
    const auto* bytes = static_cast<const unsigned char*>(entry->Snapshot);
    const unsigned char* patternCopy = bytes + (frame.PatternAddress - start);
    for (std::size_t i = 0; i < PatternSize; ++i) {
        ASSERT_EQ(patternCopy[i], PatternByte(i)) << "byte " << i;
    }
    // The outermost frames (the thread's start) have not changed since.
    constexpr std::size_t OuterBytes = 128;
    ASSERT_GE(entry->SnapshotSize, OuterBytes);
    EXPECT_EQ(std::memcmp(bytes + entry->SnapshotSize - OuterBytes, reinterpret_cast<const void*>(top - OuterBytes),
                          OuterBytes),
              0);
    // The lookups leave the snapshot out: another thread may free it.
    const auto found = list.FindByThreadID(thread.ThreadID());
    ASSERT_TRUE(found);
    EXPECT_EQ(found->Snapshot, nullptr);
    EXPECT_EQ(found->SnapshotSize, 0u);
    EXPECT_EQ(found->CallerID, GetCurrentThreadId());
}

TEST(TVantrelThreadsList, AResumeOfAnUnknownHandleChangesNothing)
{
    TVantrelThreadsList list;
    TTrackedThread thread(list, TThreadEnd::Returns);
    EXPECT_FALSE(ResumeFromPatternFrame(list, GetCurrentThread()).Recorded);
    const auto copy = TVantrelThreadsList::CopyOf(list);
    EXPECT_EQ(EntryOf(*copy, thread.ThreadID())->Snapshot, nullptr);
    EXPECT_EQ(EntryOf(*copy, thread.ThreadID())->CallerID, 0u);
}

TEST(TVantrelThreadsList, AResumeFromAnotherThreadReplacesTheSnapshotAndFreesTheOldOne)
{
    TVantrelThreadsList list;
    TTrackedThread thread(list, TThreadEnd::Returns);
    ASSERT_TRUE(list.RecordResume(thread.Handle()));
    const void* firstBlock = ThreadSnapshotBlock(EntryOf(*TVantrelThreadsList::CopyOf(list), thread.ThreadID())->Snapshot);

    DWORD resumerId = 0;
    TResumeFrame frame;
    std::uintptr_t resumerTop = 0;
    std::thread resumer = zv::test::StartedThread([&] {
        const int onStack = 0;
        resumerTop = StackReservationEnd(&onStack);
        resumerId = GetCurrentThreadId();
        frame = ResumeFromPatternFrame(list, thread.Handle());
    });
    resumer.join();
    ASSERT_TRUE(frame.Recorded);
    EXPECT_FALSE(HeapBlockInUse(firstBlock));

    const auto copy = TVantrelThreadsList::CopyOf(list);
    const ThreadEntry* entry = EntryOf(*copy, thread.ThreadID());
    EXPECT_EQ(entry->CallerID, resumerId);
    ASSERT_NE(entry->Snapshot, nullptr);
    const std::uintptr_t start = resumerTop - entry->SnapshotSize;
    ASSERT_LT(start, frame.PatternAddress);
    const auto* patternCopy = static_cast<const unsigned char*>(entry->Snapshot) + (frame.PatternAddress - start);
    EXPECT_EQ(patternCopy[0], PatternByte(0));
    EXPECT_EQ(patternCopy[PatternSize - 1], PatternByte(PatternSize - 1));
}

TEST(TVantrelThreadsList, ACopyBorrowsTheSnapshotsAndFreesNoneItsSourceHolds)
{
    TVantrelThreadsList list;
    TTrackedThread withSnapshot(list, TThreadEnd::Returns);
    TTrackedThread without(list, TThreadEnd::Returns);
    ASSERT_TRUE(list.RecordResume(withSnapshot.Handle()));
    ASSERT_TRUE(list.SetReported(without.ThreadID(), true));

    auto copy = TVantrelThreadsList::CopyOf(list);
    EXPECT_TRUE(list.HasLock());
    EXPECT_FALSE(copy->HasLock());
    ASSERT_EQ(copy->Count(), 2);
    const ThreadEntry* borrowed = EntryOf(*copy, withSnapshot.ThreadID());
    ASSERT_NE(borrowed, nullptr);
    EXPECT_TRUE(borrowed->SnapshotBorrowed);
    const void* snapshot = borrowed->Snapshot;
    const std::size_t size = borrowed->SnapshotSize;
    ASSERT_NE(snapshot, nullptr);
    EXPECT_EQ(borrowed->Handle, withSnapshot.Handle());
    EXPECT_EQ(borrowed->StackTop, withSnapshot.MeasuredStackTop());
    const ThreadEntry* plain = EntryOf(*copy, without.ThreadID());
    EXPECT_EQ(plain->Snapshot, nullptr);
    EXPECT_FALSE(plain->SnapshotBorrowed);
    EXPECT_TRUE(plain->Reported);
    // A copy of the copy shares the same block too.
    EXPECT_EQ(EntryOf(*TVantrelThreadsList::CopyOf(*copy), withSnapshot.ThreadID())->Snapshot, snapshot);

    const std::vector<unsigned char> before(static_cast<const unsigned char*>(snapshot),
                                            static_cast<const unsigned char*>(snapshot) + size);
    copy.reset();
    const void* block = ThreadSnapshotBlock(snapshot);
    ASSERT_TRUE(HeapBlockInUse(block));
    EXPECT_EQ(HeapSize(GetProcessHeap(), 0, block), sizeof(TThreadSnapshotHeader) + size);
    EXPECT_EQ(std::memcmp(snapshot, before.data(), size), 0);

    // The source's own entry still owns it: removing the entry frees it.
    list.Delete(list.IndexOfThreadID(withSnapshot.ThreadID()));
    EXPECT_FALSE(HeapBlockInUse(block));
}

TEST(TVantrelThreadsList, ACopyKeepsItsSnapshotWhenTheSourceReplacesIt)
{
    TVantrelThreadsList list;
    TTrackedThread thread(list, TThreadEnd::Returns);
    const TResumeFrame frame = ResumeFromPatternFrame(list, thread.Handle());
    ASSERT_TRUE(frame.Recorded);
    auto copy = TVantrelThreadsList::CopyOf(list);
    const ThreadEntry* borrowed = EntryOf(*copy, thread.ThreadID());
    const std::vector<unsigned char> before(static_cast<const unsigned char*>(borrowed->Snapshot),
                                            static_cast<const unsigned char*>(borrowed->Snapshot) + borrowed->SnapshotSize);
    const void* block = ThreadSnapshotBlock(borrowed->Snapshot);

    // Another resume during the handling that uses the copy; then the thread ends.
    ASSERT_TRUE(list.RecordResume(thread.Handle()));
    thread.Finish();
    list.RemoveDeadEntries();
    EXPECT_EQ(list.Count(), 0);
    ASSERT_TRUE(HeapBlockInUse(block));
    EXPECT_EQ(std::memcmp(borrowed->Snapshot, before.data(), before.size()), 0);

    // The copy was the last holder.
    copy.reset();
    EXPECT_FALSE(HeapBlockInUse(block));
}

TEST(TVantrelThreadsList, AForwardedEntryBorrowsTheSnapshotAndReplacesTheThreadsEntry)
{
    // Another module's copy of the library forwards its entries to this list.
    TVantrelThreadsList forwarding;
    TVantrelThreadsList main;
    TTrackedThread thread(forwarding, TThreadEnd::Returns);
    const auto created = forwarding.FindByThreadID(thread.ThreadID());
    ASSERT_TRUE(created);
    ASSERT_TRUE(main.AddForwardedEntry(*created));
    ASSERT_EQ(main.Count(), 1);

    // The forwarded resume: the forwarding list's entry with its new snapshot, passed while
    // that list still holds it.
    ASSERT_TRUE(forwarding.RecordResume(thread.Handle()));
    {
        const auto source = TVantrelThreadsList::CopyOf(forwarding);
        ASSERT_TRUE(main.AddForwardedEntry(*EntryOf(*source, thread.ThreadID())));
    }
    ASSERT_EQ(main.Count(), 1);
    auto mainCopy = TVantrelThreadsList::CopyOf(main);
    const ThreadEntry* entry = EntryOf(*mainCopy, thread.ThreadID());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->Handle, thread.Handle());
    EXPECT_EQ(entry->CallerID, GetCurrentThreadId());
    EXPECT_TRUE(entry->SnapshotBorrowed);
    ASSERT_NE(entry->Snapshot, nullptr);
    const void* block = ThreadSnapshotBlock(entry->Snapshot);

    // The forwarding module lets go of its entry first (its exit bookkeeping).
    forwarding.Clear();
    EXPECT_TRUE(HeapBlockInUse(block));
    main.Clear();
    EXPECT_TRUE(HeapBlockInUse(block)) << "the copy of the main list still holds it";
    mainCopy.reset();
    EXPECT_FALSE(HeapBlockInUse(block));
}

} // namespace
