#include "serial/VaComm.h"
#include "serial/VaCommInternal.h"

#include <algorithm>
#include <cstring>

#include "framework/application.h"
#include "framework/format.h"

namespace {

constexpr char kPortOpen[] = "Can't perform this operation while port is open";

// The pause at the end of Close: a device closed and reopened at once (the switch
// commands do that for every command) gets time to settle.
constexpr DWORD kClosePauseMs = 300;

} // namespace

int TVaCustomComm::ThreadInDelivery(TThread* thread) noexcept
{
    if (auto* events = dynamic_cast<TVaCommEventThread*>(thread)) return events->FInDelivery;
    if (auto* writer = dynamic_cast<TVaCommWriteThread*>(thread)) return writer->FInDelivery;
    return 0;
}

// --- TVaCommLink ---

TVaCommLink::~TVaCommLink()
{
    if (FComm) FComm->DetachLink(this);
}

// --- Construction ---

TVaCustomComm::TVaCustomComm(TComponent* owner)
    : TVaComponent(owner), FFlowControl(std::make_unique<TVaFlowControl>()),
      FEventChars(std::make_unique<TVaEventChars>()), FBuffers(std::make_unique<TVaBuffers>()),
      FWriteIo(std::make_unique<TVaOverlappedIo>()), FReadIo(std::make_unique<TVaOverlappedIo>())
{
    FFlowControl->SetOnChange([this] { LineChanged(); });
    FEventChars->SetOnChange([this] { LineChanged(); });
    FBuffers->SetOnChange([this] { BuffersChanged(); });
}

TVaCustomComm::~TVaCustomComm()
{
    FDestroying = true;
    try {
        Close();
    } catch (...) {
        // A destructor cannot report; Close has closed the device before anything it can
        // raise (OnClose does not fire during destruction).
    }
    ReapRetired(true);
    while (!FLinks.empty()) DetachLink(FLinks.back());
    if (FDisplay) FDisplay->RemoveFreeNotification(this);
}

// --- Settings ---

void TVaCustomComm::SetBaudrate(TVaBaudrate value)
{
    if (value == FBaudrate) return;
    FBaudrate = value;
    if (value != brUser) FUserBaudrate = 0;
    ApplyDCB();
}

void TVaCustomComm::SetUserBaudrate(int value)
{
    if (value == FUserBaudrate) return;
    FUserBaudrate = value;
    FBaudrate = brUser;
    ApplyDCB();
}

void TVaCustomComm::SetParity(TVaParity value)
{
    if (value == FParity) return;
    FParity = value;
    ApplyDCB();
}

void TVaCustomComm::SetDatabits(TVaDatabits value)
{
    if (value == FDatabits) return;
    FDatabits = value;
    ApplyDCB();
}

void TVaCustomComm::SetStopbits(TVaStopbits value)
{
    if (value == FStopbits) return;
    FStopbits = value;
    ApplyDCB();
}

void TVaCustomComm::SetOptions(TVaCommOptions value)
{
    if (value == FOptions) return;
    FOptions = value;
    ApplyDCB();
}

void TVaCustomComm::SetBuffers(const TVaBuffers& value)
{
    RequireClosed();
    FBuffers->Assign(&value);
}

void TVaCustomComm::SetPortNum(int value)
{
    RequireClosed();
    FPortNum = value;
}

void TVaCustomComm::SetDeviceName(const std::string& value)
{
    RequireClosed();
    FDeviceName = value;
}

void TVaCustomComm::SetMonitorEvents(TVaCommEvents value)
{
    RequireClosed();
    FMonitorEvents = value;
}

void TVaCustomComm::SetDirectWrite(bool value)
{
    RequireClosed();
    FDirectWrite = value;
}

void TVaCustomComm::SetUpdateDCB(bool value)
{
    RequireClosed();
    FUpdateDCB = value;
}

