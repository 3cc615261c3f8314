// The modules list: lookups, the refresh over the loaded modules and the stale rule.
#include <windows.h>

#include <tlhelp32.h>

#include <utility>
#include <vector>

#include "exceptions/ExceptionLogFileInfo.h"
#include "exceptions/ExceptionLogModules.h"
#include "framework/dllfunctions.h"
#include "framework/handles.h"

namespace {

// Both libraries are looked up at run time: PSAPI may be missing, and toolhelp is only
// the fallback.
using TEnumProcessModulesProc = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, LPDWORD);
#define ZV_PSAPI_MODULE_FUNCTIONS(X) X(EnumProcessModules, TEnumProcessModulesProc)
struct TPsapiModuleFunctions {
    ZV_PSAPI_MODULE_FUNCTIONS(ZV_DLL_FUNCTION_MEMBER)
};
const TDllFunctionSlot<TPsapiModuleFunctions> PsapiModuleSlots[] = {ZV_PSAPI_MODULE_FUNCTIONS(ZV_DLL_FUNCTION_SLOT)};

using TCreateSnapshotProc = HANDLE(WINAPI*)(DWORD, DWORD);
using TModuleWalkProc = BOOL(WINAPI*)(HANDLE, MODULEENTRY32*);
#define ZV_TOOLHELP_MODULE_FUNCTIONS(X)                                                                     \
    X(CreateToolhelp32Snapshot, TCreateSnapshotProc)                                                        \
    X(Module32First, TModuleWalkProc)                                                                       \
    X(Module32Next, TModuleWalkProc)
struct TToolhelpModuleFunctions {
    ZV_TOOLHELP_MODULE_FUNCTIONS(ZV_DLL_FUNCTION_MEMBER)
};
const TDllFunctionSlot<TToolhelpModuleFunctions> ToolhelpModuleSlots[] = {
    ZV_TOOLHELP_MODULE_FUNCTIONS(ZV_DLL_FUNCTION_SLOT)};

// Resolved once for the process: "PSAPI.DLL" stays loaded from then on, so no later
// refresh (one may run while a handling has paused other threads) enters the loader.
template <class Table, std::size_t N>
const Table& ResolvedOnce(HMODULE (*module)(), const TDllFunctionSlot<Table> (&slots)[N])
{
    static const Table functions = [&] {
        Table table;
        ResolveDllFunctions(module(), table, std::span<const TDllFunctionSlot<Table>>(slots));
        return table;
    }();
    return functions;
}

const TPsapiModuleFunctions& PsapiModuleFunctions()
{
    return ResolvedOnce(+[] { return LoadLibraryA("PSAPI.DLL"); }, PsapiModuleSlots);
}

const TToolhelpModuleFunctions& ToolhelpModuleFunctions()
{
    return ResolvedOnce(+[] { return GetModuleHandleA("kernel32.dll"); }, ToolhelpModuleSlots);
}

constexpr DWORD QueryAndReadAccess = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ; // 1040

// The handles EnumProcessModules gives for process; false when the call fails.
bool EnumerateProcessModules(TEnumProcessModulesProc enumerate, HANDLE process, std::vector<void*>& handles)
{
    std::vector<HMODULE> modules(64);
    // A module loaded by another thread between the calls makes the second need more:
    // ask again until the answer fits, rather than lose the modules beyond it.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const DWORD given = static_cast<DWORD>(modules.size() * sizeof(HMODULE));
        DWORD needed = 0;
        if (!enumerate(process, modules.data(), given, &needed)) return false;
        if (needed <= given) {
            modules.resize(needed / sizeof(HMODULE));
            handles.assign(modules.begin(), modules.end());
            return true;
        }
        modules.resize(needed / sizeof(HMODULE) + 16);
    }
    return false;
}

// The handles EnumProcessModules gives for this process; false when PSAPI is missing or
// the call fails.
bool EnumerateWithPsapi(std::vector<void*>& handles)
{
    const TPsapiModuleFunctions& psapi = PsapiModuleFunctions();
    if (!psapi.EnumProcessModules) return false;
    const TKernelHandle process(OpenProcess(QueryAndReadAccess, FALSE, GetCurrentProcessId()));
    if (process && EnumerateProcessModules(psapi.EnumProcessModules, process.Get(), handles)) return true;
    // Through a real handle the system reads the process's loader data as it would
    // another process's, which can fail where reading its own does not (32-bit Wine under
    // CPU emulation answers ERROR_NOACCESS); the pseudo handle reads it directly.
    return EnumerateProcessModules(psapi.EnumProcessModules, GetCurrentProcess(), handles);
}

