#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "framework/exceptions.h"
#include "framework/sync.h"
#include "framework/thread.h"

namespace {

// Long enough for a loaded machine under emulation; only a failing test waits that long.
constexpr DWORD kPatience = 10'000;

// 32-bit Wine under CPU emulation crashes when two threads start up at the same moment,
// so the tests start their threads one at a time: each start waits until the new thread
// runs its own code.

// GoogleTest starts a helper thread of its own the first time a thread uses its per-thread
// state (SCOPED_TRACE does). Doing that once before any test, and giving the helper time to
// start, keeps it from starting up beside a test's thread.
class GoogleTestHelperThreadFirst : public testing::Environment {
public:
    void SetUp() override
    {
        {
            SCOPED_TRACE("starts GoogleTest's helper thread for the main thread");
        }
        Sleep(500);
    }
};
testing::Environment* const kGoogleTestHelperThreadFirst =
    testing::AddGlobalTestEnvironment(new GoogleTestHelperThreadFirst);

// WaitFor, Synchronize and the destructor wait without limit by design, so a deadlock in
// them would hang the run: the watchdog ends the process instead, naming the test.
class Watchdog {
public:
    explicit Watchdog(DWORD timeoutMs = 3 * kPatience) : FDone(CreateEventA(nullptr, TRUE, FALSE, nullptr))
    {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "a test";
        TEvent running;
        FThread = std::thread([this, timeoutMs, name, &running] {
            running.SetEvent();
            if (WaitForSingleObject(FDone, timeoutMs) != WAIT_OBJECT_0) {
                std::fprintf(stderr, "\n%s did not finish within %lu ms: deadlock\n", name.c_str(), timeoutMs);
                std::fflush(stderr);
                TerminateProcess(GetCurrentProcess(), 3);
            }
        });
        running.WaitFor(kPatience);
    }
    ~Watchdog()
    {
        SetEvent(FDone);
        FThread.join();
        CloseHandle(FDone);
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    HANDLE FDone;
    std::thread FThread;
};

// A thread that runs a function, and lets it reach the protected Synchronize.
class TTestThread : public TThread {
    RUNTIME_CLASS(TTestThread, TThread)
public:
    using TBody = std::function<void(TTestThread& self)>;
    explicit TTestThread(TBody body) : FBody(std::move(body)) {}
    // Execute uses FBody, so the thread must end before the members go.
    ~TTestThread() override { TerminateAndWait(); }
    void Sync(std::function<void()> method) { Synchronize(std::move(method)); }
    // Start, then wait until Execute runs (see the note on starting threads above).
    void StartAndWaitRunning()
    {
        Start();
        EXPECT_EQ(FRunning.WaitFor(kPatience), wrSignaled) << "Execute did not begin";
    }

protected:
    void Execute() override
    {
        FRunning.SetEvent();
        FBody(*this);
    }

private:
    TBody FBody;
    TEvent FRunning;
};

// Waits on the main thread for a handle, running Synchronize requests meanwhile.
bool WaitServicing(HANDLE handle, DWORD timeoutMs)
{
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    HANDLE handles[2] = {handle, SyncEvent()};
    for (;;) {
        ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        DWORD result = WaitForMultipleObjects(2, handles, FALSE, static_cast<DWORD>(deadline - now));
        if (result == WAIT_OBJECT_0) return true;
        if (result != WAIT_OBJECT_0 + 1) return false;
        CheckSynchronize();
    }
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() >= deadline) return false;
        Sleep(1);
    }
    return true;
}

HANDLE DuplicateThreadHandle(const TThread& thread)
{
    HANDLE copy = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), thread.Handle(), GetCurrentProcess(), &copy, 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
        ADD_FAILURE() << "DuplicateHandle failed: " << GetLastError();
    return copy;
}

// What a thrown object was, as a test can compare it.
std::string Describe(const std::exception_ptr& error)
{
    if (!error) return "none";
    try {
        std::rethrow_exception(error);
    } catch (const Exception& e) {
        return e.ClassName() + ": " + e.Message();
    } catch (const std::exception& e) {
        return std::string("std: ") + e.what();
    } catch (...) {
        return "other";
    }
}

struct ThrowCase {
    const char* label;
    std::function<void()> thrower;
    const char* expected;
};

