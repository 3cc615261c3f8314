// A std::thread that is known to run when the call returns.
//
// Under the CPU emulation that runs 32-bit Wine on Linux, two threads in their start-up at
// the same moment can crash the process; a test that starts a helper thread and then goes
// on to create windows or threads of its own waits for the helper to get going first.
#pragma once

#include <windows.h>

#include <thread>
#include <utility>

namespace zv::test {

template <class Function>
std::thread StartedThread(Function&& function)
{
    HANDLE running = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread thread([running, function = std::forward<Function>(function)]() mutable {
        SetEvent(running);
        function();
    });
    WaitForSingleObject(running, INFINITE);
    CloseHandle(running);
    return thread;
}

} // namespace zv::test