void TVaCustomComm::SetEventPriority(TThreadPriority value)
{
    if (value == FEventPriority) return;
    FEventPriority = value;
    if (FEventThread) FEventThread->SetPriority(value);
}

void TVaCustomComm::SetWritePriority(TThreadPriority value)
{
    if (value == FWritePriority) return;
    FWritePriority = value;
    if (FWriteThread) FWriteThread->SetPriority(value);
}

void TVaCustomComm::SetDisplay(TVaDisplay* value)
{
    if (value == FDisplay) return;
    if (FDisplay) FDisplay->RemoveFreeNotification(this);
    FDisplay = value;
    if (FDisplay) FDisplay->FreeNotification(this);
}

void TVaCustomComm::Notification(TComponent* component, TOperation operation)
{
    if (operation == opRemove && component == FDisplay) FDisplay = nullptr;
    TVaComponent::Notification(component, operation);
}

void TVaCustomComm::Loaded()
{
    TVaComponent::Loaded();
    if (FAutoOpen) Open();
}

void TVaCustomComm::LineChanged()
{
    ApplyDCB();
}

void TVaCustomComm::BuffersChanged()
{
    RequireClosed();
}

TVaLineSettings TVaCustomComm::LineSettings() const
{
    TVaLineSettings s;
    s.Baudrate = FBaudrate;
    s.UserBaudrate = FUserBaudrate;
    s.Parity = FParity;
    s.Databits = FDatabits;
    s.Stopbits = FStopbits;
    s.Options = FOptions;
    s.OutCtsFlow = FFlowControl->OutCtsFlow();
    s.OutDsrFlow = FFlowControl->OutDsrFlow();
    s.ControlDtr = FFlowControl->ControlDtr();
    s.ControlRts = FFlowControl->ControlRts();
    s.XonXoffOut = FFlowControl->XonXoffOut();
    s.XonXoffIn = FFlowControl->XonXoffIn();
    s.DsrSensitivity = FFlowControl->DsrSensitivity();
    s.TxContinueOnXoff = FFlowControl->TxContinueOnXoff();
    s.XonChar = FEventChars->XonChar();
    s.XoffChar = FEventChars->XoffChar();
    s.ErrorChar = FEventChars->ErrorChar();
    s.EventChar = FEventChars->EventChar();
    s.EofChar = FEventChars->EofChar();
    s.XonLimit = FBuffers->XonLimit();
    s.XoffLimit = FBuffers->XoffLimit();
    return s;
}

void TVaCustomComm::ApplyDCB()
{
    if (!IsOpen() || !FUpdateDCB) return;
    DCB dcb = VaBuildDCB(LineSettings());
    CheckCommResult(SetCommState(FHandle.Get(), &dcb) != FALSE, "Error writing dcb (%d), %s");
}

// --- Failures ---

void TVaCustomComm::RequireClosed() const
{
    if (IsOpen()) throw EVaCommError(kPortOpen);
}

void TVaCustomComm::RaiseCommError(const std::string& format, DWORD error) const
{
    throw EVaCommError(Format(format, {static_cast<int>(error), VaSystemErrorText(error)}));
}

void TVaCustomComm::CheckCommResult(bool ok, const std::string& format) const
{
    if (ok) return;
    DWORD error = GetLastError();
    RaiseCommError(format, error);
}

// --- Lifecycle ---

std::string TVaCustomComm::DevicePath() const
{
    std::string name = Format(FDeviceName, {FPortNum});
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT) return "\\\\.\\" + name;
    return name;
}

