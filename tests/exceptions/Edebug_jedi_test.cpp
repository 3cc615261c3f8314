// The JEDI binary debug reader on the files that debug_fixtures/jedi_writer.py writes from
// the format's published layout (Edebug_jedi_fixtures beside the test exe; see
// debug_fixture_rows.h): the rows every reader must give for locations.json, then the
// format's own edges.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "exceptions/EdebugJedi.h"
#include "tests/exceptions/debug_fixture_rows.h"

namespace {

const TDebugFixtureFolder Fixtures("Edebug_jedi_fixtures");

TELBinDebugScanner ScannerOf(const std::string& bytes, bool cache = true)
{
    return TELBinDebugScanner(bytes.data(), bytes.size(), cache);
}

// A file put together here for the edges of the lists: the unit list, the line-number list
// and the word table as given, the other lists empty, no checksum.
std::string HandMade(const std::string& units, const std::string& lines, const std::string& words)
{
    std::string data(34, '\0');
    data.replace(0, 5, "JDBG\1");
    auto offset = [&](std::size_t at, std::size_t value) {
        for (int i = 0; i < 4; ++i) data[at + i] = char((value >> (8 * i)) & 0xFF);
    };
    offset(5, data.size());
    data += units;
    offset(17, data.size());
    data += lines;
    offset(21, data.size());
    data += words;
    while (data.size() % 4 != 0 || data.size() < 36) data += '\0';
    return data;
}

// A variable-length number: 7 bits a byte, least significant first, modulo 2**32.
std::string Number(std::uint32_t value)
{
    std::string out;
    do {
        const char group = char(value & 0x7F);
        value >>= 7;
        out += value ? char(group | 0x80) : group;
    } while (value);
    return out;
}

const std::string EndOfList = Number(0x7FFFFFFF);
// The word table: a spare byte, then "A" at 1 and "B" at 3 (packed: code 11, code 12, 0 ends).
const std::string TwoWords = std::string("\0\x0B\0\x0C\0", 5);

// The caching scanner (what the library uses) and the list-walking one answer alike.
class JediRows : public testing::TestWithParam<bool> {};

TEST_P(JediRows, EveryRowOfTheDescriptionIsAnswered)
{
    const std::vector<TExpectedDebugRow> rows = Fixtures.Rows("locations.tsv");
    ASSERT_GT(rows.size(), 20u);
    for (const char* file : {"locations.jdbg", "no-checksum.jdbg", "no-end-marker.jdbg"}) {
        SCOPED_TRACE(file);
        const std::string bytes = Fixtures.Read(file);
        const TELBinDebugScanner scanner = ScannerOf(bytes, GetParam());
        ASSERT_TRUE(scanner.ValidFormat());
        EXPECT_EQ(scanner.ModuleName(), "Sample.exe");
        ExpectDebugRows(scanner, rows);
        // Asked again, from the filled caches.
        ExpectDebugRows(scanner, rows);
    }
}

INSTANTIATE_TEST_SUITE_P(CachedAndWalked, JediRows, testing::Bool());

TEST(JediFormat, RejectsWhatTheFormatCheckForbids)
{
    const std::string good = Fixtures.Read("locations.jdbg");
    ASSERT_TRUE(ScannerOf(good).ValidFormat());
    const std::string zeroWord(4, '\0');
    const struct {
        const char* Label;
        std::string Bytes;
        bool Valid;
    } cases[] = {
        {"checksum flag set, checksum wrong", Fixtures.Read("bad-checksum.jdbg"), false},
        {"checksum flag clear, checksum field zero", Fixtures.Read("no-checksum.jdbg"), true},
        {"version 2", Fixtures.Read("version2.jdbg"), false},
        {"signature JDBH", Fixtures.Read("signature.jdbg"), false},
        {"one byte more: size not a multiple of 4", good + '\0', false},
        {"a zero word more: the sum stays", good + zeroWord, true},
        {"a word more changes the sum", good + std::string("\1\0\0\0", 4), false},
        {"a body byte changed under the checksum", good.substr(0, 40) + char(good[40] ^ 1) + good.substr(41), false},
        {"32 bytes: below 35", good.substr(0, 32), false},
        {"36 bytes: the header and a word", good.substr(0, 36), false}, // its sum is wrong now
        {"empty", std::string(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        const TELBinDebugScanner scanner = ScannerOf(c.Bytes);
        EXPECT_EQ(scanner.ValidFormat(), c.Valid);
        if (!c.Valid) {
            EXPECT_EQ(AskDebugLookups(scanner, 0), NoDebugAnswer);
            EXPECT_EQ(AskDebugLookups(scanner, 300), NoDebugAnswer);
            EXPECT_EQ(scanner.ModuleName(), "");
        }
    }
}

TEST(JediFormat, SmallestValidFileHasNoAnswers)
{
    // 36 bytes: "JDBG", version 1, every offset 0, checksum flag clear.
    std::string bytes(36, '\0');
    bytes.replace(0, 5, "JDBG\1");
    const TELBinDebugScanner scanner = ScannerOf(bytes);
    ASSERT_TRUE(scanner.ValidFormat());
    EXPECT_EQ(AskDebugLookups(scanner, 0), NoDebugAnswer);
    EXPECT_EQ(scanner.ModuleName(), "");
}

TEST(JediLookups, AddressesOutsideProceduresAndUnits)
{
    // The format stores starts only: a unit reaches to the next unit's start, the last one
    // to the end of the address space; a symbol reaches to the next symbol.
    for (bool cache : {true, false}) {
        SCOPED_TRACE(cache ? "cached" : "walked");
        const std::string bytes = Fixtures.Read("locations.jdbg");
        const TELBinDebugScanner scanner = ScannerOf(bytes, cache);
        std::uint32_t offset = 0;
        // Main's gap between ButtonClick (64..159) and Initialization (192).
        EXPECT_EQ(scanner.ProcNameFromAddr(170, offset), "Main.TMainForm.ButtonClick");
        EXPECT_EQ(offset, 106u);
        EXPECT_EQ(scanner.LineNumberFromAddr(170, offset), 23);
        EXPECT_EQ(offset, 20u);
        // The last byte of Main and the first of Helpers.
        EXPECT_EQ(scanner.ModuleNameFromAddr(255), "Main");
        EXPECT_EQ(scanner.ModuleNameFromAddr(256), "Helpers");
        EXPECT_EQ(scanner.ProcNameFromAddr(256, offset), "Helpers.Checksum");
        EXPECT_EQ(offset, 0u);
        EXPECT_EQ(scanner.LineNumberFromAddr(256, offset), 5); // the line falls from 41 to 5
        // Far behind the last unit: still its unit, procedure and line.
        EXPECT_EQ(scanner.ModuleNameFromAddr(0xFFFFFFFF), "Helpers");
        EXPECT_EQ(scanner.ModuleStartFromAddr(0xFFFFFFFF), std::optional<std::uint32_t>(256));
        EXPECT_EQ(scanner.ProcNameFromAddr(0xFFFFFFFF, offset), "Helpers.TParser.ReadToken");
        EXPECT_EQ(offset, 0xFFFFFFFFu - 1300);
        EXPECT_EQ(scanner.LineNumberFromAddr(0xFFFFFFFF, offset), 151);
        EXPECT_EQ(offset, 0xFFFFFFFFu - 4351);
        EXPECT_EQ(scanner.SourceNameFromAddr(0xFFFFFFFF), "Helpers.pas");
    }
}

TEST(JediLookups, EdgesOfNamesAndUnitStarts)
{
    for (bool cache : {true, false}) {
        SCOPED_TRACE(cache ? "cached" : "walked");
        const std::string bytes = Fixtures.Read("edges.jdbg");
        const TELBinDebugScanner scanner = ScannerOf(bytes, cache);
        ASSERT_TRUE(scanner.ValidFormat());
        EXPECT_EQ(scanner.ModuleName(), "Edges.dll");
        std::uint32_t offset = 0;
        // The three kinds of word: "@"-packed, text with a byte 0xAA, a name whose packed
        // form would begin with a kind byte (stored as text).
        EXPECT_EQ(scanner.ProcNameFromAddr(5, offset), "@Start");
        EXPECT_EQ(offset, 5u);
        EXPECT_EQ(scanner.ProcNameFromAddr(45, offset), "First.Caf\xAA");
        EXPECT_EQ(scanner.ProcNameFromAddr(99, offset), "0Zero");
        EXPECT_EQ(offset, 39u);
        EXPECT_EQ(scanner.SourceNameFromAddr(99), "First.pas");
        // Second starts at 100; its first line is at 120 and its first symbol at 150: what
        // lies before them belongs to First and is not answered for Second.
        EXPECT_EQ(scanner.ModuleNameFromAddr(110), "Second");
        EXPECT_EQ(scanner.ProcNameFromAddr(110, offset), "");
        EXPECT_EQ(offset, 0u);
        EXPECT_EQ(scanner.LineNumberFromAddr(110, offset), 0);
        EXPECT_EQ(offset, 0u);
        EXPECT_EQ(scanner.LineNumberFromAddr(130, offset), 70);
        EXPECT_EQ(offset, 10u);
        EXPECT_EQ(scanner.ProcNameFromAddr(130, offset), "");
        EXPECT_EQ(scanner.ProcNameFromAddr(150, offset), "Second.Late");
        EXPECT_EQ(scanner.SourceNameFromAddr(110), "second_file.inc");
        // A packed name of 286 characters is cut at 255.
        const std::string name = scanner.ProcNameFromAddr(300, offset);
        EXPECT_EQ(name, std::string(255, 'L'));
        EXPECT_EQ(scanner.LineNumberFromAddr(300, offset), 3);
    }
}

TEST(JediLists, WhereAListEnds)
{
    // Unit A at 0, then unit B at 10, then the end marker; variants break the second entry.
    const std::string first = Number(0) + Number(1);
    const struct {
        const char* Label;
        std::string Units;
        const char* UnitAt20;
    } cases[] = {
        {"both entries", first + Number(10) + Number(2) + EndOfList, "B"},
        {"the end marker before B", first + EndOfList + Number(10) + Number(2) + EndOfList, "A"},
        {"the end marker as B's name", first + Number(10) + EndOfList + EndOfList, "A"},
        {"a number of six bytes", first + std::string("\x80\x80\x80\x80\x80\x00", 6) + Number(2) + EndOfList, "A"},
        {"no end marker: the next list, which begins with one, ends it", first + Number(10) + Number(2), "B"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        const std::string bytes = HandMade(c.Units, EndOfList, TwoWords);
        const TELBinDebugScanner scanner = ScannerOf(bytes);
        ASSERT_TRUE(scanner.ValidFormat());
        EXPECT_EQ(scanner.ModuleNameFromAddr(5), "A");
        EXPECT_EQ(scanner.ModuleNameFromAddr(20), c.UnitAt20);
    }
}

TEST(JediLists, ManyLinesAndFallingAddresses)
{
    for (bool cache : {true, false}) {
        SCOPED_TRACE(cache ? "cached" : "walked");
        // 1000 lines, one every 3 bytes from address 0, lines 1 to 1000: the cache grows
        // past its first 64 entries many times.
        std::string lines;
        for (int i = 0; i < 1000; ++i) lines += Number(i ? 3 : 0) + Number(1);
        lines += EndOfList;
        const std::string units = Number(0) + Number(1) + EndOfList;
        const std::string many = HandMade(units, lines, TwoWords);
        const TELBinDebugScanner scanner = ScannerOf(many, cache);
        std::uint32_t offset = 0;
        for (std::uint32_t address : {0u, 1u, 191u, 192u, 2996u, 2997u, 2999u, 100000u}) {
            SCOPED_TRACE(address);
            const std::uint32_t index = std::min(address / 3, 999u);
            EXPECT_EQ(scanner.LineNumberFromAddr(address, offset), int(index + 1));
            EXPECT_EQ(offset, address - index * 3);
        }

        // A forged list whose addresses fall: 10 (line 1), 5 (line 2), 25 (line 3).
        const std::string falling = Number(10) + Number(1) + Number(std::uint32_t(-5)) + Number(1) + Number(20) +
                                    Number(1) + EndOfList;
        const std::string forged = HandMade(units, falling, TwoWords);
        const TELBinDebugScanner unsorted = ScannerOf(forged, cache);
        const struct {
            std::uint32_t Address;
            int Line;
        } rows[] = {{4, 0}, {5, 2}, {9, 2}, {10, 1}, {24, 1}, {25, 3}};
        for (const auto& row : rows) {
            SCOPED_TRACE(row.Address);
            EXPECT_EQ(unsorted.LineNumberFromAddr(row.Address, offset), row.Line);
        }
    }
}

} // namespace
