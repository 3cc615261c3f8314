// TVaComm: a serial port component on the system's overlapped device I/O.
//
// Settings (VaPrst.h) may be changed at any time; line parameters reach an open device at
// once. Open creates the device, writes its settings, and starts up to two threads: an
// event thread that waits for line events and hands each batch to the component, and a
// write thread that empties the transmit queue into the device. Both deliver their reports
// on the main (user-interface) thread through TThread::Synchronize and wait until the
// report has run, so every On... event fires on the main thread. The main thread services
// those reports in its message loop (CheckSynchronize), while Close waits for the threads,
// while a write waits for room in the queue, and in Drain.
//
// Threads: the component's settings, Open, Close, Drain and the event properties belong to
// the main thread. WriteBuffer, ReadBuffer, InputCount and ReadStatus may be called from
// any thread. Every failure is raised as EVaCommError with one of the fixed messages.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "framework/thread.h"
#include "serial/VaClasses.h"
#include "serial/VaPrst.h"

class TVaCustomComm;
// The component's internals (serial/VaCommInternal.h).
class TVaCommEventThread;
class TVaCommWriteThread;
struct TVaOverlappedIo;

using PVaData = const char*;
using TVaCommErrorEvent = std::function<void(TObject* sender, int errors)>;
using TVaCommRxCharEvent = std::function<void(TObject* sender, int count)>;
using TVaCommRxBufEvent = std::function<void(TObject* sender, PVaData data, int count)>;

// A display control the component refreshes on every event batch.
class TVaDisplay : public TVaGraphicControl {
    RUNTIME_CLASS(TVaDisplay, TVaGraphicControl)
public:
    using TVaGraphicControl::TVaGraphicControl;
    virtual void UpdateDisplay(TVaCustomComm* comm) = 0;
};

// A party that takes a component's event masks and received blocks. Attach it with
// TVaCustomComm::AttachLink; it detaches itself when destroyed. Main thread only.
class TVaCommLink : public TObject {
    RUNTIME_CLASS(TVaCommLink, TObject)
public:
    TVaCommLink() = default;
    ~TVaCommLink() override;
    TVaCommLink(const TVaCommLink&) = delete;
    TVaCommLink& operator=(const TVaCommLink&) = delete;

    bool Active() const noexcept { return FActive; }
    void SetActive(bool value) noexcept { FActive = value; }
    // The component it is attached to; null when detached.
    TVaCustomComm* Comm() const noexcept { return FComm; }

    // The target: called on the main thread with each event mask and each received block.
    std::function<void(DWORD mask)> OnEvents;
    std::function<void(PVaData data, int count)> OnRxBuf;

private:
    friend class TVaCustomComm;
    bool FActive = true;
    TVaCustomComm* FComm = nullptr;
};

class TVaCustomComm : public TVaComponent {
    RUNTIME_CLASS(TVaCustomComm, TVaComponent)
public:
    explicit TVaCustomComm(TComponent* owner);
    // Closes the port (without OnClose), detaches every link.
    ~TVaCustomComm() override;

    // --- Line settings (applied to an open device at once when UpdateDCB is on) ---
    TVaBaudrate Baudrate() const noexcept { return FBaudrate; }
    // A rate other than brUser resets UserBaudrate to 0.
    void SetBaudrate(TVaBaudrate value);
    int UserBaudrate() const noexcept { return FUserBaudrate; }
    // Also switches Baudrate to brUser.
    void SetUserBaudrate(int value);
    TVaParity Parity() const noexcept { return FParity; }
    void SetParity(TVaParity value);
    TVaDatabits Databits() const noexcept { return FDatabits; }
    void SetDatabits(TVaDatabits value);
    TVaStopbits Stopbits() const noexcept { return FStopbits; }
    void SetStopbits(TVaStopbits value);
    TVaCommOptions Options() const noexcept { return FOptions; }
    void SetOptions(TVaCommOptions value);

    // The owned groups; the setters assign into them. Changing a field of Buffers while
    // the port is open stores the value and then raises.
    TVaEventChars& EventChars() noexcept { return *FEventChars; }
    void SetEventChars(const TVaEventChars& value) { FEventChars->Assign(&value); }
    TVaFlowControl& FlowControl() noexcept { return *FFlowControl; }
    void SetFlowControl(const TVaFlowControl& value) { FFlowControl->Assign(&value); }
    TVaBuffers& Buffers() noexcept { return *FBuffers; }
    void SetBuffers(const TVaBuffers& value);