void TVaCustomComm::Open()
{
    RequireClosed();
    ReapRetired(false);
    OpenHandle();
    try {
        ApplyDCB();
        CheckCommResult(SetupComm(FHandle.Get(), static_cast<DWORD>(FBuffers->ReadSize()),
                                  static_cast<DWORD>(FBuffers->WriteSize())) != FALSE,
                        "Error initializing buffers (%d), %s");
        // A read returns at once with whatever has arrived; writes have no time-out (the
        // component bounds its own waits).
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = MAXDWORD;
        CheckCommResult(SetCommTimeouts(FHandle.Get(), &timeouts) != FALSE, "Error setting timeouts (%d), %s");
        CheckCommResult(SetCommMask(FHandle.Get(), EventMask()) != FALSE, " Error setting EventMask (%d), %s");
        StartThreads();
    } catch (...) {
        StopThreads();
        CloseDevice();
        throw;
    }
    if (OnOpen) {
        try {
            OnOpen(this);
        } catch (...) {
            Application->HandleException(this);
        }
    }
}

void TVaCustomComm::OpenHandle()
{
    const std::string path = DevicePath();
    TFileHandle handle(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_OVERLAPPED, nullptr));
    if (!handle) {
        DWORD error = GetLastError();
        // The path is already in the text; a '%' in it must not reach Format as a specifier.
        if (error == ERROR_FILE_NOT_FOUND)
            RaiseCommError(VaEscapeFormat(Format("Specified device not found (%s).", {path})), error);
        RaiseCommError(VaEscapeFormat(Format("Can't open specified device %s", {path})) + " (Error %d, %s)", error);
    }
    FHandle = std::move(handle);
}

void TVaCustomComm::StartThreads()
{
    const HANDLE device = FHandle.Get();
    if (EventMask() != 0) {
        auto thread = std::make_unique<TVaCommEventThread>(this, device, FSynchronize);
        thread->SetPriority(FEventPriority);
        FEventThread = thread.release();
        FEventThread->Start();
    }
    if (!FDirectWrite) {
        auto thread = std::make_unique<TVaCommWriteThread>(this, device, FBuffers->WriteSize(), FSynchronize);
        thread->SetPriority(FWritePriority);
        FWriteThread = thread.release();
        FWriteThread->Start();
    }
    // The event thread's first wait comes only now. Wine may start a thread of its own for
    // a serial event wait, and in the emulated 32-bit Wine a thread starting up beside
    // another one (the write thread here) can crash the process.
    if (FEventThread) FEventThread->Go();
}

void TVaCustomComm::Close()
{
    if (!IsOpen()) return;
    {
        TVaLock lock(FReadLock);
        StopThreads();
    }
    // A report serviced while the threads stopped may have closed the port itself, with
    // its OnClose and its pause.
    if (!IsOpen()) return;
    CloseDevice();
    ReapRetired(false);
    if (!FDestroying && OnClose) {
        try {
            OnClose(this);
        } catch (...) {
            Sleep(kClosePauseMs);
            throw;
        }
    }
    Sleep(kClosePauseMs);
}

void TVaCustomComm::StopThreads() noexcept
{
    // The event thread first, then the write thread. Deleting a thread waits for it to end
    // and, on the main thread, runs its pending reports meanwhile. A thread whose report is
    // running further up this very stack (Close called from an event handler) cannot end
    // before we return to it: it is told to stop and freed later.
    if (TVaCommEventThread* events = FEventThread) {
        FEventThread = nullptr;
        events->Stop();
        if (events->FInDelivery > 0)
            FRetired.push_back(events);
        else
            delete events;
    }
    if (TVaCommWriteThread* writer = FWriteThread) {
        TVaLock lock(FWriteLock);
        FWriteThread = nullptr;
        writer->SignalClose();
        if (writer->FInDelivery > 0)
            FRetired.push_back(writer);
        else
            delete writer;
    }
}

void TVaCustomComm::ReapRetired(bool destroying) noexcept
{
    for (auto it = FRetired.begin(); it != FRetired.end();) {
        if (ThreadInDelivery(*it) == 0) {
            delete *it;
            it = FRetired.erase(it);
        } else {
            ++it;
        }
    }
    // Destroyed from inside a thread's own report: that thread ends by itself once the
    // report returns and touches nothing of ours after it; its object is left to it.
    if (destroying) FRetired.clear();
}

