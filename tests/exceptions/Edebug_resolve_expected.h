// What debug_fixtures/resolve_locations.json gives for addresses inside its units, in
// every format: the entry the resolver must make of each; and the check of an entry.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "exceptions/EdebugInfo.h"

namespace zv::test {

struct TResolveExpected {
    std::uint32_t Offset; // from the start of the code (module base + 0x1000)
    const char* Unit;
    const char* ClassName;
    const char* Procedure;
    std::uint32_t Line;
    std::uint32_t ProcedureLine;
};

inline constexpr TResolveExpected ResolveExpected[] = {
    {0x00, "Main.pas", "TMainForm", "FormCreate", 10, 0},
    {0x10, "Main.pas", "TMainForm", "FormCreate", 11, 1},
    {0x3F, "Main.pas", "TMainForm", "FormCreate", 12, 2},
    {0x40, "Main.pas", "", "Refresh", 30, 0}, // "Main.Refresh": the unit, not a class
    {0x55, "Main.pas", "", "Refresh", 31, 1},
    {0x100, "Tools.pas", "TParser", "ReadToken", 5, 0},
    {0x120, "Tools.pas", "TParser", "ReadToken", 6, 1},
    {0x1FF, "Tools.pas", "", "Checksum", 41, 1}, // the unit's last byte
};

// Checks that entry is the source-code entry expected at address.
inline void ExpectSourceEntry(const TVantrelDebugInfo& entry, const TResolveExpected& expected, const void* address)
{
    EXPECT_EQ(entry.DebugDetail, ddSourceCode);
    EXPECT_EQ(entry.Address, reinterpret_cast<std::uintptr_t>(address));
    EXPECT_EQ(entry.UnitName.Str(), expected.Unit);
    EXPECT_EQ(entry.ClassName.Str(), expected.ClassName);
    EXPECT_EQ(entry.ProcedureName.Str(), expected.Procedure);
    EXPECT_EQ(entry.LineNumber, expected.Line);
    EXPECT_EQ(entry.ProcedureLine, expected.ProcedureLine);
}

} // namespace zv::test
