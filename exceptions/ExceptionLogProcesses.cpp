// Reading the processes list from the system (Windows).
#include "exceptions/ExceptionLogProcesses.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "exceptions/ExceptionLogFileInfo.h"
#include "exceptions/ExceptionLogProcessesWin.h"
#include "framework/handles.h"
#include "framework/strutils.h"

namespace {

// PROCESS_QUERY_INFORMATION | PROCESS_VM_READ: what GetModuleFileNameExA and
// GetProcessMemoryInfo need.
constexpr DWORD kQueryAndRead = 1040;
// The first EnumProcesses buffer: 1025 identifiers.
constexpr DWORD kEnumProcessesBytes = 4100;
// A bound on the doubling of that buffer when it comes back full, far above any
// machine's process count, so that a function that always fills it cannot exhaust memory.
constexpr std::size_t kMostProcessIds = 1u << 20;

const TDllFunctionSlot<TProcessListFunctions> kPsapiSlots[] = {ZV_PROCESSES_PSAPI_FUNCTIONS(ZV_DLL_FUNCTION_SLOT)};
const TDllFunctionSlot<TProcessListFunctions> kKernelSlots[] = {ZV_PROCESSES_KERNEL_FUNCTIONS(ZV_DLL_FUNCTION_SLOT)};

// A fixed character array of a toolhelp entry as text, up to its first zero.
template <std::size_t N>
std::string EntryText(const char (&text)[N])
{
    return std::string(text, strnlen(text, N));
}

// A toolhelp snapshot, invalid when it cannot be taken.
TFileHandle TakeSnapshot(const TProcessListFunctions& functions, DWORD flags, DWORD processId)
{
    if (!functions.CreateToolhelp32Snapshot) return {};
    // A module snapshot of a process that is loading or unloading a module at that moment
    // fails with ERROR_BAD_LENGTH; the system's documentation says to ask again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const HANDLE snapshot = functions.CreateToolhelp32Snapshot(flags, processId);
        if (snapshot != INVALID_HANDLE_VALUE) return TFileHandle(snapshot);
        if (GetLastError() != ERROR_BAD_LENGTH) break;
    }
    return {};
}

TKernelHandle OpenForQuery(const TProcessListFunctions& functions, DWORD access, DWORD processId)
{
    if (!functions.OpenProcess) return {};
    return TKernelHandle(functions.OpenProcess(access, FALSE, processId));
}

std::string ModuleFileNameOf(const TProcessListFunctions& functions, HANDLE process)
{
    if (!functions.GetModuleFileNameExA) return {};
    char name[MAX_PATH];
    const DWORD length = functions.GetModuleFileNameExA(process, nullptr, name, MAX_PATH);
    return std::string(name, std::min<DWORD>(length, MAX_PATH));
}

// Vista and later answer this for processes whose memory cannot be read: one of the
// other word size, a protected one, or any under the CPU emulation that runs 32-bit Wine.
std::string FullImageNameOf(const TProcessListFunctions& functions, HANDLE process)
{
    if (!functions.QueryFullProcessImageNameA) return {};
    char name[MAX_PATH];
    DWORD size = MAX_PATH;
    if (!functions.QueryFullProcessImageNameA(process, 0, name, &size)) return {};
    return std::string(name, std::min<DWORD>(size, MAX_PATH));
}

// The description and version of the program's file, read only from a full path: a bare
// name would be looked up in the current folder and along the search path, and could
// give another file's version.
void ReadVersionOfPath(TVantrelProcessInfo& info)
{
    if (ExtractFilePath(info.ExeName).empty()) return;
    const TFileVersionFields fields = ReadFileVersionFields(info.ExeName);
    info.ExeDescription = fields.Description;
    info.ExeVersion = fields.Version;
}

// The process opened and asked: its full name (else snapshotName), version, priority
// class and working set. Processes that cannot be opened or have no name are left out.
void AddOpenedProcess(TVantrelProcessesList& list, const TProcessListFunctions& functions, DWORD processId,
                      const std::string& snapshotName)
{
    const TKernelHandle process = OpenForQuery(functions, kQueryAndRead, processId);
    if (!process) return;
    std::string name = ModuleFileNameOf(functions, process.Get());
    if (name.empty()) name = FullImageNameOf(functions, process.Get());
    if (name.empty()) name = snapshotName;
    name = Trim(name);
    if (name.empty()) return;

    TVantrelProcessInfo info;
    info.PID = processId;
    info.ExeName = std::move(name);
    ReadVersionOfPath(info);
    info.PriorityClass = GetPriorityClass(process.Get());
    if (functions.GetProcessMemoryInfo) {
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof counters;
        if (functions.GetProcessMemoryInfo(process.Get(), &counters, sizeof counters))
            info.MemoryUsage = counters.WorkingSetSize;
    }
    list.AddProcess(info);
}

// Windows NT 4. False when EnumProcesses is missing or fails.
bool FillFromEnumProcesses(TVantrelProcessesList& list, const TProcessListFunctions& functions)
{
    if (!functions.EnumProcesses) return false;
    std::vector<DWORD> ids(kEnumProcessesBytes / sizeof(DWORD));
    for (;;) {
        const DWORD bytes = static_cast<DWORD>(ids.size() * sizeof(DWORD));
        DWORD needed = 0;
        if (!functions.EnumProcesses(ids.data(), bytes, &needed)) return false;
        // A full buffer may have cut the list short: EnumProcesses says nothing more.
        if (needed < bytes || ids.size() * 2 > kMostProcessIds) {
            ids.resize(std::min<std::size_t>(needed / sizeof(DWORD), ids.size()));
            break;
        }
        ids.resize(ids.size() * 2);
    }
    for (const DWORD id : ids) AddOpenedProcess(list, functions, id, {});
    return true;
}

