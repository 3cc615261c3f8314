// TVaComm on a device that refuses calls: the failure paths of the open, of settings
// changed while open, and of the write thread.
//
// Two kinds of broken device. The line itself refuses its settings through the pty shim's
// control file (tools/ptyshim, ZV_PTYSHIM_CONTROL), so SetCommState fails all the way down
// in Wine's serial code. Calls that Wine answers without touching the device (the queue
// sizes, time-outs and event mask, kept by Wine itself) are refused in this exe's import
// table instead, as a driver that rejects them would.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "framework/format.h"
#include "framework/thread.h"
#include "serial/VaComm.h"
#include "tests/serial/comm_fixture.h"
#include "tests/support/import_patch.h"
#include "tests/support/line_refusals.h"

namespace {

using namespace zv::test;

// The error a refusing driver gives.
constexpr DWORD kRefusal = ERROR_INVALID_PARAMETER;

BOOL WINAPI RefuseSetupComm(HANDLE, DWORD, DWORD)
{
    SetLastError(kRefusal);
    return FALSE;
}

BOOL WINAPI RefuseSetCommTimeouts(HANDLE, LPCOMMTIMEOUTS)
{
    SetLastError(kRefusal);
    return FALSE;
}

BOOL WINAPI RefuseSetCommMask(HANDLE, DWORD)
{
    SetLastError(kRefusal);
    return FALSE;
}

// WriteFile that refuses the next few writes on one handle and passes everything else on.
using TWriteFile = BOOL(WINAPI*)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
TWriteFile gRealWriteFile = nullptr;
std::atomic<HANDLE> gRefusedDevice{nullptr};
std::atomic<int> gWritesToRefuse{0};

BOOL WINAPI RefuseSomeWrites(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped)
{
    if (file == gRefusedDevice.load() && gWritesToRefuse.fetch_sub(1) > 0) {
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    return gRealWriteFile(file, data, size, written, overlapped);
}

// "Error writing dcb (N), text": the code, or -1 when the message has another form.
int DcbErrorCode(const std::string& message)
{
    int code = -1;
    if (std::sscanf(message.c_str(), "Error writing dcb (%d), ", &code) != 1) return -1;
    if (message != Format("Error writing dcb (%d), %s", {code, VaSystemErrorText(static_cast<DWORD>(code))})) return -1;
    return code;
}

DCB DeviceState(HANDLE device)
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    EXPECT_TRUE(GetCommState(device, &dcb)) << GetLastError();
    return dcb;
}

// --- Settings changed while open ---

TEST_F(CommPort, OptionGroupChangesWhileOpenReachTheDevice)
{
    WithoutEventThreadUnderEmulation();
    struct Case {
        const char* label;
        std::function<void()> change;
        std::function<bool(const DCB&)> applied;
    };
    // Fields a pseudo-terminal keeps (its line discipline's flags and control characters).
    const Case cases[] = {
        {"FlowControl.XonXoffOut", [&] { comm.FlowControl().SetXonXoffOut(true); },
         [](const DCB& d) { return d.fOutX == 1; }},
        {"FlowControl.XonXoffIn", [&] { comm.FlowControl().SetXonXoffIn(true); },
         [](const DCB& d) { return d.fInX == 1; }},
        {"EventChars.XonChar", [&] { comm.EventChars().SetXonChar(5); }, [](const DCB& d) { return d.XonChar == 5; }},
        {"EventChars.XoffChar", [&] { comm.EventChars().SetXoffChar(6); },
         [](const DCB& d) { return d.XoffChar == 6; }},
        {"EventChars.EofChar", [&] { comm.EventChars().SetEofChar(26); },
         [](const DCB& d) { return d.EofChar == 26; }},
    };
    OpenClean();
    for (const Case& c : cases) {
        EXPECT_FALSE(c.applied(DeviceState(comm.Handle()))) << c.label << ": already so before the change";
        c.change();
        EXPECT_TRUE(c.applied(DeviceState(comm.Handle()))) << c.label;
    }
}

TEST_F(CommPort, AGroupChangeTheDeviceRefusesRaisesOnlyWhenItIsWritten)
{
    WithoutEventThreadUnderEmulation();
    LineRefusals line;
    if (!line.Available()) GTEST_SKIP() << "no pty shim control file (ZV_PTYSHIM_CONTROL)";
    OpenClean();
    line.Refuse("settings");

    // A changed value is written, refused, and kept; the port stays open.
    EXPECT_GT(DcbErrorCode(MessageOf([&] { comm.FlowControl().SetXonXoffOut(true); })), 0);
    EXPECT_TRUE(comm.FlowControl().XonXoffOut());
    EXPECT_TRUE(comm.IsOpen());
    // The same flow-control value is no change and writes nothing.
    EXPECT_EQ(MessageOf([&] { comm.FlowControl().SetXonXoffOut(true); }), "no exception");
    EXPECT_EQ(MessageOf([&] { comm.FlowControl().SetControlDtr(dtrDisabled); }), "no exception");
    // An event character is written whether or not it changed.
    EXPECT_GT(DcbErrorCode(MessageOf([&] { comm.EventChars().SetXonChar(comm.EventChars().XonChar()); })), 0);
    // A whole group assigned is one change, one refusal.
    TVaFlowControl other;
    other.SetXonXoffIn(true);
    EXPECT_GT(DcbErrorCode(MessageOf([&] { comm.SetFlowControl(other); })), 0);

    // Once the device takes settings again, the next change writes everything kept.
    line.Refuse("");
    comm.EventChars().SetEofChar(26);
    const DCB dcb = DeviceState(comm.Handle());
    EXPECT_EQ(static_cast<unsigned>(dcb.fInX), 1u);
    EXPECT_EQ(dcb.EofChar, 26);
}

TEST_F(CommPort, SettingsTheDeviceRefusesAtOpenCloseItAgain)
{
    WithoutEventThreadUnderEmulation();
    LineRefusals line;
    if (!line.Available()) GTEST_SKIP() << "no pty shim control file (ZV_PTYSHIM_CONTROL)";
    line.Refuse("settings");
    EXPECT_GT(DcbErrorCode(MessageOf([&] { comm.Open(); })), 0);
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_FALSE(comm.HasWriteThread());
    line.Refuse("");
    EXPECT_EQ(MessageOf([&] { comm.Open(); }), "no exception");
}

// --- Open steps refused ---

TEST_F(CommPort, AnOpenStepTheDeviceRefusesShowsItsMessageAndClosesTheDevice)
{
    WithoutEventThreadUnderEmulation();
    struct Case {
        const char* function;
        void* refusal;
        std::string message;
    };
    const std::string text = VaSystemErrorText(kRefusal);
    ASSERT_FALSE(text.empty());
    const Case cases[] = {
        {"SetupComm", reinterpret_cast<void*>(&RefuseSetupComm), "Error initializing buffers (87), " + text},
        {"SetCommTimeouts", reinterpret_cast<void*>(&RefuseSetCommTimeouts), "Error setting timeouts (87), " + text},
        {"SetCommMask", reinterpret_cast<void*>(&RefuseSetCommMask), " Error setting EventMask (87), " + text},
    };
    for (const Case& c : cases) {
        {
            ImportPatch patch(c.function, c.refusal);
            EXPECT_EQ(MessageOf([&] { comm.Open(); }), c.message) << c.function;
        }
        EXPECT_FALSE(comm.IsOpen()) << c.function;
        EXPECT_EQ(comm.Handle(), INVALID_HANDLE_VALUE) << c.function;
        EXPECT_FALSE(comm.HasEventThread()) << c.function;
        EXPECT_FALSE(comm.HasWriteThread()) << c.function;
        // Nothing of the failed open is left behind.
        OpenClean();
        EXPECT_EQ(comm.WriteBuffer("ok", 2), 2) << c.function;
        EXPECT_EQ(ReadWhilePumping(Peer(), 2, 5000), "ok") << c.function;
        comm.Close();
    }
}

// --- The write thread's failed writes ---

// A threaded write the device refuses reaches the component as the error flag on the main
// thread: the line errors are fetched and OnError fires with them. The bytes stay queued and
// go out once the device takes writes again.
TEST_F(CommPort, AWriteTheDeviceRefusesIsReportedAndRetried)
{
    comm.SetMonitorEvents({});  // the write thread's report is the only status query
    std::vector<int> errors;
    bool allOnMain = true;
    comm.OnError = [&](TObject*, int e) {
        errors.push_back(e);
        allOnMain = allOnMain && GetCurrentThreadId() == MainThreadID;
    };
    OpenClean();
    comm.InjectedErrors = CE_TXFULL;  // what the device says when the report asks
    ImportPatch patch("WriteFile", reinterpret_cast<void*>(&RefuseSomeWrites));
    gRealWriteFile = reinterpret_cast<TWriteFile>(patch.Original());
    gRefusedDevice = comm.Handle();
    gWritesToRefuse = 2;
    ASSERT_EQ(comm.WriteBuffer("abc", 3), 3);
    EXPECT_EQ(ReadWhilePumping(Peer(), 3, 5000), "abc");
    EXPECT_LE(gWritesToRefuse.load(), 0) << "both refusals were met";
    EXPECT_EQ(errors, std::vector<int>{CE_TXFULL}) << "the second refusal finds no line errors";
    EXPECT_TRUE(allOnMain);
    gRefusedDevice = nullptr;
}

// --- The message of a failed call ---

TEST_F(CommPort, CheckCommResultRaisesWithTheLastErrorAndItsTrimmedText)
{
    // The system's text, trimmed here by hand: no full stop, blank or line end at its end.
    char* raw = nullptr;
    ASSERT_NE(FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, ERROR_ACCESS_DENIED, 0, reinterpret_cast<char*>(&raw), 0, nullptr),
              0u);
    std::string text = raw;
    LocalFree(raw);
    while (!text.empty() && (text.back() == '.' || text.back() == ' ' || text.back() == '\r' || text.back() == '\n'))
        text.pop_back();
    ASSERT_FALSE(text.empty());

    struct Case {
        const char* label;
        bool ok;
        const char* format;
        std::string expected;
    };
    const Case cases[] = {
        {"failed", false, "Step failed (%d), %s", "Step failed (5), " + text},
        {"failed, no placeholders", false, "Output buffer is full. Please check comm status.",
         "Output buffer is full. Please check comm status."},
        {"succeeded", true, "Step failed (%d), %s", "no exception"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MessageOf([&] {
                      SetLastError(ERROR_ACCESS_DENIED);
                      comm.CheckCommResult(c.ok, c.format);
                  }),
                  c.expected)
            << c.label;
    }
}

} // namespace
