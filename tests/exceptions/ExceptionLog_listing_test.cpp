// The disassembly listing over planted code: where it starts, where it stops, its source
// headers, the names and texts of operands, and the exact text of a known function in
// both code kinds.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "exceptions/ExceptionLogListing.h"
#include "tests/exceptions/ExceptionLog_stack_memory.h"

namespace {

// A resolver over a table of address ranges.
struct TPlantedLocation {
    std::uintptr_t First, Last;
    TVantrelDebugDetail Detail;
    const char* Unit;
    const char* Class;
    const char* Procedure;
    std::uint32_t Line, ProcedureLine;
};

TStackResolver ResolverOf(std::vector<TPlantedLocation> table)
{
    return [table](std::uintptr_t address, TVantrelDebugInfo& entry, bool, bool, std::uint32_t) {
        entry = TVantrelDebugInfo{};
        entry.Address = address;
        for (const TPlantedLocation& location : table) {
            if (address < location.First || address > location.Last) continue;
            entry.DebugDetail = location.Detail;
            entry.UnitName = location.Unit;
            entry.ClassName = location.Class;
            entry.ProcedureName = location.Procedure;
            entry.LineNumber = location.Line;
            entry.ProcedureLine = location.ProcedureLine;
            return;
        }
    };
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

constexpr std::uintptr_t CodeBase = 0x00401000;
constexpr std::uintptr_t TextAddress = 0x00403000;
constexpr std::uintptr_t HelperAddress = 0x00401100;

// A small procedure with a frame, a pushed text address, a call, a store of an immediate
// (C7, whose opcode lies among C2 to CB but is no return) and a return, followed by other code.
struct TKnownProcedure {
    TPlantedMemory Memory;
    std::uintptr_t Call = 0; // the listing's address: the call instruction
    TStackResolver Resolver;
};

TKnownProcedure KnownProcedure(TCpuMode mode)
{
    TKnownProcedure known;
    TPlantedMemory& memory = known.Memory;
    memory.AddRegion(CodeBase, 0x200, true, 0xCC);
    memory.AddRegion(TextAddress, 0x20, true, 0);
    memory.Put(TextAddress, {'H', 'e', 'l', 'l', 'o', 0});
    std::vector<std::uint8_t> code;
    if (mode == TCpuMode::cm32) {
        code = {0x55,                                // push ebp                  line 10
                0x89, 0xE5,                          // mov ebp, esp
                0x83, 0xEC, 0x10,                    // sub esp, 16
                0x68, 0x00, 0x30, 0x40, 0x00,        // push TextAddress          line 11
                0xE8, 0xF0, 0x00, 0x00, 0x00,        // call HelperAddress
                0x83, 0xC4, 0x04,                    // add esp, 4                line 12
                0x8B, 0x45, 0x08,                    // mov eax, [ebp+8]
                0xC7, 0x00, 0x01, 0x00, 0x00, 0x00,  // mov dword ptr [eax], 1
                0xC9,                                // leave                     line 13
                0xC3};                               // ret
        known.Call = CodeBase + 11;
    } else {
        code = {0x55,                                      // push rbp            line 10
                0x48, 0x89, 0xE5,                          // mov rbp, rsp
                0x48, 0x83, 0xEC, 0x20,                    // sub rsp, 32
                0xB9, 0x00, 0x30, 0x40, 0x00,              // mov ecx, TextAddress line 11
                0xE8, 0xEE, 0x00, 0x00, 0x00,              // call HelperAddress
                0x48, 0x83, 0xC4, 0x20,                    // add rsp, 32         line 12
                0x48, 0x8B, 0x45, 0x10,                    // mov rax, [rbp+16]
                0xC7, 0x00, 0x01, 0x00, 0x00, 0x00,        // mov dword ptr [rax], 1
                0xC9,                                      // leave               line 13
                0xC3};                                     // ret
        known.Call = CodeBase + 13;
    }
    memory.Put(CodeBase, code);
    const std::uintptr_t lineEleven = CodeBase + (mode == TCpuMode::cm32 ? 6 : 8);
    const std::uintptr_t lineTwelve = known.Call + 5;
    const std::uintptr_t lineThirteen = CodeBase + code.size() - 2;
    known.Resolver = ResolverOf({
        {CodeBase, lineEleven - 1, ddSourceCode, "Demo.cpp", "TDemo", "Run", 10, 0},
        {lineEleven, lineTwelve - 1, ddSourceCode, "Demo.cpp", "TDemo", "Run", 11, 1},
        {lineTwelve, lineThirteen - 1, ddSourceCode, "Demo.cpp", "TDemo", "Run", 12, 2},
        {lineThirteen, CodeBase + code.size() - 1, ddSourceCode, "Demo.cpp", "TDemo", "Run", 13, 3},
        {HelperAddress, HelperAddress + 0x10, ddSourceCode, "Demo.cpp", "TDemo", "Helper", 50, 0},
    });
    return known;
}

TEST(AsmListing, KnownProcedureIn32BitCode)
{
    TKnownProcedure known = KnownProcedure(TCpuMode::cm32);
    // The lines of line 10 go: the header above the address's own line comes first and
    // names the procedure again.
    EXPECT_EQ(Joined(DisassemblyListing(known.Call, known.Memory, TCpuMode::cm32, known.Resolver)),
              "; Demo.TDemo.Run (Line=11 - Offset=1)\n"
              "; -----------------------------------\n"
              "00401006  push    $403000                      ; 'Hello'\n"
              "0040100B  call    Demo.TDemo.Helper (Line=50)  ; <-- EXCEPTION\n"
              ";\n"
              "; (Line=12 - Offset=2)\n"
              "; --------------------\n"
              "00401010  add     esp, $4\n"
              "00401013  mov     eax, [ebp+$8]\n"
              "00401016  mov     dword ptr [eax], $1\n"
              ";\n"
              "; (Line=13 - Offset=3)\n"
              "; --------------------\n"
              "0040101C  leave\n"
              "0040101D  ret\n");
}

TEST(AsmListing, KnownProcedureIn64BitCode)
{
    TKnownProcedure known = KnownProcedure(TCpuMode::cm64);
    EXPECT_EQ(Joined(DisassemblyListing(known.Call, known.Memory, TCpuMode::cm64, known.Resolver)),
              "; Demo.TDemo.Run (Line=11 - Offset=1)\n"
              "; -----------------------------------\n"
              "0000000000401008  mov     ecx, $403000                 ; 'Hello'\n"
              "000000000040100D  call    Demo.TDemo.Helper (Line=50)  ; <-- EXCEPTION\n"
              ";\n"
              "; (Line=12 - Offset=2)\n"
              "; --------------------\n"
              "0000000000401012  add     rsp, $20\n"
              "0000000000401016  mov     rax, [rbp+$10]\n"
              "000000000040101A  mov     dword ptr [rax], $1\n"
              ";\n"
              "; (Line=13 - Offset=3)\n"
              "; --------------------\n"
              "0000000000401020  leave\n"
              "0000000000401021  ret\n");
}

TEST(AsmListing, WithoutLocationsHasNoHeadersAndStartsAtTheSearchedStart)
{
    TKnownProcedure known = KnownProcedure(TCpuMode::cm32);
    const std::vector<std::string> lines =
        DisassemblyListing(known.Call, known.Memory, TCpuMode::cm32, TStackResolver());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "00401000  push    ebp");
    EXPECT_EQ(lines.back(), "0040101D  ret");
    EXPECT_EQ(lines[4], "0040100B  call    $00401100            ; <-- EXCEPTION");
    for (const std::string& line : lines) EXPECT_NE(line[0], ';') << line;
}

TEST(AsmListing, StopsTenInstructionsBehindTheAddress)
{
    TPlantedMemory memory;
    memory.AddRegion(CodeBase, 0x100, true, 0x90); // nops: no return behind the address
    const std::uintptr_t address = CodeBase + 0x80;
    const std::vector<std::string> lines = DisassemblyListing(address, memory, TCpuMode::cm32, TStackResolver());
    ASSERT_EQ(lines.size(), 21u);
    EXPECT_EQ(lines.front(), "00401076  nop");
    EXPECT_EQ(lines[10], "00401080  nop  ; <-- EXCEPTION");
    EXPECT_EQ(lines.back(), "0040108A  nop");
}

TEST(AsmListing, NothingForAnUnreadableAddress)
{
    TPlantedMemory memory;
    memory.AddRegion(CodeBase, 0x100, false, 0x90);
    EXPECT_TRUE(DisassemblyListing(CodeBase + 0x10, memory, TCpuMode::cm32, TStackResolver()).empty());
}

TEST(AsmListing, EndsAtTheLastReadableByte)
{
    TPlantedMemory memory;
    memory.AddRegion(CodeBase, 0x10, true, 0x90);
    const std::vector<std::string> lines = DisassemblyListing(CodeBase + 0xC, memory, TCpuMode::cm32, TStackResolver());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "0040100F  nop");
}