void TVaCustomComm::CloseDevice() noexcept
{
    {
        // No direct write or read may be using the device or its control blocks.
        TVaLock writeLock(FWriteLock);
        TVaLock readLock(FReadLock);
        FHandle.Reset();
        FUnreportedErrors = 0;
    }
    ReapAbandoned();
}

void TVaCustomComm::Abandon(std::unique_ptr<TVaOverlappedIo> io)
{
    std::lock_guard<std::mutex> lock(FAbandonedLock);
    FAbandoned.push_back(std::move(io));
}

void TVaCustomComm::ReapAbandoned() noexcept
{
    std::vector<std::unique_ptr<TVaOverlappedIo>> abandoned;
    {
        std::lock_guard<std::mutex> lock(FAbandonedLock);
        abandoned.swap(FAbandoned);
    }
    for (auto& io : abandoned) {
        // Closing the device ends its operations; one that still does not finish keeps
        // its memory for good, since the system may yet write into it.
        if (io->Event.Wait(kVaCancelPatienceMs) != vwSignaled) (void)io.release();
    }
}

// --- Writing ---

int TVaCustomComm::WriteBuffer(const void* data, int count)
{
    if (!IsOpen() || count <= 0 || !data) return 0;
    return FDirectWrite ? DirectWriteBuffer(data, count) : QueuedWriteBuffer(data, count);
}

int TVaCustomComm::QueuedWriteBuffer(const void* data, int count)
{
    // Held while waiting for room, so concurrent writers keep their blocks whole and Close
    // cannot free the write thread under a waiting writer on another thread.
    TVaLock lock(FWriteLock);
    const bool onMainThread = GetCurrentThreadId() == MainThreadID;
    const DWORD start = GetTickCount();
    for (;;) {
        // Looked up on every pass: a report serviced below may have closed the port.
        if (!IsOpen() || !FWriteThread) return 0;
        if (FWriteThread->QueueData(data, count)) return count;
        const DWORD timeoutMs = static_cast<DWORD>(FBuffers->WriteTimeout());
        // Unsigned subtraction keeps the elapsed time right across a wrap of the counter.
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed > timeoutMs) {
            RaiseCommError("Output buffer is full. Please check comm status.", GetLastError());
        }
        // The room event is a hint; the short cap also covers several writers sharing it.
        const DWORD slice = std::min<DWORD>(timeoutMs - elapsed + 1, 50);
        HANDLE handles[2] = {FWriteThread->Queue().RoomEvent().Handle(), SyncEvent()};
        const DWORD result = WaitForMultipleObjects(onMainThread ? 2 : 1, handles, FALSE, slice);
        // The write thread may be waiting for the main thread to run its report; until it
        // has, it writes nothing and the queue cannot empty.
        if (result == WAIT_OBJECT_0 + 1) CheckSynchronize();
        if (result == WAIT_FAILED) Sleep(1);
    }
}

int TVaCustomComm::DirectWriteBuffer(const void* data, int count)
{
    TVaLock lock(FWriteLock);
    if (!IsOpen()) return 0;
    TVaOverlappedIo& io = *FWriteIo;
    // A copy that lives with the control block, so a write that outlives this call never
    // reads the caller's memory.
    io.Buffer.assign(static_cast<const char*>(data), static_cast<const char*>(data) + count);
    io.Prepare();
    DWORD written = 0;
    if (!WriteFile(FHandle.Get(), io.Buffer.data(), static_cast<DWORD>(count), nullptr, &io.Overlapped)) {
        DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING) RaiseCommError("Write error (%d), %s", error);
        if (io.Event.Wait(static_cast<DWORD>(FBuffers->ReadTimeout())) != vwSignaled) {
            DWORD moved;
            if (!io.CancelAndWait(FHandle.Get(), kVaCancelPatienceMs, moved)) {
                Abandon(std::move(FWriteIo));
                FWriteIo = std::make_unique<TVaOverlappedIo>();
            }
            return 0;
        }
    }
    if (!GetOverlappedResult(FHandle.Get(), &io.Overlapped, &written, FALSE)) {
        DWORD error = GetLastError();
        RaiseCommError("Write error (%d), %s", error);
    }
    return static_cast<int>(written);
}

