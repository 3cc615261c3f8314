// Code patching: redirecting code of the running process.
//
// Three techniques, each undone at the unit's shutdown (process exit, after every
// default-priority static object is gone) in the reverse order of their making:
//  - import-table patching: a module's import slot of a procedure gets a replacement;
//  - splicing: the first instructions of a procedure are replaced by a jump to a
//    replacement, and a trampoline keeps the procedure's own behaviour callable;
//  - virtual-method patching: one slot of a class's virtual-method table is replaced.
// Plus the memory-write primitive and the instruction-length helpers they rest on.
//
// x86-64: a splice writes the same 5-byte relative jump; when the replacement is more
// than 2 GiB away the jump leads to a relay placed near the target, which jumps on
// through an absolute address. Trampolines are allocated within reach of the target, so
// their relocated branches and RIP-relative operands keep their targets. Import slots are
// pointer-sized (8 bytes).
//
// Threads: every function may be called from any thread; patching is serialised by one
// lock. Patching writes live code: a thread executing the first bytes of a procedure at
// the moment they are overwritten is not protected against (nor is a thread still inside a
// trampoline when the splice is removed). Errors are the EHookError family below.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "framework/exceptions.h"

// The hooking unit's errors. Messages:
//   EProcNull      "Cannot hook a null procedure (\"%s\")."
//   EHookingError  "Cannot hook the procedure \"%s\"."
//   ESharedArea    "Cannot hook the module \"%s\" located into the shared-area." (only on
//                  the non-NT platforms, whose shared area starts at 0x80000000)
class EHookError : public Exception {
    RUNTIME_CLASS(EHookError, Exception)
public:
    using Exception::Exception;
};

class EProcNull : public EHookError {
    RUNTIME_CLASS(EProcNull, EHookError)
public:
    using EHookError::EHookError;
};

class EHookingError : public EHookError {
    RUNTIME_CLASS(EHookingError, EHookError)
public:
    using EHookError::EHookError;
};

class ESharedArea : public EHookError {
    RUNTIME_CLASS(ESharedArea, EHookError)
public:
    using EHookError::EHookError;
};

// --- Import-table patching ---------------------------------------------------------------

// Patches the import slots of `procName` from `exportModule` (e.g. "kernel32.dll"; the
// ".dll" may be left out) in the module named `importModule` (an empty name: the process's
// executable) so that they hold newProc. Returns the previous address, which is
// GetProcAddress of the exporting module's procedure.
// Raises EProcNull "Cannot hook a null procedure (\"kernel32.dll.Name\")." when that does
// not exist, and EHookingError "Cannot hook the procedure \"Name\"." when the module is not
// loaded, has no valid PE header or import directory, or does not import the procedure.
void* HookDllProcedureEx(const std::string& importModule, const std::string& exportModule,
                         const std::string& procName, void* newProc);

// As HookDllProcedureEx for several importing modules (names as above; those not loaded
// are skipped). previousProc receives the previous address before anything is patched,
// so a replacement can always call the unpatched procedure. Returns true when at least
// one slot was patched. When silent, modules that do not import the procedure or have no
// valid header are skipped without error and nothing patched gives false; otherwise they
// raise EHookingError. A missing exported procedure raises EProcNull in either mode.
bool TryHookDllProcedureEx(const std::vector<std::string>& importModules, const std::string& exportModule,
                           bool silent, void*& previousProc, void* newProc, const std::string& procName);

// Undoes every import patch that installed newProc, last first. True when there was one.
bool UnhookDllProcedure(void* newProc);

// --- Splicing -----------------------------------------------------------------------------

// Splices proc so that calls to it reach newProc, and returns the trampoline: callable like
// proc, it runs proc's overwritten instructions and continues in proc. Both addresses may
// be import stubs (jmp [slot]); the procedure they lead to is spliced. Splicing a
// procedure again returns its existing trampoline and changes nothing. name is used in the
// messages only.
// Raises EProcNull when proc is null; EHookingError when newProc is null, when the first
// instructions cannot be decoded or relocated (a return before the jump's 5 bytes, a
// branch whose relocated displacement does not fit), or when memory cannot be written.
void* HookProcedureEx(void* proc, void* newProc, const std::string& name);