struct TStartCase {
    const char* Name;
    std::uintptr_t RegionOffset;          // where readable code begins, before the address
    std::vector<std::uint8_t> Code;       // from there up to the address
    std::uintptr_t ExpectedOffset;        // the start found, counted back from the address
};

class ListingStartCases : public testing::TestWithParam<TStartCase> {};

TEST_P(ListingStartCases, FindsTheFarthestStartThatLandsOnTheAddress)
{
    const TStartCase& c = GetParam();
    const std::uintptr_t address = CodeBase + 0x100;
    TPlantedMemory memory;
    memory.AddRegion(address - c.RegionOffset, c.RegionOffset + 0x10, true, 0x90);
    memory.Put(address - c.RegionOffset, c.Code);
    EXPECT_EQ(address - ListingStart(address, memory, TCpuMode::cm32), c.ExpectedOffset);
}

INSTANTIATE_TEST_SUITE_P(
    Planted, ListingStartCases,
    testing::Values(
        // Four one-byte instructions: the readable run's first byte.
        TStartCase{"ShortRun", 4, {0x90, 0x90, 0x90, 0x90}, 4},
        // 70 nops: only the last ten are kept.
        TStartCase{"LongRun", 100, std::vector<std::uint8_t>(100, 0x90), 10},
        // B8 needs five bytes, so the start at -3 runs past the address; -2 (00 00) lands.
        TStartCase{"MisleadingFirstByte", 3, {0xB8, 0x00, 0x00}, 2},
        // Nothing before the address is readable.
        TStartCase{"NothingBefore", 0, {}, 0}),
    [](const testing::TestParamInfo<TStartCase>& info) { return std::string(info.param.Name); });

