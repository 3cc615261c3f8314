// Running the GUI thread's share of the work in tests: messages through the application's
// own loop (which routes keys through the controls) and Synchronize requests, and the
// owner that frees a form a test made.
#pragma once

#include <windows.h>

#include <functional>

#include "framework/application.h"

namespace zv::test {

// Handles messages until done() holds or timeoutMs passed; returns done().
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!done()) {
        if (GetTickCount64() > end) return false;
        Application->ProcessMessages();
        Sleep(5);
    }
    return true;
}

// Handles what is queued now, and what that queues in turn, for a short while.
inline void PumpFor(DWORD ms)
{
    const ULONGLONG end = GetTickCount64() + ms;
    while (GetTickCount64() < end) {
        Application->ProcessMessages();
        Sleep(5);
    }
}

// For std::unique_ptr<TSomeForm, FormDeleter>: frees a form a test created.
struct FormDeleter {
    template <class TForm>
    void operator()(TForm* form) const
    {
        delete form;
    }
};

} // namespace zv::test