    // --- Settings that may change only while closed ("Can't perform this operation while
    // port is open") ---
    int PortNum() const noexcept { return FPortNum; }
    void SetPortNum(int value);
    // A Format pattern taking PortNum ("COM%d").
    const std::string& DeviceName() const noexcept { return FDeviceName; }
    void SetDeviceName(const std::string& value);
    TVaCommEvents MonitorEvents() const noexcept { return FMonitorEvents; }
    void SetMonitorEvents(TVaCommEvents value);
    bool DirectWrite() const noexcept { return FDirectWrite; }
    void SetDirectWrite(bool value);
    bool UpdateDCB() const noexcept { return FUpdateDCB; }
    void SetUpdateDCB(bool value);

    TThreadPriority EventPriority() const noexcept { return FEventPriority; }
    void SetEventPriority(TThreadPriority value);
    TThreadPriority WritePriority() const noexcept { return FWritePriority; }
    void SetWritePriority(TThreadPriority value);

    bool AutoOpen() const noexcept { return FAutoOpen; }
    void SetAutoOpen(bool value) noexcept { FAutoOpen = value; }
    TVaDisplay* Display() const noexcept { return FDisplay; }
    void SetDisplay(TVaDisplay* value);
    std::string Version() const { return "1.3.5.0"; }
    void SetVersion(const std::string&) noexcept {}

    // --- Lifecycle ---
    // DeviceName formatted with PortNum, prefixed "\\.\" on the NT family. A DeviceName
    // that is no pattern for one integer raises Format's EConvertError.
    std::string DevicePath() const;
    void Open();
    // Stops the threads (dropping bytes still queued), closes the device, fires OnClose and
    // pauses 300 ms. Does nothing on a closed port. Call Drain first to get queued bytes out.
    void Close();
    bool IsOpen() const noexcept { return FHandle.IsValid(); }
    // The device; INVALID_HANDLE_VALUE while closed. Owned by the component.
    HANDLE Handle() const noexcept { return FHandle.Get(); }
    // The event mask for the device: MonitorEvents translated (0x81 with the defaults).
    DWORD EventMask() const noexcept { return VaEventMask(FMonitorEvents, FDirectWrite); }
    bool HasEventThread() const noexcept { return FEventThread != nullptr; }
    bool HasWriteThread() const noexcept { return FWriteThread != nullptr; }

    // --- Data ---
    // Queued (or, with DirectWrite, written) bytes; 0 when the port is closed. Queued:
    // raises "Output buffer is full. Please check comm status." when the bytes find no room
    // within Buffers.WriteTimeout ms. Direct: waits up to Buffers.ReadTimeout ms and
    // returns 0 when the write did not complete in time (it is cancelled then). data may
    // be null only when count is 0.
    int WriteBuffer(const void* data, int count);
    bool WriteByte(unsigned char value) { return WriteBuffer(&value, 1) == 1; }
    // Waits until every byte written so far has left the transmit queue and the device's
    // output queue, servicing the threads' reports meanwhile. True when all is out; false
    // when timeoutMs passed first or the port is closed. Main thread.
    bool Drain(DWORD timeoutMs);
    // Reads up to count bytes that have arrived; 0 when closed or nothing arrived within
    // Buffers.ReadTimeout ms.
    int ReadBuffer(void* data, int count);
    // Bytes waiting in the device's input queue; 0 when closed.
    int InputCount();
    // Fetches and clears the device's error word and status (both zero when closed).
    // Errors seen by InputCount since the last call are included.
    void ReadStatus(DWORD& errors, COMSTAT& status);
    // True when the device reports line errors; fires OnError with them then.
    bool CheckLineErrors();

    // --- Links ---
    void AttachLink(TVaCommLink* link);
    void DetachLink(TVaCommLink* link);
    int LinkCount() const noexcept { return static_cast<int>(FLinks.size()); }

    // --- Failures ---
    // Raises "Can't perform this operation while port is open" when open.
    void RequireClosed() const;
    // Raises EVaCommError: format with the error code and its trimmed system text.
    [[noreturn]] void RaiseCommError(const std::string& format, DWORD error) const;
    // RaiseCommError with GetLastError() when ok is false.
    void CheckCommResult(bool ok, const std::string& format) const;
    // Writes the line settings to the open device ("Error writing dcb (%d), %s"); does
    // nothing when closed or UpdateDCB is off.
    void ApplyDCB();
    // The settings as they would be written now.
    TVaLineSettings LineSettings() const;