struct TTextCase {
    const char* Name;
    std::vector<std::uint8_t> Bytes;
    std::size_t Readable; // bytes of the region that are readable
    const char* Expected;
};

class ListingTextCases : public testing::TestWithParam<TTextCase> {};

TEST_P(ListingTextCases, ShowsTheTextAnImmediatePointsTo)
{
    const TTextCase& c = GetParam();
    TPlantedMemory memory;
    memory.AddRegion(TextAddress, c.Readable, true, 0);
    memory.AddRegion(TextAddress + c.Readable, 0x40, false, 0);
    std::vector<std::uint8_t> bytes = c.Bytes;
    bytes.resize(std::min(bytes.size(), c.Readable));
    memory.Put(TextAddress, bytes);
    EXPECT_EQ(ListingTextComment(TextAddress, memory), c.Expected);
}

std::vector<std::uint8_t> Letters(std::size_t count)
{
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < count; ++i) bytes.push_back(static_cast<std::uint8_t>('a' + i % 26));
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Planted, ListingTextCases,
    testing::Values(TTextCase{"Ended", {'H', 'i', 0}, 0x40, "  ; 'Hi'"},
                    TTextCase{"NonPrintableAsDots", {'A', 1, 0x7F, 'B', 0}, 0x40, "  ; 'A..B'"},
                    TTextCase{"ThirtyOneAndItsZero",
                              [] {
                                  auto b = Letters(31);
                                  b.push_back(0);
                                  return b;
                              }(),
                              0x40, "  ; 'abcdefghijklmnopqrstuvwxyzabcde'"},
                    TTextCase{"ThirtyTwoWithoutZero", Letters(40), 0x40, "  ; 'abcdefghijklmnopqrstuvwxyzabcdef'..."},
                    TTextCase{"RunsIntoUnreadable", Letters(5), 5, "  ; 'abcde'..."},
                    TTextCase{"NotText", {0x8B, 0x45, 0}, 0x40, ""},
                    TTextCase{"EmptyText", {0}, 0x40, ""}),
    [](const testing::TestParamInfo<TTextCase>& info) { return std::string(info.param.Name); });

TEST(ListingText, NothingForAnUnreadableValue)
{
    TPlantedMemory memory;
    EXPECT_EQ(ListingTextComment(TextAddress, memory), "");
    EXPECT_EQ(ListingTextComment(0, memory), "");
}

// An object of a polymorphic class as our compiler lays it out: its first word points into
// the virtual table, whose preceding word points to the type_info (itself an object with a
// virtual table), whose second word points to the mangled name.
struct TObjectLayout {
    std::uintptr_t Object = 0x00500000, Table = 0x00600010, TypeInfo = 0x00700000, TypeInfoTable = 0x00600100,
                   Name = 0x00700100;
};

