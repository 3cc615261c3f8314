// The own debug data lookup, over data that own_writer.py writes from the documented layout
// (Edebug_owndata_fixtures beside the test exe, see CMakeLists.txt): every answer that
// locations.py expects of the common description, in each generation of the texts, and
// the edges of this format (own_edges.json and damaged data).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "exceptions/EdebugOwnData.h"
#include "reporting/Ebase64.h"
#include "reporting/Eencrypt.h"
#include "tests/exceptions/debug_fixture_rows.h"

namespace {

// The relative address the writer gives the start of the code.
constexpr std::uint32_t CodeBase = 0x1000;
const std::string FixturePassword = "Own pass";

const TDebugFixtureFolder Fixtures("Edebug_owndata_fixtures");

// Every procedure of the fixture begins with push ebp; mov ebp, esp.
bool FramedCode(std::uint32_t, void* buffer, std::size_t length)
{
    static const std::uint8_t Prologue[] = {0x55, 0x8B, 0xEC};
    if (length > sizeof Prologue) return false;
    std::memcpy(buffer, Prologue, length);
    return true;
}

TOwnDebugLocation Find(const std::string& data, const TOwnDebugDataKey& key, std::uint32_t address,
                       const TOwnDebugCodeReader& readCode = FramedCode)
{
    return FindOwnDebugLocation(data.data(), data.size(), key, address, readCode);
}

struct TGeneration {
    const char* File;
    int Version;
};

// The texts in every form: qualified and enciphered, enciphered, XORed with a skipped block.
const TGeneration Generations[] = {
    {"locations_6015.bin", 6015},
    {"locations_501.bin", 501},
    {"locations_420.bin", 420},
};

TEST(OwnDebugData, AnswersEveryExpectedRowInEveryGeneration)
{
    const std::vector<TExpectedDebugRow> rows = Fixtures.Rows("locations.expected.txt");
    // A procedure's first line is the line at its start (offset 0).
    std::map<std::string, int> firstLines;
    for (const TExpectedDebugRow& row : rows)
        if (row.Answer.ProcedureOffset == 0) firstLines[row.Answer.Procedure] = row.Answer.Line;

    for (const TGeneration& generation : Generations) {
        SCOPED_TRACE(generation.File);
        const std::string data = Fixtures.Read(generation.File);
        const TOwnDebugDataKey key{generation.Version, FixturePassword, true};
        for (const TExpectedDebugRow& row : rows) {
            SCOPED_TRACE("address " + std::to_string(row.Address));
            const TDebugAnswer& expected = row.Answer;
            std::string qualified = expected.Procedure;
            if (qualified.rfind(expected.Unit + ".", 0) == 0) qualified.erase(0, expected.Unit.size() + 1);
            const std::size_t dot = qualified.find('.');
            const std::string className = dot == std::string::npos ? "" : qualified.substr(0, dot);
            const std::string procedure = dot == std::string::npos ? qualified : qualified.substr(dot + 1);

            const TOwnDebugLocation location = Find(data, key, CodeBase + row.Address);
            ASSERT_TRUE(location.Found);
            EXPECT_EQ(location.UnitName, expected.Source);
            EXPECT_EQ(location.ClassName, className);
            EXPECT_EQ(location.ProcedureName, procedure);
            EXPECT_EQ(location.Line, expected.Line);
            ASSERT_EQ(firstLines.count(expected.Procedure), 1u);
            EXPECT_EQ(location.ProcedureLine, expected.Line - firstLines[expected.Procedure]);
        }
    }
}

// The code bytes of own_edges.json's procedures (relative addresses).
bool EdgesCode(std::uint32_t address, void* buffer, std::size_t length)
{
    static const std::map<std::uint32_t, std::vector<std::uint8_t>> Code = {
        {CodeBase + 0, {0x55, 0x8B, 0xEC}},    // Start: framed
        {CodeBase + 4, {0x53, 0x56, 0x57}},    // _Helper: push ebx
        {CodeBase + 8, {0x55, 0x8B, 0xEC}},    // Finalization: framed, lowered all the same
        {CodeBase + 16, {0x55, 0x8B, 0x00}},   // TWorker.Run: not quite the prologue
        {CodeBase + 24, {0x53}},               // TWorker.Stop: one readable byte
        {CodeBase + 40, {0x90, 0x90, 0x90}},   // NoFrame
        {CodeBase + 5200, {0x90, 0x90, 0x90}}, // Initialization: never lowered
    };
    const auto code = Code.find(address);
    if (code == Code.end() || length > code->second.size()) return false;
    std::memcpy(buffer, code->second.data(), length);
    return true;
}

struct TEdgeCase {
    const char* Name;
    std::uint32_t Address; // from the start of the code
    bool Found;
    const char* Unit;
    const char* ClassName;
    const char* Procedure;
    int Line;
    int ProcedureLine;
};

const TEdgeCase EdgeCases[] = {
    {"a unit name without extension gets .cpp", 0, true, "engine.cpp", "", "Start", 10, 0},
    {"a one-byte procedure record; @ becomes _", 4, true, "engine.cpp", "", "_Helper", 12, 0},
    {"push ebx counts as a prologue", 6, true, "engine.cpp", "", "_Helper", 13, 1},
    {"Finalization's first line is one lower", 8, true, "engine.cpp", "", "Finalization", 20, 1},
    {"and so is every line of it", 9, true, "engine.cpp", "", "Finalization", 21, 2},
    {"no full prologue: first line one lower", 16, true, "engine.cpp", "TWorker", "Run", 30, 1},
    {"a method of the previous class", 24, true, "engine.cpp", "TWorker", "Stop", 35, 0},
    {"no prologue", 40, true, "engine.cpp", "", "NoFrame", 60, 1},
    {"no prologue, later line", 48, true, "engine.cpp", "", "NoFrame", 62, 3},
    {"the escaped record form", 5200, true, "engine.cpp", "", "Initialization", 70, 0},
    {"Initialization is never lowered", 5210, true, "engine.cpp", "", "Initialization", 71, 1},
    {"the last byte of a unit", 5999, true, "engine.cpp", "", "Initialization", 71, 1},
    {"one byte behind a unit", 6000, false, "", "", "", 0, 0},
    {"just before the next unit", 7999, false, "", "", "", 0, 0},
    {"a unit whose only line is at its start; code not readable", 8000, true, "Util.pas", "", "Tiny", 1, 1},
    {"the last byte of the last unit", 8015, true, "Util.pas", "", "Tiny", 1, 1},
    {"behind the last unit", 8016, false, "", "", "", 0, 0},
};

TEST(OwnDebugData, EdgesOfTheFormat)
{
    const std::string data = Fixtures.Read("edges_6015.bin");
    const TOwnDebugDataKey key{6015, FixturePassword, true};
    for (const TEdgeCase& c : EdgeCases) {
        SCOPED_TRACE(c.Name);
        const TOwnDebugLocation location = Find(data, key, CodeBase + c.Address, EdgesCode);
        EXPECT_EQ(location.Found, c.Found);
        EXPECT_EQ(location.UnitName, c.Unit);
        EXPECT_EQ(location.ClassName, c.ClassName);
        EXPECT_EQ(location.ProcedureName, c.Procedure);
        EXPECT_EQ(location.Line, c.Line);
        EXPECT_EQ(location.ProcedureLine, c.ProcedureLine);
    }
}

TEST(OwnDebugData, CodeThatCannotBeReadCountsAsUnframed)
{
    const std::string data = Fixtures.Read("edges_6015.bin");
    const TOwnDebugDataKey key{6015, FixturePassword, true};
    // Start's first line 10 taken as 9: its first line is line 1 of the procedure.
    EXPECT_EQ(Find(data, key, CodeBase + 0, nullptr).ProcedureLine, 1);
    EXPECT_EQ(Find(data, key, CodeBase + 5210, nullptr).ProcedureLine, 1); // Initialization
}

// The text a wrong password shows: "?" and the Base64 form of the enciphered bytes, with
// "c" at position 2 of a unit name; deciphered with the right key it is the name again.
std::string DecipherShown(std::string shown, bool unitName)
{
    if (shown.size() < 1 || shown[0] != '?') return "not a ? text: " + shown;
    if (unitName) {
        if (shown.size() < 2 || shown[1] != 'c') return "no c at position 2: " + shown;
        shown.erase(1, 1);
    }
    std::string bytes = Base64DecodeString(shown.substr(1));
    InitKey(FixturePassword);
    Decrypt(bytes.data(), bytes.data(), bytes.size());
    return bytes;
}

TEST(OwnDebugData, WithoutAValidPasswordTextsStayEnciphered)
{
    const std::string data = Fixtures.Read("edges_6015.bin");
    const TOwnDebugDataKey key{6015, "", false};
    const TOwnDebugLocation start = Find(data, key, CodeBase + 0, EdgesCode);
    ASSERT_TRUE(start.Found);
    EXPECT_EQ(start.UnitName.find(".cpp"), std::string::npos) << start.UnitName;
    EXPECT_EQ(DecipherShown(start.UnitName, true), "engine");
    EXPECT_EQ(DecipherShown(start.ProcedureName, false), "Start");
    EXPECT_EQ(start.Line, 10);

    // A qualified name's parts are enciphered one by one and joined with ".".
    const TOwnDebugLocation run = Find(data, key, CodeBase + 16, EdgesCode);
    ASSERT_TRUE(run.Found);
    EXPECT_EQ(DecipherShown(run.ClassName, false), "TWorker");
    EXPECT_EQ(DecipherShown(run.ProcedureName, false), "Run");

    // A dotted unit name of version 501 is one text: its dot stays enciphered.
    const TOwnDebugLocation main = Find(Fixtures.Read("locations_501.bin"), {501, "", false}, CodeBase + 8);
    ASSERT_TRUE(main.Found);
    EXPECT_EQ(DecipherShown(main.UnitName, true), "Main.pas");
}

TEST(OwnDebugData, ScrambledTextsNeedNoPassword)
{
    const TOwnDebugLocation location = Find(Fixtures.Read("locations_420.bin"), {420, "", false}, CodeBase + 70);
    ASSERT_TRUE(location.Found);
    EXPECT_EQ(location.UnitName, "Main.pas");
    EXPECT_EQ(location.ClassName, "TMainForm");
    EXPECT_EQ(location.ProcedureName, "ButtonClick");
}

TEST(OwnDebugData, DamagedDataGivesNoLocation)
{
    const TOwnDebugDataKey key{6015, FixturePassword, true};
    const std::string longBlock = Fixtures.Read("damaged_long_block.bin");
    const std::string truncatedName = Fixtures.Read("damaged_truncated_name.bin");
    const std::string truncatedRecord = Fixtures.Read("damaged_truncated_record.bin");
    EXPECT_FALSE(Find(longBlock, key, CodeBase + 8).Found);
    EXPECT_FALSE(Find(truncatedName, key, CodeBase + 8).Found);
    // The last record of Helpers lacks its last byte: what lies before it is still found.
    EXPECT_TRUE(Find(truncatedRecord, key, CodeBase + 300).Found);
    EXPECT_FALSE(Find(truncatedRecord, key, CodeBase + 4351).Found);

    const std::string whole = Fixtures.Read("locations_6015.bin");
    for (std::size_t size = 0; size < whole.size(); ++size) {
        SCOPED_TRACE("cut at " + std::to_string(size));
        // A copy of exactly that size, so that the sanitizers see a read past it.
        const std::string cut = whole.substr(0, size);
        const TOwnDebugLocation location = Find(cut, key, CodeBase + 4351);
        EXPECT_FALSE(location.Found);
    }
    EXPECT_FALSE(FindOwnDebugLocation(nullptr, 0, key, CodeBase, FramedCode).Found);
}

TEST(OwnDebugData, AnEarlyVersionSkipsNoBlockAndKnowsNoEscape)
{
    // Version 404 has no skipped block, and its 32-bit value 0x0FFEFFFE is a plain record:
    // line delta 0xFFFF, address delta 4095.
    std::string data;
    auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) data += static_cast<char>(v >> (8 * i));
    };
    u32(1);
    data += '\x01';
    data += static_cast<char>('U' ^ OwnDebugScrambleKey);
    u32(1);      // first line
    u32(0x2000); // start
    u32(0x2000); // size
    u32(4);      // one 32-bit record, starting no procedure
    u32(0x0FFEFFFEu << 4 | 8 | 3);
    const TOwnDebugDataKey key{404, "", true};
    const TOwnDebugLocation first = Find(data, key, 0x2000 + 4094);
    ASSERT_TRUE(first.Found);
    EXPECT_EQ(first.UnitName, "U.cpp");
    EXPECT_EQ(first.Line, 1);
    EXPECT_EQ(first.ProcedureName, "");
    EXPECT_EQ(first.ProcedureLine, 0);
    EXPECT_EQ(Find(data, key, 0x2000 + 4095).Line, 1 + 0xFFFF);
    EXPECT_EQ(Find(data, key, 0x3FFF).Line, 1 + 0xFFFF);
}

} // namespace
