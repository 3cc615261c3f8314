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

// Reads the export directory of the image mapped at [image, image + size) (null: none).
// An image that is not a valid PE image, or has no export directory inside it, gives no
// entries. For each of the first min(number of names, number of functions) names: the
// name, its ordinal and its function's address. Left out: names whose text does not lie
// inside the image, ordinals past the address table, addresses of 0 or past the image.
// The walk ends where the name or ordinal table leaves the image. Never reads outside
// [image, image + size).
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

// What the module's GetProcAddress gives for a name (0: nothing).
using TExportResolver = std::function<std::uintptr_t(const std::string& name)>;
// Copies length code bytes at address into buffer; false when they cannot all be read.
using TExportCodeReader = std::function<bool(std::uintptr_t address, void* buffer, std::size_t length)>;

// Turns a directory into the list for the module at base (appended, then the whole list
// sorted by address, equal addresses in name-table order): forwarders get resolve(name)
// (an entry that resolves to nothing, or with resolve empty, is left out); in a 32-bit
// image an entry that is a Windows 9x debug thunk (push imm32; jmp rel32) whose pushed
// address readCode can read gets the pushed address; entries in the image below its code
// (base to base + BaseOfCode) get code size 1, the others 0 (computed on first use).
void BuildExportList(const TExportDirectory& directory, std::uintptr_t base, const TExportResolver& resolve,
                     const TExportCodeReader& readCode, TVantrelFunctionsList& list);

// Windows. The export list of a loaded module (null, or not a PE image: none), appended
// to list and the list sorted. The image's extent comes from its headers; only what is
// readable of it is read, forwarders go through the module's GetProcAddress, and code is
// read only where IsValidBlockAddr allows. Takes the loader's lock (GetProcAddress): not
// for the failing thread.
void ReadModuleExports(void* module, TVantrelFunctionsList& list);