TPlantedMemory PlantedObject(TCpuMode mode, const char* mangled, TObjectLayout layout = {})
{
    const std::size_t word = mode == TCpuMode::cm64 ? 8 : 4;
    TPlantedMemory memory;
    memory.AddRegion(layout.Object, 0x40, true);
    memory.AddRegion(0x00600000, 0x200, true);
    memory.AddRegion(0x00700000, 0x200, true);
    memory.PutWord(layout.Object, layout.Table, word);
    if (layout.Table - word >= 0x00600000 && layout.Table < 0x00600200) // else a table that leads nowhere
        memory.PutWord(layout.Table - word, layout.TypeInfo, word);
    memory.PutWord(layout.TypeInfo, layout.TypeInfoTable, word);
    memory.PutWord(layout.TypeInfo + word, layout.Name, word);
    std::vector<std::uint8_t> name(mangled, mangled + std::char_traits<char>::length(mangled) + 1);
    memory.Put(layout.Name, name);
    return memory;
}

class ObjectClassNames : public testing::TestWithParam<TCpuMode> {};

TEST_P(ObjectClassNames, AreReadThroughTheVirtualTablesTypeInformation)
{
    EXPECT_EQ(ObjectClassNameAt(0x00500000, PlantedObject(GetParam(), "N2zv5TDemoE"), GetParam()), "zv::TDemo");
    EXPECT_EQ(ObjectClassNameAt(0x00500000, PlantedObject(GetParam(), "12TApplication"), GetParam()), "TApplication");
}

TEST_P(ObjectClassNames, AreEmptyForWhatIsNoObject)
{
    const TCpuMode mode = GetParam();
    // A name that is no mangled class name.
    EXPECT_EQ(ObjectClassNameAt(0x00500000, PlantedObject(mode, "hello world"), mode), "");
    EXPECT_EQ(ObjectClassNameAt(0x00500000, PlantedObject(mode, ""), mode), "");
    // An address inside the object, not at its start.
    EXPECT_EQ(ObjectClassNameAt(0x00500001, PlantedObject(mode, "5TDemo"), mode), "");
    // A table pointer that leads nowhere.
    TObjectLayout wild;
    wild.Table = 0x00900010;
    EXPECT_EQ(ObjectClassNameAt(0x00500000, PlantedObject(mode, "5TDemo", wild), mode), "");
    // A type_info pointer to memory that is not an object.
    TObjectLayout noTypeInfoTable;
    noTypeInfoTable.TypeInfoTable = 0x00900000;
    EXPECT_EQ(ObjectClassNameAt(0x00500000, PlantedObject(mode, "5TDemo", noTypeInfoTable), mode), "");
}

INSTANTIATE_TEST_SUITE_P(Both, ObjectClassNames, testing::Values(TCpuMode::cm32, TCpuMode::cm64));

TEST(ListingAddressNames, NameProceduresWithTheirLineAboveOne)
{
    TPlantedMemory memory = PlantedObject(TCpuMode::cm32, "5TDemo");
    const TStackResolver resolver = ResolverOf({
        {0x1000, 0x10FF, ddSourceCode, "src/Demo.cpp", "TDemo", "Run", 12, 2},
        {0x1100, 0x11FF, ddSourceCode, "Demo.cpp", "", "Start", 1, 0},
        {0x1200, 0x12FF, ddProcedure, "", "", "CreateFileA", 0, 0},
        {0x1300, 0x13FF, ddModule, "", "", "", 0, 0},
    });
    EXPECT_EQ(ListingAddressName(0x1000, memory, TCpuMode::cm32, resolver), "src/Demo.TDemo.Run (Line=12)");
    EXPECT_EQ(ListingAddressName(0x1100, memory, TCpuMode::cm32, resolver), "Demo.Start");
    EXPECT_EQ(ListingAddressName(0x1200, memory, TCpuMode::cm32, resolver), "CreateFileA");
    EXPECT_EQ(ListingAddressName(0x1300, memory, TCpuMode::cm32, resolver), "");
    EXPECT_EQ(ListingAddressName(0x00500000, memory, TCpuMode::cm32, resolver), "TDemo");
}

TEST(AsmSection, CaptionAndRuleAsWideAsTheWidestLine)
{
    EXPECT_EQ(AssemblerSection("Assembler Information", {"00401000  nop", "0040100B  call    $00401100  ; <-- EXCEPTION"}),
              (std::vector<std::string>{"Assembler Information:", std::string(44, '-'), "00401000  nop",
                                        "0040100B  call    $00401100  ; <-- EXCEPTION"}));
    EXPECT_EQ(AssemblerSection("Assembler Information", {"00401000  nop"}),
              (std::vector<std::string>{"Assembler Information:", std::string(22, '-'), "00401000  nop"}));
}

} // namespace
