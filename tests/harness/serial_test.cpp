// A COM port of the Wine prefix, mapped to a pseudo-terminal, carries bytes both ways
// between a Windows program and the Linux side, and reports line events.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/support/child_process.h"
#include "tests/support/serial_peer.h"

namespace {

using zv::test::ChildProcess;
using zv::test::SerialPeer;

class Port {
public:
    explicit Port(DWORD flags = 0)
        : FHandle(CreateFileA("\\\\.\\COM1", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, flags, nullptr))
    {
    }
    ~Port()
    {
        if (IsOpen()) CloseHandle(FHandle);
    }
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;

    bool IsOpen() const { return FHandle != INVALID_HANDLE_VALUE; }
    HANDLE Handle() const { return FHandle; }

    // 9600 baud, 8 data bits, no parity, one stop bit, no flow control.
    bool SetLine()
    {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (!GetCommState(FHandle, &dcb)) return false;
        dcb.BaudRate = CBR_9600;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = FALSE;
        dcb.fOutX = dcb.fInX = FALSE;
        dcb.fDtrControl = DTR_CONTROL_DISABLE;
        dcb.fRtsControl = RTS_CONTROL_DISABLE;
        return SetCommState(FHandle, &dcb) != FALSE;
    }

    bool Write(const std::string& bytes)
    {
        DWORD written = 0;
        return WriteFile(FHandle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
               written == bytes.size();
    }

private:
    HANDLE FHandle;
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
// process of their own, and a failure names the step.
enum ModemLinesResult : DWORD {
    kModemLinesWork = 0,
    kModemPortFailed = 10,
    kSetDtrFailed,
    kModemStatusFailed,
    kInputLinesLow,
};

ZV_CHILD_MODE(ModemLines)
{
    Port port;
    if (!port.IsOpen() || !port.SetLine()) return kModemPortFailed;
    if (!EscapeCommFunction(port.Handle(), SETDTR)) return kSetDtrFailed;
    DWORD status = 0;
    if (!GetCommModemStatus(port.Handle(), &status)) return kModemStatusFailed;
    return (status & (MS_CTS_ON | MS_DSR_ON)) == (MS_CTS_ON | MS_DSR_ON) ? kModemLinesWork : kInputLinesLow;
}

TEST(MappedComPort, ModemLinesCanBeSetAndRead)
{
    DWORD result = ChildProcess::Start("ModemLines").WaitForExit(20'000);
    EXPECT_EQ(result, static_cast<DWORD>(kModemLinesWork)) << "see ModemLinesResult";
}

// Exit codes of the RxCharWait child.
enum RxCharWaitResult : DWORD {
    kRxCharSeen = 0,
    kPortSetupFailed = 10,
    kWaitFailedAtOnce,
    kWaitCompletedEarly,
    kWaitNeverCompleted,
    kWaitEndedWithError,
    kNoRxCharInMask,
};

ZV_CHILD_MODE(RxCharWait)
{
    Port port(FILE_FLAG_OVERLAPPED);
    if (!port.IsOpen() || !port.SetLine() || !SetCommMask(port.Handle(), EV_RXCHAR)) return kPortSetupFailed;
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, args.at(0).c_str());
    if (!overlapped.hEvent || !ready) return kPortSetupFailed;
    DWORD mask = 0;
    if (WaitCommEvent(port.Handle(), &mask, &overlapped)) return kWaitCompletedEarly;
    if (GetLastError() != ERROR_IO_PENDING) return kWaitFailedAtOnce;
    SetEvent(ready);
    if (WaitForSingleObject(overlapped.hEvent, 5000) != WAIT_OBJECT_0) {
        CancelIo(port.Handle());
        return kWaitNeverCompleted;
    }
    DWORD transferred = 0;
    if (!GetOverlappedResult(port.Handle(), &overlapped, &transferred, FALSE)) return kWaitEndedWithError;
    return (mask & EV_RXCHAR) ? kRxCharSeen : kNoRxCharInMask;
}

TEST(MappedComPort, ArrivingBytesCompleteAWaitForRxChar)
{
    SerialPeer peer = SerialPeer::Connect("COM1");
    const std::string readyName = "ZvRxCharWaitReady" + std::to_string(GetCurrentProcessId());
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, readyName.c_str());
    ASSERT_NE(ready, nullptr);
    ChildProcess child = ChildProcess::Start("RxCharWait", {readyName});
    HANDLE waitables[] = {ready, child.Handle()};
    DWORD first = WaitForMultipleObjects(2, waitables, FALSE, 10'000);
    CloseHandle(ready);
    if (first == WAIT_OBJECT_0) peer.Write("x");

    DWORD result = child.WaitForExit(10'000);
    EXPECT_EQ(result, static_cast<DWORD>(kRxCharSeen)) << "see RxCharWaitResult";
}

} // namespace