const ThrowCase kThrowCases[] = {
    {"runtime exception", [] { throw EConvertError("bad value"); }, "EConvertError: bad value"},
    {"standard exception", [] { throw std::runtime_error("plain"); }, "std: plain"},
    {"not an exception class", [] { throw 42; }, "other"},
};

void DrainThreadQueue()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

TEST(ThreadMain, MainThreadIdIsTheThreadThatRunsTheProgram)
{
    EXPECT_EQ(MainThreadID, GetCurrentThreadId());
}

TEST(ThreadSynchronize, RequestsRunOnTheMainThreadInOrderWhileItWaitsInWaitFor)
{
    Watchdog watchdog;
    std::vector<int> order;
    std::vector<DWORD> ranOn;
    TTestThread thread([&](TTestThread& self) {
        for (int i = 1; i <= 3; ++i)
            self.Sync([&, i] {
                order.push_back(i);
                ranOn.push_back(GetCurrentThreadId());
            });
        self.SetReturnValue(static_cast<DWORD>(order.size() * 10));
    });
    thread.Start();
    // The main thread does nothing else, so only WaitFor can have run the requests.
    EXPECT_EQ(thread.WaitFor(), 30u);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    for (DWORD id : ranOn) EXPECT_EQ(id, GetCurrentThreadId());
}

TEST(ThreadSynchronize, WakesAMessageLoopThatCallsCheckSynchronize)
{
    constexpr UINT kCustomWake = WM_APP + 7;
    constexpr int kRequests = 5;
    struct Case {
        const char* label;
        bool customHook;
    };
    for (const Case& c : {Case{"default hook posts WM_NULL", false}, Case{"custom hook", true}}) {
        SCOPED_TRACE(c.label);
        Watchdog watchdog;
        DrainThreadQueue();  // also gives this thread its message queue before anyone posts
        std::atomic<int> hookCalls{0};
        if (c.customHook) {
            TWakeMainThreadProc previous = SetWakeMainThread([&] {
                ++hookCalls;
                PostThreadMessageA(MainThreadID, kCustomWake, 0, 0);
            });
            EXPECT_FALSE(previous) << "the default hook is reported as empty";
        }
        int ran = 0;
        bool allOnMain = true;
        TTestThread thread([&](TTestThread& self) {
            for (int i = 0; i < kRequests; ++i)
                self.Sync([&] {
                    ++ran;
                    allOnMain = allOnMain && GetCurrentThreadId() == MainThreadID;
                });
        });
        UINT_PTR deadline = SetTimer(nullptr, 0, kPatience, nullptr);
        ASSERT_NE(deadline, 0u);
        thread.Start();
        int wakes = 0;
        bool timedOut = false;
        MSG msg;
        while (ran < kRequests && GetMessageA(&msg, nullptr, 0, 0) > 0) {
            if (msg.message == WM_TIMER && msg.wParam == deadline) {
                timedOut = true;
                break;
            }
            if (msg.message == (c.customHook ? kCustomWake : WM_NULL)) ++wakes;
            CheckSynchronize();
        }
        KillTimer(nullptr, deadline);
        if (c.customHook) {
            EXPECT_TRUE(SetWakeMainThread({})) << "the custom hook comes back";
        }
        EXPECT_FALSE(timedOut) << "the loop was not woken";
        EXPECT_EQ(ran, kRequests);
        EXPECT_TRUE(allOnMain);
        EXPECT_GT(wakes, 0);
        if (c.customHook) {
            EXPECT_EQ(hookCalls.load(), kRequests);
        }
        thread.WaitFor();
    }
}

TEST(ThreadSynchronize, AnExceptionInTheRequestIsRaisedAgainInTheWorker)
{
    for (const ThrowCase& c : kThrowCases) {
        SCOPED_TRACE(c.label);
        Watchdog watchdog;
        std::string caught = "no exception";
        DWORD caughtOn = 0;
        TTestThread thread([&](TTestThread& self) {
            try {
                self.Sync(c.thrower);
            } catch (...) {
                caught = Describe(std::current_exception());
                caughtOn = GetCurrentThreadId();
            }
        });
        thread.Start();
        EXPECT_NO_THROW(thread.WaitFor()) << "the request's exception must not escape on the main thread";
        EXPECT_EQ(caught, c.expected);
        EXPECT_EQ(caughtOn, thread.ThreadID());
        EXPECT_FALSE(thread.FatalException());
    }
}

