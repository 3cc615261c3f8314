// A COM port of the Wine prefix, mapped to a pseudo-terminal, carries bytes both ways
// between a Windows program and the Linux side, and reports line events.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "framework/handles.h"
#include "tests/support/child_process.h"
#include "tests/support/serial_peer.h"

namespace {

using zv::test::ChildChecks;
using zv::test::ChildProcess;
using zv::test::LastErrorText;
using zv::test::SerialPeer;

class Port {
public:
    explicit Port(DWORD flags = 0)
        : FHandle(CreateFileA("\\\\.\\COM1", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, flags, nullptr))
    {
    }

    bool IsOpen() const { return FHandle.IsValid(); }
    HANDLE Handle() const { return FHandle.Get(); }

    // 9600 baud, 8 data bits, no parity, one stop bit, no flow control.
    bool SetLine()
    {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (!GetCommState(FHandle.Get(), &dcb)) return false;
        dcb.BaudRate = CBR_9600;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = FALSE;
        dcb.fOutX = dcb.fInX = FALSE;
        dcb.fDtrControl = DTR_CONTROL_DISABLE;
        dcb.fRtsControl = RTS_CONTROL_DISABLE;
        return SetCommState(FHandle.Get(), &dcb) != FALSE;
    }

    bool Write(const std::string& bytes)
    {
        DWORD written = 0;
        return WriteFile(FHandle.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
               written == bytes.size();
    }

private:
    TFileHandle FHandle;
};

std::string AllByteValues()
{
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    return bytes;
}

TEST(MappedComPort, EveryByteValueWrittenArrivesOnTheLinuxSideUnchanged)
{
    SerialPeer peer = SerialPeer::Connect("COM1");
    Port port;
    ASSERT_TRUE(port.IsOpen()) << "CreateFileA(COM1) failed with error " << GetLastError();
    ASSERT_TRUE(port.SetLine());
    ASSERT_TRUE(port.Write(AllByteValues()));
    EXPECT_EQ(peer.Read(256, 5000), AllByteValues());
}

TEST(MappedComPort, BytesFromTheLinuxSideAreRead)
{
    SerialPeer peer = SerialPeer::Connect("COM1");
    Port port;
    ASSERT_TRUE(port.IsOpen());
    ASSERT_TRUE(port.SetLine());
    COMMTIMEOUTS timeouts{};
    timeouts.ReadTotalTimeoutConstant = 5000;
    ASSERT_TRUE(SetCommTimeouts(port.Handle(), &timeouts));

    peer.Write(std::string("ping\0\xFF", 6));
    char buffer[6] = {};
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(port.Handle(), buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(std::string(buffer, read), std::string("ping\0\xFF", 6));
}

// The utility opens and closes the port for every command; the line must survive that.
TEST(MappedComPort, ClosingAndReopeningKeepsTheLine)
{
    SerialPeer peer = SerialPeer::Connect("COM1");
    for (const char* bytes : {"first ", "second ", "third"}) {
        Port port;
        ASSERT_TRUE(port.IsOpen()) << bytes;
        ASSERT_TRUE(port.SetLine());
        ASSERT_TRUE(port.Write(bytes));
    }
    EXPECT_EQ(peer.Read(18, 5000), "first second third");
}

// Modem lines and event waits depend on the runner's pty shim (tools/ptyshim): without it
// Wine's requests fail, and in the emulated 32-bit Wine a failing request can take the
// whole process down or leave a wait that never ends. So these checks each run in a
// process of their own, which says each step it took.
ZV_CHILD_MODE(ModemLines)
{
    ChildChecks checks;
    Port port;
    if (!checks.Check(port.IsOpen(), "COM1 opens", LastErrorText())) return checks.ExitCode();
    const bool lineSet = port.SetLine();
    if (!checks.Check(lineSet, "the line takes 9600 8N1", LastErrorText())) return checks.ExitCode();
    const bool dtrSet = EscapeCommFunction(port.Handle(), SETDTR) != FALSE;
    if (!checks.Check(dtrSet, "SETDTR", LastErrorText())) return checks.ExitCode();
    DWORD status = 0;
    const bool statusRead = GetCommModemStatus(port.Handle(), &status) != FALSE;
    if (!checks.Check(statusRead, "the modem status reads", LastErrorText())) return checks.ExitCode();
    checks.Check((status & MS_CTS_ON) != 0, "CTS is on", "status " + std::to_string(status));
    checks.Check((status & MS_DSR_ON) != 0, "DSR is on", "status " + std::to_string(status));
    return checks.ExitCode();
}

TEST(MappedComPort, ModemLinesCanBeSetAndRead)
{
    ChildProcess child = ChildProcess::Start("ModemLines");
    EXPECT_EQ(child.WaitForExit(20'000), 0u);
    EXPECT_EQ(child.Output(), ChildChecks::Passed({"COM1 opens", "the line takes 9600 8N1", "SETDTR",
                                                   "the modem status reads", "CTS is on", "DSR is on"}));
}

ZV_CHILD_MODE(RxCharWait)
{
    ChildChecks checks;
    Port port(FILE_FLAG_OVERLAPPED);
    if (!checks.Check(port.IsOpen(), "COM1 opens", LastErrorText())) return checks.ExitCode();
    const bool lineSet = port.SetLine();
    if (!checks.Check(lineSet, "the line takes 9600 8N1", LastErrorText())) return checks.ExitCode();
    const bool maskSet = SetCommMask(port.Handle(), EV_RXCHAR) != FALSE;
    if (!checks.Check(maskSet, "the event mask takes EV_RXCHAR", LastErrorText())) return checks.ExitCode();
    TKernelHandle completed(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!checks.Check(completed.IsValid(), "the completion event is made", LastErrorText())) return checks.ExitCode();
    TKernelHandle ready(OpenEventA(EVENT_MODIFY_STATE, FALSE, args.at(0).c_str()));
    if (!checks.Check(ready.IsValid(), "the parent's ready event opens", LastErrorText())) return checks.ExitCode();

    OVERLAPPED overlapped{};
    overlapped.hEvent = completed.Get();
    DWORD mask = 0;
    const bool completedAtOnce = WaitCommEvent(port.Handle(), &mask, &overlapped) != FALSE;
    const DWORD error = GetLastError();
    if (!checks.Check(!completedAtOnce, "the wait is pending before any byte", "it completed with mask " +
                                                                                 std::to_string(mask)) ||
        !checks.Check(error == ERROR_IO_PENDING, "the wait starts", LastErrorText(error)))
        return checks.ExitCode();
    SetEvent(ready.Get());
    if (!checks.Check(WaitForSingleObject(completed.Get(), 5000) == WAIT_OBJECT_0,
                      "the wait completes within 5 s of the byte")) {
        CancelIo(port.Handle());
        return checks.ExitCode();
    }
    DWORD transferred = 0;
    const bool succeeded = GetOverlappedResult(port.Handle(), &overlapped, &transferred, FALSE) != FALSE;
    if (!checks.Check(succeeded, "the wait succeeds", LastErrorText())) return checks.ExitCode();
    checks.Check((mask & EV_RXCHAR) != 0, "the mask has EV_RXCHAR", "mask " + std::to_string(mask));
    return checks.ExitCode();
}

TEST(MappedComPort, ArrivingBytesCompleteAWaitForRxChar)
{
    SerialPeer peer = SerialPeer::Connect("COM1");
    const std::string readyName = "ZvRxCharWaitReady" + std::to_string(GetCurrentProcessId());
    TKernelHandle ready(CreateEventA(nullptr, TRUE, FALSE, readyName.c_str()));
    ASSERT_TRUE(ready.IsValid()) << LastErrorText();
    ChildProcess child = ChildProcess::Start("RxCharWait", {readyName});
    HANDLE waitables[] = {ready.Get(), child.Handle()};
    if (WaitForMultipleObjects(2, waitables, FALSE, 10'000) == WAIT_OBJECT_0) peer.Write("x");

    EXPECT_EQ(child.WaitForExit(10'000), 0u);
    EXPECT_EQ(child.Output(),
              ChildChecks::Passed({"COM1 opens", "the line takes 9600 8N1", "the event mask takes EV_RXCHAR",
                                   "the completion event is made", "the parent's ready event opens",
                                   "the wait is pending before any byte", "the wait starts",
                                   "the wait completes within 5 s of the byte", "the wait succeeds",
                                   "the mask has EV_RXCHAR"}));
}

} // namespace
