// Windows. The system functions the processes list reads through, resolved at run time
// ("PSAPI.dll" may be missing, Windows NT 4 has no toolhelp, and only Vista and later
// know QueryFullProcessImageNameA), and the version check that picks the list's path.
//
// Tests hand RefreshProcessesList a table of their own to run a path with a function
// that fails.
#pragma once

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include "exceptions/ExceptionLogProcesses.h"
#include "framework/dllfunctions.h"

using TProcess32Function = BOOL(WINAPI*)(HANDLE snapshot, PROCESSENTRY32* entry);
using TThread32Function = BOOL(WINAPI*)(HANDLE snapshot, THREADENTRY32* entry);
using TModule32Function = BOOL(WINAPI*)(HANDLE snapshot, MODULEENTRY32* entry);
using TEnumProcessesFunction = BOOL(WINAPI*)(DWORD* processIds, DWORD size, DWORD* needed);
using TGetModuleFileNameExFunction = DWORD(WINAPI*)(HANDLE process, HMODULE module, char* name, DWORD size);
using TGetProcessMemoryInfoFunction = BOOL(WINAPI*)(HANDLE process, PROCESS_MEMORY_COUNTERS* counters,
                                                    DWORD size);
using TCreateToolhelp32SnapshotFunction = HANDLE(WINAPI*)(DWORD flags, DWORD processId);
using TQueryFullProcessImageNameFunction = BOOL(WINAPI*)(HANDLE process, DWORD flags, char* name, DWORD* size);
using TOpenProcessFunction = HANDLE(WINAPI*)(DWORD access, BOOL inherit, DWORD processId);

// From "PSAPI.dll".
#define ZV_PROCESSES_PSAPI_FUNCTIONS(X)                                                      \
    X(EnumProcesses, TEnumProcessesFunction)                                                 \
    X(GetModuleFileNameExA, TGetModuleFileNameExFunction)                                    \
    X(GetProcessMemoryInfo, TGetProcessMemoryInfoFunction)

// From "Kernel32.dll". The ANSI toolhelp functions carry the plain names.
#define ZV_PROCESSES_KERNEL_FUNCTIONS(X)                                                     \
    X(CreateToolhelp32Snapshot, TCreateToolhelp32SnapshotFunction)                           \
    X(Process32First, TProcess32Function)                                                    \
    X(Process32Next, TProcess32Function)                                                     \
    X(Thread32First, TThread32Function)                                                      \
    X(Thread32Next, TThread32Function)                                                       \
    X(Module32First, TModule32Function)                                                      \
    X(Module32Next, TModule32Function)                                                       \
    X(QueryFullProcessImageNameA, TQueryFullProcessImageNameFunction)                        \
    X(OpenProcess, TOpenProcessFunction)

// Every member may be null (the system lacks it); each use checks first.
struct TProcessListFunctions {
    ZV_PROCESSES_PSAPI_FUNCTIONS(ZV_DLL_FUNCTION_MEMBER)
    ZV_PROCESSES_KERNEL_FUNCTIONS(ZV_DLL_FUNCTION_MEMBER)
};

// The system's functions, resolved on the first call ("PSAPI.dll" is loaded then and
// stays loaded). The activation calls it at start-up, so that no library is loaded
// while a handling has the other threads paused (one of them may hold the loader's
// lock). Any thread; the first call must not race another first call.
const TProcessListFunctions& SystemProcessListFunctions();

// The path for this system (GetVersionExA): NT 4 and earlier NT -> plpNT4; the NT family
// before 6.0 and the 9x family -> plpBeforeVista; 6.0 and later -> plpVistaAndLater.
// Wine reports Windows 7 and so takes the last.
TProcessesListPath ProcessesListPathForThisSystem() noexcept;

// Clears list and fills it by path with functions; returns the path that filled it (see
// TVantrelProcessesList::Refresh). Throws nothing but std::bad_alloc.
TProcessesListPath RefreshProcessesList(TVantrelProcessesList& list, TProcessesListPath path,
                                        const TProcessListFunctions& functions);
