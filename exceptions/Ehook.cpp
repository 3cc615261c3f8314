#include "exceptions/Ehook.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "exceptions/Easmlen.h"
#include "exceptions/Ecodemem.h"
#include "framework/format.h"
#include "framework/sync.h"
#include "framework/units.h"

namespace {

constexpr std::size_t JumpSize = 5;  // E9 rel32

// An import slot that a hook overwrote.
struct TSaveDLLProc {
    void* Previous;
    void* Replacement;
    HMODULE Module;            // the importing module whose table was patched
    std::string ExportModule;  // the name its import descriptor is matched by
};

struct TSplicedProcedure {
    std::uint8_t* Target;
    std::uint8_t* Trampoline;
    std::size_t TrampolineSize;
    std::vector<std::uint8_t> SavedBytes;  // the overwritten instructions, whole
    std::uint8_t* Relay;                   // x86-64 far replacement only, else null
};

struct THookedMethod {
    TVirtualTable Table;
    int Index;
    void* Previous;
};

struct THookState {
    TCriticalSection Lock;
    std::vector<TSaveDLLProc> DllProcs;
    std::vector<TSplicedProcedure> Splices;
    std::vector<THookedMethod> Methods;
    TCodeArena Arena;
};

// The unit's state. The exceptions unit is the first up and the last down (framework/units.h),
// so every patch of the program is undone here, after every other unit has stopped. The code
// arena's blocks stay mapped: a thread late in leaving a trampoline never meets unmapped
// memory.
struct THookUnit {
    THookUnit() = default;
    THookUnit(const THookUnit&) = delete;
    THookUnit& operator=(const THookUnit&) = delete;
    ~THookUnit() { UnhookAll(); }
    THookState State;
};
THookUnit hookUnit ZV_UNIT(zv::unit::kExceptions);

THookState& State() { return hookUnit.State; }

[[noreturn]] void RaiseHookingError(const std::string& name)
{
    throw EHookingError(Format("Cannot hook the procedure \"%s\".", {name}));
}

[[noreturn]] void RaiseProcNull(const std::string& name)
{
    throw EProcNull(Format("Cannot hook a null procedure (\"%s\").", {name}));
}

[[noreturn]] void RaiseSharedArea(const std::string& name)
{
    throw ESharedArea(Format("Cannot hook the module \"%s\" located into the shared-area.", {name}));
}

// The Windows 9x family maps system DLLs into a shared area at 0x80000000 and above,
// where a patch would affect every process; the NT family has no such area.
bool IsNtPlatform() noexcept
{
    return (GetVersion() & 0x80000000u) == 0;
}

bool InSharedArea(const void* address) noexcept
{
    return !IsNtPlatform() && reinterpret_cast<std::uintptr_t>(address) >= 0x80000000u;
}

// The rel32 that leads from the end of an instruction at `from` to `to`. x86 addresses
// wrap around modulo 2^32, so every pair is in reach there.
bool Rel32(std::uintptr_t from, std::uintptr_t to, std::int32_t& rel) noexcept
{
    const std::uint64_t diff = static_cast<std::uint64_t>(to) - static_cast<std::uint64_t>(from);
    if constexpr (sizeof(void*) == 4) {
        rel = static_cast<std::int32_t>(static_cast<std::uint32_t>(diff));
        return true;
    } else {
        const auto signedDiff = static_cast<std::int64_t>(diff);
        if (signedDiff < INT32_MIN || signedDiff > INT32_MAX) return false;
        rel = static_cast<std::int32_t>(signedDiff);
        return true;
    }
}

void PutJump(std::uint8_t* buffer, std::uintptr_t at, std::uintptr_t to, bool& ok) noexcept
{
    std::int32_t rel = 0;
    ok = Rel32(at + JumpSize, to, rel);
    buffer[0] = 0xE9;
    std::memcpy(buffer + 1, &rel, sizeof rel);
}

// Follows import stubs (jmp [slot], on x86-64 also with a REX.W prefix) to the code they
// lead to. Stubs may chain (an import stub to a forwarding export), so a few are followed.
std::uint8_t* FollowImportStubs(std::uint8_t* code) noexcept
{
    for (int hop = 0; hop < 8 && code; ++hop) {
        if (ReadableBytes(code, 7) < 7) break;
        std::size_t at = 0;
        if (NativeCpuMode == TCpuMode::cm64 && code[0] == 0x48 && code[1] == 0xFF && code[2] == 0x25) at = 1;
        if (code[at] != 0xFF || code[at + 1] != 0x25) break;
        std::int32_t disp;
        std::memcpy(&disp, code + at + 2, sizeof disp);
        std::uint8_t* const* slot;
        if constexpr (sizeof(void*) == 8)
            slot = reinterpret_cast<std::uint8_t* const*>(code + at + 6 + disp);
        else
            slot = reinterpret_cast<std::uint8_t* const*>(static_cast<std::uintptr_t>(static_cast<std::uint32_t>(disp)));
        if (ReadableBytes(slot, sizeof(void*)) < sizeof(void*)) break;
        code = *slot;
    }
    return code;
}

// --- Import tables ---------------------------------------------------------------------

std::string LowerModuleBaseName(std::string name)
{
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".dll") == 0) name.resize(name.size() - 4);
    return name;
}

