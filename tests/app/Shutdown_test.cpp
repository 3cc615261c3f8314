// The shutdown probe (tests/app/shutdown_probe.cpp) started as a program of its own: it
// ends with exit code 0 only when the debug heap it is linked with found nothing still
// allocated and nothing freed twice, and it says what it did before it ended.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/app/programs.h"
#include "tests/support/child_process.h"

namespace {

using zv::test::ChildProcess;

constexpr DWORD kExitTimeoutMs = 60'000;

TEST(ShutdownProbe, EndsCleanlyThroughTheLoopAndThroughExitFromAHandler)
{
    struct Case {
        const char* mode;
        std::string ending;
    };
    const Case cases[] = {
        {"loop", "shutdown probe: the main form closed, the loop ended\n"},
        {"exit", "shutdown probe: exit from a timer handler, the loop running\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        ChildProcess probe = ChildProcess::StartProgram(zv::test::FromBuildTree(ZV_SHUTDOWN_PROBE_EXE), {c.mode});
        EXPECT_EQ(probe.WaitForExit(kExitTimeoutMs), 0u);
        EXPECT_EQ(zv::test::WithoutHeapAuditPeak(probe.Output()),
                  "shutdown probe: COM1 open\n"
                  "shutdown probe: pointer over a hot-tracked button\n" +
                      c.ending + zv::test::kCleanHeapAudit);
    }
}

} // namespace
