#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "framework/exceptions.h"
#include "framework/sync.h"

namespace {

// Long enough for a loaded machine under emulation; only a failing test waits that long.
constexpr DWORD kPatience = 10'000;

std::string UniqueName(const char* what)
{
    return std::string("zv-sync-test-") + what + "-" + std::to_string(GetCurrentProcessId());
}

TEST(Event, ResetModeDecidesHowManyWaitsOneSetReleases)
{
    struct Case {
        const char* label;
        bool manualReset;
        bool initialState;
        TWaitResult firstWait;   // before any SetEvent
        TWaitResult secondWait;  // the wait after the one that consumed a SetEvent
    };
    const Case cases[] = {
        {"manual, unsignalled", true, false, wrTimeout, wrSignaled},
        {"manual, signalled", true, true, wrSignaled, wrSignaled},
        {"auto, unsignalled", false, false, wrTimeout, wrTimeout},
        {"auto, signalled", false, true, wrSignaled, wrTimeout},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TEvent event(c.manualReset, c.initialState);
        EXPECT_EQ(event.WaitFor(0), c.firstWait);
        event.SetEvent();
        EXPECT_EQ(event.WaitFor(0), wrSignaled);
        EXPECT_EQ(event.WaitFor(0), c.secondWait);
        event.ResetEvent();
        EXPECT_EQ(event.WaitFor(0), wrTimeout);
    }
}

TEST(Event, TimesOutAfterAboutTheTimeoutWhenNobodySignals)
{
    TEvent event;
    ULONGLONG start = GetTickCount64();
    EXPECT_EQ(event.WaitFor(200), wrTimeout);
    // The system's tick granularity (10-16 ms) may end a wait that much early.
    EXPECT_GE(GetTickCount64() - start, 180u);
}

TEST(Event, ReleasesAWaiterOnAnotherThread)
{
    TEvent event(false, false);
    std::atomic<TWaitResult> seen{wrError};
    std::thread waiter([&] { seen = event.WaitFor(kPatience); });
    Sleep(50);
    event.SetEvent();
    waiter.join();
    EXPECT_EQ(seen.load(), wrSignaled);
}

TEST(Event, ObjectsOfTheSameNameShareOneEvent)
{
    std::string name = UniqueName("shared");
    TEvent first(true, false, name);
    TEvent second(false, true, name);  // opens the existing event: its own settings are ignored
    EXPECT_EQ(second.WaitFor(0), wrTimeout);
    first.SetEvent();
    EXPECT_EQ(second.WaitFor(0), wrSignaled);
    EXPECT_EQ(second.WaitFor(0), wrSignaled);  // still the first object's manual reset
}

TEST(Event, ANameHeldByAnotherKindOfObjectRaisesEOSError)
{
    std::string name = UniqueName("mutex");
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
    ASSERT_NE(mutex, nullptr) << GetLastError();
    try {
        TEvent event(true, false, name);
        ADD_FAILURE() << "no exception";
    } catch (const EOSError& e) {
        EXPECT_EQ(e.ErrorCode(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        EXPECT_EQ(e.Message().rfind("System Error.  Code: 6.\r\n", 0), 0u) << e.Message();
    }
    CloseHandle(mutex);
}

TEST(SimpleEvent, StartsUnsignalledAndStaysSignalledOnceSet)
{
    TSimpleEvent event;
    EXPECT_TRUE(event.InheritsFrom(TEvent::StaticClass()));
    EXPECT_EQ(event.WaitFor(0), wrTimeout);
    event.SetEvent();
    EXPECT_EQ(event.WaitFor(0), wrSignaled);
    EXPECT_EQ(event.WaitFor(0), wrSignaled);
}

TEST(CriticalSection, KeepsOtherThreadsOutUntilTheOwnerLeavesEveryEntry)
{
    TCriticalSection section;
    auto tryFromOtherThread = [&section] {
        bool entered = false;
        std::thread other([&] {
            entered = section.TryEnter();
            if (entered) section.Leave();
        });
        other.join();
        return entered;
    };
    section.Enter();
    ASSERT_TRUE(section.TryEnter()) << "re-entry by the owner";
    EXPECT_FALSE(tryFromOtherThread());
    section.Leave();
    EXPECT_FALSE(tryFromOtherThread()) << "one entry still held";
    section.Release();
    EXPECT_TRUE(tryFromOtherThread());
}

TEST(CriticalSection, GuardLeavesAtTheEndOfItsScope)
{
    TCriticalSection section;
    auto heldElsewhere = [&section] {
        bool entered = false;
        std::thread other([&] {
            entered = section.TryEnter();
            if (entered) section.Leave();
        });
        other.join();
        return !entered;
    };
    {
        TCriticalSectionGuard guard(section);
        EXPECT_TRUE(heldElsewhere());
    }
    EXPECT_FALSE(heldElsewhere());
}

TEST(CriticalSection, MakesReadModifyWriteAtomicAcrossThreads)
{
    TCriticalSection section;
    long counter = 0;
    constexpr int kThreads = 4, kRounds = 2000;
    auto work = [&] {
        for (int i = 0; i < kRounds; ++i) {
            TCriticalSectionGuard guard(section);
            long seen = counter;
            if (i % 64 == 0) Sleep(0);  // invites a switch inside the section
            counter = seen + 1;
        }
    };
    // One start-up at a time: 32-bit Wine under CPU emulation crashes when two threads
    // start up at the same moment. They meet at the gate, then contend.
    TEvent started(false, false), gate;
    std::thread threads[kThreads];
    for (auto& t : threads) {
        t = std::thread([&] {
            started.SetEvent();
            gate.WaitFor(kPatience);
            work();
        });
        EXPECT_EQ(started.WaitFor(kPatience), wrSignaled);
    }
    gate.SetEvent();
    for (auto& t : threads) t.join();
    EXPECT_EQ(counter, kThreads * kRounds);
}

TEST(MultiReadExclusiveWrite, LetsTwoReadersInAtOnce)
{
    TMultiReadExclusiveWriteSynchronizer lock;
    TEvent secondIn;
    lock.BeginRead();
    std::thread reader([&] {
        lock.BeginRead();
        secondIn.SetEvent();
        lock.EndRead();
    });
    EXPECT_EQ(secondIn.WaitFor(kPatience), wrSignaled);
    lock.EndRead();
    reader.join();
}

TEST(MultiReadExclusiveWrite, AWriterWaitsForTheReaderAndKeepsReadersOut)
{
    TMultiReadExclusiveWriteSynchronizer lock;
    TEvent writerIn, writerMayLeave;
    lock.BeginRead();
    std::thread writer([&] {
        lock.BeginWrite();
        writerIn.SetEvent();
        writerMayLeave.WaitFor(kPatience);
        lock.EndWrite();
    });
    EXPECT_EQ(writerIn.WaitFor(200), wrTimeout) << "writer got in beside a reader";
    lock.EndRead();
    EXPECT_EQ(writerIn.WaitFor(kPatience), wrSignaled);
    bool readerIn = lock.TryBeginRead();
    if (readerIn) lock.EndRead();
    EXPECT_FALSE(readerIn) << "reader got in beside the writer";
    bool secondWriterIn = lock.TryBeginWrite();
    if (secondWriterIn) lock.EndWrite();
    EXPECT_FALSE(secondWriterIn) << "second writer got in";
    writerMayLeave.SetEvent();
    writer.join();
    bool freeAgain = lock.TryBeginWrite();
    if (freeAgain) lock.EndWrite();
    EXPECT_TRUE(freeAgain);
}

} // namespace
