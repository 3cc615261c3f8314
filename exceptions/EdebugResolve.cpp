// The resolver over the loaded modules (Windows). See EdebugResolve.h.
#include <windows.h>

#include <cstring>
#include <exception>

#include "exceptions/EdebugResolve.h"
#include "exceptions/EcoreHelpers.h"
#include "exceptions/EdebugSources.h"
#include "exceptions/Ehook.h"
#include "exceptions/ExceptionLogModules.h"

namespace {

// Code bytes of the module at base, read only where IsValidBlockAddr finds readable
// committed pages (as the export list reads code). ReadProcessMemory on the own process
// would do as well on Windows, but fails under the 32-bit emulation the tests run in.
bool ReadModuleCode(std::uintptr_t base, std::uint32_t address, void* buffer, std::size_t length) noexcept
{
    const void* const code = reinterpret_cast<const void*>(base + address);
    if (!IsValidBlockAddr(code, length)) return false;
    std::memcpy(buffer, code, length);
    return true;
}

bool FromOwnData(const TVantrelModuleInfo& module, std::uintptr_t address, TVantrelDebugInfo& entry)
{
    TMemoryStream* const data = module.OwnDebugData.get();
    if (!data || data->Size() <= 0 || !data->Memory()) return false;
    TOwnDebugDataKey key;
    key.DataVersion = module.DataVersion;
    key.Password = module.DebugPassword;
    key.PasswordValid = module.PasswordValid;
    const auto base = reinterpret_cast<std::uintptr_t>(module.HModule);
    const TOwnDebugLocation location = FindOwnDebugLocation(
        data->Memory(), static_cast<std::size_t>(data->Size()), key, static_cast<std::uint32_t>(address - base),
        [base](std::uint32_t at, void* buffer, std::size_t length) { return ReadModuleCode(base, at, buffer, length); });
    if (!location.Found) return false;
    EntryFromOwnLocation(location, address, entry);
    return true;
}

bool FromExternalSource(TVantrelModuleInfo& module, std::uintptr_t address, TVantrelDebugInfo& entry)
{
    if (!module.ExternalDebugData) {
        // Looked for once: a module without any source is not searched again at every entry.
        if (module.ExternalDebugDataSought) return false;
        module.ExternalDebugDataSought = true;
        if (!AssignValidDebugInfo(module.HModule, module.ExternalDebugData)) return false;
    }
    TELLocationInfo location;
    if (!module.ExternalDebugData->GetLocationInfo(reinterpret_cast<const void*>(address), location)) return false;
    EntryFromLocation(location, true, entry);
    return true;
}

void FromExports(TVantrelModuleInfo& module, std::uintptr_t address, TVantrelDebugInfo& entry)
{
    const TVantrelFunctionInfo* function = FindExportFor(module.Exports, address, [](std::uintptr_t code) {
        return static_cast<std::uintptr_t>(GetFunctionSize(reinterpret_cast<const void*>(code), ExportCodeSizeLimit));
    });
    if (function) EntryFromExportName(function->Name, entry);
}

} // namespace

TELDebugResolver::TELDebugResolver(TVantrelModulesList& modules, std::vector<std::string> ownSourceFiles)
    : FModules(modules), FOwnSourceFiles(std::move(ownSourceFiles))
{
}

void TELDebugResolver::Resolve(const void* address, TVantrelDebugInfo& entry, bool ownStack, bool first,
                               std::uint32_t thread) noexcept
{
    entry = TVantrelDebugInfo();
    entry.ThreadID = thread;
    entry.OwnStack = ownStack ? 1 : 0;
    entry.First = first ? 1 : 0;
    entry.Address = reinterpret_cast<std::uintptr_t>(address);
    try {
        TVantrelModuleInfo* const module = FModules.ModuleInfoForAddress(address);
        entry.ModuleInfo = module;
        entry.DebugDetail = module ? ddModule : ddNone;
        if (!module) return;
        if (FromOwnData(*module, entry.Address, entry)) {
            if (!FReportingInternalError && IsOwnSourceFile(FOwnSourceFiles, entry.UnitName.Str()))
                ReduceToModule(entry);
            return;
        }
        if (FromExternalSource(*module, entry.Address, entry)) return;
        FromExports(*module, entry.Address, entry);
    } catch (const std::exception&) {
        // Out of memory, or a module record that could not be made: the entry keeps what it
        // has, the module at most.
    }
}
