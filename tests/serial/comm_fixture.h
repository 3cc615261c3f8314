// The fixture of the tests of TVaComm on a real port: Wine's COM stack over a
// pseudo-terminal, with the test's SerialPeer on the Linux side. The main thread pumps
// Synchronize requests while it waits, as a message loop would, so the component's events
// fire on it.
//
// No SCOPED_TRACE in these tests: GoogleTest starts a watcher thread for a thread the first
// time it uses SCOPED_TRACE, and in the emulated 32-bit Wine a blocking socket connect of
// that thread (SerialPeer::Connect) then never returns. Labels go into the assertion
// messages.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/application.h"
#include "serial/VaComm.h"
#include "tests/support/serial_peer.h"

namespace zv::test {

// Runs the main thread's share of the work (Synchronize requests) until done() or timeout.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
void PumpFor(DWORD ms);

// Waits and GetTickCount run on a coarse timer: a 300 ms pause or timeout can measure up to
// a tick short of 300.
constexpr DWORD kTimerSlackMs = 20;

// Reads on a helper thread while the main thread pumps, so the write thread's reports run.
std::string ReadWhilePumping(SerialPeer& peer, size_t count, DWORD timeoutMs);

// The messages of what escaped to the application's exception handling during the test.
extern std::vector<std::string> gHandled;

// The message of the EVaCommError that action raises; "no exception" when none, "other
// class: ..." for another exception class.
std::string MessageOf(const std::function<void()>& action);

// Exposes the protected batch operations and lets a test put errors into the device's
// error word.
class TTestComm : public TVaComm {
    RUNTIME_CLASS(TTestComm, TVaComm)
public:
    using TVaComm::TVaComm;
    using TVaCustomComm::DeliverEvents;
    using TVaCustomComm::DoEvents;
    using TVaCustomComm::DoRxBuf;
    DWORD InjectedErrors = 0;  // reported by the next status query, then cleared

protected:
    bool FetchCommStatus(DWORD& errors, COMSTAT& status) override;
};

class CommPort : public testing::Test {
protected:
    // One connection for the whole process, made before any of the component's threads
    // ran: in the emulated 32-bit Wine a socket connect made after threads have come and
    // gone crashed the process. It lives until the process ends.
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Opens and drops whatever earlier tests left in the line.
    void OpenClean();

    SerialPeer& Peer() { return *gPeer; }

    // Under CPU emulation, a pending event wait (the event thread's WaitCommEvent) beside a
    // thread start-up crashes the 32-bit Wine, as the harness's own event-wait check shows
    // by running in a child process. Tests of the settings and the write path run there
    // without the event thread; tests of the event thread itself run on win64.
    void WithoutEventThreadUnderEmulation()
    {
        if (gEmulated) comm.SetMonitorEvents({});
    }

    static SerialPeer* gPeer;
    static bool gEmulated;
    TTestComm comm{nullptr};
    THandleExceptionProc FPreviousHandler = nullptr;
};

} // namespace zv::test

// See CommPort::WithoutEventThreadUnderEmulation; these run on win64.
#define SKIP_EVENT_THREAD_UNDER_EMULATION()                                                     \
    do {                                                                                        \
        if (gEmulated) GTEST_SKIP() << "an event wait beside a thread start crashes Wine under CPU emulation"; \
    } while (0)

// A write held by XOFF while the component's threads run takes the emulated 32-bit Wine
// down (qemu SIGSEGV, sometimes "wine client error: read: Bad address"); these run on win64.
#define SKIP_HELD_WRITES_UNDER_EMULATION()                                                      \
    do {                                                                                        \
        if (gEmulated) GTEST_SKIP() << "a held serial write crashes Wine under CPU emulation";  \
    } while (0)
