// The stack copy taken at the last raise.
#include "exceptions/ExceptionLogStackCopy.h"

#include <algorithm>

#include "exceptions/ExceptionLogStackWin.h"

TRaiseStackCopy::TRaiseStackCopy() : FBuffer(StackScanLimit) {}

void TRaiseStackCopy::Take(std::uintptr_t stackPointer, std::uintptr_t stackTop, const void* raiseAddress,
                           std::uint32_t thread) noexcept
{
    TCriticalSectionGuard guard(FLock);
    FLength = 0;
    FRaiseAddress = raiseAddress;
    FThread = thread;
    if (stackTop <= stackPointer) return;
    const std::size_t wanted = std::min<std::uintptr_t>(stackTop - stackPointer, FBuffer.size());
    const TProcessStackMemory memory;
    // Block by block, then word by word in the block that cannot be read whole, so that
    // unreadable memory ends the copy where it begins rather than emptying it.
    std::size_t step = StackReadBlock;
    while (FLength < wanted) {
        const std::size_t block = std::min(step, wanted - FLength);
        if (memory.Read(stackPointer + FLength, FBuffer.data() + FLength, block)) {
            FLength += block;
        } else if (step > sizeof(void*)) {
            step = sizeof(void*);
        } else {
            break;
        }
    }
}

void TRaiseStackCopy::Clear() noexcept
{
    TCriticalSectionGuard guard(FLock);
    FLength = 0;
    FRaiseAddress = nullptr;
    FThread = 0;
}

std::size_t TRaiseStackCopy::Length() const noexcept
{
    TCriticalSectionGuard guard(FLock);
    return FLength;
}

std::unique_ptr<TVantrelStackList> TRaiseStackCopy::Trace(TELDebugResolver& resolver, bool insideIDE) const
{
    TCriticalSectionGuard guard(FLock);
    if (FLength == 0) return nullptr;
    return TraceStackCopy(FBuffer.data(), FLength, FRaiseAddress, FThread, resolver, insideIDE);
}

std::unique_ptr<TVantrelStackList> GetLastExceptionCallStack(const TRaiseStackCopy& copy, TELDebugResolver& resolver,
                                                             bool insideIDE)
{
    return copy.Trace(resolver, insideIDE);
}
