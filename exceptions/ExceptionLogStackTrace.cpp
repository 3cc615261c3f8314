// The stack list, the call forms, the scan and its clean-up. Portable: memory is read
// only through the TStackMemory given.
#include "exceptions/ExceptionLogStack.h"

#include <cstring>

// --- The list ---

void TVantrelStackList::Delete(int index)
{
    if (index < 0 || index >= Count()) return;
    FItems.erase(FItems.begin() + index);
}

TVantrelDebugInfo* TVantrelStackList::GetItem(int index) const noexcept
{
    if (index < 0 || index >= Count()) return nullptr;
    return FItems[static_cast<std::size_t>(index)].get();
}

TVantrelDebugInfo* TVantrelStackList::AddFrom(const TVantrelDebugInfo& entry)
{
    auto copy = std::make_unique<TVantrelDebugInfo>();
    copy->DebugDetail = entry.DebugDetail;
    copy->ModuleInfo = entry.ModuleInfo;
    copy->Address = entry.Address;
    copy->UnitName = entry.UnitName;
    copy->ClassName = entry.ClassName;
    copy->ProcedureName = entry.ProcedureName;
    copy->LineNumber = entry.LineNumber;
    return Add(std::move(copy));
}

TVantrelDebugInfo* TVantrelStackList::Add(std::unique_ptr<TVantrelDebugInfo> entry)
{
    FItems.push_back(std::move(entry));
    return FItems.back().get();
}

// --- Call forms ---

namespace {

std::size_t WordSize(TStackCodeKind kind) noexcept { return kind == sckX64 ? 8 : 4; }

// The longest call form: 7 bytes on i686, 8 with a REX prefix on x86-64.
std::size_t LongestForm(TStackCodeKind kind) noexcept { return kind == sckX64 ? 8 : 7; }

std::int32_t Int32At(const std::uint8_t* bytes) noexcept
{
    std::uint32_t value;
    std::memcpy(&value, bytes, 4);
    return static_cast<std::int32_t>(value);
}

// The target of an import stub "FF 25" at address: i686 names the slot absolutely, x86-64
// relative to the next instruction. address itself when it is no stub or a read fails.
std::uintptr_t FollowImportStub(const TStackMemory& memory, TStackCodeKind kind, std::uintptr_t address) noexcept
{
    std::uint8_t stub[6];
    if (!memory.Read(address, stub, sizeof stub) || stub[0] != 0xFF || stub[1] != 0x25) return address;
    const std::int32_t operand = Int32At(stub + 2);
    std::uintptr_t slot;
    if (kind == sckX64)
        slot = address + 6 + static_cast<std::uintptr_t>(static_cast<std::intptr_t>(operand));
    else
        slot = static_cast<std::uint32_t>(operand);
    std::uint64_t target = 0;
    if (!memory.Read(slot, &target, WordSize(kind))) return address;
    return static_cast<std::uintptr_t>(target);
}

bool InDisp32Range(std::int32_t displacement) noexcept
{
    return displacement >= -0x4000 && displacement <= 0x4000;
}

// The i686 forms, in order; code holds the 7 bytes before the return address V
// (code[7 - n] is the byte at V - n).
std::uintptr_t I386CallSite(const TStackMemory& memory, const std::uint8_t* code, std::uintptr_t v) noexcept
{
    auto at = [code](int back) { return code[7 - back]; };
    const std::uint8_t m2 = at(1), m3 = at(2), m6 = at(5);
    // FF D0+r: call register.
    if (at(2) == 0xFF && m2 >= 0xD0 && m2 <= 0xD7) return v - 2;
    // FF 10-13, 16, 17: call [register].
    if (at(2) == 0xFF && (m2 == 0x10 || m2 == 0x11 || m2 == 0x12 || m2 == 0x13 || m2 == 0x16 || m2 == 0x17))
        return v - 2;
    // FF 50-53, 55-57 disp8: call [register + disp8], only behind a MOV.
    if (at(3) == 0xFF && m3 >= 0x50 && m3 <= 0x57 && m3 != 0x54 && (at(5) == 0x8B || at(6) == 0x8B)) return v - 3;
    // FF 90-93, 95-97 disp32: call [register + disp32] with a small displacement.
    if (at(6) == 0xFF && m6 >= 0x90 && m6 <= 0x97 && m6 != 0x94 && InDisp32Range(Int32At(code + 3))) return v - 6;
    // FF 14 24: call [esp].
    if (at(3) == 0xFF && at(2) == 0x14 && at(1) == 0x24) return v - 3;
    // FF 54 24 disp8: call [esp + disp8].
    if (at(4) == 0xFF && at(3) == 0x54 && at(2) == 0x24) return v - 4;
    // FF 94 24 disp32: call [esp + disp32].
    if (at(7) == 0xFF && at(6) == 0x94 && at(5) == 0x24) return v - 7;
    // FF 15 abs32: call [absolute] whose slot is readable.
    if (at(6) == 0xFF && at(5) == 0x15 && memory.Readable(static_cast<std::uint32_t>(Int32At(code + 3)), 4))
        return v - 6;
    return 0;
}

// The x86-64 indirect forms "FF /2", each with or without a REX prefix (40-4F) before FF;
// code holds the 8 bytes before V (code[8 - n] is the byte at V - n).
std::uintptr_t X64CallSite(const TStackMemory& memory, const std::uint8_t* code, std::uintptr_t v) noexcept
{
    auto at = [code](int back) { return code[8 - back]; };
    // A form of length n (FF and what follows) ends at V: its FF at V - n, optionally
    // preceded by a REX prefix; the call site is where the instruction starts.
    auto site = [&](int n) -> std::uintptr_t {
        if (at(n) != 0xFF) return 0;
        const std::uint8_t before = at(n + 1);
        return (before >= 0x40 && before <= 0x4F) ? v - static_cast<std::uintptr_t>(n) - 1
                                                  : v - static_cast<std::uintptr_t>(n);
    };
    const std::uint8_t m2 = at(1), m3 = at(2), m4 = at(3), m6 = at(5), m7 = at(6);
    // FF D0+r: call register.
    if (m2 >= 0xD0 && m2 <= 0xD7)
        if (const auto s = site(2)) return s;
    // FF 10-13, 16, 17: call [register].
    if (m2 == 0x10 || m2 == 0x11 || m2 == 0x12 || m2 == 0x13 || m2 == 0x16 || m2 == 0x17)
        if (const auto s = site(2)) return s;
    // FF 14 24: call [rsp] / [r12].
    if (m3 == 0x14 && at(1) == 0x24)
        if (const auto s = site(3)) return s;
    // FF 50-53, 55-57 disp8: call [register + disp8].
    if (m3 >= 0x50 && m3 <= 0x57 && m3 != 0x54)
        if (const auto s = site(3)) return s;
    // FF 54 24 disp8: call [rsp / r12 + disp8].
    if (m4 == 0x54 && at(2) == 0x24)
        if (const auto s = site(4)) return s;
    // FF 90-93, 95-97 disp32: call [register + disp32] with a small displacement.
    if (m6 >= 0x90 && m6 <= 0x97 && m6 != 0x94 && InDisp32Range(Int32At(code + 4)))
        if (const auto s = site(6)) return s;
    // FF 94 24 disp32: call [rsp / r12 + disp32].
    if (m7 == 0x94 && at(5) == 0x24 && InDisp32Range(Int32At(code + 4)))
        if (const auto s = site(7)) return s;
    // FF 15 disp32: call [rip + disp32] whose 8-byte slot is readable.
    if (m6 == 0x15 && at(6) == 0xFF) {
        const std::uintptr_t slot = v + static_cast<std::uintptr_t>(static_cast<std::intptr_t>(Int32At(code + 4)));
        if (memory.Readable(slot, 8)) return site(6);
    }
    return 0;
}

} // namespace

