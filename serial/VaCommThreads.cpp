// The transmit queue and the component's two threads.
#include <algorithm>
#include <cstring>

#include "framework/sysutils.h"
#include "serial/VaComm.h"
#include "serial/VaCommInternal.h"

namespace {

// Retries after a failed device call start at this pause and double up to the cap, so a
// device that refuses every call costs a few wake-ups a second rather than a busy core.
constexpr DWORD kFirstBackOffMs = 10;
constexpr DWORD kMaxBackOffMs = 1000;

DWORD NextBackOff(DWORD delayMs) noexcept
{
    return delayMs == 0 ? kFirstBackOffMs : std::min(delayMs * 2, kMaxBackOffMs);
}

} // namespace

// --- TVaCommBuffer, TVaTransmitQueue ---

void TVaCommBuffer::Append(const void* data, int count)
{
    if (count <= 0) return;
    std::memcpy(FData.data() + FCount, data, static_cast<size_t>(count));
    FCount += count;
}

void TVaCommBuffer::Consume(int count)
{
    count = std::clamp(count, 0, FCount);
    std::memmove(FData.data(), FData.data() + count, static_cast<size_t>(FCount - count));
    FCount -= count;
}

bool TVaTransmitQueue::TryAppend(const void* data, int count)
{
    TVaLock lock(FLock);
    if (count < 0 || count > FBuffer.Capacity() - FBuffer.Count()) return false;
    if (count == 0) return true;
    FBuffer.Append(data, count);
    FRequest.Signal();
    return true;
}

int TVaTransmitQueue::Snapshot(std::vector<char>& out)
{
    TVaLock lock(FLock);
    out.assign(FBuffer.Data(), FBuffer.Data() + FBuffer.Count());
    return FBuffer.Count();
}

bool TVaTransmitQueue::Consumed(int count)
{
    bool empty;
    {
        TVaLock lock(FLock);
        FBuffer.Consume(count);
        empty = FBuffer.Count() == 0;
        // Decided under the lock: an append either came before (the queue is not empty and
        // the request stays set) or comes after the reset and sets it again.
        if (empty)
            FRequest.Reset();
        else
            FRequest.Signal();
    }
    FRoom.Signal();
    return empty;
}

int TVaTransmitQueue::Count()
{
    TVaLock lock(FLock);
    return FBuffer.Count();
}

// --- TVaOverlappedIo ---

void TVaOverlappedIo::Prepare() noexcept
{
    Event.Reset();
    Overlapped = OVERLAPPED{};
    Overlapped.hEvent = Event.Handle();
}

bool TVaOverlappedIo::CancelAndWait(HANDLE device, DWORD patienceMs, DWORD& transferred) noexcept
{
    transferred = 0;
    // CancelIo takes the calling thread's operations on the device: every caller cancels
    // what it started itself, and Windows XP has no CancelIoEx. A failure means there is
    // nothing left to cancel; the wait below tells.
    CancelIo(device);
    if (WaitForSingleObject(Event.Handle(), patienceMs) != WAIT_OBJECT_0) return false;
    if (!GetOverlappedResult(device, &Overlapped, &transferred, FALSE)) {
        // Cancelled or failed: the count the system reports is what moved before that.
        transferred = static_cast<DWORD>(Overlapped.InternalHigh);
    }
    return true;
}

// --- TVaCommEventThread ---

TVaCommEventThread::TVaCommEventThread(TVaCustomComm* comm, HANDLE device, bool synchronize)
    : FComm(comm), FDevice(device), FSynchronize(synchronize), FIo(std::make_unique<TVaOverlappedIo>())
{
}

TVaCommEventThread::~TVaCommEventThread()
{
    Stop();
    TerminateAndWait();
}

void TVaCommEventThread::Stop() noexcept
{
    Terminate();
    FStopEvent.Signal();
}

