// The host build has no loader: a debug source there is always given its module's file.
#include "exceptions/EdebugSource.h"

std::string DebugSourceModuleFileName(void*)
{
    return {};
}