std::uintptr_t CallSiteBefore(const TStackMemory& memory, TStackCodeKind kind, std::uintptr_t returnAddress,
                              bool followTargets, std::uintptr_t& calledProcedure) noexcept
{
    calledProcedure = 0;
    const std::size_t length = LongestForm(kind);
    if (returnAddress < length) return 0;
    std::uint8_t code[8];
    if (!memory.Read(returnAddress - length, code, length)) return 0;
    // E8 rel32: a direct call whose target is readable.
    if (code[length - 5] == 0xE8) {
        const std::uintptr_t target =
            returnAddress + static_cast<std::uintptr_t>(static_cast<std::intptr_t>(Int32At(code + length - 4)));
        if (memory.Readable(target, 1)) {
            if (followTargets) {
                const std::uintptr_t called = FollowImportStub(memory, kind, target);
                std::uint8_t head[5];
                if (memory.Read(called, head, sizeof head) && head[0] != 0xE8) calledProcedure = called;
            }
            return returnAddress - 5;
        }
    }
    return kind == sckX64 ? X64CallSite(memory, code, returnAddress) : I386CallSite(memory, code, returnAddress);
}

// --- The trace ---

namespace {

class TTraceRun {
public:
    TTraceRun(TVantrelStackList& list, const TStackTraceParams& params, const TStackResolver& resolver)
        : FList(list), FParams(params), FResolver(resolver)
    {
    }

    void Add(std::uintptr_t address, bool first)
    {
        if (FList.Count() > StackEntriesLimit) return;
        auto entry = std::make_unique<TVantrelDebugInfo>();
        if (FParams.Resolve && FResolver) {
            FResolver(address, *entry, FParams.OwnStack, first, FParams.ThreadID);
        } else {
            // Unresolved: only the address is known.
            entry->DebugDetail = ddModule;
            entry->ThreadID = FParams.ThreadID;
            entry->OwnStack = FParams.OwnStack ? 1 : 0;
            entry->First = first ? 1 : 0;
        }
        entry->Address = address;
        if ((FParams.Details & DebugDetailBit(entry->DebugDetail)) == 0) return;
        const bool keep = FParams.FirstLevel == -1 || (FAccepted >= FParams.FirstLevel && FKept < FParams.Levels);
        ++FAccepted;
        if (!keep) return;
        ++FKept;
        FList.Add(std::move(entry));
    }

private:
    TVantrelStackList& FList;
    const TStackTraceParams& FParams;
    const TStackResolver& FResolver;
    int FAccepted = 0;
    int FKept = 0;
};

} // namespace