void TVaCommEventThread::Execute()
{
    HANDLE start[2] = {FStopEvent.Handle(), FGo.Handle()};
    if (WaitForMultipleObjects(2, start, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return;
    DWORD backOff = 0;
    while (!Terminated()) {
        FIo->Prepare();
        bool completed = false;
        if (WaitCommEvent(FDevice, &FIo->Mask, &FIo->Overlapped)) {
            completed = true;
        } else if (GetLastError() == ERROR_IO_PENDING) {
            HANDLE handles[2] = {FStopEvent.Handle(), FIo->Event.Handle()};
            DWORD result = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
            if (result != WAIT_OBJECT_0 + 1) {
                // Stopping (or a wait that cannot work): the pending wait must not write
                // into this object's memory after the thread has gone. Wine leaves a
                // pending event wait alone on CancelIo but ends it, as Windows does, when
                // the event mask is set; setting the mask it already has changes nothing.
                DWORD mask = 0;
                if (GetCommMask(FDevice, &mask)) SetCommMask(FDevice, mask);
                DWORD ignored;
                if (!FIo->CancelAndWait(FDevice, kVaCancelPatienceMs, ignored)) {
                    FComm->Abandon(std::move(FIo));
                    FIo = std::make_unique<TVaOverlappedIo>();
                }
                if (result != WAIT_OBJECT_0) Terminate();
                break;
            }
            DWORD ignored;
            completed = GetOverlappedResult(FDevice, &FIo->Overlapped, &ignored, FALSE) != FALSE;
        }
        if (Terminated()) break;
        // A mask of 0 is what a wait ends with when the mask is changed under it; a device
        // that keeps doing that, or refuses the wait at once, must not make this loop spin.
        if (completed && FIo->Mask != 0) {
            backOff = 0;
            Deliver(FIo->Mask);
        } else {
            backOff = NextBackOff(backOff);
            if (FStopEvent.Wait(backOff) != vwTimeout) break;
        }
    }
}

void TVaCommEventThread::Deliver(DWORD mask)
{
    if (Terminated()) return;
    FEventMask = mask;
    // A batch that is already waiting for the main thread runs even when Close stops the
    // thread meanwhile: Close services it while it waits, with the port still open, so
    // nothing that arrived before the close is lost.
    auto batch = [this, mask] {
        ++FInDelivery;
        FComm->RunGuarded([this, mask] { FComm->DeliverEvents(mask); });
        --FInDelivery;
    };
    if (FSynchronize)
        Synchronize(batch);
    else
        batch();
    // From here on the component may be closed (by a handler inside the batch): only this
    // object's own members may be touched.
}

// --- TVaCommWriteThread ---

TVaCommWriteThread::TVaCommWriteThread(TVaCustomComm* comm, HANDLE device, int capacity, bool synchronize)
    : FComm(comm), FDevice(device), FSynchronize(synchronize), FQueue(capacity),
      FIo(std::make_unique<TVaOverlappedIo>())
{
}

TVaCommWriteThread::~TVaCommWriteThread()
{
    SignalClose();
    TerminateAndWait();
}

void TVaCommWriteThread::SignalClose() noexcept
{
    FCloseEvent.Signal();
}

bool TVaCommWriteThread::Idle()
{
    return !FWriting.load() && FQueue.Count() == 0;
}

bool TVaCommWriteThread::QueueData(const void* data, int count)
{
    return FQueue.TryAppend(data, count);
}

bool TVaCommWriteThread::BackOff(DWORD& delayMs) noexcept
{
    delayMs = NextBackOff(delayMs);
    return FCloseEvent.Wait(delayMs) == vwTimeout;
}

void TVaCommWriteThread::Execute()
{
    DWORD backOff = 0;
    while (!Terminated()) {
        std::vector<char>& data = FIo->Buffer;
        HANDLE handles[2] = {FCloseEvent.Handle(), FQueue.RequestEvent().Handle()};
        DWORD result = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
        if (result != WAIT_OBJECT_0 + 1) {
            // The close event, listed first, wins when both are set. A failed wait cannot
            // be retried sensibly either.
            Terminate();
            break;
        }
        FWriting = true;
        int count = FQueue.Snapshot(data);
        if (count == 0) {
            FQueue.Consumed(0);
            FWriting = false;
            continue;
        }
        FIo->Prepare();
        DWORD written = 0;
        bool done = false;
        if (WriteFile(FDevice, data.data(), static_cast<DWORD>(count), nullptr, &FIo->Overlapped)) {
            done = GetOverlappedResult(FDevice, &FIo->Overlapped, &written, FALSE) != FALSE;
        } else if (GetLastError() == ERROR_IO_PENDING) {
            HANDLE waits[2] = {FCloseEvent.Handle(), FIo->Event.Handle()};
            DWORD waited = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
            if (waited != WAIT_OBJECT_0 + 1) {
                // Closing: the write must not outlive the buffer it reads from.
                DWORD moved;
                if (!FIo->CancelAndWait(FDevice, kVaCancelPatienceMs, moved)) {
                    FComm->Abandon(std::move(FIo));
                    FIo = std::make_unique<TVaOverlappedIo>();
                }
                FWriting = false;
                Terminate();
                break;
            }
            done = GetOverlappedResult(FDevice, &FIo->Overlapped, &written, TRUE) != FALSE;
        } else {
            Report(EV_ERR);
            FWriting = false;
            if (Terminated() || !BackOff(backOff)) break;
            continue;
        }
        if (!done || written == 0) {
            // The bytes stay queued and the request set: the next pass tries again.
            FWriting = false;
            if (!BackOff(backOff)) break;
            continue;
        }
        backOff = 0;
        // Busy until the report has run: Drain waits for that, so a caller that drains
        // after each write finds the thread ready to write the next byte at once.
        if (FQueue.Consumed(static_cast<int>(written))) Report(EV_TXEMPTY);
        FWriting = false;
    }
    FWriting = false;
}

void TVaCommWriteThread::Report(DWORD flag)
{
    // Unlike the event thread's batches, a report still runs when Close services it.
    auto report = [this, flag] {
        ++FInDelivery;
        FComm->RunGuarded([this, flag] { FComm->DoEvents(flag); });
        --FInDelivery;
    };
    if (FSynchronize)
        Synchronize(report);
    else
        report();
}
