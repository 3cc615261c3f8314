// The disassembly listing over the process's own code, names from the resolver.
#pragma once

#include <string>
#include <vector>

class TELDebugResolver;

// The listing around address in this process (DisassemblyListing): empty when the address
// is not readable.
std::vector<std::string> GetDisassemblyListing(const void* address, TELDebugResolver& resolver);