int TraceStackInto(TVantrelStackList& list, const TStackTraceParams& params, const TStackMemory& memory,
                   const TStackResolver& resolver)
{
    const int firstIndex = list.Count();
    TTraceRun run(list, params, resolver);
    if (params.StartAddress) run.Add(params.StartAddress, true);

    const std::size_t word = WordSize(params.CodeKind);
    std::uintptr_t top = params.StackTop;
    if (top > params.StackPointer && top - params.StackPointer > StackScanLimit)
        top = params.StackPointer + StackScanLimit;
    std::size_t budget = 0; // bytes ahead known to be readable
    for (std::uintptr_t at = params.StackPointer; at >= params.StackPointer && at <= top; at += word) {
        if (budget < word) {
            if (memory.Readable(at, StackReadBlock))
                budget = StackReadBlock;
            else if (memory.Readable(at, word))
                budget = word;
            else {
                budget = 0;
                continue;
            }
        }
        std::uint64_t value = 0;
        if (!memory.Read(at, &value, word)) {
            budget = 0; // the memory changed under us: test again
            continue;
        }
        budget -= word;
        std::uintptr_t called = 0;
        const std::uintptr_t site =
            CallSiteBefore(memory, params.CodeKind, static_cast<std::uintptr_t>(value), params.FollowCallTargets, called);
        if (!site) continue;
        if (called) run.Add(called, false);
        run.Add(site, false);
    }
    CleanUpTrace(list, firstIndex, params.InsideIDE, params.Resolve);
    return list.Count() - firstIndex;
}

std::unique_ptr<TVantrelStackList> TraceStack(const TStackTraceParams& params, const TStackMemory& memory,
                                              const TStackResolver& resolver)
{
    auto list = std::make_unique<TVantrelStackList>();
    TraceStackInto(*list, params, memory, resolver);
    return list;
}

// --- Clean-up ---

namespace {

bool SameProcedure(const TVantrelDebugInfo& a, const TVantrelDebugInfo& b) noexcept
{
    return a.UnitName == b.UnitName && a.ClassName == b.ClassName && a.ProcedureName == b.ProcedureName;
}

} // namespace

void CleanUpTrace(TVantrelStackList& list, int first, bool insideIDE, bool resolved)
{
    if (insideIDE && resolved) {
        for (int i = list.Count() - 1; i >= first; --i) {
            const TVantrelDebugInfo& entry = *list.GetItem(i);
            if (!IsNamedDetail(entry.DebugDetail) || entry.ProcedureName.View().find("HandleException") != std::string_view::npos)
                list.Delete(i);
        }
    }
    // Repeats: a named entry whose next or next-but-one named entry of its module has the
    // same address is hidden.
    for (int i = list.Count() - 2; i >= first; --i) {
        TVantrelDebugInfo& entry = *list.GetItem(i);
        if (!IsNamedDetail(entry.DebugDetail)) continue;
        int seen = 0;
        for (int j = i + 1; j < list.Count() && seen < 2; ++j) {
            const TVantrelDebugInfo& next = *list.GetItem(j);
            if (!IsNamedDetail(next.DebugDetail) || next.ModuleInfo != entry.ModuleInfo) continue;
            ++seen;
            if (next.Address == entry.Address) {
                entry.DebugDetail = ddNone;
                break;
            }
        }
    }
    // Stale frames: an entry at the start of a procedure (procedure line 0) whose procedure
    // appears further in (a more recent entry, same thread and kind of stack, inside the
    // procedure): the values between are leftovers of calls that have returned.
    for (int i = list.Count() - 1; i > first; --i) {
        const TVantrelDebugInfo& entry = *list.GetItem(i);
        if (entry.DebugDetail != ddSourceCode || entry.ProcedureLine != 0) continue;
        for (int j = i - 1; j >= first; --j) {
            const TVantrelDebugInfo& recent = *list.GetItem(j);
            if (recent.ThreadID != entry.ThreadID || recent.OwnStack != entry.OwnStack ||
                recent.ProcedureLine == 0 || !SameProcedure(recent, entry))
                continue;
            for (int k = j + 1; k < i; ++k) list.GetItem(k)->DebugDetail = ddNone;
            break;
        }
    }
}

TVantrelDebugDetails LevelsDetailMask(TCallStackOptions options) noexcept
{
    TVantrelDebugDetails mask = DebugDetailBit(ddSourceCode);
    if (options.Contains(csoShowDLLs)) mask |= DebugDetailBit(ddProcedure);
    if (options.Contains(csoShowBPLs)) mask |= DebugDetailBit(ddUnitAndProcedure);
    return mask;
}
