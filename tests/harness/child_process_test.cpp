// The harness's child processes: what a child writes is captured, and a mode name that
// no mode has is an unmistakable failure.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/child_process.h"

namespace {

using zv::test::ChildProcess;

ZV_CHILD_MODE(WriteBothStreams)
{
    std::printf("to stdout: %s\n", args.empty() ? "" : args[0].c_str());
    std::fflush(stdout);
    std::fprintf(stderr, "to stderr\n");
    std::fflush(stderr);
    return 7;
}

TEST(ChildProcess, CapturesWhatTheChildWritesToStdoutAndStderr)
{
    ChildProcess child = ChildProcess::Start("WriteBothStreams", {"an argument with spaces"});
    EXPECT_EQ(child.WaitForExit(30'000), 7u);
    EXPECT_EQ(child.Output(), "to stdout: an argument with spaces\nto stderr\n");
}

TEST(ChildProcess, AnUnknownModeSaysSoWithItsOwnExitCode)
{
    ChildProcess child = ChildProcess::Start("NoSuchMode");
    EXPECT_EQ(child.WaitForExit(30'000), zv::test::UnknownChildModeExitCode);
    EXPECT_EQ(child.Output(), "unknown child mode: NoSuchMode\n");
}

ZV_CHILD_MODE(ReportChecks)
{
    zv::test::ChildChecks checks;
    checks.Check(true, "the first holds");
    checks.Check(false, "the second holds", "it does not");
    checks.Check(false, "the third holds");
    return checks.ExitCode();
}

TEST(ChildProcess, ChecksPrintALineEachAndFailTheExitCode)
{
    ChildProcess child = ChildProcess::Start("ReportChecks");
    EXPECT_EQ(child.WaitForExit(30'000), 1u);
    EXPECT_EQ(child.Output(), "ok: the first holds\nfailed: the second holds: it does not\nfailed: the third holds\n");
    EXPECT_EQ(zv::test::ChildChecks::Passed({"a", "b"}), "ok: a\nok: b\n");
}

ZV_CHILD_MODE(ReportSkip)
{
    zv::test::ChildChecks().Skip("nothing to test here");
    return 0;
}

TEST(ChildProcess, ASkipIsToldFromTheOutput)
{
    ChildProcess child = ChildProcess::Start("ReportSkip");
    EXPECT_EQ(child.WaitForExit(30'000), 0u);
    EXPECT_EQ(zv::test::ChildChecks::Skipped(child.Output()), "nothing to test here");
    EXPECT_EQ(zv::test::ChildChecks::Skipped("ok: a\n"), "");
}

} // namespace