// Descriptor names are read from the module's own memory; one that runs off readable
// memory does not match.
bool ImportNameMatches(const char* importName, const std::string& wantedLower)
{
    const std::size_t readable = ReadableBytes(importName, MAX_PATH);
    const std::size_t length = strnlen(importName, readable);
    if (length == readable) return false;
    return LowerModuleBaseName(std::string(importName, length)) == wantedLower;
}

// The 9x family hands out, under a debugger, "push imm32; jmp" thunks instead of the
// exported addresses; two thunks of one procedure push the same value.
bool IsDebugThunk(const void* address) noexcept
{
    if (ReadableBytes(address, 10) < 10) return false;
    const auto* code = static_cast<const std::uint8_t*>(address);
    return code[0] == 0x68 && code[5] == 0xE9;
}

bool ImportSlotMatches(void* entry, void* wanted) noexcept
{
    if (entry == wanted) return true;
    if (IsNtPlatform() || !IsDebugThunk(wanted) || !IsDebugThunk(entry)) return false;
    return std::memcmp(static_cast<std::uint8_t*>(entry) + 1, static_cast<std::uint8_t*>(wanted) + 1, 4) == 0;
}

enum class TImportPatch { InvalidModule, NotImported, Patched };

// Writes `replacement` into every import slot of `module` that imports from exportModule
// and holds `current`.
TImportPatch PatchImportSlots(HMODULE module, const std::string& exportModule, void* current, void* replacement)
{
    auto* base = reinterpret_cast<std::uint8_t*>(module);
    if (ReadableBytes(base, 64) < 64) return TImportPatch::InvalidModule;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew <= 0) return TImportPatch::InvalidModule;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    if (ReadableBytes(nt, sizeof *nt) < sizeof *nt) return TImportPatch::InvalidModule;
    if (nt->Signature != IMAGE_NT_SIGNATURE || nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR_MAGIC)
        return TImportPatch::InvalidModule;
    if (nt->OptionalHeader.NumberOfRvaAndSizes <= IMAGE_DIRECTORY_ENTRY_IMPORT) return TImportPatch::InvalidModule;
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0 || directory.Size == 0) return TImportPatch::InvalidModule;

    const std::string wanted = LowerModuleBaseName(exportModule);
    bool patched = false;
    for (auto* descriptor = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         ReadableBytes(descriptor, sizeof *descriptor) == sizeof *descriptor && descriptor->Name != 0; ++descriptor) {
        if (!ImportNameMatches(reinterpret_cast<const char*>(base + descriptor->Name), wanted)) continue;
        for (auto* slot = reinterpret_cast<void**>(base + descriptor->FirstThunk);
             ReadableBytes(slot, sizeof *slot) == sizeof *slot && *slot != nullptr; ++slot) {
            if (!ImportSlotMatches(*slot, current)) continue;
            if (!WriteMem(slot, &replacement, sizeof replacement)) return TImportPatch::InvalidModule;
            patched = true;
        }
    }
    return patched ? TImportPatch::Patched : TImportPatch::NotImported;
}

HMODULE LoadedModule(const std::string& name) noexcept
{
    return GetModuleHandleA(name.empty() ? nullptr : name.c_str());
}

// --- Splicing ------------------------------------------------------------------------------

TSplicedProcedure* FindSplice(THookState& state, const std::uint8_t* target) noexcept
{
    for (TSplicedProcedure& splice : state.Splices)
        if (splice.Target == target) return &splice;
    return nullptr;
}

struct TCopiedInstruction {
    std::size_t Offset;
    TAsmInstruction Ins;
};

