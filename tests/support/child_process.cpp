#include "tests/support/child_process.h"

#include <map>
#include <stdexcept>

namespace zv::test {
namespace {

std::map<std::string, ChildMode>& Modes()
{
    static std::map<std::string, ChildMode> modes;
    return modes;
}

const char kChildFlag[] = "--zv-child=";

// Quotes one argument the way the C runtime splits a command line.
std::string QuoteArgument(const std::string& arg)
{
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') out.append(backslashes * 2 + 1, '\\');
        else out.append(backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    return out + '"';
}

} // namespace

ChildModeRegistration::ChildModeRegistration(const char* name, ChildMode mode)
{
    Modes()[name] = mode;
}

bool RunChildModeIfRequested(int argc, char** argv, int& exitCode)
{
    if (argc < 2) return false;
    std::string first = argv[1];
    if (first.rfind(kChildFlag, 0) != 0) return false;
    std::string name = first.substr(sizeof(kChildFlag) - 1);
    auto it = Modes().find(name);
    if (it == Modes().end()) {
        exitCode = 255;
        return true;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    exitCode = it->second(args);
    return true;
}

namespace {

PROCESS_INFORMATION Launch(const std::string& exe, std::string commandLine, const char* folder)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder, &startup, &info))
        throw std::runtime_error("CreateProcessA failed with error " + std::to_string(GetLastError()));
    CloseHandle(info.hThread);
    return info;
}

} // namespace

ChildProcess ChildProcess::Start(const std::string& mode, const std::vector<std::string>& args)
{
    char exe[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, exe, MAX_PATH);
    if (length == 0 || length == MAX_PATH) throw std::runtime_error("GetModuleFileNameA failed");
    std::string commandLine = QuoteArgument(exe) + " " + kChildFlag + mode;
    for (const auto& arg : args) commandLine += " " + QuoteArgument(arg);
    const PROCESS_INFORMATION info = Launch(exe, commandLine, nullptr);
    return ChildProcess(info.hProcess, info.dwProcessId);
}

ChildProcess ChildProcess::StartProgram(const std::string& exe, const std::vector<std::string>& args)
{
    std::string commandLine = QuoteArgument(exe);
    for (const auto& arg : args) commandLine += " " + QuoteArgument(arg);
    const std::size_t slash = exe.find_last_of('\\');
    const std::string folder = slash == std::string::npos ? std::string() : exe.substr(0, slash);
    const PROCESS_INFORMATION info = Launch(exe, commandLine, folder.empty() ? nullptr : folder.c_str());
    return ChildProcess(info.hProcess, info.dwProcessId);
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : FProcess(other.FProcess), FProcessId(other.FProcessId)
{
    other.FProcess = nullptr;
}

ChildProcess::~ChildProcess()
{
    if (!FProcess) return;
    Terminate();
    CloseHandle(FProcess);
}

DWORD ChildProcess::WaitForExit(DWORD timeoutMs)
{
    if (WaitForSingleObject(FProcess, timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(FProcess, &code);
    return code;
}

void ChildProcess::Terminate()
{
    if (WaitForSingleObject(FProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(FProcess, 1);
        WaitForSingleObject(FProcess, 5000);
    }
}

} // namespace zv::test
