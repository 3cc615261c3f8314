#include "tests/exceptions/ExceptionLog_threads_support.h"

#include <gtest/gtest.h>

namespace zv::test {

namespace {

// GoogleTest starts a helper thread the first time a thread uses its per-thread state.
// Under emulation that start must not meet a test's own thread starts, so the main
// thread's helper is started, and given time to get going, before any test runs.
struct TGoogleTestHelperFirst : testing::Environment {
    void SetUp() override
    {
        { SCOPED_TRACE("the main thread's GoogleTest helper"); }
        Sleep(500);
    }
};
[[maybe_unused]] testing::Environment* const googleTestHelperFirst =
    testing::AddGlobalTestEnvironment(new TGoogleTestHelperFirst);

} // namespace

std::uintptr_t StackReservationEnd(const void* onStack)
{
    MEMORY_BASIC_INFORMATION region{};
    if (VirtualQuery(onStack, &region, sizeof(region)) == 0) return 0;
    const void* reservation = region.AllocationBase;
    std::uintptr_t end = reinterpret_cast<std::uintptr_t>(region.BaseAddress) + region.RegionSize;
    for (;;) {
        MEMORY_BASIC_INFORMATION next{};
        if (VirtualQuery(reinterpret_cast<const void*>(end), &next, sizeof(next)) == 0) break;
        if (next.AllocationBase != reservation || next.State == MEM_FREE) break;
        end += next.RegionSize;
    }
    return end;
}

TTrackedThread::TTrackedThread(TVantrelThreadsList& list, TThreadEnd end) : FList(list), FEnd(end)
{
    FRunning = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    FRelease = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    EXPECT_NE(FRunning, nullptr);
    EXPECT_NE(FRelease, nullptr);
    // As the creation hook does: the entry with its start data before, the identifier and
    // handle after the creation, the thread suspended meanwhile.
    ThreadEntry entry = FList.BeginThreadCreation();
    entry.StartRoutine = &Run;
    entry.Parameter = this;
    FHandle = CreateThread(nullptr, 0, &Run, this, CREATE_SUSPENDED, &FThreadID);
    EXPECT_NE(FHandle, nullptr) << GetLastError();
    if (!FHandle) return;
    EXPECT_TRUE(FList.AddCreatedThread(entry, FThreadID, FHandle));
    EXPECT_TRUE(DuplicateHandle(GetCurrentProcess(), FHandle, GetCurrentProcess(), &FWaitHandle, 0, FALSE,
                                DUPLICATE_SAME_ACCESS));
    EXPECT_NE(ResumeThread(FHandle), static_cast<DWORD>(-1));
    EXPECT_EQ(WaitForSingleObject(FRunning, 30'000), WAIT_OBJECT_0);
}

TTrackedThread::~TTrackedThread()
{
    if (!FEnded && FWaitHandle) Finish();
    if (FHandle) CloseHandle(FHandle);
    if (FWaitHandle) CloseHandle(FWaitHandle);
    CloseHandle(FRunning);
    CloseHandle(FRelease);
}

DWORD WINAPI TTrackedThread::Run(void* parameter)
{
    auto* self = static_cast<TTrackedThread*>(parameter);
    const int onStack = 0;
    self->FMeasuredStackTop = StackReservationEnd(&onStack);
    self->FStartRecorded = self->FList.RecordThreadStart();
    // Signalling and starting to wait in one call: once the creator sees the thread
    // running, the thread is blocked in the wait, so a test that terminates it never
    // catches it inside the system (where it may hold a lock of the process).
    SignalObjectAndWait(self->FRunning, self->FRelease, INFINITE, FALSE);
    switch (self->FEnd) {
    case TThreadEnd::Returns:
        return 0;
    case TThreadEnd::ReturnsStillActive:
        return STILL_ACTIVE;
    case TThreadEnd::CallsExitThread:
        ExitThread(7);
    case TThreadEnd::RecordsExit:
        self->FExitRecorded = self->FList.RecordThreadExit();
        return 0;
    }
    return 0;
}

void TTrackedThread::Release()
{
    SetEvent(FRelease);
}

void TTrackedThread::Finish()
{
    if (FEnded) return;
    SetEvent(FRelease);
    EXPECT_EQ(WaitForSingleObject(FWaitHandle, 30'000), WAIT_OBJECT_0);
    FEnded = true;
}

void TTrackedThread::Terminate()
{
    if (FEnded) return;
    EXPECT_TRUE(TerminateThread(FWaitHandle, 9));
    EXPECT_EQ(WaitForSingleObject(FWaitHandle, 30'000), WAIT_OBJECT_0);
    FEnded = true;
}

void TTrackedThread::CloseHandleEarly()
{
    CloseHandle(FHandle);
    FHandle = nullptr;
}

} // namespace zv::test