// The whole instructions that the jump overwrites: at least JumpSize bytes.
std::vector<TCopiedInstruction> InstructionsToMove(const std::uint8_t* target, const std::string& name)
{
    std::vector<TCopiedInstruction> moved;
    const std::size_t readable = ReadableBytes(target, JumpSize + 15);
    std::size_t length = 0;
    while (length < JumpSize) {
        TAsmInstruction ins;
        // An undecodable instruction would be copied into the trampoline as garbage.
        if (length >= readable || !DecodeInstruction(target + length, readable - length, NativeCpuMode, ins))
            RaiseHookingError(name);
        moved.push_back({length, ins});
        length += ins.Size;
    }
    // A procedure that returns within the jump's bytes is shorter than the jump: the
    // jump would overwrite whatever follows, unless that is only padding.
    for (const TCopiedInstruction& c : moved) {
        if (!IsReturnInstruction(c.Ins)) continue;
        for (std::size_t i = c.Offset + c.Ins.Size; i < length; ++i)
            if (target[i] != 0xCC && target[i] != 0x90) RaiseHookingError(name);
    }
    return moved;
}

// Builds the trampoline for the instructions at target into code (for its address
// `trampoline`): the instructions, relocated; the jump back; a jump per short branch
// that leaves the moved bytes, which the branch is rewired to. Returns its size.
std::size_t BuildTrampoline(const std::uint8_t* target, const std::vector<TCopiedInstruction>& moved,
                            std::uint8_t* code, const std::uint8_t* trampoline, const std::string& name)
{
    const std::size_t length = moved.back().Offset + moved.back().Ins.Size;
    const auto targetAt = reinterpret_cast<std::uintptr_t>(target);
    const auto trampolineAt = reinterpret_cast<std::uintptr_t>(trampoline);
    std::memcpy(code, target, length);

    bool ok = true;
    PutJump(code + length, trampolineAt + length, targetAt + length, ok);
    if (!ok) RaiseHookingError(name);
    std::size_t size = length + JumpSize;

    for (const TCopiedInstruction& c : moved) {
        const TAsmInstruction& ins = c.Ins;
        if (ins.Branch == TBranchKind::bkNone && !ins.RipRelative) continue;
        const std::uintptr_t next = targetAt + c.Offset + ins.Size;
        const std::uintptr_t destination = next + static_cast<std::uintptr_t>(RelativeDisplacement(target + c.Offset, ins));
        if (destination >= targetAt && destination < targetAt + length) continue;  // moves along
        const std::uintptr_t newNext = trampolineAt + c.Offset + ins.Size;

        if (ins.Branch == TBranchKind::bkShort) {
            if (size + JumpSize > TCodeArena::SlotSize) RaiseHookingError(name);
            PutJump(code + size, trampolineAt + size, destination, ok);
            if (!ok) RaiseHookingError(name);
            const std::ptrdiff_t rel8 = static_cast<std::ptrdiff_t>(size) - static_cast<std::ptrdiff_t>(c.Offset + ins.Size);
            if (rel8 > 127) RaiseHookingError(name);
            code[c.Offset + ins.ImmOffset] = static_cast<std::uint8_t>(rel8);
            size += JumpSize;
            continue;
        }
        // A near branch, or a RIP-relative operand: the same 32-bit field, re-based.
        const bool branch = ins.Branch == TBranchKind::bkNear;
        const std::size_t fieldOffset = branch ? ins.ImmOffset : ins.DispOffset;
        const std::size_t fieldSize = branch ? ins.ImmSize : ins.DispSize;
        std::int32_t rel = 0;
        if (fieldSize != 4 || !Rel32(newNext, destination, rel)) RaiseHookingError(name);
        std::memcpy(code + c.Offset + fieldOffset, &rel, sizeof rel);
    }
    return size;
}

// Writes "jmp [rip+0]" and the absolute address: a jump that reaches anywhere.
bool PutRelay(std::uint8_t* relay, const void* destination) noexcept
{
    static constexpr std::uint8_t JumpIndirect[] = {0xFF, 0x25, 0x00, 0x00, 0x00, 0x00};
    std::memcpy(relay, JumpIndirect, sizeof JumpIndirect);
    std::memcpy(relay + sizeof JumpIndirect, &destination, sizeof destination);
    return FlushInstructionCache(GetCurrentProcess(), relay, sizeof JumpIndirect + sizeof destination) != FALSE;
}

// Removes a splice: the saved bytes go back over the target. False when they cannot.
bool RemoveSplice(THookState& state, TSplicedProcedure& splice) noexcept
{
    if (!WriteMem(splice.Target, splice.SavedBytes.data(), splice.SavedBytes.size())) return false;
    state.Arena.Free(splice.Trampoline);
    state.Arena.Free(splice.Relay);
    return true;
}

} // namespace

// --- Primitives ----------------------------------------------------------------------------

