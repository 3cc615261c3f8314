// A program for the processes list tests to find: it carries a version resource, starts
// the number of threads its command line names, signals that it is ready and waits to be
// told to stop.
//
//   ExceptionLog_processes_child THREADS READY-EVENT STOP-EVENT
//
// The events are named events the test made. Every thread waits for the stop event too,
// so the process holds exactly THREADS + 1 threads until then. The threads start one at a
// time: under the CPU emulation that runs 32-bit Wine, two threads in their start-up at
// once can crash the process.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct TParkedThread {
    HANDLE Running = nullptr;
    HANDLE Stop = nullptr;
};

DWORD WINAPI Park(void* parameter)
{
    const auto* parked = static_cast<const TParkedThread*>(parameter);
    SetEvent(parked->Running);
    WaitForSingleObject(parked->Stop, INFINITE);
    return 0;
}

int Fail(const char* what)
{
    std::fprintf(stderr, "ExceptionLog_processes_child: %s failed (error %lu)\n", what, GetLastError());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: ExceptionLog_processes_child THREADS READY-EVENT STOP-EVENT\n");
        return 2;
    }
    const int threadCount = std::atoi(argv[1]);
    const HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]);
    if (!ready) return Fail("OpenEventA of the ready event");
    const HANDLE stop = OpenEventA(SYNCHRONIZE, FALSE, argv[3]);
    if (!stop) return Fail("OpenEventA of the stop event");

    TParkedThread parked{CreateEventA(nullptr, FALSE, FALSE, nullptr), stop};
    if (!parked.Running) return Fail("CreateEventA");
    std::vector<HANDLE> threads;
    for (int i = 0; i < threadCount; ++i) {
        const HANDLE thread = CreateThread(nullptr, 0, &Park, &parked, 0, nullptr);
        if (!thread) return Fail("CreateThread");
        threads.push_back(thread);
        WaitForSingleObject(parked.Running, INFINITE);
    }
    if (!SetEvent(ready)) return Fail("SetEvent");
    // A test that died leaves no child behind for long.
    if (WaitForSingleObject(stop, 120'000) != WAIT_OBJECT_0) return Fail("waiting for the stop event");
    for (const HANDLE thread : threads) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    return 0;
}