// The program's path of a process in the snapshot of its modules: the module named as
// the process. Empty when that snapshot cannot be taken or lacks the module.
std::string ModulePathOf(const TProcessListFunctions& functions, DWORD processId, const std::string& processName)
{
    // Process 0 is the idle process, and a module snapshot of "process 0" would be one of
    // this process.
    if (processId == 0 || !functions.Module32First || !functions.Module32Next) return {};
    const TFileHandle snapshot = TakeSnapshot(functions, TH32CS_SNAPMODULE, processId);
    if (!snapshot) return {};
    MODULEENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = functions.Module32First(snapshot.Get(), &entry); more;
         more = functions.Module32Next(snapshot.Get(), &entry)) {
        if (SameText(EntryText(entry.szModule), processName)) return EntryText(entry.szExePath);
    }
    return {};
}

// Vista and later: the snapshot entry as it stands, with the program's path.
void AddSnapshotEntry(TVantrelProcessesList& list, const TProcessListFunctions& functions,
                      const PROCESSENTRY32& entry)
{
    TVantrelProcessInfo info;
    info.PID = entry.th32ProcessID;
    info.ExeName = EntryText(entry.szExeFile);
    if (!ExtractFileExt(info.ExeName).empty()) {
        std::string path = ModulePathOf(functions, info.PID, info.ExeName);
        if (path.empty() && info.PID != 0) {
            const TKernelHandle process = OpenForQuery(functions, PROCESS_QUERY_LIMITED_INFORMATION, info.PID);
            if (process) path = FullImageNameOf(functions, process.Get());
        }
        if (!path.empty()) {
            info.ExeName = std::move(path);
            ReadVersionOfPath(info);
        }
    }
    info.PriorityClass = PriorityClassFromBasePriority(entry.pcPriClassBase);
    info.ThreadCount = entry.cntThreads;
    list.AddProcess(info);
}

// Walks a process snapshot by path. False when no snapshot could be taken or it listed
// nothing (this process at least must be in it).
bool FillFromProcessSnapshot(TVantrelProcessesList& list, const TProcessListFunctions& functions,
                             TProcessesListPath path)
{
    if (!functions.Process32First || !functions.Process32Next) return false;
    const TFileHandle snapshot = TakeSnapshot(functions, TH32CS_SNAPPROCESS, 0);
    if (!snapshot) return false;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    bool listed = false;
    for (BOOL more = functions.Process32First(snapshot.Get(), &entry); more;
         more = functions.Process32Next(snapshot.Get(), &entry)) {
        listed = true;
        if (path == plpVistaAndLater)
            AddSnapshotEntry(list, functions, entry);
        else
            AddOpenedProcess(list, functions, entry.th32ProcessID, EntryText(entry.szExeFile));
    }
    return listed;
}

// Each thread of a thread snapshot counts for its process. Without a snapshot the counts
// stay 0 (unknown).
void CountThreads(TVantrelProcessesList& list, const TProcessListFunctions& functions)
{
    if (!functions.Thread32First || !functions.Thread32Next) return;
    const TFileHandle snapshot = TakeSnapshot(functions, TH32CS_SNAPTHREAD, 0);
    if (!snapshot) return;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int lastFound = -1;
    for (BOOL more = functions.Thread32First(snapshot.Get(), &entry); more;
         more = functions.Thread32Next(snapshot.Get(), &entry))
        list.CountThreadOf(entry.th32OwnerProcessID, lastFound);
}

} // namespace

const TProcessListFunctions& SystemProcessListFunctions()
{
    static const TProcessListFunctions functions = [] {
        TProcessListFunctions table;
        // Stays loaded: the table's pointers lead into it for the rest of the process.
        ResolveDllFunctions(LoadLibraryA("PSAPI.dll"), table, kPsapiSlots);
        ResolveDllFunctions(GetModuleHandleA("Kernel32.dll"), table, kKernelSlots);
        return table;
    }();
    return functions;
}

TProcessesListPath ProcessesListPathForThisSystem() noexcept
{
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) return plpVistaAndLater;
    if (version.dwPlatformId != VER_PLATFORM_WIN32_NT) return plpBeforeVista;
    if (version.dwMajorVersion <= 4) return plpNT4;
    if (version.dwMajorVersion < 6) return plpBeforeVista;
    return plpVistaAndLater;
}

TProcessesListPath RefreshProcessesList(TVantrelProcessesList& list, TProcessesListPath path,
                                        const TProcessListFunctions& functions)
{
    list.Clear();
    if (path != plpNT4 && !FillFromProcessSnapshot(list, functions, path)) {
        // A snapshot that cannot be taken must not leave the report without processes.
        list.Clear();
        path = plpNT4;
    }
    if (path == plpNT4) FillFromEnumProcesses(list, functions);
    list.SortByPID();
    // Only the Vista snapshot's entries carry thread counts.
    if (path != plpVistaAndLater) CountThreads(list, functions);
    return path;
}

TProcessesListPath TVantrelProcessesList::Refresh()
{
    return Refresh(ProcessesListPathForThisSystem());
}

TProcessesListPath TVantrelProcessesList::Refresh(TProcessesListPath path)
{
    return RefreshProcessesList(*this, path, SystemProcessListFunctions());
}