bool TVaCustomComm::Drain(DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    const bool onMainThread = GetCurrentThreadId() == MainThreadID;
    for (;;) {
        if (!IsOpen()) return false;
        if (!FWriteThread || FWriteThread->Idle()) {
            COMSTAT status{};
            QueryStatus(status);
            if (status.cbOutQue == 0) return true;
        }
        if (GetTickCount() - start > timeoutMs) return false;
        // Polled: the device tells nothing when its output queue runs empty.
        if (onMainThread) {
            if (WaitForSingleObject(SyncEvent(), 5) == WAIT_OBJECT_0) CheckSynchronize();
        } else {
            Sleep(5);
        }
    }
}

// --- Reading and status ---

int TVaCustomComm::ReadBuffer(void* data, int count)
{
    TVaLock lock(FReadLock);
    if (!IsOpen() || count <= 0 || !data) return 0;
    TVaOverlappedIo& io = *FReadIo;
    io.Buffer.resize(static_cast<size_t>(count));
    io.Prepare();
    DWORD read = 0;
    if (!ReadFile(FHandle.Get(), io.Buffer.data(), static_cast<DWORD>(count), nullptr, &io.Overlapped)) {
        DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING) RaiseCommError("Read error (%d), %s", error);
        if (io.Event.Wait(static_cast<DWORD>(FBuffers->ReadTimeout())) != vwSignaled) {
            DWORD moved = 0;
            if (!io.CancelAndWait(FHandle.Get(), kVaCancelPatienceMs, moved)) {
                Abandon(std::move(FReadIo));
                FReadIo = std::make_unique<TVaOverlappedIo>();
                return 0;
            }
            // Bytes the cancelled read took from the device are the caller's.
            read = std::min<DWORD>(moved, static_cast<DWORD>(count));
            std::memcpy(data, io.Buffer.data(), read);
            return static_cast<int>(read);
        }
    }
    if (!GetOverlappedResult(FHandle.Get(), &io.Overlapped, &read, FALSE)) {
        DWORD error = GetLastError();
        RaiseCommError("Read error (%d), %s", error);
    }
    read = std::min<DWORD>(read, static_cast<DWORD>(count));
    std::memcpy(data, io.Buffer.data(), read);
    return static_cast<int>(read);
}

bool TVaCustomComm::FetchCommStatus(DWORD& errors, COMSTAT& status)
{
    return ClearCommError(FHandle.Get(), &errors, &status) != FALSE;
}

void TVaCustomComm::QueryStatus(COMSTAT& status)
{
    TVaLock lock(FReadLock);
    status = COMSTAT{};
    if (!IsOpen()) return;
    DWORD errors = 0;
    CheckCommResult(FetchCommStatus(errors, status), "Error retrieving statistics (%d), %s");
    // Fetching clears the device's errors: keep them for the next ReadStatus, or a batch
    // that reads the input count before it checks for errors would lose them.
    FUnreportedErrors |= errors;
}

void TVaCustomComm::ReadStatus(DWORD& errors, COMSTAT& status)
{
    TVaLock lock(FReadLock);
    errors = 0;
    status = COMSTAT{};
    if (!IsOpen()) return;
    CheckCommResult(FetchCommStatus(errors, status), "Error retrieving statistics (%d), %s");
    errors |= FUnreportedErrors;
    FUnreportedErrors = 0;
}

int TVaCustomComm::InputCount()
{
    COMSTAT status{};
    QueryStatus(status);
    return static_cast<int>(status.cbInQue);
}

bool TVaCustomComm::CheckLineErrors()
{
    DWORD errors = 0;
    COMSTAT status{};
    ReadStatus(errors, status);
    if (errors == 0) return false;
    if (OnError) {
        try {
            OnError(this, static_cast<int>(errors));
        } catch (...) {
            Application->HandleException(this);
        }
    }
    return true;
}