bool WriteMem(void* address, const void* data, std::size_t size)
{
    if (!address || size == 0) return size == 0;
    DWORD previous = 0;
    if (!VirtualProtect(address, size, PAGE_EXECUTE_READWRITE, &previous)) return false;
    std::memcpy(address, data, size);
    // Neither failure below can take the write back, so both leave the result true: a
    // failed restore leaves the bytes writable, which harms nothing that runs, and x86
    // processors keep their instruction caches coherent with stores (the flush is the
    // platform's contract for code that is modified, not a condition of its taking effect).
    DWORD ignored = 0;
    VirtualProtect(address, size, previous, &ignored);
    FlushInstructionCache(GetCurrentProcess(), address, size);
    return true;
}

bool JumpToMem(void* address, const void* target)
{
    std::uint8_t jump[JumpSize];
    bool ok = true;
    PutJump(jump, reinterpret_cast<std::uintptr_t>(address), reinterpret_cast<std::uintptr_t>(target), ok);
    return ok && WriteMem(address, jump, sizeof jump);
}

bool GetAsmSize(const void* code, int& size)
{
    size = 1;
    const std::size_t readable = ReadableBytes(code, 15);
    TAsmInstruction ins;
    if (!DecodeInstruction(static_cast<const std::uint8_t*>(code), readable, NativeCpuMode, ins)) return false;
    size = ins.Size;
    return true;
}

std::size_t GetFunctionSize(const void* code, std::size_t maxSize)
{
    if (maxSize == 0) return 0;
    const std::size_t readable = ReadableBytes(code, maxSize);
    if (readable == 0) return 1;
    return FunctionSizeInBuffer(static_cast<const std::uint8_t*>(code), readable, NativeCpuMode);
}

// --- Import-table patching -------------------------------------------------------------------

bool TryHookDllProcedureEx(const std::vector<std::string>& importModules, const std::string& exportModule,
                           bool silent, void*& previousProc, void* newProc, const std::string& procName)
{
    HMODULE exporter = GetModuleHandleA(exportModule.c_str());
    previousProc = exporter ? reinterpret_cast<void*>(GetProcAddress(exporter, procName.c_str())) : nullptr;
    if (!previousProc) RaiseProcNull(exportModule + "." + procName);
    if (!newProc) RaiseHookingError(procName);

    THookState& state = State();
    TCriticalSectionGuard guard(state.Lock);
    bool patchedAny = false;
    for (const std::string& name : importModules) {
        HMODULE module = LoadedModule(name);
        if (!module) continue;
        if (InSharedArea(module)) RaiseSharedArea(name);
        const TImportPatch outcome = PatchImportSlots(module, exportModule, previousProc, newProc);
        if (outcome == TImportPatch::Patched) {
            state.DllProcs.push_back({previousProc, newProc, module, exportModule});
            patchedAny = true;
        } else if (outcome == TImportPatch::InvalidModule && !silent) {
            RaiseHookingError(procName);
        }
    }
    if (!patchedAny && !silent) RaiseHookingError(procName);
    return patchedAny;
}

void* HookDllProcedureEx(const std::string& importModule, const std::string& exportModule,
                         const std::string& procName, void* newProc)
{
    void* previous = nullptr;
    TryHookDllProcedureEx({importModule}, exportModule, false, previous, newProc, procName);
    return previous;
}

bool UnhookDllProcedure(void* newProc)
{
    THookState& state = State();
    TCriticalSectionGuard guard(state.Lock);
    bool found = false;
    for (auto it = state.DllProcs.rbegin(); it != state.DllProcs.rend();) {
        if (it->Replacement != newProc) {
            ++it;
            continue;
        }
        PatchImportSlots(it->Module, it->ExportModule, it->Replacement, it->Previous);
        it = decltype(it)(state.DllProcs.erase(std::next(it).base()));
        found = true;
    }
    return found;
}

// --- Splicing --------------------------------------------------------------------------------

