// The modules list: one record per module loaded into the process, with its file data,
// version, kind, export list, options, the library data it carries and its debug sources.
//
// The name and header rules at the top are portable (ExceptionLogModuleNames.cpp, built
// natively too); the list itself reads loaded modules and is defined in the Windows build
// only. A list is used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "exceptions/Ecore.h"
#include "exceptions/EdebugExports.h"
#include "framework/lists.h"
#include "framework/streams.h"

class TELDebugInfoSource;

// --- Portable rules ---

// A module file name as the loader may report it with an NT prefix ("\??\C:\x.dll", or
// "\\?\C:\x.dll"): a name containing "?" is cut to start one character before the first
// ":" behind that "?" (the drive letter). A name without such a ":" is returned unchanged.
std::string StripNtPathPrefix(const std::string& fileName);

struct TImageHeaderFacts {
    bool ValidImage = false; // DOS header, e_lfanew and "PE\0\0" within the bytes given
    bool IsDll = false;      // IMAGE_FILE_DLL in the file header's characteristics
};

// Reads the DOS and PE file headers at the start of headers (size bytes, as mapped by the
// loader). Never reads outside [headers, headers + size).
TImageHeaderFacts ReadImageHeaderFacts(const void* headers, std::size_t size) noexcept;

// --- The list (Windows) ---

// The file name of a loaded module as its record holds it: GetModuleFileNameA, the NT
// prefix rule above, the long form. Empty for a handle that is no loaded module (null
// included). Any thread.
std::string LoadedModuleFileName(void* handle);

enum TVantrelModuleType : std::uint8_t { mtUnknown, mtMainModule, mtTarvikPackage, mtOSLibrary };

// One module. Owned by the list, which frees it with everything it holds.
class TVantrelModuleInfo {
public:
    TVantrelModuleInfo() = default;
    ~TVantrelModuleInfo();
    TVantrelModuleInfo(const TVantrelModuleInfo&) = delete;
    TVantrelModuleInfo& operator=(const TVantrelModuleInfo&) = delete;

    void* HModule = nullptr; // the module handle (its base address)
    std::string FileName;    // full, long form
    std::string FileDescription;
    std::string FileVersion; // "a.b.c.d", empty for none or "0.0.0.0"
    std::uint32_t FileSize = 0; // the low 32 bits
    // Sorted by address; empty for the process's main module, and for a record made
    // while the modules were enumerated.
    TVantrelFunctionsList Exports;
    TVantrelModuleType Kind = mtUnknown;
    // The data version of the module's library data; the library's own version when it
    // has none.
    std::uint16_t DataVersion = VantrelLogCurrentVersion;
    double CompiledAt = 0; // days since 30 December 1899; 0 without library data
    // The module's own options, made by the list's factory; never null in a record of the
    // list.
    std::unique_ptr<TVantrelModuleOptions> Options;
    // The library's own debug data of the module; null when it has none.
    std::unique_ptr<TMemoryStream> OwnDebugData;
    // The external debug source (EdebugSources.h): owned, freed with the record. Null
    // until the resolver first needs it and finds one.
    TELDebugInfoSource* ExternalDebugData = nullptr;
    // The resolver has looked for an external source once (found or not), so a module
    // without one is not searched again for every address.
    bool ExternalDebugDataSought = false;
    double FileDate = 0; // last write time, days since 30 December 1899
    // The password the module's debug data was checked with (empty to start with).
    std::string DebugPassword;
    bool PasswordValid = true; // the check succeeded; true for a module without data
};

// Makes the options object of a module, named after its file (moduleName). The activation
// gives its own subclass this way. Must not return null.
using TModuleOptionsFactory = std::function<std::unique_ptr<TVantrelModuleOptions>(const std::string& moduleName)>;

// Asked for the debug password of another module when its own answer did not pass the
// check: module is the record being made (file data, kind, version and options are
// filled), password holds the password that failed and receives the one to try.
using TModulePasswordRequest = std::function<void(const TVantrelModuleInfo& module, std::string& password)>;

