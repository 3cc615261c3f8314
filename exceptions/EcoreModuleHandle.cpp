// The module handles the options object compares to decide whether its options belong to
// the module that carries this copy of the library.
#include <windows.h>

#include "Ecore.h"

// The linker's symbol at the start of the image this code is linked into: the handle of
// this module whether it is the executable or a DLL.
extern "C" IMAGE_DOS_HEADER __ImageBase;

void* ModuleHandleOf(const std::string& moduleName)
{
    // A module that is not loaded has no handle: null is the answer, not a failure.
    return moduleName.empty() ? nullptr : static_cast<void*>(GetModuleHandleA(moduleName.c_str()));
}

void* ThisModuleHandle()
{
    return &__ImageBase;
}
