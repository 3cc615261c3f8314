// Call stacks of this process: the Windows binding of the portable scan.
#include "exceptions/ExceptionLogStackWin.h"

#include <windows.h>

#include <cstring>

#include "exceptions/Ecore.h"
#include "exceptions/EcoreHelpers.h"
#include "exceptions/EdebugResolve.h"
#include "exceptions/ExceptionLogThreads.h"

bool TProcessStackMemory::Readable(std::uintptr_t address, std::size_t size) const noexcept
{
    if (size == 0) return true;
    const std::uintptr_t end = address + size;
    if (end <= address) return false;
    std::uintptr_t at = address;
    while (at < end) {
        const TRegion* kept = nullptr;
        for (const TRegion& region : FRegions)
            if (at >= region.Base && at < region.End) {
                kept = &region;
                break;
            }
        if (kept) {
            at = kept->End;
            continue;
        }
        TRegion found;
        if (!ReadableRegionAt(at, found.Base, found.End)) return false;
        FRegions[FNextRegion] = found;
        FNextRegion = (FNextRegion + 1) % KeptRegions;
        at = found.End;
    }
    return true;
}

bool TProcessStackMemory::Read(std::uintptr_t address, void* target, std::size_t size) const noexcept
{
    // A copy behind the readability test, as the resolver reads code. ReadProcessMemory on
    // the own process would turn a page released in between into a failure, but under the
    // emulated 32-bit Wine it reports success with bytes that are not the memory's.
    if (!Readable(address, size)) return false;
    std::memcpy(target, reinterpret_cast<const void*>(address), size);
    return true;
}

TStackResolver StackResolverOf(TELDebugResolver& resolver)
{
    return [&resolver](std::uintptr_t address, TVantrelDebugInfo& entry, bool ownStack, bool first,
                       std::uint32_t thread) {
        resolver.Resolve(reinterpret_cast<const void*>(address), entry, ownStack, first, thread);
    };
}

namespace {

// The calling thread's range: from here up to the last word below the stack base.
__attribute__((noinline)) TStackTraceParams CurrentThreadRange(std::uintptr_t here)
{
    TStackTraceParams params;
    params.StackPointer = here;
    params.StackTop = CurrentThreadStackTop() - sizeof(void*);
    params.ThreadID = GetCurrentThreadId();
    params.OwnStack = true;
    return params;
}

} // namespace

__attribute__((noinline)) std::unique_ptr<TVantrelStackList> GetCurrentCallStack(TELDebugResolver& resolver,
                                                                                 bool insideIDE)
{
    volatile std::uintptr_t marker = 0;
    TStackTraceParams params = CurrentThreadRange(reinterpret_cast<std::uintptr_t>(&marker));
    params.FollowCallTargets = true;
    params.InsideIDE = insideIDE;
    return TraceStack(params, TProcessStackMemory(), StackResolverOf(resolver));
}

__attribute__((noinline)) std::unique_ptr<TVantrelStackList>
GetCallStackByLevels(int startLevel, int levels, TELDebugResolver& resolver, const TVantrelModuleOptions* options,
                     bool insideIDE)
{
    if (!options) return nullptr;
    volatile std::uintptr_t marker = 0;
    TStackTraceParams params = CurrentThreadRange(reinterpret_cast<std::uintptr_t>(&marker));
    params.Details = LevelsDetailMask(options->CallStackOptions());
    params.FirstLevel = startLevel;
    params.Levels = levels;
    params.FollowCallTargets = false;
    params.InsideIDE = insideIDE;
    return TraceStack(params, TProcessStackMemory(), StackResolverOf(resolver));
}

std::unique_ptr<TVantrelStackList> TraceStackCopy(const void* copy, std::size_t length, const void* raiseAddress,
                                                  std::uint32_t thread, TELDebugResolver& resolver, bool insideIDE)
{
    if (!copy || length < sizeof(void*)) return nullptr;
    TStackTraceParams params;
    params.StartAddress = reinterpret_cast<std::uintptr_t>(raiseAddress);
    params.StackPointer = reinterpret_cast<std::uintptr_t>(copy);
    // The last whole word: a word starting at the copy's last byte would be read past it.
    params.StackTop = params.StackPointer + length - sizeof(void*);
    params.ThreadID = thread;
    params.OwnStack = true;
    params.FollowCallTargets = true;
    params.InsideIDE = insideIDE;
    return TraceStack(params, TProcessStackMemory(), StackResolverOf(resolver));
}