// The exported password functions of a module carrying a compatible copy of the library
// (data version 6000 to 6100). The password travels as a short string: a length byte and
// at most maxLength (255) characters in a buffer of 256 bytes. The record of the Ex form
// is the exception record in progress; a module's data is loaded outside any handling,
// so it is null here. The exports use __stdcall on i686 (the only calling convention of
// x86_64 needs no mark).
#if defined(__i386__)
#define ZV_EXPORTED_EVENT_CALL __stdcall
#else
#define ZV_EXPORTED_EVENT_CALL
#endif
using TPasswordRequestEventProc = void(ZV_EXPORTED_EVENT_CALL*)(unsigned char* password, int maxLength);
using TPasswordRequestEventExProc = void(ZV_EXPORTED_EVENT_CALL*)(void* record, unsigned char* password,
                                                                   int maxLength);
constexpr const char* PasswordRequestEventName = "VantrelLog_PasswordRequestEvent";
constexpr const char* PasswordRequestEventExName = "VantrelLog_PasswordRequestEventEx";

// How Refresh finds the loaded modules.
enum TModulesEnumeration {
    meAutomatic, // PSAPI, else the toolhelp snapshot
    mePsapi,     // EnumProcessModules of "PSAPI.DLL" only
    meToolhelp,  // the toolhelp module snapshot of "kernel32.dll" only
};

class TVantrelModulesList : public TList {
    RUNTIME_CLASS(TVantrelModulesList, TList)
public:
    // optionsFactory: null makes plain TVantrelModuleOptions objects. passwordRequest:
    // null asks nobody.
    explicit TVantrelModulesList(TModuleOptionsFactory optionsFactory = {},
                                 TModulePasswordRequest passwordRequest = {});
    ~TVantrelModulesList() override;

    // Frees every record.
    void Clear();
    // Frees the record at index; raises EListError for a bad index.
    void Delete(int index);
    // The record at index (owned by the list); raises EListError for a bad index.
    TVantrelModuleInfo* GetItem(int index) const;

    // The record of the loaded module with that handle, made on first request; null for a
    // handle that is no loaded module (null included). A record made while enumerating
    // (kind mtUnknown) is made again in full.
    TVantrelModuleInfo* ModuleInfoFor(void* handle);
    // The record of the loaded module whose image contains address; null when none does.
    TVantrelModuleInfo* ModuleInfoForAddress(const void* address);
    // Frees the records of modules no longer loaded, makes a record (without exports or
    // kind) for each loaded module that has none, and sorts the list by handle. False when
    // no enumeration could be made (the records of unloaded modules are gone even then).
    bool Refresh(TModulesEnumeration enumeration = meAutomatic);
    // Frees every record whose file's last write time is no longer the recorded one, or
    // whose handle no longer gives the recorded file name (a module unloaded, or another
    // loaded at its address). Run before each handling.
    void DeleteStaleRecords();

protected:
    void Notify(void* item, TListNotification action) override;

private:
    // The TList operations that would put foreign or unsorted items in, or take records
    // out without freeing them, are not offered.
    using TList::Add;
    using TList::Extract;
    using TList::Insert;
    using TList::Items;
    using TList::Remove;
    using TList::SetItems;

    int IndexOfHandle(void* handle) const noexcept;
    // Makes and appends the record of the module (a non-empty fileName); light: while
    // enumerating (no exports, kind mtUnknown).
    TVantrelModuleInfo* AddRecord(void* handle, const std::string& fileName, bool light);
    void LoadLibraryData(TVantrelModuleInfo& record);
    std::unique_ptr<TVantrelModuleOptions> MakeOptions(const std::string& moduleName) const;

    TModuleOptionsFactory FOptionsFactory;
    TModulePasswordRequest FPasswordRequest;
};
