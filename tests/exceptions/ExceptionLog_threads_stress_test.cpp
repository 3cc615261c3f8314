// The threads list under concurrent use: readers look entries up and copy the list while
// threads are created, resumed, started and ended around them.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "exceptions/ExceptionLogThreads.h"
#include "tests/exceptions/ExceptionLog_threads_support.h"
#include "tests/support/started_thread.h"

namespace {

using zv::test::TThreadEnd;
using zv::test::TTrackedThread;

constexpr int ThreadCount = 32;

struct TPublished {
    std::atomic<DWORD> ThreadID{0};
    std::atomic<HANDLE> Handle{nullptr};
};

struct TReaderFindings {
    std::atomic<int> Lookups{0};
    std::atomic<int> Copies{0};
    std::atomic<int> WrongEntries{0};
    std::atomic<int> FreedSnapshots{0};
};

void ReadUntilStopped(const TVantrelThreadsList& list, const std::array<TPublished, ThreadCount>& published,
                      const std::atomic<int>& publishedCount, const std::atomic<bool>& stop,
                      TReaderFindings& findings)
{
    while (!stop.load()) {
        const int count = publishedCount.load();
        for (int i = 0; i < count; ++i) {
            const HANDLE handle = published[i].Handle.load();
            const DWORD threadId = published[i].ThreadID.load();
            // Handles stay open to the end, so a handle names one thread throughout;
            // identifiers of ended threads may come back for new ones.
            if (const auto entry = list.FindByHandle(handle); entry && entry->ThreadID != threadId)
                ++findings.WrongEntries;
            if (const auto entry = list.FindByThreadID(threadId)) {
                bool known = false;
                for (int j = 0; j < count; ++j)
                    known = known || (published[j].Handle.load() == entry->Handle && published[j].ThreadID.load() == threadId);
                if (!known) ++findings.WrongEntries;
            }
            list.GetReported(threadId);
            ++findings.Lookups;
        }
        const auto copy = TVantrelThreadsList::CopyOf(list);
        for (int i = 0; i < copy->Count(); ++i) {
            const ThreadEntry* entry = copy->GetItem(i);
            if (entry->Snapshot && !HeapValidate(GetProcessHeap(), 0, ThreadSnapshotBlock(entry->Snapshot)))
                ++findings.FreedSnapshots;
        }
        ++findings.Copies;
    }
}

TEST(TVantrelThreadsListStress, LookupsDuringCreationsAndEndsLeaveExactlyTheLiveThreads)
{
    TVantrelThreadsList list;
    std::array<TPublished, ThreadCount> published;
    std::atomic<int> publishedCount{0};
    std::atomic<bool> stop{false};
    TReaderFindings findings;
    // Started one at a time (see started_thread.h), like every thread below.
    std::thread firstReader = zv::test::StartedThread(
        [&] { ReadUntilStopped(list, published, publishedCount, stop, findings); });
    std::thread secondReader = zv::test::StartedThread(
        [&] { ReadUntilStopped(list, published, publishedCount, stop, findings); });

    // Every fourth thread stays; the others end in each of the ways a thread can, while
    // the next ones are created.
    const TThreadEnd ends[] = {TThreadEnd::Returns, TThreadEnd::Returns, TThreadEnd::CallsExitThread,
                               TThreadEnd::RecordsExit};
    std::vector<std::unique_ptr<TTrackedThread>> threads;
    std::vector<DWORD> staying;
    for (int i = 0; i < ThreadCount; ++i) {
        auto thread = std::make_unique<TTrackedThread>(list, ends[i % 4]);
        if (!thread->Handle()) {
            ADD_FAILURE() << "thread " << i << " was not created";
            break;
        }
        // The creator resumes it (the hook records that), and resumes the one before
        // again, which replaces a snapshot that a reader's copy may hold.
        EXPECT_TRUE(list.RecordResume(thread->Handle()));
        if (i > 0) list.RecordResume(threads.back()->Handle());
        published[i].ThreadID = thread->ThreadID();
        published[i].Handle = thread->Handle();
        publishedCount = i + 1;
        if (i % 4 == 0)
            staying.push_back(thread->ThreadID());
        else
            thread->Release();
        threads.push_back(std::move(thread));
    }
    for (const auto& thread : threads)
        if (std::find(staying.begin(), staying.end(), thread->ThreadID()) == staying.end()) thread->Finish();
    stop = true;
    firstReader.join();
    secondReader.join();

    EXPECT_GT(findings.Lookups.load(), 0);
    EXPECT_GT(findings.Copies.load(), 0);
    EXPECT_EQ(findings.WrongEntries.load(), 0);
    EXPECT_EQ(findings.FreedSnapshots.load(), 0);

    list.RemoveDeadEntries();
    const auto copy = TVantrelThreadsList::CopyOf(list);
    std::vector<DWORD> listed;
    for (int i = 0; i < copy->Count(); ++i) listed.push_back(copy->GetItem(i)->ThreadID);
    std::sort(listed.begin(), listed.end());
    std::sort(staying.begin(), staying.end());
    EXPECT_EQ(listed, staying);
}

} // namespace
