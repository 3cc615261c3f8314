// A source of debug information for one module (a map file, TD32 data, a JEDI binary
// file): the base the readers derive from. A module record owns its source and frees it
// with itself.
//
// The base does the work every source shares: it turns an address into a code offset
// (VAFromAddr), asks the reader's five lookups and derives the line within the procedure.
// The subclasses (EdebugSources.h) find their data and own their reader. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "framework/object.h"

class TELDebugInfoSource;

// What an external source tells of an address.
struct TELLocationInfo {
    std::uintptr_t Address = 0;
    std::string UnitName;
    // As the reader gives it: "Unit.Class.Procedure", "Class.Procedure" or "Procedure".
    std::string ProcedureName;
    int ProcedureLine = 0; // the line less the line of the procedure's start, never negative
    int LineNumber = 0;    // 0 when unknown
    std::string SourceName;
    TELDebugInfoSource* DebugInfo = nullptr; // the source that answered (not owned)
};

class TELDebugInfoSource : public TObject {
    RUNTIME_CLASS(TELDebugInfoSource, TObject)
public:
    // module: the handle (base address) of the module whose addresses the source resolves.
    // Its file name is asked of the loader when first needed.
    explicit TELDebugInfoSource(void* module) noexcept : FModule(module) {}
    // fileName: the module's file, given instead of asking the loader (for a module that
    // is not loaded, or a host build without a loader).
    TELDebugInfoSource(void* module, std::string fileName) : FModule(module), FFileName(std::move(fileName)) {}
    ~TELDebugInfoSource() override = default;
    TELDebugInfoSource(const TELDebugInfoSource&) = delete;
    TELDebugInfoSource& operator=(const TELDebugInfoSource&) = delete;

    void* Module() const noexcept { return FModule; }

    // Finds and reads the source's data; true when the source exists. The base has none.
    virtual bool InitializeSource() { return false; }
    // True when the data read passed the format's check. The base has none.
    virtual bool ValidData() const { return false; }

    // The location of address (inside the module). False when no unit holds it; then info
    // is left as it was. Reads only what the source holds; never throws.
    bool GetLocationInfo(const void* address, TELLocationInfo& info) const noexcept;

    // The module's file name (full path); empty when it cannot be known. Asked of the
    // loader once and kept: one thread at a time.
    std::string GetFileName() const;

    // The offset of address from the start of the module's first section (the module
    // base plus 0x1000), as the readers count; a 32-bit offset on both builds.
    std::uint32_t VAFromAddr(const void* address) const noexcept
    {
        return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(address) -
                                          reinterpret_cast<std::uintptr_t>(FModule) - 0x1000);
    }

protected:
    // The reader's lookups, by code offset; the base answers nothing. See EdebugMap.h for
    // what each gives (the other readers answer alike).
    virtual std::string ModuleNameFromAddr(std::uint32_t) const { return {}; }
    virtual std::string ProcNameFromAddr(std::uint32_t, std::uint32_t& offset) const
    {
        offset = 0;
        return {};
    }
    virtual int LineNumberFromAddr(std::uint32_t, std::uint32_t& offset) const
    {
        offset = 0;
        return 0;
    }
    virtual std::string SourceNameFromAddr(std::uint32_t) const { return {}; }

private:
    void* FModule;
    mutable std::string FFileName;
};

// The file name of the loaded module (Windows: the modules list's rule; the host build
// has no loader and gives ""). Null gives "".
std::string DebugSourceModuleFileName(void* module);
