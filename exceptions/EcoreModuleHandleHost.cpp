// The host build has no modules: every options object has a null handle, which is also
// "this module", so the shared-data writes are counted as on Windows for this module.
#include "Ecore.h"

void* ModuleHandleOf(const std::string&)
{
    return nullptr;
}

void* ThisModuleHandle()
{
    return nullptr;
}