// --- Events ---

void TVaCustomComm::RunGuarded(const std::function<void()>& report) noexcept
{
    try {
        report();
    } catch (...) {
        Application->HandleException(this);
    }
}

void TVaCustomComm::DeliverEvents(DWORD mask)
{
    if (FDisplay) FDisplay->UpdateDisplay(this);
    if (mask & EV_RXCHAR) {
        DoRxChar();
        mask &= ~static_cast<DWORD>(EV_RXCHAR);
    }
    if (mask != 0) DoEvents(mask);
}

void TVaCustomComm::DoRxChar()
{
    int count = InputCount();
    if (count <= 0) return;
    if (!FLinks.empty()) {
        std::vector<char> block(static_cast<size_t>(count));
        int read = ReadBuffer(block.data(), count);
        DoRxBuf(block.data(), read);
    } else if (OnRxChar) {
        OnRxChar(this, count);
    }
}

void TVaCustomComm::DoEvents(DWORD mask)
{
    if (mask & EV_ERR) CheckLineErrors();
    if (!FLinks.empty()) DoLinkEvents(mask);
    static const struct {
        DWORD Flag;
        TNotifyEvent TVaCustomComm::*Handler;
    } kOrder[] = {
        {EV_RXFLAG, &TVaCustomComm::OnRxFlag}, {EV_CTS, &TVaCustomComm::OnCts},
        {EV_DSR, &TVaCustomComm::OnDsr},       {EV_RING, &TVaCustomComm::OnRing},
        {EV_RLSD, &TVaCustomComm::OnRlsd},     {EV_TXEMPTY, &TVaCustomComm::OnTxEmpty},
        {EV_BREAK, &TVaCustomComm::OnBreak},   {EV_PERR, &TVaCustomComm::OnPErr},
        {EV_RX80FULL, &TVaCustomComm::OnRx80Full}, {EV_EVENT1, &TVaCustomComm::OnEvent1},
        {EV_EVENT2, &TVaCustomComm::OnEvent2},
    };
    for (const auto& entry : kOrder) {
        const TNotifyEvent& handler = this->*entry.Handler;
        if ((mask & entry.Flag) && handler) handler(this);
    }
}

void TVaCustomComm::DoLinkEvents(DWORD mask)
{
    if (!FLinksEnabled) return;
    ForEachLink([mask](TVaCommLink& link) {
        if (link.OnEvents) link.OnEvents(mask);
    });
}

void TVaCustomComm::DoRxBuf(PVaData data, int count)
{
    if (FLinksEnabled) {
        ForEachLink([data, count](TVaCommLink& link) {
            if (link.OnRxBuf) link.OnRxBuf(data, count);
        });
    }
    if (OnRxBuf) OnRxBuf(this, data, count);
}

void TVaCustomComm::ForEachLink(const std::function<void(TVaCommLink&)>& tell)
{
    // A target may detach or destroy links, its own or others: go through a copy, and
    // tell a link only while it is still attached (a destroyed one has detached itself).
    const std::vector<TVaCommLink*> links = FLinks;
    for (TVaCommLink* link : links) {
        if (std::find(FLinks.begin(), FLinks.end(), link) == FLinks.end()) continue;
        if (link->FActive) tell(*link);
    }
}

// --- Links ---

void TVaCustomComm::AttachLink(TVaCommLink* link)
{
    if (!link || link->FComm == this) return;
    if (link->FComm) link->FComm->DetachLink(link);
    FLinks.push_back(link);
    link->FComm = this;
}

void TVaCustomComm::DetachLink(TVaCommLink* link)
{
    auto it = std::find(FLinks.begin(), FLinks.end(), link);
    if (it == FLinks.end()) return;
    FLinks.erase(it);
    link->FComm = nullptr;
}