// Writes the saved bytes back over a spliced procedure (given as for HookProcedureEx) and
// frees its trampoline. False when proc is not spliced or cannot be written.
bool UnhookProcedure(void* proc);

// --- Virtual-method patching --------------------------------------------------------------

// A class's virtual-method table: the array of method pointers an object of the class
// points to (Itanium C++ ABI, as GCC lays it out).
using TVirtualTable = void**;

// The virtual-method table of a polymorphic object's dynamic class (not null).
inline TVirtualTable VirtualTableOf(const void* polymorphicObject) noexcept
{
    return *static_cast<TVirtualTable const*>(polymorphicObject);
}

// The slot index of a virtual member function, e.g. VirtualMethodIndex(&TThread::Execute).
// -1 when the member pointer is not a virtual function. GCC encodes a virtual member
// pointer as 1 + the slot's byte offset.
template <class C, class M>
int VirtualMethodIndex(M C::*method) noexcept
{
    struct TMemberPointer {
        std::ptrdiff_t Ptr;
        std::ptrdiff_t Adjust;
    };
    static_assert(sizeof(method) == sizeof(TMemberPointer), "Itanium member-function pointer expected");
    TMemberPointer raw;
    __builtin_memcpy(&raw, &method, sizeof raw);
    if ((raw.Ptr & 1) == 0) return -1;
    return static_cast<int>((raw.Ptr - 1) / static_cast<std::ptrdiff_t>(sizeof(void*)));
}

// Replaces slot `index` of `table` with newMethod and returns the method it held. When
// the slot already holds newMethod, returns the method recorded when it was patched (null
// when it was not patched here) and changes nothing. Returns null, changing nothing, when
// the slot does not lie in a loaded module or the index is negative. Raises EHookingError
// when the slot cannot be written. Objects of derived classes have tables of their own.
void* HookVirtualMethod(TVirtualTable table, int index, void* newMethod);

// Writes back the method that the last HookVirtualMethod of this slot replaced. False
// when the slot is not patched.
bool UnhookVirtualMethod(TVirtualTable table, int index);

// --- Primitives ---------------------------------------------------------------------------

// Copies size bytes over code or data of this process: makes them writable
// (PAGE_EXECUTE_READWRITE), copies, restores the protection and flushes the instruction
// cache. False, with nothing written, when the protection cannot be changed.
bool WriteMem(void* address, const void* data, std::size_t size);

// Writes a 5-byte relative jump (E9) at address to target. False when the target is out of
// the jump's ±2 GiB reach (x86-64 only) or the bytes cannot be written.
bool JumpToMem(void* address, const void* target);

// The length of the instruction at code in this process's mode. On an undecodable
// instruction (or unreadable memory) returns false and sets size to 1, the count callers
// step over.
bool GetAsmSize(const void* code, int& size);

// The size in bytes of the procedure at code, up to and including its first return
// instruction (C2, C3, CA, CB). 0 when maxSize is 0; 1 when no return lies within maxSize
// readable bytes or an instruction before it cannot be decoded.
//
// Only the four returns end a procedure here, not every opcode from C2 to CB: C6 and C7
// begin "mov r/m, imm", C8 is ENTER and C9 LEAVE, all of which occur inside procedures,
// so a size that stopped at them would cut most procedures short. A disassembly listing
// that ends its procedures by the C2-to-CB rule of its own does not get that rule from
// here: calling this helper for it would silently list longer procedures than that rule.
std::size_t GetFunctionSize(const void* code, std::size_t maxSize);

// --- Lifecycle ----------------------------------------------------------------------------

// Undoes every patch: import patches, then virtual-method slots, then splices, each list
// from the last patch to the first. Runs by itself at process exit; callable earlier
// (later patches are undone at exit again). Never raises.
void UnhookAll() noexcept;
