// Run-time probes of platform distortions.
//
// 32-bit Wine runs here only under CPU emulation, which distorts a few things: a hardware
// access violation arrives with another code, toolhelp snapshots fail, and a pty-backed
// COM port's event wait never completes. A test that depends on one of these asks the
// matching probe and skips with its reason; nothing is assumed from the architecture.
// Each probe returns an empty string when the platform behaves, else the reason.
#pragma once

#include <string>

namespace zv::test {

// Provokes a null-pointer write in a child process and checks that it is reported as
// EXCEPTION_ACCESS_VIOLATION. The observation is made once per process.
std::string ProbeHardwareFaultReporting();

// Takes a toolhelp snapshot of the process's threads.
std::string ProbeToolhelpSnapshots();

// True when the hardware-fault probe shows the signature of CPU emulation (an access
// violation delivered as an illegal instruction).
bool RunningUnderCpuEmulation();

} // namespace zv::test

// Skips the current test with the probe's reason when the probe found a distortion.
#define ZV_SKIP_UNLESS_PROBE_PASSES(probe)                             \
    do {                                                              \
        const std::string zvProbeReason = (probe);                    \
        if (!zvProbeReason.empty()) GTEST_SKIP() << zvProbeReason;    \
    } while (0)
