#include "tests/support/probes.h"

#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <stdexcept>

#include "tests/support/child_process.h"

namespace zv::test {
namespace {

// The exit code a child reports when its null write raised nothing at all.
constexpr DWORD kNoFault = 0xFA;

LONG CALLBACK ReportFaultAsExitCode(EXCEPTION_POINTERS* info)
{
    // Nothing more to do in this process: its exit code carries the observation.
    ExitProcess(info->ExceptionRecord->ExceptionCode);
}

// A null write in a process of its own: under CPU emulation the fault's delivery is
// distorted and not always survivable, so it must not happen in the test's process.
ZV_CHILD_MODE(NullWriteProbe)
{
    AddVectoredExceptionHandler(1, &ReportFaultAsExitCode);
    *static_cast<volatile int*>(nullptr) = 1;
    return static_cast<int>(kNoFault);
}

DWORD ObservedNullWriteCode()
{
    static const DWORD code = [] {
        try {
            return ChildProcess::Start("NullWriteProbe").WaitForExit(30'000);
        } catch (const std::exception&) {
            return DWORD{0};
        }
    }();
    return code;
}

std::string Hex(ULONG_PTR value)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%08llX", static_cast<unsigned long long>(value));
    return text;
}

} // namespace

std::string ProbeHardwareFaultReporting()
{
    const DWORD code = ObservedNullWriteCode();
    if (code == EXCEPTION_ACCESS_VIOLATION) return {};
    if (code == kNoFault) return "the probe's null write raised no exception";
    if (code == EXCEPTION_ILLEGAL_INSTRUCTION)
        return "a null write is reported as code 0xC000001D (illegal instruction) instead of an access "
               "violation: CPU emulation distorts hardware faults";
    return "the null-write probe ended with code " + Hex(code);
}

bool RunningUnderCpuEmulation()
{
    return ObservedNullWriteCode() == EXCEPTION_ILLEGAL_INSTRUCTION;
}

std::string ProbeToolhelpSnapshots()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return "CreateToolhelp32Snapshot fails with error " + std::to_string(GetLastError()) +
               (RunningUnderCpuEmulation() ? " under CPU emulation" : "");
    CloseHandle(snapshot);
    return {};
}

} // namespace zv::test
