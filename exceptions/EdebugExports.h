// The export list of a module: its exported functions sorted by entry address, the last
// source of a location for an address that no debug data covers.
//
// The reader of the export directory is portable: it reads an image as the loader maps
// it (section data at their relative addresses) from memory, both PE32 and PE32+, checks
// every offset against the image's size and never throws or reads outside it; it is
// fuzzed on the host. ReadModuleExports applies it to a loaded module (Windows).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/lists.h"

// One export as the directory lists it, before forwarders are resolved.
struct TExportDirectoryEntry {
    std::string Name;       // up to 256 characters
    std::uint16_t Ordinal = 0; // the biased ordinal (Base + index)
    std::uint32_t Address = 0; // relative to the image base
    // The address lies inside the export directory: it is the text "Module.Name" of a
    // forwarder, not code.
    bool Forwarder = false;
};

struct TExportDirectory {
    std::vector<TExportDirectoryEntry> Entries; // in the order of the name table
    std::uint32_t BaseOfCode = 0;               // relative address of the first code byte
    bool Is64 = false;                          // a PE32+ image
};

// Reads the export directory of the image mapped at [image, image + size). An image that
// is not a valid PE image, or has no export directory, gives no entries; entries whose
// name lies outside the image are skipped. For each of the first min(number of names,
// number of functions) names: the name, its ordinal and its function's address.
TExportDirectory ReadExportDirectory(const void* image, std::size_t size);

// One exported function of a module.
struct TVantrelFunctionInfo {
    std::string Name;
    std::uintptr_t Address = 0; // absolute entry address
    // Bytes of code from Address; 0 while not computed (the resolver computes it on first
    // use). An entry below the module's code gets 1.
    std::uintptr_t CodeSize = 0;
};

// The export list; owns its records. Sorted by Address once built.
class TVantrelFunctionsList : public TList {
    RUNTIME_CLASS(TVantrelFunctionsList, TList)
public:
    TVantrelFunctionsList() = default;
    ~TVantrelFunctionsList() override;

    TVantrelFunctionInfo* GetItem(int index) const;
    // Takes ownership of info.
    int AddItem(TVantrelFunctionInfo* info);
    void SortByAddress();

protected:
    void Notify(void* item, TListNotification action) override;
};

// Turns a directory into the list for the module at base: forwarders get resolve(name)
// (the module's GetProcAddress; an entry that resolves to nothing is left out); in a
// 32-bit image an entry that is a Windows 9x debug thunk (push imm32; jmp) gets the pushed
// address; entries below BaseOfCode get code size 1. Sorted by address. readCode(address,
// buffer, length) copies code bytes and returns false when they cannot be read.
void BuildExportList(const TExportDirectory& directory, std::uintptr_t base,
                     const std::function<std::uintptr_t(const std::string& name)>& resolve,
                     const std::function<bool(std::uintptr_t address, void* buffer, std::size_t length)>& readCode,
                     TVantrelFunctionsList& list);

// Windows. The export list of a loaded module (null: none), appended to list.
void ReadModuleExports(void* module, TVantrelFunctionsList& list);
