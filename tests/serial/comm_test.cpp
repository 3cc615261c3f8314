// TVaComm on a real port: Wine's COM stack over a pseudo-terminal, with the test's
// SerialPeer on the Linux side (see comm_fixture.h).
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "framework/application.h"
#include "framework/exceptions.h"
#include "framework/format.h"
#include "framework/handles.h"
#include "framework/thread.h"
#include "serial/VaComm.h"
#include "serial/VaCommInternal.h"
#include "tests/serial/comm_fixture.h"
#include "tests/support/child_process.h"
#include "tests/support/probes.h"
#include "tests/support/serial_peer.h"
#include "tests/support/started_thread.h"

namespace {

using namespace zv::test;

std::string AllByteValues()
{
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    return bytes;
}

// --- Lifecycle ---

TEST_F(CommPort, OpensWithItsThreadsAndClosesWithThePause)
{
    SKIP_EVENT_THREAD_UNDER_EMULATION();
    int opened = 0, closed = 0;
    comm.OnOpen = [&](TObject* sender) { opened += sender == &comm; };
    comm.OnClose = [&](TObject* sender) { closed += sender == &comm; };
    comm.Open();
    EXPECT_TRUE(comm.IsOpen());
    EXPECT_TRUE(comm.HasEventThread());
    EXPECT_TRUE(comm.HasWriteThread());
    EXPECT_EQ(opened, 1);
    DWORD start = GetTickCount();
    comm.Close();
    EXPECT_GE(GetTickCount() - start, 300u - kTimerSlackMs);
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_EQ(comm.Handle(), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(comm.HasEventThread());
    EXPECT_FALSE(comm.HasWriteThread());
    EXPECT_EQ(closed, 1);
}

TEST_F(CommPort, CloseOnAClosedPortReturnsAtOnce)
{
    int closed = 0;
    comm.OnClose = [&](TObject*) { ++closed; };
    DWORD start = GetTickCount();
    comm.Close();
    EXPECT_LT(GetTickCount() - start, 100u);
    EXPECT_EQ(closed, 0);
}

TEST_F(CommPort, ThreadsFollowMonitorEventsAndDirectWrite)
{
    struct Case {
        const char* label;
        TVaCommEvents events;
        bool directWrite;
        bool eventThread, writeThread;
    };
    const Case cases[] = {
        {"defaults", {ceError, ceRxChar, ceTxEmpty}, false, true, true},
        {"no events, direct writes", {}, true, false, false},
        {"transmit-empty only, queued writes", {ceTxEmpty}, false, false, true},
        {"transmit-empty only, direct writes", {ceTxEmpty}, true, true, false},
    };
    for (const Case& c : cases) {
        if (gEmulated && c.eventThread) continue;  // see WithoutEventThreadUnderEmulation
        comm.SetMonitorEvents(c.events);
        comm.SetDirectWrite(c.directWrite);
        comm.Open();
        EXPECT_EQ(comm.HasEventThread(), c.eventThread) << c.label;
        EXPECT_EQ(comm.HasWriteThread(), c.writeThread) << c.label;
        comm.Close();
    }
}

TEST_F(CommPort, AutoOpenOpensOnceLoaded)
{
    WithoutEventThreadUnderEmulation();
    comm.BeginLoading();
    comm.SetAutoOpen(true);
    EXPECT_FALSE(comm.IsOpen());
    comm.Loaded();
    EXPECT_TRUE(comm.IsOpen());
}

TEST_F(CommPort, LineSettingsReachTheDevice)
{
    WithoutEventThreadUnderEmulation();
    // A pseudo-terminal keeps 8 data bits without parity whatever it is told, so the
    // rate and the stop bits carry the check.
    comm.SetStopbits(sb2);
    comm.FlowControl().SetControlDtr(dtrEnabled);
    comm.Open();
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ASSERT_TRUE(GetCommState(comm.Handle(), &dcb));
    EXPECT_EQ(dcb.BaudRate, 9600u);
    EXPECT_EQ(dcb.StopBits, TWOSTOPBITS);

    comm.SetBaudrate(br19200);
    comm.SetStopbits(sb1);
    ASSERT_TRUE(GetCommState(comm.Handle(), &dcb));
    EXPECT_EQ(dcb.BaudRate, 19200u) << "changed while open: written at once";
    EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
    comm.Close();

    // With UpdateDCB off, the component leaves the device's settings alone.
    comm.SetUpdateDCB(false);
    comm.SetBaudrate(br4800);
    comm.Open();
    ASSERT_TRUE(GetCommState(comm.Handle(), &dcb));
    EXPECT_EQ(dcb.BaudRate, 19200u);
    comm.SetBaudrate(br2400);
    ASSERT_TRUE(GetCommState(comm.Handle(), &dcb));
    EXPECT_EQ(dcb.BaudRate, 19200u);
}

// --- Failures ---

// In the test prefix every port from COM1 to COM9 has a link, and an unwired one opens as a
// device that refuses every serial call; a name outside the COM namespace is missing.
TEST_F(CommPort, AMissingDeviceIsNamedInTheMessage)
{
    comm.SetDeviceName("ZVNOPORT%d");
    comm.SetPortNum(9);
    EXPECT_EQ(MessageOf([&] { comm.Open(); }), "Specified device not found (\\\\.\\ZVNOPORT9).");
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_EQ(comm.Handle(), INVALID_HANDLE_VALUE);
}

TEST_F(CommPort, APercentSignInTheDevicePathIsShownAsItIs)
{
    comm.SetDeviceName("ZVNOPORT%d%%s");
    EXPECT_EQ(MessageOf([&] { comm.Open(); }), "Specified device not found (\\\\.\\ZVNOPORT1%s).");
}

TEST_F(CommPort, ADeviceThatCannotBeOpenedShowsTheErrorCodeAndText)
{
    comm.SetDeviceName("COM<%d>");
    std::string message = MessageOf([&] { comm.Open(); });
    EXPECT_EQ(message, Format("Can't open specified device \\\\.\\COM<1> (Error %d, %s)",
                              {ERROR_INVALID_NAME, VaSystemErrorText(ERROR_INVALID_NAME)}));
    EXPECT_FALSE(comm.IsOpen());
}

TEST_F(CommPort, OpenOnAnOpenPortRaisesAndKeepsItWorking)
{
    WithoutEventThreadUnderEmulation();
    OpenClean();
    EXPECT_EQ(MessageOf([&] { comm.Open(); }), "Can't perform this operation while port is open");
    EXPECT_TRUE(comm.IsOpen());
    EXPECT_EQ(comm.WriteBuffer("still", 5), 5);
    EXPECT_EQ(ReadWhilePumping(Peer(), 5, 5000), "still");
}

TEST_F(CommPort, ClosedOnlySettingsRaiseWhileOpen)
{
    WithoutEventThreadUnderEmulation();
    struct Case {
        const char* label;
        std::function<void()> change;
        std::function<bool()> stored;  // whether the new value was stored anyway
    };
    TVaBuffers otherBuffers;
    otherBuffers.SetReadSize(10);
    const Case cases[] = {
        {"PortNum", [&] { comm.SetPortNum(2); }, [&] { return comm.PortNum() == 2; }},
        {"DeviceName", [&] { comm.SetDeviceName("COM2"); }, [&] { return comm.DeviceName() == "COM2"; }},
        {"MonitorEvents", [&] { comm.SetMonitorEvents({ceBreak}); },
         [&] { return comm.MonitorEvents() == TVaCommEvents{ceBreak}; }},
        {"DirectWrite", [&] { comm.SetDirectWrite(true); }, [&] { return comm.DirectWrite(); }},
        {"UpdateDCB", [&] { comm.SetUpdateDCB(false); }, [&] { return !comm.UpdateDCB(); }},
        {"Buffers", [&] { comm.SetBuffers(otherBuffers); }, [&] { return comm.Buffers().ReadSize() == 10; }},
    };
    comm.Open();
    for (const Case& c : cases) {
        EXPECT_EQ(MessageOf(c.change), "Can't perform this operation while port is open") << c.label;
        EXPECT_FALSE(c.stored()) << c.label;
    }
    // A field of Buffers is stored first, then refused.
    EXPECT_EQ(MessageOf([&] { comm.Buffers().SetWriteSize(99); }), "Can't perform this operation while port is open");
    EXPECT_EQ(comm.Buffers().WriteSize(), 99);
    EXPECT_NO_THROW(comm.Buffers().SetWriteTimeout(5)) << "time-outs may change while open";
    EXPECT_TRUE(comm.IsOpen());
}

TEST_F(CommPort, ARefusedDcbIsReportedAndClosesTheDevice)
{
    WithoutEventThreadUnderEmulation();
    comm.SetDatabits(db4);  // no serial driver takes 4 data bits
    std::string message = MessageOf([&] { comm.Open(); });
    int code = 0;
    ASSERT_EQ(std::sscanf(message.c_str(), "Error writing dcb (%d), ", &code), 1) << message;
    EXPECT_EQ(message, Format("Error writing dcb (%d), %s", {code, VaSystemErrorText(static_cast<DWORD>(code))}));
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_FALSE(comm.HasEventThread());

    // Refused while open: the value stays stored, the port stays open.
    comm.SetDatabits(db8);
    comm.Open();
    EXPECT_EQ(MessageOf([&] { comm.SetDatabits(db4); }).rfind("Error writing dcb (", 0), 0u);
    EXPECT_EQ(comm.Databits(), db4);
    EXPECT_TRUE(comm.IsOpen());
}

ZV_CHILD_MODE(HoldPort)
{
    ChildChecks checks;
    TFileHandle port(CreateFileA("\\\\.\\COM1", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!checks.Check(port.IsValid(), "COM1 opens", LastErrorText())) return checks.ExitCode();
    TKernelHandle held(OpenEventA(EVENT_MODIFY_STATE, FALSE, args.at(0).c_str()));
    if (!checks.Check(held.IsValid(), "the parent's event opens", LastErrorText())) return checks.ExitCode();
    SetEvent(held.Get());
    Sleep(20'000);  // the parent ends the child when it is done
    return 0;
}

TEST_F(CommPort, APortHeldByAnotherProcessCannotBeOpened)
{
    // Wine does not keep COM ports exclusive; asked in-process first, so the skip costs no
    // child process (which the emulated 32-bit Wine does not always survive after threads).
    bool exclusive = false;
    {
        TFileHandle one(CreateFileA("\\\\.\\COM1", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        TFileHandle two(CreateFileA("\\\\.\\COM1", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        exclusive = one.IsValid() && !two.IsValid();
    }
    if (!exclusive) GTEST_SKIP() << "this platform lets a second handle open a COM port in use";

    const std::string heldName = "ZvHoldPort" + std::to_string(GetCurrentProcessId());
    TKernelHandle held(CreateEventA(nullptr, TRUE, FALSE, heldName.c_str()));
    ASSERT_TRUE(held.IsValid()) << LastErrorText();
    ChildProcess child = ChildProcess::Start("HoldPort", {heldName});
    HANDLE waits[] = {held.Get(), child.Handle()};
    const DWORD first = WaitForMultipleObjects(2, waits, FALSE, 20'000);
    held.Reset();
    ASSERT_EQ(first, WAIT_OBJECT_0) << "the child did not get to hold COM1 (exit " << child.WaitForExit(0)
                                    << "):\n" << child.Output();
    EXPECT_EQ(child.Output(), ChildChecks::Passed({"COM1 opens", "the parent's event opens"}));

    std::string message = MessageOf([&] { comm.Open(); });
    child.Terminate();
    int code = 0;
    ASSERT_EQ(std::sscanf(message.c_str(), "Can't open specified device \\\\.\\COM1 (Error %d, ", &code), 1) << message;
    EXPECT_NE(code, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(message, Format("Can't open specified device \\\\.\\COM1 (Error %d, %s)",
                              {code, VaSystemErrorText(static_cast<DWORD>(code))}));
    EXPECT_FALSE(comm.IsOpen());
}

// --- Writing ---

TEST_F(CommPort, QueuedBytesArriveInOrderAndTransmitEmptyFiresOnTheMainThread)
{
    WithoutEventThreadUnderEmulation();
    std::vector<DWORD> txEmptyOn;
    comm.OnTxEmpty = [&](TObject*) { txEmptyOn.push_back(GetCurrentThreadId()); };
    OpenClean();
    const std::string all = AllByteValues();
    std::string sent;
    for (int i = 0; i < 8; ++i) {
        ASSERT_EQ(comm.WriteBuffer(all.data(), 256), 256);
        sent += all;
    }
    EXPECT_TRUE(comm.WriteByte('!'));
    sent += '!';
    EXPECT_EQ(ReadWhilePumping(Peer(), sent.size(), 10'000), sent);
    EXPECT_TRUE(PumpUntil([&] { return !txEmptyOn.empty(); }, 5000));
    for (DWORD id : txEmptyOn) EXPECT_EQ(id, MainThreadID);
}

TEST_F(CommPort, ABlockTheQueueCanNeverHoldRaisesAfterTheWriteTimeout)
{
    WithoutEventThreadUnderEmulation();
    comm.Buffers().SetWriteSize(16);
    comm.Buffers().SetWriteTimeout(300);
    OpenClean();
    DWORD start = GetTickCount();
    EXPECT_EQ(comm.WriteBuffer("0123456789abcdef", 16), 16) << "exactly WriteSize fits";
    EXPECT_LT(GetTickCount() - start, 200u);
    start = GetTickCount();
    EXPECT_EQ(MessageOf([&] { comm.WriteBuffer("0123456789abcdefg", 17); }),
              "Output buffer is full. Please check comm status.");
    DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 300u - kTimerSlackMs);
    EXPECT_LT(elapsed, 3000u);
    EXPECT_EQ(ReadWhilePumping(Peer(), 16, 5000), "0123456789abcdef");
}

TEST_F(CommPort, DirectWritesGoOutOnTheCallersThreadWithoutAnyThread)
{
    comm.SetDirectWrite(true);
    comm.SetMonitorEvents({});
    OpenClean();
    EXPECT_FALSE(comm.HasEventThread());
    EXPECT_FALSE(comm.HasWriteThread());
    EXPECT_EQ(comm.WriteBuffer("direct", 6), 6);
    EXPECT_TRUE(comm.WriteByte('!'));
    EXPECT_EQ(Peer().Read(7, 5000), "direct!");
}

// XOFF from the peer holds the port's output (XonXoffOut), so a write cannot complete.
bool HoldOutput(SerialPeer& peer)
{
    peer.Write("\x13");
    Sleep(200);  // let the line discipline see it
    return true;
}

TEST_F(CommPort, ADirectWriteThatCannotCompleteReturnsZeroAndIsCancelled)
{
    SKIP_HELD_WRITES_UNDER_EMULATION();
    comm.SetDirectWrite(true);
    comm.SetMonitorEvents({});
    comm.FlowControl().SetXonXoffOut(true);
    comm.Buffers().SetReadTimeout(300);
    OpenClean();
    HoldOutput(Peer());
    std::string block(4096, 'h');
    DWORD start = GetTickCount();
    int written = comm.WriteBuffer(block.data(), static_cast<int>(block.size()));
    DWORD elapsed = GetTickCount() - start;
    if (written == static_cast<int>(block.size())) GTEST_SKIP() << "this device does not hold output on XOFF";
    EXPECT_EQ(written, 0);
    EXPECT_GE(elapsed, 300u - kTimerSlackMs);
    EXPECT_LT(elapsed, 300u + kVaCancelPatienceMs + 1000u);

    // The cancelled write is gone: after XON only what is written next arrives (at most a
    // part of the cancelled block may have reached the line before the cancel).
    Peer().Write("\x11");
    Sleep(100);
    EXPECT_EQ(comm.WriteBuffer("after", 5), 5);
    std::string got = Peer().Read(block.size() + 5, 1500);
    ASSERT_GE(got.size(), 5u);
    EXPECT_EQ(got.substr(got.size() - 5), "after");
    EXPECT_EQ(got.find_first_not_of('h'), got.size() - 5);
}

TEST_F(CommPort, ClosingWithBytesQueuedDropsThemWithoutHanging)
{
    SKIP_HELD_WRITES_UNDER_EMULATION();
    comm.FlowControl().SetXonXoffOut(true);
    OpenClean();
    HoldOutput(Peer());
    EXPECT_EQ(comm.WriteBuffer("first", 5), 5);
    PumpFor(100);  // the write thread starts its write, which the XOFF holds
    EXPECT_EQ(comm.WriteBuffer("second", 6), 6);
    DWORD start = GetTickCount();
    comm.Close();
    DWORD elapsed = GetTickCount() - start;
    EXPECT_LT(elapsed, 300u + kVaCancelPatienceMs + 1000u);
    EXPECT_FALSE(comm.HasWriteThread());

    Peer().Write("\x11");
    comm.FlowControl().SetXonXoffOut(false);
    comm.Open();
    EXPECT_EQ(comm.WriteBuffer("next", 4), 4);
    std::string got = ReadWhilePumping(Peer(), 100, 1500);
    EXPECT_EQ(got.find("second"), std::string::npos) << got;
    ASSERT_GE(got.size(), 4u);
    EXPECT_EQ(got.substr(got.size() - 4), "next");
}

// The switch commands write single bytes on the main thread with plain sleeps between;
// Drain after each write puts the byte on the line before the sleep.
TEST_F(CommPort, DrainPutsEachByteOnTheLineBeforeTheCallerSleeps)
{
    WithoutEventThreadUnderEmulation();
    OpenClean();
    std::vector<SerialPeer::TimedByte> arrivals;
    std::thread reader = zv::test::StartedThread([&] { arrivals = Peer().ReadTimed(5, 10'000); });
    for (char c : std::string("~~wAx")) {
        ASSERT_TRUE(comm.WriteByte(static_cast<unsigned char>(c)));
        EXPECT_TRUE(comm.Drain(2000)) << c;
        Sleep(150);  // not servicing anything, like the switch commands
    }
    comm.Close();
    reader.join();
    ASSERT_EQ(arrivals.size(), 5u);
    std::string bytes;
    for (const auto& a : arrivals) bytes += static_cast<char>(a.Byte);
    EXPECT_EQ(bytes, "~~wAx");
    for (size_t i = 1; i < arrivals.size(); ++i)
        EXPECT_GE(arrivals[i].ArrivalMs - arrivals[i - 1].ArrivalMs, 100.0) << "byte " << i;
}

TEST_F(CommPort, DrainOnAClosedPortIsFalse)
{
    EXPECT_FALSE(comm.Drain(100));
}

// --- Receiving ---

TEST_F(CommPort, ArrivingBytesFireOnRxCharOnTheMainThreadAndAreRead)
{
    SKIP_EVENT_THREAD_UNDER_EMULATION();
    std::string received;
    std::vector<int> counts;
    bool allOnMain = true;
    comm.OnRxChar = [&](TObject* sender, int count) {
        counts.push_back(count);
        allOnMain = allOnMain && GetCurrentThreadId() == MainThreadID && sender == &comm;
        char buffer[64];
        int read = comm.ReadBuffer(buffer, sizeof buffer);
        received.append(buffer, static_cast<size_t>(read));
    };
    OpenClean();
    Peer().Write(std::string("hello\0\xFF", 7));
    EXPECT_TRUE(PumpUntil([&] { return received.size() >= 7; }, 5000));
    EXPECT_EQ(received, std::string("hello\0\xFF", 7));
    ASSERT_FALSE(counts.empty());
    EXPECT_GT(counts.front(), 0);
    EXPECT_TRUE(allOnMain);
}

TEST_F(CommPort, WithoutAHandlerArrivingBytesStayQueued)
{
    SKIP_EVENT_THREAD_UNDER_EMULATION();
    OpenClean();
    Peer().Write("stay");
    EXPECT_TRUE(PumpUntil([&] { return comm.InputCount() == 4; }, 5000));
    PumpFor(300);
    EXPECT_EQ(comm.InputCount(), 4) << "nobody read them";
    char buffer[16];
    EXPECT_EQ(comm.ReadBuffer(buffer, sizeof buffer), 4);
    EXPECT_EQ(std::string(buffer, 4), "stay");
    EXPECT_EQ(comm.ReadBuffer(buffer, sizeof buffer), 0) << "a read returns at once with what has arrived";
}

TEST_F(CommPort, AClosedPortReadsAndWritesNothing)
{
    char buffer[4];
    EXPECT_EQ(comm.ReadBuffer(buffer, 4), 0);
    EXPECT_EQ(comm.InputCount(), 0);
    EXPECT_EQ(comm.WriteBuffer("x", 1), 0);
    EXPECT_FALSE(comm.WriteByte('x'));
    DWORD errors = 1;
    COMSTAT status{};
    status.cbInQue = 5;
    comm.ReadStatus(errors, status);
    EXPECT_EQ(errors, 0u);
    EXPECT_EQ(status.cbInQue, 0u);
    EXPECT_FALSE(comm.CheckLineErrors());
}

TEST_F(CommPort, OnErrorFiresOnlyForANonZeroErrorWord)
{
    std::vector<int> errors;
    comm.OnError = [&](TObject*, int e) { errors.push_back(e); };
    comm.SetDirectWrite(true);
    comm.SetMonitorEvents({});
    OpenClean();
    comm.DoEvents(EV_ERR);
    EXPECT_TRUE(errors.empty()) << "the error flag alone fires nothing";
    comm.InjectedErrors = CE_FRAME;
    comm.DoEvents(EV_ERR);
    EXPECT_EQ(errors, std::vector<int>{CE_FRAME});
}

// The batch reads the input count before it checks for errors; the count's status query
// clears the device's errors, which must still reach OnError.
TEST_F(CommPort, ErrorsSeenWhileCountingInputStillReachOnError)
{
    std::vector<int> errors;
    comm.OnError = [&](TObject*, int e) { errors.push_back(e); };
    comm.OnRxChar = [&](TObject*, int) {};
    comm.SetDirectWrite(true);
    comm.SetMonitorEvents({});
    OpenClean();
    Peer().Write("e");
    ASSERT_TRUE(PumpUntil([&] { return comm.InputCount() == 1; }, 5000));
    comm.InjectedErrors = CE_RXPARITY;
    comm.DeliverEvents(EV_RXCHAR | EV_ERR);
    EXPECT_EQ(errors, std::vector<int>{CE_RXPARITY});
}

class TRecordingDisplay : public TVaDisplay {
    RUNTIME_CLASS(TRecordingDisplay, TVaDisplay)
public:
    using TVaDisplay::TVaDisplay;
    std::vector<std::string>* Log = nullptr;
    void UpdateDisplay(TVaCustomComm*) override { Log->push_back("display"); }
};

TEST_F(CommPort, ABatchRefreshesTheDisplayThenFiresOnRxCharThenTheRestInOrder)
{
    std::vector<std::string> order;
    auto note = [&](const char* name) { return [&order, name](TObject*) { order.push_back(name); }; };
    comm.OnRxChar = [&](TObject*, int) { order.push_back("rxchar"); };
    comm.OnRxFlag = note("rxflag");
    comm.OnCts = note("cts");
    comm.OnDsr = note("dsr");
    comm.OnRing = note("ring");
    comm.OnRlsd = note("rlsd");
    comm.OnTxEmpty = note("txempty");
    comm.OnBreak = note("break");
    comm.OnPErr = note("perr");
    comm.OnRx80Full = note("rx80full");
    comm.OnEvent1 = note("event1");
    comm.OnEvent2 = note("event2");
    auto* display = new TRecordingDisplay(nullptr);
    display->Log = &order;
    comm.SetDisplay(display);
    comm.SetDirectWrite(true);
    comm.SetMonitorEvents({});
    OpenClean();
    Peer().Write("ab");
    ASSERT_TRUE(PumpUntil([&] { return comm.InputCount() == 2; }, 5000));
    comm.DeliverEvents(0x1FFF);
    EXPECT_EQ(order, (std::vector<std::string>{"display", "rxchar", "rxflag", "cts", "dsr", "ring", "rlsd", "txempty",
                                               "break", "perr", "rx80full", "event1", "event2"}));
    order.clear();
    comm.DeliverEvents(EV_CTS | EV_RXCHAR);
    EXPECT_EQ(order, (std::vector<std::string>{"display", "rxchar", "cts"}));
    delete display;
    EXPECT_EQ(comm.Display(), nullptr) << "a destroyed display is forgotten";
}

TEST_F(CommPort, AnExceptionFromAHandlerGoesToTheApplicationAndEventsGoOn)
{
    SKIP_EVENT_THREAD_UNDER_EMULATION();
    int calls = 0;
    comm.OnRxChar = [&](TObject*, int) {
        ++calls;
        char buffer[16];
        comm.ReadBuffer(buffer, sizeof buffer);
        if (calls == 1) throw Exception("handler failed");
    };
    OpenClean();
    Peer().Write("1");
    EXPECT_TRUE(PumpUntil([&] { return calls == 1; }, 5000));
    PumpFor(100);
    Peer().Write("2");
    EXPECT_TRUE(PumpUntil([&] { return calls == 2; }, 5000));
    EXPECT_EQ(gHandled, std::vector<std::string>{"handler failed"});
}

TEST_F(CommPort, AttachedLinksTakeTheReceivedBytes)
{
    SKIP_EVENT_THREAD_UNDER_EMULATION();
    std::string linked, viaEvent;
    int rxCharCalls = 0;
    std::vector<DWORD> masks;
    comm.OnRxChar = [&](TObject*, int) { ++rxCharCalls; };
    comm.OnRxBuf = [&](TObject*, PVaData data, int count) { viaEvent.append(data, static_cast<size_t>(count)); };
    {
        TVaCommLink link;
        link.OnRxBuf = [&](PVaData data, int count) { linked.append(data, static_cast<size_t>(count)); };
        link.OnEvents = [&](DWORD mask) { masks.push_back(mask); };
        comm.AttachLink(&link);
        EXPECT_EQ(link.Comm(), &comm);
        OpenClean();
        Peer().Write("link");
        EXPECT_TRUE(PumpUntil([&] { return linked.size() >= 4; }, 5000));
        comm.DoEvents(EV_CTS);
        EXPECT_EQ(linked, "link");
        EXPECT_EQ(viaEvent, "link");
        EXPECT_EQ(rxCharCalls, 0);
        EXPECT_EQ(masks, std::vector<DWORD>{EV_CTS});
    }
    EXPECT_EQ(comm.LinkCount(), 0) << "a destroyed link detaches itself";
}

// A target may destroy another link. The destroyed one must not be told, not even when a
// new link that nobody attached now lives at its address.
TEST_F(CommPort, ALinkDestroyedByAnotherLinksTargetIsNotTold)
{
    struct Case {
        const char* label;
        std::function<void()> deliver;
    };
    const Case cases[] = {
        {"event mask", [&] { comm.DoEvents(EV_CTS); }},
        {"received block", [&] { comm.DoRxBuf("b", 1); }},
    };
    for (const Case& c : cases) {
        std::vector<std::string> told;
        alignas(TVaCommLink) unsigned char slot[sizeof(TVaCommLink)];
        auto note = [&told](TVaCommLink& link, const char* name) {
            link.OnEvents = [&told, name](DWORD) { told.push_back(name); };
            link.OnRxBuf = [&told, name](PVaData, int) { told.push_back(name); };
        };
        TVaCommLink* second = new (slot) TVaCommLink;
        note(*second, "second");
        TVaCommLink first;
        auto destroySecond = [&] {
            told.push_back("first");
            second->~TVaCommLink();
            second = new (slot) TVaCommLink;
            note(*second, "stranger");
        };
        first.OnEvents = [&](DWORD) { destroySecond(); };
        first.OnRxBuf = [&](PVaData, int) { destroySecond(); };
        comm.AttachLink(&first);
        comm.AttachLink(second);
        c.deliver();
        EXPECT_EQ(told, std::vector<std::string>{"first"}) << c.label;
        EXPECT_EQ(comm.LinkCount(), 1) << c.label;
        second->~TVaCommLink();
    }
}

// --- Faults the component must survive ---

TEST_F(CommPort, CloseFromInsideAnEventHandlerDoesNotHang)
{
    SKIP_EVENT_THREAD_UNDER_EMULATION();
    comm.OnRxChar = [&](TObject*, int) { comm.Close(); };
    OpenClean();
    Peer().Write("z");
    EXPECT_TRUE(PumpUntil([&] { return !comm.IsOpen(); }, 5000));
    comm.OnRxChar = nullptr;
    comm.Open();
    EXPECT_EQ(comm.WriteBuffer("again", 5), 5);
    EXPECT_EQ(ReadWhilePumping(Peer(), 5, 5000), "again");
}

// A write waiting for room on the main thread runs the threads' reports; one of them may
// close the port under it.
TEST_F(CommPort, AWriteWaitingForRoomSurvivesAHandlerThatClosesThePort)
{
    SKIP_HELD_WRITES_UNDER_EMULATION();
    comm.Buffers().SetWriteSize(16);
    comm.Buffers().SetWriteTimeout(3000);
    comm.FlowControl().SetXonXoffOut(true);
    comm.OnRxChar = [&](TObject*, int) { comm.Close(); };
    OpenClean();
    HoldOutput(Peer());
    ASSERT_EQ(comm.WriteBuffer("0123456789abcdef", 16), 16);
    PumpFor(100);  // the write thread holds the block in a write that the XOFF stops
    std::thread sender = zv::test::StartedThread([&] {
        Sleep(300);
        Peer().Write("c");
    });
    DWORD start = GetTickCount();
    int written = comm.WriteBuffer("more", 4);
    DWORD elapsed = GetTickCount() - start;
    sender.join();
    EXPECT_EQ(written, 0) << "the port closed before the bytes found room";
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_LT(elapsed, 3000u);
    Peer().Write("\x11");
}

// Close services the reports that wait for the main thread while it stops the threads:
// a byte whose batch was already waiting when Close began is announced and can be read.
TEST_F(CommPort, ABatchWaitingWhenCloseBeginsStillRuns)
{
    SKIP_EVENT_THREAD_UNDER_EMULATION();
    std::vector<int> counts;
    std::string received;
    comm.OnRxChar = [&](TObject*, int count) {
        counts.push_back(count);
        char buffer[16];
        int read = comm.ReadBuffer(buffer, sizeof buffer);
        received.append(buffer, static_cast<size_t>(std::max(read, 0)));
    };
    OpenClean();
    Peer().Write("q");
    Sleep(500);  // the main thread services nothing: the batch waits for it
    comm.Close();
    EXPECT_EQ(counts, std::vector<int>{1});
    EXPECT_EQ(received, "q");
}

ULONGLONG ProcessCpuMs()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ms = [](const FILETIME& t) { return ((ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10'000; };
    return ms(kernel) + ms(user);
}

// While another wait is pending on the handle, the device refuses every event wait of the
// event thread at once (Wine answers ERROR_INVALID_PARAMETER). The thread must back off
// rather than spin, take up its work again once the device accepts waits, and still stop
// at once on Close.
TEST_F(CommPort, ADeviceThatRefusesEventWaitsCostsNoProcessorTimeAndRecovers)
{
    SKIP_EVENT_THREAD_UNDER_EMULATION();
    int rxChars = 0;
    comm.OnRxChar = [&](TObject*, int) {
        ++rxChars;
        char buffer[16];
        comm.ReadBuffer(buffer, sizeof buffer);
    };
    OpenClean();
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(overlapped.hEvent, nullptr);
    DWORD mask = 0;
    bool pending = false;
    for (int attempt = 0; attempt < 20 && !pending; ++attempt) {
        // Ends the thread's pending wait; it pauses a moment before it waits again.
        ASSERT_TRUE(SetCommMask(comm.Handle(), comm.EventMask())) << GetLastError();
        pending = !WaitCommEvent(comm.Handle(), &mask, &overlapped) && GetLastError() == ERROR_IO_PENDING;
        if (!pending) Sleep(30);
    }
    ASSERT_TRUE(pending) << "could not take the device's event wait";

    PumpFor(100);
    ULONGLONG cpuBefore = ProcessCpuMs();
    PumpFor(1000);
    EXPECT_LT(ProcessCpuMs() - cpuBefore, 300u) << "the event thread spins";

    // Give the wait back: the thread's next attempt succeeds and events flow again.
    ASSERT_TRUE(SetCommMask(comm.Handle(), comm.EventMask()));
    EXPECT_EQ(WaitForSingleObject(overlapped.hEvent, 2000), WAIT_OBJECT_0);
    PumpFor(1100);
    Peer().Write("r");
    EXPECT_TRUE(PumpUntil([&] { return rxChars > 0; }, 5000));

    DWORD start = GetTickCount();
    comm.Close();
    EXPECT_LT(GetTickCount() - start, 1000u);
    CloseHandle(overlapped.hEvent);
}

TEST_F(CommPort, CloseEndsAPendingEventWaitAtOnce)
{
    SKIP_EVENT_THREAD_UNDER_EMULATION();
    OpenClean();
    PumpFor(100);  // the event thread is in its wait
    DWORD start = GetTickCount();
    comm.Close();
    DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 300u - kTimerSlackMs);
    EXPECT_LT(elapsed, 800u);
}

} // namespace