    // --- Events (main thread) ---
    TNotifyEvent OnOpen, OnClose;
    TNotifyEvent OnCts, OnDsr, OnRlsd, OnRing, OnBreak;
    TVaCommErrorEvent OnError;
    TVaCommRxCharEvent OnRxChar;
    TVaCommRxBufEvent OnRxBuf;
    TNotifyEvent OnRxFlag, OnTxEmpty, OnPErr, OnRx80Full, OnEvent1, OnEvent2;

    void Loaded() override;

protected:
    // The six operations, in this slot order.
    virtual void OpenHandle();
    virtual void StartThreads();
    virtual void DoRxChar();
    virtual void DoEvents(DWORD mask);
    virtual void DoLinkEvents(DWORD mask);
    virtual void DoRxBuf(PVaData data, int count);
    // The device's error word and status (ClearCommError); a seam for devices and tests.
    // Returns false with the system's error in GetLastError when the device refuses.
    virtual bool FetchCommStatus(DWORD& errors, COMSTAT& status);

    // One batch of line events: display, received characters, then the rest. Main thread.
    void DeliverEvents(DWORD mask);
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TVaCommEventThread;
    friend class TVaCommWriteThread;

    void LineChanged();
    void BuffersChanged();
    void StopThreads() noexcept;
    void ReapRetired(bool destroying) noexcept;
    // How deep the main thread is inside the thread's own reports.
    static int ThreadInDelivery(TThread* thread) noexcept;
    // Device status with the error word kept for the next ReadStatus.
    void QueryStatus(COMSTAT& status);
    void CloseDevice() noexcept;
    // Keeps an unfinished operation alive until the device is closed.
    void Abandon(std::unique_ptr<TVaOverlappedIo> io);
    void ReapAbandoned() noexcept;
    // Runs a report of a thread on the main thread; exceptions go to the application.
    void RunGuarded(const std::function<void()>& report) noexcept;
    // Calls tell for every active link, in list order, skipping links that an earlier
    // call detached or destroyed.
    void ForEachLink(const std::function<void(TVaCommLink&)>& tell);
    int DirectWriteBuffer(const void* data, int count);
    int QueuedWriteBuffer(const void* data, int count);

    TVaBaudrate FBaudrate = br1200;
    int FUserBaudrate = 0;
    TVaParity FParity = paNone;
    TVaDatabits FDatabits = db8;
    TVaStopbits FStopbits = sb1;
    TVaCommOptions FOptions;
    std::unique_ptr<TVaFlowControl> FFlowControl;
    std::unique_ptr<TVaEventChars> FEventChars;
    std::unique_ptr<TVaBuffers> FBuffers;
    int FPortNum = 0;
    std::string FDeviceName = "COM%d";
    TVaCommEvents FMonitorEvents{ceError, ceRxChar, ceTxEmpty};
    TThreadPriority FEventPriority = tpNormal;
    TThreadPriority FWritePriority = tpHighest;
    bool FDirectWrite = false;
    bool FUpdateDCB = true;
    bool FAutoOpen = false;
    TVaDisplay* FDisplay = nullptr;

    TFileHandle FHandle;
    bool FDestroying = false;
    TVaCommEventThread* FEventThread = nullptr;
    TVaCommWriteThread* FWriteThread = nullptr;
    // Threads stopped from inside their own report: they end once it returns, and are
    // freed at the next Open, Close or destruction.
    std::vector<TThread*> FRetired;
    TVaCriticalSection FWriteLock;
    TVaCriticalSection FReadLock;
    std::unique_ptr<TVaOverlappedIo> FWriteIo;
    std::unique_ptr<TVaOverlappedIo> FReadIo;
    std::mutex FAbandonedLock;
    std::vector<std::unique_ptr<TVaOverlappedIo>> FAbandoned;
    DWORD FUnreportedErrors = 0;  // guarded by FReadLock
    bool FSynchronize = true;
    bool FLinksEnabled = true;
    std::vector<TVaCommLink*> FLinks;
};

class TVaComm : public TVaCustomComm {
    RUNTIME_CLASS(TVaComm, TVaCustomComm)
public:
    using TVaCustomComm::TVaCustomComm;
};
