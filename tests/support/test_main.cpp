// The main of every Windows test exe: runs a child mode when asked, else the tests.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/child_process.h"

namespace {

// GoogleTest's console printer also sends every failure and skip to OutputDebugStringA.
// Under the CPU emulation that runs 32-bit Wine here, that call kills the process, so
// this printer forwards everything to the console printer except test-part results,
// which it prints itself, in the same form, to the console only.
class ConsoleOnlyPrinter : public testing::EmptyTestEventListener {
public:
    explicit ConsoleOnlyPrinter(testing::TestEventListener* console) : FConsole(console) {}
    ~ConsoleOnlyPrinter() override { delete FConsole; }

    void OnTestProgramStart(const testing::UnitTest& u) override { FConsole->OnTestProgramStart(u); }
    void OnTestIterationStart(const testing::UnitTest& u, int i) override { FConsole->OnTestIterationStart(u, i); }
    void OnEnvironmentsSetUpStart(const testing::UnitTest& u) override { FConsole->OnEnvironmentsSetUpStart(u); }
    void OnEnvironmentsSetUpEnd(const testing::UnitTest& u) override { FConsole->OnEnvironmentsSetUpEnd(u); }
    void OnTestSuiteStart(const testing::TestSuite& s) override { FConsole->OnTestSuiteStart(s); }
    void OnTestStart(const testing::TestInfo& t) override { FConsole->OnTestStart(t); }
    void OnTestEnd(const testing::TestInfo& t) override { FConsole->OnTestEnd(t); }
    void OnTestSuiteEnd(const testing::TestSuite& s) override { FConsole->OnTestSuiteEnd(s); }
    void OnEnvironmentsTearDownStart(const testing::UnitTest& u) override { FConsole->OnEnvironmentsTearDownStart(u); }
    void OnEnvironmentsTearDownEnd(const testing::UnitTest& u) override { FConsole->OnEnvironmentsTearDownEnd(u); }
    void OnTestIterationEnd(const testing::UnitTest& u, int i) override { FConsole->OnTestIterationEnd(u, i); }
    void OnTestProgramEnd(const testing::UnitTest& u) override { FConsole->OnTestProgramEnd(u); }

    void OnTestPartResult(const testing::TestPartResult& result) override
    {
        if (result.type() == testing::TestPartResult::kSuccess) return;
        const char* kind = result.type() == testing::TestPartResult::kSkip ? "Skipped" : "Failure";
        if (result.file_name())
            std::printf("%s:%d: %s\n%s\n", result.file_name(), result.line_number(), kind, result.message());
        else
            std::printf("unknown file: %s\n%s\n", kind, result.message());
        std::fflush(stdout);
    }

private:
    testing::TestEventListener* FConsole;
};

} // namespace

int main(int argc, char** argv)
{
    int exitCode = 0;
    if (zv::test::RunChildModeIfRequested(argc, argv, exitCode)) return exitCode;
    testing::InitGoogleTest(&argc, argv);
    testing::TestEventListeners& listeners = testing::UnitTest::GetInstance()->listeners();
    if (testing::TestEventListener* console = listeners.Release(listeners.default_result_printer()))
        listeners.Append(new ConsoleOnlyPrinter(console));
    return RUN_ALL_TESTS();
}