void* HookProcedureEx(void* proc, void* newProc, const std::string& name)
{
    if (!proc) RaiseProcNull(name);
    auto* target = FollowImportStubs(static_cast<std::uint8_t*>(proc));
    auto* replacement = FollowImportStubs(static_cast<std::uint8_t*>(newProc));
    if (!target) RaiseProcNull(name);
    if (!replacement) RaiseHookingError(name);
    if (InSharedArea(target)) RaiseSharedArea(name);

    THookState& state = State();
    TCriticalSectionGuard guard(state.Lock);
    if (const TSplicedProcedure* existing = FindSplice(state, target)) return existing->Trampoline;

    const std::vector<TCopiedInstruction> moved = InstructionsToMove(target, name);
    const std::size_t length = moved.back().Offset + moved.back().Ins.Size;

    TSplicedProcedure splice{target, nullptr, 0, std::vector<std::uint8_t>(target, target + length), nullptr};
    splice.Trampoline = state.Arena.Allocate(target);
    if (!splice.Trampoline) RaiseHookingError(name);
    try {
        std::uint8_t code[TCodeArena::SlotSize];
        splice.TrampolineSize = BuildTrampoline(target, moved, code, splice.Trampoline, name);
        std::memcpy(splice.Trampoline, code, splice.TrampolineSize);
        if (!FlushInstructionCache(GetCurrentProcess(), splice.Trampoline, splice.TrampolineSize))
            RaiseHookingError(name);

        std::uint8_t jump[JumpSize];
        bool ok = true;
        PutJump(jump, reinterpret_cast<std::uintptr_t>(target), reinterpret_cast<std::uintptr_t>(replacement), ok);
        if (!ok) {
            // x86-64: the replacement lies beyond a rel32; a relay near the target bridges.
            splice.Relay = state.Arena.Allocate(target);
            if (!splice.Relay) RaiseHookingError(name);
            if (!PutRelay(splice.Relay, replacement)) RaiseHookingError(name);
            PutJump(jump, reinterpret_cast<std::uintptr_t>(target), reinterpret_cast<std::uintptr_t>(splice.Relay), ok);
            if (!ok) RaiseHookingError(name);
        }
        state.Splices.push_back(splice);
        // The jump goes in with one copy, after the trampoline is complete.
        if (!WriteMem(target, jump, sizeof jump)) {
            state.Splices.pop_back();
            RaiseHookingError(name);
        }
    } catch (...) {
        state.Arena.Free(splice.Trampoline);
        state.Arena.Free(splice.Relay);
        throw;
    }
    return splice.Trampoline;
}

bool UnhookProcedure(void* proc)
{
    if (!proc) return false;
    auto* target = FollowImportStubs(static_cast<std::uint8_t*>(proc));
    THookState& state = State();
    TCriticalSectionGuard guard(state.Lock);
    TSplicedProcedure* splice = FindSplice(state, target);
    if (!splice || !RemoveSplice(state, *splice)) return false;
    state.Splices.erase(state.Splices.begin() + (splice - state.Splices.data()));
    return true;
}

// --- Virtual-method patching -------------------------------------------------------------------

void* HookVirtualMethod(TVirtualTable table, int index, void* newMethod)
{
    if (!table || index < 0) return nullptr;
    THookState& state = State();
    TCriticalSectionGuard guard(state.Lock);
    void** slot = table + index;
    if (ReadableBytes(slot, sizeof *slot) < sizeof *slot) return nullptr;
    if (*slot == newMethod) {
        for (auto it = state.Methods.rbegin(); it != state.Methods.rend(); ++it)
            if (it->Table == table && it->Index == index) return it->Previous;
        return nullptr;
    }
    HMODULE owner = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(slot), &owner))
        return nullptr;
    void* previous = *slot;
    if (!WriteMem(slot, &newMethod, sizeof newMethod))
        RaiseHookingError(Format("virtual method %d", {index}));
    state.Methods.push_back({table, index, previous});
    return previous;
}

bool UnhookVirtualMethod(TVirtualTable table, int index)
{
    THookState& state = State();
    TCriticalSectionGuard guard(state.Lock);
    for (auto it = state.Methods.rbegin(); it != state.Methods.rend(); ++it) {
        if (it->Table != table || it->Index != index) continue;
        if (!WriteMem(table + index, &it->Previous, sizeof it->Previous)) return false;
        state.Methods.erase(std::next(it).base());
        return true;
    }
    return false;
}

// --- Lifecycle -----------------------------------------------------------------------------

void UnhookAll() noexcept
{
    THookState& state = State();
    state.Lock.Enter();
    for (auto it = state.DllProcs.rbegin(); it != state.DllProcs.rend(); ++it) {
        // Only an allocation can fail here; the other patches are still worth undoing.
        try {
            PatchImportSlots(it->Module, it->ExportModule, it->Replacement, it->Previous);
        } catch (...) {
        }
    }
    state.DllProcs.clear();
    for (auto it = state.Methods.rbegin(); it != state.Methods.rend(); ++it)
        WriteMem(it->Table + it->Index, &it->Previous, sizeof it->Previous);
    state.Methods.clear();
    for (auto it = state.Splices.rbegin(); it != state.Splices.rend(); ++it) RemoveSplice(state, *it);
    state.Splices.clear();
    state.Lock.Leave();
}
