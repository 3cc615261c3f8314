// The disassembly listing over the process's own code.
#include "exceptions/ExceptionLogListingWin.h"

#include <cstdint>

#include "exceptions/ExceptionLogListing.h"
#include "exceptions/ExceptionLogStackWin.h"

std::vector<std::string> GetDisassemblyListing(const void* address, TELDebugResolver& resolver)
{
    return DisassemblyListing(reinterpret_cast<std::uintptr_t>(address), TProcessStackMemory(), NativeCpuMode,
                              StackResolverOf(resolver));
}
