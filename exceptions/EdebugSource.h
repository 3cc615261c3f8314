// A source of debug information for one module (a map file, TD32 data, a JEDI binary
// file): the base the readers derive from. A module record owns its source and frees it
// with itself.
#pragma once

#include "framework/object.h"

class TELDebugInfoSource : public TObject {
    RUNTIME_CLASS(TELDebugInfoSource, TObject)
public:
    // module: the handle (base address) of the module whose addresses the source resolves.
    explicit TELDebugInfoSource(void* module) noexcept : FModule(module) {}
    ~TELDebugInfoSource() override = default;
    TELDebugInfoSource(const TELDebugInfoSource&) = delete;
    TELDebugInfoSource& operator=(const TELDebugInfoSource&) = delete;

    void* Module() const noexcept { return FModule; }

private:
    void* FModule;
};
