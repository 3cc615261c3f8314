#include "tests/serial/comm_fixture.h"

#include <atomic>
#include <thread>

#include "framework/exceptions.h"
#include "framework/thread.h"
#include "tests/support/probes.h"
#include "tests/support/started_thread.h"

namespace zv::test {

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return false;
        if (WaitForSingleObject(SyncEvent(), 10) == WAIT_OBJECT_0) CheckSynchronize();
    }
    return true;
}

void PumpFor(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

std::string ReadWhilePumping(SerialPeer& peer, size_t count, DWORD timeoutMs)
{
    std::string got;
    std::atomic<bool> done{false};
    std::thread reader = StartedThread([&] {
        got = peer.Read(count, timeoutMs);
        done = true;
    });
    PumpUntil([&] { return done.load(); }, timeoutMs + 5000);
    reader.join();
    return got;
}

std::string MessageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EVaCommError& e) {
        return e.Message();
    } catch (const Exception& e) {
        return "other class: " + e.Message();
    }
    return "no exception";
}

std::vector<std::string> gHandled;

namespace {

void RecordHandled(TObject*, std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const Exception& e) {
        gHandled.push_back(e.Message());
    } catch (...) {
        gHandled.push_back("?");
    }
}

} // namespace

bool TTestComm::FetchCommStatus(DWORD& errors, COMSTAT& status)
{
    bool ok = TVaComm::FetchCommStatus(errors, status);
    errors |= InjectedErrors;
    InjectedErrors = 0;
    return ok;
}

SerialPeer* CommPort::gPeer = nullptr;
bool CommPort::gEmulated = false;

void CommPort::SetUpTestSuite()
{
    if (!gPeer) gPeer = new SerialPeer(SerialPeer::Connect("COM1"));
    // Asked once, before any thread: the probe runs a child process.
    gEmulated = RunningUnderCpuEmulation();
}

void CommPort::SetUp()
{
    comm.SetDeviceName("COM%d");
    comm.SetPortNum(1);
    comm.SetBaudrate(br9600);
    gHandled.clear();
    FPreviousHandler = SetHandleExceptionProc(&RecordHandled);
}

void CommPort::TearDown()
{
    comm.Close();
    // Under CPU emulation Wine's own helper threads of the serial waits must be gone before
    // the next test starts threads (concurrent thread start-up crashes there).
    if (gEmulated) Sleep(500);
    SetHandleExceptionProc(FPreviousHandler);
}

void CommPort::OpenClean()
{
    comm.Open();
    ASSERT_TRUE(PurgeComm(comm.Handle(), PURGE_RXCLEAR | PURGE_TXCLEAR)) << GetLastError();
    Peer().Discard();
}

} // namespace zv::test