// The handles of the toolhelp module snapshot of this process; false when the functions
// are missing or the snapshot fails.
bool EnumerateWithToolhelp(std::vector<void*>& handles)
{
    const TToolhelpModuleFunctions& toolhelp = ToolhelpModuleFunctions();
    if (!toolhelp.CreateToolhelp32Snapshot || !toolhelp.Module32First || !toolhelp.Module32Next) return false;
    const HANDLE snapshot = toolhelp.CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, GetCurrentProcessId());
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    const TFileHandle owner(snapshot);
    MODULEENTRY32 entry{};
    entry.dwSize = sizeof entry;
    handles.clear();
    for (BOOL more = toolhelp.Module32First(snapshot, &entry); more; more = toolhelp.Module32Next(snapshot, &entry))
        handles.push_back(entry.hModule);
    return true;
}

int CompareHandles(void* item1, void* item2)
{
    const auto handle1 = reinterpret_cast<std::uintptr_t>(static_cast<TVantrelModuleInfo*>(item1)->HModule);
    const auto handle2 = reinterpret_cast<std::uintptr_t>(static_cast<TVantrelModuleInfo*>(item2)->HModule);
    return handle1 < handle2 ? -1 : handle1 > handle2 ? 1 : 0;
}

} // namespace

TVantrelModulesList::TVantrelModulesList(TModuleOptionsFactory optionsFactory, TModulePasswordRequest passwordRequest)
    : FOptionsFactory(std::move(optionsFactory)), FPasswordRequest(std::move(passwordRequest))
{
}

TVantrelModulesList::~TVantrelModulesList()
{
    // The base class's destructor no longer reaches Notify.
    TList::Clear();
}

void TVantrelModulesList::Notify(void* item, TListNotification action)
{
    if (action == lnDeleted) delete static_cast<TVantrelModuleInfo*>(item);
}

void TVantrelModulesList::Clear()
{
    TList::Clear();
}

void TVantrelModulesList::Delete(int index)
{
    TList::Delete(index);
}

TVantrelModuleInfo* TVantrelModulesList::GetItem(int index) const
{
    return static_cast<TVantrelModuleInfo*>(TList::Items(index));
}

int TVantrelModulesList::IndexOfHandle(void* handle) const noexcept
{
    for (int index = 0; index < Count(); ++index) {
        if (static_cast<TVantrelModuleInfo*>(TList::Items(index))->HModule == handle) return index;
    }
    return -1;
}

TVantrelModuleInfo* TVantrelModulesList::ModuleInfoFor(void* handle)
{
    const int index = IndexOfHandle(handle);
    if (index >= 0) {
        TVantrelModuleInfo* record = GetItem(index);
        // A record made while enumerating lacks its exports and kind: it is made again
        // in full now that it is asked for.
        if (record->Kind != mtUnknown) return record;
        Delete(index);
    }
    const std::string fileName = LoadedModuleFileName(handle);
    if (fileName.empty()) return nullptr;
    return AddRecord(handle, fileName, false);
}

TVantrelModuleInfo* TVantrelModulesList::ModuleInfoForAddress(const void* address)
{
    // A null name would ask for the process's exe, not for a module containing address 0.
    if (!address) return nullptr;
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCSTR>(address), &module))
        return nullptr;
    return ModuleInfoFor(module);
}

bool TVantrelModulesList::Refresh(TModulesEnumeration enumeration)
{
    for (int index = Count() - 1; index >= 0; --index) {
        if (LoadedModuleFileName(GetItem(index)->HModule).empty()) Delete(index);
    }
    std::vector<void*> handles;
    bool enumerated = false;
    if (enumeration != meToolhelp) enumerated = EnumerateWithPsapi(handles);
    if (!enumerated && enumeration != mePsapi) enumerated = EnumerateWithToolhelp(handles);
    if (enumerated) {
        for (void* handle : handles) {
            if (IndexOfHandle(handle) >= 0) continue;
            // A module unloaded since the enumeration has no name and gets no record.
            const std::string fileName = LoadedModuleFileName(handle);
            if (!fileName.empty()) AddRecord(handle, fileName, true);
        }
    }
    TList::Sort(CompareHandles);
    return enumerated;
}

void TVantrelModulesList::DeleteStaleRecords()
{
    for (int index = Count() - 1; index >= 0; --index) {
        const TVantrelModuleInfo* record = GetItem(index);
        if (ReadFileFacts(record->FileName).Date != record->FileDate ||
            LoadedModuleFileName(record->HModule) != record->FileName)
            Delete(index);
    }
}