TEST(ThreadSynchronize, SeveralWorkersSynchronizingAtOnceAllComplete)
{
    Watchdog watchdog;
    constexpr int kWorkers = 4, kEach = 25;
    std::vector<std::vector<int>> seen(kWorkers);
    int total = 0;
    bool allOnMain = true;
    TEvent go;
    std::vector<std::unique_ptr<TTestThread>> threads;
    for (int w = 0; w < kWorkers; ++w) {
        // Created and started one by one: even a suspended thread starts up when created.
        threads.push_back(std::make_unique<TTestThread>([&, w](TTestThread& self) {
            go.WaitFor(kPatience);
            for (int i = 0; i < kEach; ++i)
                self.Sync([&, w, i] {
                    seen[w].push_back(i);
                    ++total;
                    allOnMain = allOnMain && GetCurrentThreadId() == MainThreadID;
                });
        }));
        threads.back()->StartAndWaitRunning();
    }
    go.SetEvent();
    for (auto& t : threads) t->WaitFor();
    EXPECT_EQ(total, kWorkers * kEach);
    EXPECT_TRUE(allOnMain);
    for (int w = 0; w < kWorkers; ++w) {
        SCOPED_TRACE("worker " + std::to_string(w));
        ASSERT_EQ(seen[w].size(), static_cast<size_t>(kEach));
        for (int i = 0; i < kEach; ++i) EXPECT_EQ(seen[w][i], i);
    }
}

TEST(ThreadSynchronize, RequestsOfDifferentThreadsRunInTheOrderTheyWereMade)
{
    Watchdog watchdog;
    // The wake-up hook runs on the requesting thread once its request is queued, which
    // lets the test queue the requests in a known order.
    TEvent queued(false, false);
    SetWakeMainThread([&] { queued.SetEvent(); });
    std::vector<char> order;
    std::vector<std::thread> requesters;
    for (char name : {'A', 'B', 'C'}) {
        requesters.emplace_back([&order, name] { TThread::Synchronize(nullptr, [&order, name] { order.push_back(name); }); });
        EXPECT_EQ(queued.WaitFor(kPatience), wrSignaled) << name;
    }
    SetWakeMainThread({});
    EXPECT_TRUE(CheckSynchronize());
    for (auto& t : requesters) t.join();
    EXPECT_EQ(std::string(order.begin(), order.end()), "ABC");
}

TEST(ThreadSynchronize, OnTheMainThreadRunsAtOnceAndLetsExceptionsThrough)
{
    int ran = 0;
    TThread::Synchronize(nullptr, [&] { ++ran; });
    EXPECT_EQ(ran, 1);
    EXPECT_FALSE(CheckSynchronize()) << "nothing was queued";
    EXPECT_THROW(TThread::Synchronize(nullptr, [] { throw EAbort(); }), EAbort);
}

