// Making a module record: the file's data, the kind of module, the export list and the
// library data the module carries (options, debug password, own debug data).
#include <windows.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <type_traits>

#include "exceptions/EcoreHelpers.h"
#include "exceptions/EcoreModuleData.h"
#include "exceptions/EdebugSource.h"
#include "exceptions/ExceptionLogFileInfo.h"
#include "exceptions/ExceptionLogModules.h"
#include "framework/dllfunctions.h"
#include "framework/sysutils.h"

TVantrelModuleInfo::~TVantrelModuleInfo()
{
    delete ExternalDebugData;
}

namespace {

struct TLibraryFree {
    void operator()(HMODULE module) const noexcept { FreeLibrary(module); }
};
using TLoadedLibrary = std::unique_ptr<std::remove_pointer_t<HMODULE>, TLibraryFree>;

// The long form of a file name; the name itself when the system cannot give one (a file
// that is gone, a name the system does not know).
std::string LongFileName(const std::string& fileName)
{
    const DWORD needed = GetLongPathNameA(fileName.c_str(), nullptr, 0);
    if (needed == 0) return fileName;
    std::string buffer(needed, '\0');
    const DWORD length = GetLongPathNameA(fileName.c_str(), buffer.data(), needed);
    if (length == 0 || length >= needed) return fileName;
    buffer.resize(length);
    return buffer;
}

// True when the file has both resources a runtime package carries. The file is mapped as
// data only: none of its code runs and nothing of it is initialised.
bool IsRuntimePackage(const std::string& fileName)
{
    const TLoadedLibrary file(LoadLibraryExA(fileName.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!file) return false;
    return FindResourceA(file.get(), "PACKAGEINFO", MAKEINTRESOURCEA(10) /* RT_RCDATA */) &&
           FindResourceA(file.get(), "PACKAGEOPTIONS", MAKEINTRESOURCEA(10));
}

TVantrelModuleType ModuleKind(void* handle, const std::string& fileName)
{
    // The loader maps a module's headers into its first page.
    constexpr std::size_t HeaderBytes = 0x1000;
    if (!IsValidBlockAddr(handle, HeaderBytes)) return mtUnknown;
    const TImageHeaderFacts facts = ReadImageHeaderFacts(handle, HeaderBytes);
    if (!facts.ValidImage) return mtUnknown;
    if (!facts.IsDll) return mtMainModule;
    return IsRuntimePackage(fileName) ? mtTarvikPackage : mtOSLibrary;
}

constexpr int OldestCompatibleDataVersion = 6000;
constexpr int NewestCompatibleDataVersion = 6100;
constexpr int ShortStringMaxLength = 255;

// The password another module's copy of the library gives through its export; empty when
// it exports neither form.
std::string ExportedDebugPassword(void* handle)
{
    const auto module = static_cast<HMODULE>(handle);
    unsigned char buffer[ShortStringMaxLength + 1] = {};
    if (const FARPROC eventEx = GetProcAddress(module, PasswordRequestEventExName)) {
        DllFunctionCast<TPasswordRequestEventExProc>(eventEx)(nullptr, buffer, ShortStringMaxLength);
    } else if (const FARPROC event = GetProcAddress(module, PasswordRequestEventName)) {
        DllFunctionCast<TPasswordRequestEventProc>(event)(buffer, ShortStringMaxLength);
    } else {
        return {};
    }
    // The length byte cannot reach past the buffer: it holds at most 255.
    return std::string(reinterpret_cast<const char*>(buffer + 1), buffer[0]);
}

} // namespace

std::string LoadedModuleFileName(void* handle)
{
    if (!handle) return {};
    const std::string reported = GetModuleName(static_cast<HMODULE>(handle));
    if (reported.empty()) return {};
    return LongFileName(StripNtPathPrefix(reported));
}

std::unique_ptr<TVantrelModuleOptions> TVantrelModulesList::MakeOptions(const std::string& moduleName) const
{
    std::unique_ptr<TVantrelModuleOptions> options =
        FOptionsFactory ? FOptionsFactory(moduleName) : std::make_unique<TVantrelModuleOptions>(moduleName);
    if (!options) throw std::logic_error("the options factory of the modules list gave no options object");
    return options;
}

TVantrelModuleInfo* TVantrelModulesList::AddRecord(void* handle, const std::string& fileName, bool light)
{
    auto record = std::make_unique<TVantrelModuleInfo>();
    record->HModule = handle;
    record->FileName = fileName;
    const TFileFacts facts = ReadFileFacts(fileName);
    record->FileDate = facts.Date;
    record->FileSize = facts.Size;
    const TFileVersionFields version = ReadFileVersionFields(fileName);
    record->FileDescription = version.Description;
    record->FileVersion = version.Version;
    if (!light) {
        if (handle != GetModuleHandleA(nullptr)) ReadModuleExports(handle, record->Exports);
        record->Kind = ModuleKind(handle, fileName);
    }
    record->Options = MakeOptions(fileName);
    LoadLibraryData(*record);
    TList::Add(record.get());
    return record.release();
}

void TVantrelModulesList::LoadLibraryData(TVantrelModuleInfo& record)
{
    const std::optional<TModuleDataBlock> block = ReadModuleDataBlock(record.HModule);
    if (!block) return;
    if (!LoadDataBlockOptions(*block, *record.Options)) {
        // A stream the reader refused may have left some options loaded: a module without
        // usable data has the defaults.
        record.Options = MakeOptions(record.FileName);
        return;
    }
    record.DataVersion = static_cast<std::uint16_t>(block->DataVersion);
    record.CompiledAt = block->CompiledAt;

    const bool thisModule = record.HModule == ThisModuleHandle();
    std::string password;
    if (!thisModule && block->DataVersion >= OldestCompatibleDataVersion &&
        block->DataVersion <= NewestCompatibleDataVersion)
        password = ExportedDebugPassword(record.HModule);
    bool valid = IsBlockPassword(*block, password);
    if (!valid && !thisModule && FPasswordRequest) {
        FPasswordRequest(record, password);
        valid = IsBlockPassword(*block, password);
    }
    record.DebugPassword = password;
    record.PasswordValid = valid;

    if (!block->DebugData.empty()) {
        auto stream = std::make_unique<TMemoryStream>();
        stream->WriteBuffer(block->DebugData.data(), static_cast<int>(block->DebugData.size()));
        stream->SetPosition(0);
        record.OwnDebugData = std::move(stream);
    }
    if (!thisModule) record.Options->LoadSharedData();
}
