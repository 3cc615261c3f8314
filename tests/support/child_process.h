// Child processes for tests: behaviour that ends, crashes or hangs a process, or that
// needs a program of its own on the desktop, runs in a copy of the test exe.
//
//   ZV_CHILD_MODE(OpenWindow) { ...; return 0; }       // at namespace scope
//   ChildProcess child = ChildProcess::Start("OpenWindow");
//   EXPECT_EQ(child.WaitForExit(10'000), 0u);
//
// The test exe's main runs the named mode instead of the tests when started with
// "--zv-child=NAME"; the mode's return value is the process's exit code. What the child
// writes to stdout and stderr is captured (`Output()`), so a mode says in words what
// failed and the test asserts on that, not on a code. A name that no mode has ends the
// child with UnknownChildModeExitCode and a message saying so.
//
// A mode reports through ChildChecks, one line per check, and the test compares the whole
// output with the lines it expects (ChildChecks::Passed), so a failure shows which check
// failed, why, and how far the child got:
//
//   ZV_CHILD_MODE(Port)
//   {
//       ChildChecks checks;
//       const bool opened = Open();
//       checks.Check(opened, "COM1 opens", LastErrorText());  // the call first: it sets the error
//       return checks.ExitCode();
//   }
//   EXPECT_EQ(child.WaitForExit(10'000), 0u);
//   EXPECT_EQ(child.Output(), ChildChecks::Passed({"COM1 opens"}));
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace zv::test {

using ChildMode = int (*)(const std::vector<std::string>& args);

// The exit code of a child started with a mode name that no mode has; no mode returns it.
constexpr DWORD UnknownChildModeExitCode = 0x00C1DE00;

// Registers a mode at static-initialisation time; use ZV_CHILD_MODE.
struct ChildModeRegistration {
    ChildModeRegistration(const char* name, ChildMode mode);
};

#define ZV_CHILD_MODE(Name)                                                             \
    static int ZvChildMode_##Name(const std::vector<std::string>& args);                \
    static const ::zv::test::ChildModeRegistration zvChildModeRegistration_##Name{      \
        #Name, &ZvChildMode_##Name};                                                    \
    static int ZvChildMode_##Name([[maybe_unused]] const std::vector<std::string>& args)

// Called by the test main: runs the mode named on the command line, if any.
// Returns true (and the exit code) when the process was started as a child.
bool RunChildModeIfRequested(int argc, char** argv, int& exitCode);

// The child's side of the report. Every line is flushed at once, so a child that crashes
// or is terminated still shows how far it got.
class ChildChecks {
public:
    // Prints "ok: what", or "failed: what" (": whyNot" added when given). Returns ok.
    bool Check(bool ok, std::string_view what, std::string_view whyNot = {});
    // Prints "skipped: why"; the test skips when the output starts so (see Skipped).
    void Skip(std::string_view why);
    // 0 when every check passed, 1 otherwise.
    int ExitCode() const noexcept { return FFailed ? 1 : 0; }

    // The output of a child whose checks named here all passed, in this order.
    static std::string Passed(std::initializer_list<std::string_view> checks);
    // The reason when output is a child's skip; empty otherwise.
    static std::string Skipped(const std::string& output);

private:
    bool FFailed = false;
};

// "error N: the system's text" for GetLastError() (or the given code).
std::string LastErrorText(DWORD error = GetLastError());

// A running copy of this exe in a child mode. Owns the process handle; a child that
// is still running when the object goes is terminated.
class ChildProcess {
public:
    // Starts this exe with "--zv-child=mode" and the extra arguments. Throws
    // std::runtime_error with the system's text when the process cannot start.
    static ChildProcess Start(const std::string& mode, const std::vector<std::string>& args = {});
    // Starts another program with the arguments, in the program's folder.
    static ChildProcess StartProgram(const std::string& exe, const std::vector<std::string>& args = {});

    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&&) = delete;
    ChildProcess(const ChildProcess&) = delete;
    ~ChildProcess();

    DWORD ProcessId() const noexcept { return FProcessId; }
    HANDLE Handle() const noexcept { return FProcess; }
    // Waits up to timeoutMs, collecting the child's output meanwhile; returns the exit
    // code, or STILL_ACTIVE when it did not end.
    DWORD WaitForExit(DWORD timeoutMs);
    void Terminate();
    // What the child wrote to stdout and stderr so far (one stream, in the order written),
    // with the C runtime's CR LF line ends as LF.
    std::string Output();

private:
    ChildProcess(HANDLE process, DWORD processId, HANDLE output)
        : FProcess(process), FProcessId(processId), FOutputPipe(output) {}
    // Reads what the pipe holds now, without waiting.
    void CollectOutput();
    HANDLE FProcess = nullptr;
    DWORD FProcessId = 0;
    HANDLE FOutputPipe = nullptr;  // the read end; the child holds the write end
    std::string FOutput;
};

} // namespace zv::test
