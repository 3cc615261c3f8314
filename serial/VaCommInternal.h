// The serial component's internals: the transmit queue, the two threads and the heap
// blocks of overlapped operations. Only the component's own sources (and the tests of
// these parts) include this; callers of the component need serial/VaComm.h alone.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <vector>

#include "framework/thread.h"
#include "serial/VaClasses.h"
#include "serial/VaComm.h"

// The transmit queue's byte block: a fixed capacity and a fill count. The caller
// guarantees room for Append and at most Count() bytes for Consume.
class TVaCommBuffer : public TObject {
    RUNTIME_CLASS(TVaCommBuffer, TObject)
public:
    explicit TVaCommBuffer(int capacity) : FData(capacity > 0 ? static_cast<size_t>(capacity) : 0) {}
    void Append(const void* data, int count);
    void Consume(int count);
    int Count() const noexcept { return FCount; }
    int Capacity() const noexcept { return static_cast<int>(FData.size()); }
    const char* Data() const noexcept { return FData.data(); }

private:
    std::vector<char> FData;
    int FCount = 0;
};

// The transmit queue shared by writers and the write thread, with its lock and the
// write-request event. The request event is set and reset only under the lock, together
// with the change of the count that decides it, so an append can never be left queued
// with the request reset. Any thread may call every member.
class TVaTransmitQueue : public TObject {
    RUNTIME_CLASS(TVaTransmitQueue, TObject)
public:
    explicit TVaTransmitQueue(int capacity) : FBuffer(capacity), FRoom(false, false) {}

    // Appends all count bytes and signals the request, or returns false when they do not
    // fit now. count 0 is accepted and changes nothing.
    bool TryAppend(const void* data, int count);
    // Copies the queued bytes into out (replacing its contents); returns their number.
    int Snapshot(std::vector<char>& out);
    // Drops the first count bytes (those written). Resets the request when the queue is now
    // empty and returns true then; otherwise signals it again. Wakes waiters for room.
    bool Consumed(int count);
    int Count();
    int Capacity() const noexcept { return FBuffer.Capacity(); }

    // Manual reset; signalled while bytes wait to be written.
    TVaWaitEvent& RequestEvent() noexcept { return FRequest; }
    // Auto reset; signalled when bytes were taken out.
    TVaEvent& RoomEvent() noexcept { return FRoom; }

private:
    TVaCriticalSection FLock;
    TVaCommBuffer FBuffer;
    TVaWaitEvent FRequest;
    TVaEvent FRoom;
};

// How long a caller waits for the system to finish an operation it cancelled. A device that
// never completes a cancelled operation would otherwise hang Close or a timed-out call; past
// this the operation is handed to the component, which keeps its memory until the device
// is closed.
constexpr DWORD kVaCancelPatienceMs = 2000;

// One overlapped operation: its control block, completion event and data live together on
// the heap, so an operation that the system has not finished can outlive its caller
// (see TVaCustomComm::Abandon).
struct TVaOverlappedIo {
    OVERLAPPED Overlapped{};
    TVaWaitEvent Event;
    std::vector<char> Buffer;
    DWORD Mask = 0;

    // Zeroes the control block and points it at the (reset) event.
    void Prepare() noexcept;
    // Cancels the operation, which the calling thread started, and waits up to
    // patienceMs for the system to finish with it. True when it is finished; transferred
    // then holds what it moved before the cancel.
    bool CancelAndWait(HANDLE device, DWORD patienceMs, DWORD& transferred) noexcept;
};

// Waits for line events and hands them to the component. Created suspended by the
// component's StartThreads; lives while the port is open.
class TVaCommEventThread : public TThread {
    RUNTIME_CLASS(TVaCommEventThread, TThread)
public:
    TVaCommEventThread(TVaCustomComm* comm, HANDLE device, bool synchronize);
    ~TVaCommEventThread() override;
    // Asks the thread to end: it leaves its wait at once and delivers nothing more.
    void Stop() noexcept;
    // Lets the started thread begin waiting for line events (see StartThreads).
    void Go() noexcept { FGo.Signal(); }

protected:
    void Execute() override;

private:
    friend class TVaCustomComm;
    void Deliver(DWORD mask);

    TVaCustomComm* FComm;
    HANDLE FDevice;
    bool FSynchronize;
    TVaWaitEvent FStopEvent;
    TVaWaitEvent FGo;
    std::unique_ptr<TVaOverlappedIo> FIo;
    DWORD FEventMask = 0;
    int FInDelivery = 0;  // main thread only
};

// Empties the transmit queue into the device. Created suspended by StartThreads; lives
// while the port is open and DirectWrite is false.
class TVaCommWriteThread : public TThread {
    RUNTIME_CLASS(TVaCommWriteThread, TThread)
public:
    TVaCommWriteThread(TVaCustomComm* comm, HANDLE device, int capacity, bool synchronize);
    ~TVaCommWriteThread() override;

    // Queues all count bytes when they fit now; false (nothing queued) when they do not.
    // Any thread. The component's WriteBuffer waits for room.
    bool QueueData(const void* data, int count);
    // Asks the thread to end; bytes still queued are not written.
    void SignalClose() noexcept;
    // True when nothing is queued, no write is under way and no report waits to run.
    bool Idle();
    TVaTransmitQueue& Queue() noexcept { return FQueue; }

protected:
    void Execute() override;

private:
    friend class TVaCustomComm;
    void Report(DWORD flag);
    // Waits before a retry after a failed write; false when the close came meanwhile.
    bool BackOff(DWORD& delayMs) noexcept;

    TVaCustomComm* FComm;
    HANDLE FDevice;
    bool FSynchronize;
    TVaTransmitQueue FQueue;
    TVaWaitEvent FCloseEvent;
    std::unique_ptr<TVaOverlappedIo> FIo;
    std::atomic<bool> FWriting{false};
    int FInDelivery = 0;  // main thread only
};
