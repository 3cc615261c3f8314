// A kernel32 function replaced in the test exe's import table for a scope, as a driver or
// system that behaves otherwise would. The exe links zv_ehook.
#pragma once

#include "exceptions/Ehook.h"

namespace zv::test {

class ImportPatch {
public:
    ImportPatch(const char* name, void* replacement) : FReplacement(replacement)
    {
        FOriginal = HookDllProcedureEx("", "kernel32.dll", name, replacement);
    }
    ~ImportPatch() { UnhookDllProcedure(FReplacement); }
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    // The function as it was before the patch.
    void* Original() const noexcept { return FOriginal; }

private:
    void* FReplacement;
    void* FOriginal = nullptr;
};

} // namespace zv::test
