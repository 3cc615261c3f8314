// The probes observe the platform without disturbing the test process.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/support/probes.h"

namespace {

TEST(PlatformProbes, AHardwareFaultIsEitherReportedFaithfullyOrExplained)
{
    const std::string reason = zv::test::ProbeHardwareFaultReporting();
    if (zv::test::RunningUnderCpuEmulation()) {
        EXPECT_NE(reason.find("0xC000001D"), std::string::npos) << reason;
    } else {
        EXPECT_EQ(reason, "");
    }
}

TEST(PlatformProbes, ToolhelpSnapshotsWorkUnlessEmulated)
{
    const std::string reason = zv::test::ProbeToolhelpSnapshots();
    if (!zv::test::RunningUnderCpuEmulation()) {
        EXPECT_EQ(reason, "");
    } else if (!reason.empty()) {
        EXPECT_NE(reason.find("emulation"), std::string::npos) << reason;
    }
}

} // namespace