TEST(ThreadSynchronize, SyncEventIsSignalledExactlyWhileARequestIsPending)
{
    Watchdog watchdog;
    EXPECT_EQ(WaitForSingleObject(SyncEvent(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    DWORD ranOn = 0;
    std::thread plain([&] { TThread::Synchronize(nullptr, [&] { ranOn = GetCurrentThreadId(); }); });
    EXPECT_EQ(WaitForSingleObject(SyncEvent(), kPatience), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(ranOn, 0u) << "ran before the main thread serviced it";
    EXPECT_TRUE(CheckSynchronize());
    EXPECT_EQ(ranOn, GetCurrentThreadId());
    EXPECT_EQ(WaitForSingleObject(SyncEvent(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    plain.join();
}

TEST(ThreadSynchronize, CheckSynchronizeWaitsUpToItsTimeoutForARequest)
{
    Watchdog watchdog;
    ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(CheckSynchronize(200));
    EXPECT_GE(GetTickCount64() - start, 180u);  // tick granularity may end the wait early

    bool ran = false;
    std::thread plain([&] {
        Sleep(100);
        TThread::Synchronize(nullptr, [&] { ran = true; });
    });
    EXPECT_TRUE(CheckSynchronize(kPatience));
    EXPECT_TRUE(ran);
    plain.join();
}

TEST(ThreadSynchronize, CheckSynchronizeRefusesAnyThreadButTheMainOne)
{
    std::string caught;
    std::thread other([&] {
        try {
            CheckSynchronize();
        } catch (...) {
            caught = Describe(std::current_exception());
        }
    });
    other.join();
    EXPECT_EQ(caught.rfind("EThread: CheckSynchronize called from thread $", 0), 0u) << caught;
}

constexpr UINT kAsk = WM_APP + 3;

LRESULT CALLBACK SinkWindowProc(HWND wnd, UINT message, WPARAM w, LPARAM l)
{
    if (message == kAsk) return GetCurrentThreadId() == MainThreadID ? 1234 : 4321;
    return DefWindowProcA(wnd, message, w, l);
}

TEST(Thread, WaitForOnTheMainThreadDispatchesSentMessages)
{
    Watchdog watchdog;
    WNDCLASSA cls{};
    cls.lpfnWndProc = SinkWindowProc;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = "ZvThreadTestSink";
    ASSERT_NE(RegisterClassA(&cls), 0) << GetLastError();
    HWND sink = CreateWindowExA(0, cls.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, cls.hInstance, nullptr);
    ASSERT_NE(sink, nullptr) << GetLastError();
    TTestThread thread([&](TTestThread& self) {
        DWORD_PTR answer = 0;
        // Bounded, so a WaitFor that ignores sent messages fails the test instead of hanging.
        if (SendMessageTimeoutA(sink, kAsk, 0, 0, SMTO_NORMAL, kPatience, &answer))
            self.SetReturnValue(static_cast<DWORD>(answer));
    });
    thread.Start();
    EXPECT_EQ(thread.WaitFor(), 1234u);
    DestroyWindow(sink);
    UnregisterClassA(cls.lpszClassName, cls.hInstance);
}

TEST(Thread, TerminateEndsAnExecuteLoopThatWatchesTerminated)
{
    Watchdog watchdog;
    TEvent looping;
    std::atomic<int> rounds{0};
    TTestThread thread([&](TTestThread& self) {
        while (!self.Terminated()) {
            ++rounds;
            looping.SetEvent();
            Sleep(1);
        }
    });
    EXPECT_FALSE(thread.Terminated());
    thread.Start();
    ASSERT_EQ(looping.WaitFor(kPatience), wrSignaled);
    EXPECT_FALSE(thread.Finished());
    thread.Terminate();
    EXPECT_TRUE(thread.Terminated());
    thread.WaitFor();
    EXPECT_TRUE(thread.Finished());
    EXPECT_GT(rounds.load(), 0);
}

TEST(Thread, PriorityIsSetOnTheSystemThreadAndReadBack)
{
    struct Case {
        TThreadPriority priority;
        int systemValue;
    };
    const Case cases[] = {
        {tpIdle, THREAD_PRIORITY_IDLE},           {tpLowest, THREAD_PRIORITY_LOWEST},
        {tpLower, THREAD_PRIORITY_BELOW_NORMAL},  {tpNormal, THREAD_PRIORITY_NORMAL},
        {tpHigher, THREAD_PRIORITY_ABOVE_NORMAL}, {tpHighest, THREAD_PRIORITY_HIGHEST},
        {tpTimeCritical, THREAD_PRIORITY_TIME_CRITICAL},
    };
    TTestThread thread([](TTestThread&) {});
    EXPECT_EQ(thread.Priority(), tpNormal);
    for (const Case& c : cases) {
        SCOPED_TRACE("priority " + std::to_string(c.priority));
        thread.SetPriority(c.priority);
        EXPECT_EQ(GetThreadPriority(thread.Handle()), c.systemValue);
        EXPECT_EQ(thread.Priority(), c.priority);
    }
    EXPECT_THROW(thread.SetPriority(static_cast<TThreadPriority>(tpTimeCritical + 1)), EThread);
}

TEST(Thread, ThePrioritySetBeforeStartIsTheOneExecuteRunsAt)
{
    Watchdog watchdog;
    int seen = THREAD_PRIORITY_ERROR_RETURN;
    TTestThread thread([&](TTestThread&) { seen = GetThreadPriority(GetCurrentThread()); });
    thread.SetPriority(tpLowest);
    thread.Start();
    thread.WaitFor();
    EXPECT_EQ(seen, THREAD_PRIORITY_LOWEST);
}

TEST(Thread, FreeOnTerminateDeletesTheObjectOnItsOwnThreadAfterOnTerminate)
{
    Watchdog watchdog;
    static std::atomic<DWORD> deletedOn;
    static std::atomic<bool> onTerminateRanFirst;
    deletedOn = 0;
    onTerminateRanFirst = false;
    class TSelfFreeing : public TThread {
        RUNTIME_CLASS(TSelfFreeing, TThread)
    public:
        ~TSelfFreeing() override { deletedOn = GetCurrentThreadId(); }

    protected:
        void Execute() override {}
    };
    auto* thread = new TSelfFreeing;
    thread->SetFreeOnTerminate(true);
    thread->SetOnTerminate([](TObject*) { onTerminateRanFirst = deletedOn == 0; });
    DWORD id = thread->ThreadID();
    HANDLE ended = DuplicateThreadHandle(*thread);
    ASSERT_NE(ended, nullptr);
    thread->Start();
    // From here on the object may be gone.
    EXPECT_TRUE(WaitServicing(ended, kPatience));
    CloseHandle(ended);
    EXPECT_EQ(deletedOn.load(), id);
    EXPECT_TRUE(onTerminateRanFirst.load());
}

TEST(Thread, OnTerminateRunsOnTheMainThreadAfterExecute)
{
    Watchdog watchdog;
    std::atomic<bool> executeEnded{false};
    DWORD ranOn = 0;
    TObject* sender = nullptr;
    bool afterExecute = false;
    TTestThread thread([&](TTestThread&) { executeEnded = true; });
    thread.SetOnTerminate([&](TObject* s) {
        ranOn = GetCurrentThreadId();
        sender = s;
        afterExecute = executeEnded && thread.Finished();
    });
    thread.Start();
    thread.WaitFor();
    EXPECT_EQ(ranOn, MainThreadID);
    EXPECT_EQ(sender, &thread);
    EXPECT_TRUE(afterExecute);
}

TEST(Thread, WhateverEscapesExecuteOrOnTerminateIsKeptAsFatalException)
{
    for (bool inOnTerminate : {false, true}) {
        for (const ThrowCase& c : kThrowCases) {
            SCOPED_TRACE(std::string(c.label) + (inOnTerminate ? " in OnTerminate" : " in Execute"));
            Watchdog watchdog;
            TTestThread thread([&](TTestThread& self) {
                self.SetReturnValue(7);
                if (!inOnTerminate) c.thrower();
            });
            if (inOnTerminate) thread.SetOnTerminate([&](TObject*) { c.thrower(); });
            thread.Start();
            EXPECT_EQ(thread.WaitFor(), 7u) << "the return value survives the exception";
            EXPECT_EQ(Describe(thread.FatalException()), c.expected);
        }
    }
    TTestThread quiet([](TTestThread&) {});
    quiet.Start();
    quiet.WaitFor();
    EXPECT_EQ(Describe(quiet.FatalException()), "none");
}

TEST(Thread, ANeverStartedThreadIsDestroyedWithoutRunningAnything)
{
    Watchdog watchdog;
    std::atomic<bool> executed{false};
    bool terminated = false;
    HANDLE ended;
    {
        TTestThread thread([&](TTestThread&) { executed = true; });
        thread.SetOnTerminate([&](TObject*) { terminated = true; });
        thread.SetPriority(tpLower);
        ended = DuplicateThreadHandle(thread);
        ASSERT_NE(ended, nullptr);
    }
    EXPECT_EQ(WaitServicing(ended, kPatience), true) << "the system thread was left behind";
    CloseHandle(ended);
    EXPECT_FALSE(executed.load());
    EXPECT_FALSE(terminated);
}

// Execute uses nothing of the derived object, so destroying it while it runs is safe.
std::atomic<int> gLoopState;  // 0 not started, 1 looping, 2 ended
class TLoopUntilTerminated : public TThread {
    RUNTIME_CLASS(TLoopUntilTerminated, TThread)
protected:
    void Execute() override
    {
        while (!Terminated()) {
            gLoopState = 1;
            Sleep(1);
        }
        gLoopState = 2;
    }
};

TEST(Thread, DestroyingARunningOrSuspendedThreadTerminatesItAndWaits)
{
    for (bool suspend : {false, true}) {
        SCOPED_TRACE(suspend ? "suspended" : "running");
        Watchdog watchdog;
        gLoopState = 0;
        auto thread = std::make_unique<TLoopUntilTerminated>();
        thread->Start();
        ASSERT_TRUE(WaitUntil([] { return gLoopState == 1; }, kPatience));
        if (suspend) thread->Suspend();
        thread.reset();
        EXPECT_EQ(gLoopState.load(), 2);
    }
}

TEST(Thread, TerminateAndWaitInADerivedDestructorKeepsItsMembersAliveUntilExecuteEnds)
{
    static std::atomic<bool> executeEnded, endedBeforeMembersWent;
    executeEnded = false;
    endedBeforeMembersWent = false;
    struct TMember {
        ~TMember() { endedBeforeMembersWent = executeEnded.load(); }
    };
    class TUsesItsMembers : public TThread {
        RUNTIME_CLASS(TUsesItsMembers, TThread)
    public:
        ~TUsesItsMembers() override { TerminateAndWait(); }
        TEvent Running;

    protected:
        void Execute() override
        {
            Running.SetEvent();
            while (!Terminated()) Sleep(1);
            Sleep(50);  // still working on the members after Terminated
            executeEnded = true;
        }

    private:
        TMember FMember;
    };
    Watchdog watchdog;
    auto thread = std::make_unique<TUsesItsMembers>();
    thread->Start();
    ASSERT_EQ(thread->Running.WaitFor(kPatience), wrSignaled);
    thread.reset();
    EXPECT_TRUE(executeEnded.load());
    EXPECT_TRUE(endedBeforeMembersWent.load());
}

TEST(Thread, SuspendStopsTheThreadUntilResume)
{
    Watchdog watchdog;
    std::atomic<long> rounds{0};
    TTestThread thread([&](TTestThread& self) {
        while (!self.Terminated()) {
            ++rounds;
            Sleep(1);
        }
    });
    EXPECT_TRUE(thread.Suspended()) << "created suspended";
    thread.Start();
    EXPECT_FALSE(thread.Suspended());
    ASSERT_TRUE(WaitUntil([&] { return rounds > 0; }, kPatience));
    thread.Suspend();
    EXPECT_TRUE(thread.Suspended());
    Sleep(50);  // a suspension may take effect a moment after SuspendThread returns
    long frozen = rounds;
    Sleep(100);
    EXPECT_EQ(rounds.load(), frozen);
    thread.Resume();
    EXPECT_FALSE(thread.Suspended());
    EXPECT_TRUE(WaitUntil([&] { return rounds > frozen; }, kPatience));
    thread.Terminate();
    thread.WaitFor();
}

TEST(Thread, ResumeStartsAThreadThatWasNeverStarted)
{
    Watchdog watchdog;
    TTestThread thread([](TTestThread& self) { self.SetReturnValue(5); });
    thread.Resume();
    EXPECT_EQ(thread.WaitFor(), 5u);
}

TEST(Thread, WaitForWorksFromAThreadOtherThanTheMainOne)
{
    Watchdog watchdog;
    TTestThread thread([](TTestThread& self) {
        Sleep(50);
        self.SetReturnValue(99);
    });
    thread.StartAndWaitRunning();
    std::string outcome;
    std::thread waiter([&] {
        try {
            outcome = std::to_string(thread.WaitFor());
        } catch (...) {
            outcome = Describe(std::current_exception());
        }
    });
    waiter.join();
    EXPECT_EQ(outcome, "99");
}

TEST(Thread, MisuseRaisesEThread)
{
    Watchdog watchdog;
    {
        SCOPED_TRACE("WaitFor before Start");
        TTestThread thread([](TTestThread&) {});
        EXPECT_THROW(thread.WaitFor(), EThread);
    }
    {
        SCOPED_TRACE("Start twice");
        TTestThread thread([](TTestThread&) {});
        thread.Start();
        EXPECT_THROW(thread.Start(), EThread);
        thread.WaitFor();
    }
    {
        SCOPED_TRACE("WaitFor inside Execute");
        std::string caught;
        TTestThread thread([&](TTestThread& self) {
            try {
                self.WaitFor();
            } catch (...) {
                caught = Describe(std::current_exception());
            }
        });
        thread.Start();
        thread.WaitFor();
        EXPECT_EQ(caught.rfind("EThread: ", 0), 0u) << caught;
    }
}

} // namespace
