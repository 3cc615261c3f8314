// One call-stack entry: where a code address lies (module, unit, class, procedure, line),
// which thread and trace it belongs to, and for memory-leak reports the leak group it heads.
//
// A plain value of fixed size: the texts are length-prefixed with a fixed capacity, so an
// entry holds no pointer to memory of its own and may be copied, kept in arrays and filled
// where allocating is not allowed. It is our own record, not a stored format: the module
// reference and the address are pointer-sized on 64-bit builds. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

#include "exceptions/EdebugNames.h"

class TVantrelModuleInfo;

// A text of at most Capacity characters: a length byte and the characters. Assigning a
// longer text keeps its first Capacity characters.
template <std::size_t Capacity>
class TShortText {
    static_assert(Capacity > 0 && Capacity <= 255, "the length is one byte");

public:
    TShortText() noexcept = default;
    // Not explicit: a field takes a text the way a string does.
    TShortText(std::string_view text) noexcept { Assign(text); }

    TShortText& operator=(std::string_view text) noexcept
    {
        Assign(text);
        return *this;
    }

    void Assign(std::string_view text) noexcept
    {
        const std::size_t length = text.size() < Capacity ? text.size() : Capacity;
        if (length) std::memcpy(FText, text.data(), length);
        FLength = static_cast<std::uint8_t>(length);
    }
    void Clear() noexcept { FLength = 0; }

    std::size_t Length() const noexcept { return FLength; }
    bool Empty() const noexcept { return FLength == 0; }
    std::string_view View() const noexcept { return std::string_view(FText, FLength); }
    std::string Str() const { return std::string(FText, FLength); }

    friend bool operator==(const TShortText& a, const TShortText& b) noexcept { return a.View() == b.View(); }
    friend bool operator!=(const TShortText& a, const TShortText& b) noexcept { return !(a == b); }

private:
    std::uint8_t FLength = 0;
    char FText[Capacity] = {};
};

constexpr std::size_t DebugInfoNameCapacity = 255;
constexpr std::size_t DebugInfoLeakTypeCapacity = 64;

// The fields in the order of the entry's description.
struct TVantrelDebugInfo {
    TVantrelDebugDetail DebugDetail = ddNone;
    TVantrelModuleInfo* ModuleInfo = nullptr; // the module's record, owned by the modules list
    std::uint32_t ThreadID = 0;
    std::uint8_t OwnStack = 0; // 1: a thread's own stack; 0: a calling-thread snapshot
    std::uint8_t First = 0;    // 1: the first entry of a trace
    std::uint8_t Leak = 0;     // 1: the header of a memory-leak group
    TShortText<DebugInfoLeakTypeCapacity> LeakType;
    std::uint32_t LeakSize = 0;
    std::uint32_t LeakCount = 0;
    std::uintptr_t Address = 0; // the call instruction, not the return address
    TShortText<DebugInfoNameCapacity> UnitName; // a source file name for source entries
    TShortText<DebugInfoNameCapacity> ClassName;
    TShortText<DebugInfoNameCapacity> ProcedureName;
    std::uint32_t LineNumber = 0;    // 0 when unknown
    std::uint32_t ProcedureLine = 0; // the line counted from the procedure's first line
};

static_assert(std::is_trivially_copyable_v<TVantrelDebugInfo>, "an entry is copied as plain bytes");
