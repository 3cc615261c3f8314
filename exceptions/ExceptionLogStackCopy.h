// The stack copy taken at the last raise: the words of the raising thread's stack at the
// moment of the throw, kept so that a handled exception can still be reported with the
// stack it was raised on after its frames are gone. One per library; the activation
// fills it at every raise, GetLastExceptionCallStack and the handled-exception report
// trace it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "exceptions/ExceptionLogStack.h"
#include "framework/sync.h"

class TELDebugResolver;

class TRaiseStackCopy {
public:
    // The buffer is allocated here, once: a raise must not need the heap.
    TRaiseStackCopy();
    TRaiseStackCopy(const TRaiseStackCopy&) = delete;
    TRaiseStackCopy& operator=(const TRaiseStackCopy&) = delete;

    // Copies the stack from stackPointer up to stackTop (the last byte kept is the one
    // before stackTop), at most StackScanLimit bytes, and notes the raise address and the
    // raising thread. The copy ends at the first word that cannot be read. Never
    // raises; safe on a thread that is raising.
    void Take(std::uintptr_t stackPointer, std::uintptr_t stackTop, const void* raiseAddress,
              std::uint32_t thread) noexcept;
    // Forgets the copy.
    void Clear() noexcept;

    // The copy's length in bytes, 0 when there is none.
    std::size_t Length() const noexcept;

    // The copy traced as if it were the stack (TraceStackCopy), under the copy's lock;
    // null when there is no copy.
    std::unique_ptr<TVantrelStackList> Trace(TELDebugResolver& resolver, bool insideIDE = false) const;

private:
    mutable TCriticalSection FLock;
    std::vector<std::uint8_t> FBuffer;
    std::size_t FLength = 0;
    const void* FRaiseAddress = nullptr;
    std::uint32_t FThread = 0;
};

// The call stack of the last raise: the copy traced with its raise address first and the
// raising thread's identifier. Null when no copy exists. The caller owns the list.
std::unique_ptr<TVantrelStackList> GetLastExceptionCallStack(const TRaiseStackCopy& copy, TELDebugResolver& resolver,
                                                             bool insideIDE = false);
