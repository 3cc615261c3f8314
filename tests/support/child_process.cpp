#include "tests/support/child_process.h"

#include <cstdio>
#include <map>
#include <stdexcept>
#include <utility>

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

void PrintLine(const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

const char kSkippedPrefix[] = "skipped: ";

} // namespace

bool ChildChecks::Check(bool ok, std::string_view what, std::string_view whyNot)
{
    std::string line = ok ? "ok: " : "failed: ";
    line += what;
    if (!ok && !whyNot.empty()) line.append(": ").append(whyNot);
    PrintLine(line);
    if (!ok) FFailed = true;
    return ok;
}

void ChildChecks::Skip(std::string_view why)
{
    PrintLine(kSkippedPrefix + std::string(why));
}

std::string ChildChecks::Passed(std::initializer_list<std::string_view> checks)
{
    std::string output;
    for (std::string_view check : checks) output.append("ok: ").append(check).append("\n");
    return output;
}

std::string ChildChecks::Skipped(const std::string& output)
{
    if (output.rfind(kSkippedPrefix, 0) != 0) return {};
    std::string why = output.substr(sizeof(kSkippedPrefix) - 1);
    while (!why.empty() && why.back() == '\n') why.pop_back();
    return why;
}

std::string LastErrorText(DWORD error)
{
    char* text = nullptr;
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = "error " + std::to_string(error);
    if (length != 0 && text) {
        std::string system(text, length);
        while (!system.empty() && (static_cast<unsigned char>(system.back()) <= ' ' || system.back() == '.'))
            system.pop_back();
        if (!system.empty()) message += ": " + system;
    }
    if (text) LocalFree(text);
    return message;
}

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
        std::fprintf(stderr, "unknown child mode: %s\n", name.c_str());
        std::fflush(stderr);
        exitCode = static_cast<int>(UnknownChildModeExitCode);
        return true;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    exitCode = it->second(args);
    return true;
}

namespace {

[[noreturn]] void ThrowLastError(const char* api)
{
    throw std::runtime_error(std::string(api) + " failed with error " + std::to_string(GetLastError()));
}

struct TLaunched {
    PROCESS_INFORMATION Info;
    HANDLE Output;  // read end of the child's stdout and stderr
};

// Starts the program with stdout and stderr on one pipe. Only the pipe's write end is
// inherited (an attribute list names it), so the child gets none of the test's other
// handles, sockets of a serial peer among them.
TLaunched Launch(const std::string& exe, std::string commandLine, const char* folder)
{
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    // A large buffer: a child that writes while the test is not collecting does not block.
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 1 << 20)) ThrowLastError("CreatePipe");
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    SIZE_T attributeSize = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &attributeSize);
    std::vector<char> attributeBuffer(attributeSize);
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributeBuffer.data());
    if (!InitializeProcThreadAttributeList(attributes, 1, 0, &attributeSize)) {
        CloseHandle(readEnd);
        CloseHandle(writeEnd);
        ThrowLastError("InitializeProcThreadAttributeList");
    }
    HANDLE inherited[] = {writeEnd};
    const bool listed = UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
                                                  sizeof inherited, nullptr, nullptr) != FALSE;

    STARTUPINFOEXA startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = nullptr;
    startup.StartupInfo.hStdOutput = writeEnd;
    startup.StartupInfo.hStdError = writeEnd;
    startup.lpAttributeList = listed ? attributes : nullptr;
    PROCESS_INFORMATION info{};
    const DWORD flags = listed ? EXTENDED_STARTUPINFO_PRESENT : 0;
    const BOOL started = CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, flags, nullptr,
                                        folder, &startup.StartupInfo, &info);
    const DWORD error = GetLastError();
    DeleteProcThreadAttributeList(attributes);
    CloseHandle(writeEnd);  // the child's copy is the only one left: its end closes the pipe
    if (!started) {
        CloseHandle(readEnd);
        SetLastError(error);
        ThrowLastError("CreateProcessA");
    }
    CloseHandle(info.hThread);
    return {info, readEnd};
}

} // namespace

ChildProcess ChildProcess::Start(const std::string& mode, const std::vector<std::string>& args)
{
    char exe[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, exe, MAX_PATH);
    if (length == 0 || length == MAX_PATH) throw std::runtime_error("GetModuleFileNameA failed");
    std::string commandLine = QuoteArgument(exe) + " " + kChildFlag + mode;
    for (const auto& arg : args) commandLine += " " + QuoteArgument(arg);
    const TLaunched launched = Launch(exe, commandLine, nullptr);
    return ChildProcess(launched.Info.hProcess, launched.Info.dwProcessId, launched.Output);
}

ChildProcess ChildProcess::StartProgram(const std::string& exe, const std::vector<std::string>& args)
{
    std::string commandLine = QuoteArgument(exe);
    for (const auto& arg : args) commandLine += " " + QuoteArgument(arg);
    const std::size_t slash = exe.find_last_of('\\');
    const std::string folder = slash == std::string::npos ? std::string() : exe.substr(0, slash);
    const TLaunched launched = Launch(exe, commandLine, folder.empty() ? nullptr : folder.c_str());
    return ChildProcess(launched.Info.hProcess, launched.Info.dwProcessId, launched.Output);
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : FProcess(other.FProcess), FProcessId(other.FProcessId), FOutputPipe(other.FOutputPipe),
      FOutput(std::move(other.FOutput))
{
    other.FProcess = nullptr;
    other.FOutputPipe = nullptr;
}

ChildProcess::~ChildProcess()
{
    if (FProcess) {
        Terminate();
        CloseHandle(FProcess);
    }
    if (FOutputPipe) CloseHandle(FOutputPipe);
}

void ChildProcess::CollectOutput()
{
    if (!FOutputPipe) return;
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(FOutputPipe, nullptr, 0, nullptr, &available, nullptr) || available == 0) return;
        char buffer[4096];
        DWORD read = 0;
        const DWORD wanted = available < sizeof buffer ? available : static_cast<DWORD>(sizeof buffer);
        if (!ReadFile(FOutputPipe, buffer, wanted, &read, nullptr) || read == 0) return;
        FOutput.append(buffer, read);
    }
}

std::string ChildProcess::Output()
{
    CollectOutput();
    std::string text;
    for (std::size_t i = 0; i < FOutput.size(); ++i)
        if (!(FOutput[i] == '\r' && i + 1 < FOutput.size() && FOutput[i + 1] == '\n')) text += FOutput[i];
    return text;
}

DWORD ChildProcess::WaitForExit(DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        CollectOutput();
        const DWORD elapsed = GetTickCount() - start;
        const DWORD slice = timeoutMs == INFINITE ? 20 : (timeoutMs - elapsed < 20 ? timeoutMs - elapsed : 20);
        if (WaitForSingleObject(FProcess, slice) == WAIT_OBJECT_0) break;
        if (timeoutMs != INFINITE && GetTickCount() - start >= timeoutMs) {
            CollectOutput();
            return STILL_ACTIVE;
        }
    }
    CollectOutput();
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
