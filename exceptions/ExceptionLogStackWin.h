// Call stacks of this process (Windows): the scan over the process's own memory, the
// calling thread's stack and a raise-time stack copy. The resolver and the options are
// passed in; the activation binds these to the process-wide resolver and current options.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "exceptions/ExceptionLogStack.h"

class TELDebugResolver;
class TVantrelModuleOptions;

// The process's own memory: readability by the rule of IsValidBlockAddr, reads that fail
// instead of faulting when the memory is not readable. The last readable regions found
// are kept, since a trace asks about the same few (the stack, the code sections) for
// every word: make one per trace, so that what it keeps is never older than the trace.
class TProcessStackMemory final : public TStackMemory {
public:
    bool Readable(std::uintptr_t address, std::size_t size) const noexcept override;
    bool Read(std::uintptr_t address, void* target, std::size_t size) const noexcept override;

private:
    struct TRegion {
        std::uintptr_t Base = 0, End = 0;
    };
    static constexpr std::size_t KeptRegions = 8;
    mutable TRegion FRegions[KeptRegions];
    mutable std::size_t FNextRegion = 0;
};

// The resolver's Resolve as a trace's resolver.
TStackResolver StackResolverOf(TELDebugResolver& resolver);

// The calling thread's stack from the caller's frame to the thread's stack base: every
// detail kind, no limits, call targets followed. The caller owns the list.
std::unique_ptr<TVantrelStackList> GetCurrentCallStack(TELDebugResolver& resolver, bool insideIDE = false);

// The calling thread's stack, at most levels entries after skipping startLevel accepted
// ones; call targets not followed; the detail kinds from options (LevelsDetailMask). Null
// without options.
std::unique_ptr<TVantrelStackList> GetCallStackByLevels(int startLevel, int levels, TELDebugResolver& resolver,
                                                        const TVantrelModuleOptions* options,
                                                        bool insideIDE = false);

// A raise-time copy of a stack (length bytes at copy) scanned as if it were the stack:
// the raise address first, then the words of the copy (the last whole word included).
// Null for an empty copy. The handling flow calls this under the copy's lock.
std::unique_ptr<TVantrelStackList> TraceStackCopy(const void* copy, std::size_t length, const void* raiseAddress,
                                                  std::uint32_t thread, TELDebugResolver& resolver,
                                                  bool insideIDE = false);
