// The module file name of a debug source, from the loader (Windows).
#include "exceptions/EdebugSource.h"
#include "exceptions/ExceptionLogModules.h"

std::string DebugSourceModuleFileName(void* module)
{
    return LoadedModuleFileName(module);
}
