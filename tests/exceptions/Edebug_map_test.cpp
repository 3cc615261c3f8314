// The map file reader: the maps that debug_fixtures/map_writer.py writes from the common
// description, each checked against the rows the description alone gives (beside the test
// exe in Edebug_map_fixtures; see CMakeLists.txt), and the map's own edges on small maps.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <fstream>
#include <optional>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "exceptions/EdebugMap.h"

#ifdef _WIN32
#include "framework/strutils.h"
#include "framework/sysutils.h"
#endif

namespace {

std::string ReadMapFixture(const std::string& name)
{
#ifdef _WIN32
    const std::string path = ExtractFilePath(GetModuleName(nullptr)) + "Edebug_map_fixtures\\" + name;
#else
    const std::string path = std::string(ZV_MAP_FIXTURE_DIR) + "/" + name;
#endif
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read the fixture " + path);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// What the five lookups give for one address.
struct TAnswer {
    std::string Unit;
    std::optional<std::uint32_t> UnitStart;
    std::string Proc;
    std::uint32_t ProcOffset = 0;
    int Line = 0;
    std::uint32_t LineOffset = 0;
    std::string Source;

    bool operator==(const TAnswer&) const = default;
};

void PrintTo(const TAnswer& a, std::ostream* out)
{
    *out << "{unit \"" << a.Unit << "\" start " << (a.UnitStart ? std::to_string(*a.UnitStart) : "none")
         << ", proc \"" << a.Proc << "\" +" << a.ProcOffset << ", line " << a.Line << " +" << a.LineOffset
         << ", source \"" << a.Source << "\"}";
}

TAnswer Ask(const TELMapScanner& scanner, std::uint32_t address)
{
    TAnswer a;
    a.Unit = scanner.ModuleNameFromAddr(address);
    a.UnitStart = scanner.ModuleStartFromAddr(address);
    a.Proc = scanner.ProcNameFromAddr(address, a.ProcOffset);
    a.Line = scanner.LineNumberFromAddr(address, a.LineOffset);
    a.Source = scanner.SourceNameFromAddr(address);
    return a;
}

const TAnswer Nothing{};

struct TExpectedRow {
    std::uint32_t Address = 0;
    TAnswer Answer;
};

// The rows of locations.expected.tsv: address, unit, unit start, procedure, procedure
// offset, line, line offset, source, separated by tabs.
std::vector<TExpectedRow> ReadExpectedRows()
{
    std::istringstream in(ReadMapFixture("locations.expected.tsv"));
    std::vector<TExpectedRow> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string f[8];
        for (std::string& field : f) std::getline(fields, field, '\t');
        if (f[7].empty()) throw std::runtime_error("a row of the expected answers is short: " + line);
        const auto number = [](const std::string& text) { return static_cast<std::uint32_t>(std::stoul(text)); };
        rows.push_back({number(f[0]), {f[1], number(f[2]), f[3], number(f[4]), std::stoi(f[5]), number(f[6]), f[7]}});
    }
    return rows;
}

// ---- The common description ----

class MapFixture : public testing::TestWithParam<const char*> {};

TEST_P(MapFixture, AnswersEveryRowOfTheDescription)
{
    const TELMapScanner scanner(ReadMapFixture(GetParam()));
    ASSERT_TRUE(scanner.HasUnits());
    int checked = 0;
    for (const TExpectedRow& row : ReadExpectedRows()) {
        EXPECT_EQ(Ask(scanner, row.Address), row.Answer) << "address " << row.Address;
        ++checked;
    }
    EXPECT_GT(checked, 20);
}

// The writer's forms: CR LF with four pairs a line; LF with one; lone CR with three; a
// module based high, as a library is.
INSTANTIATE_TEST_SUITE_P(Forms, MapFixture,
                         testing::Values("locations.map", "locations-lf.map", "locations-cr.map",
                                         "locations-base.map"));

TEST(MapFixtureData, OtherSegmentsLieBehindTheCode)
{
    // .data follows the code at 0x2000 from its start (the writer's layout); the thread-local
    // segment, at 0, has no code offsets and is not read.
    const TELMapScanner scanner(ReadMapFixture("locations.map"));
    EXPECT_EQ(Ask(scanner, 0x2000), (TAnswer{"Main", 0x2000, "Main.DataVariable", 0, 0, 0, "Main.pas"}));
    EXPECT_EQ(Ask(scanner, 0x2027), (TAnswer{"Main", 0x2020, "Main.BssVariable", 7, 0, 0, "Main.pas"}));
    EXPECT_EQ(Ask(scanner, 0x202F), (TAnswer{"Helpers", 0x2028, "Helpers.BssVariable", 7, 0, 0, "Helpers.pas"}));
    EXPECT_EQ(Ask(scanner, 0x2030), Nothing);
}

TEST(MapFixtureDamage, EveryCutOfTheMapReadsSafely)
{
    // A map cut anywhere (a link that stopped writing): whatever is read, the lookups stay
    // inside what was read. The sanitizers of the host build watch the reads.
    const std::string text = ReadMapFixture("locations.map");
    for (std::size_t length = 0; length <= text.size(); length += 7) {
        const TELMapScanner scanner(std::string_view(text).substr(0, length));
        for (const std::uint32_t address : {0u, 0x40u, 0x514u, 0x10FFu, 0x2000u}) Ask(scanner, address);
    }
    const TELMapScanner whole(text);
    EXPECT_EQ(Ask(whole, 0x10FF).Line, 151);
}

// ---- Edges of the map's own rules, on small maps ----

std::string Lines(std::initializer_list<std::string_view> lines)
{
    std::string text;
    for (const std::string_view line : lines) (text += line) += "\r\n";
    return text;
}

// Code at 0x401000 (segment 1), data (segment 2) at 0x403000, thread-local (3) at 0.
const std::string SegmentTable = Lines({
    " Start         Length     Name                   Class",
    " 0001:00401000 000001000H .text                  CODE",
    " 0002:00403000 000000100H .data                  DATA",
    " 0003:00000000 000000010H .tls                   TLS",
    "",
});

TEST(MapUnits, LastByteOfARangeIsInsideAndTheNextIsNot)
{
    const TELMapScanner scanner(SegmentTable + Lines({
        "Detailed map of segments",
        " 0001:00000100 00000010 C=CODE     S=.text    G=(none)   M=Alpha    ACBP=A9",
        " 0001:00000120 00000000 C=CODE     S=.text    G=(none)   M=Empty    ACBP=A9",
        "  Address         Publics by Value",
        " 0001:00000100       Alpha.Run",
        "Line numbers for Alpha(Alpha.pas) segment .text",
        "     7 0001:00000100",
    }));
    EXPECT_EQ(Ask(scanner, 0x10F), (TAnswer{"Alpha", 0x100, "Alpha.Run", 0xF, 7, 0xF, "Alpha.pas"}));
    EXPECT_EQ(Ask(scanner, 0x110), Nothing);
    EXPECT_EQ(Ask(scanner, 0xFF), Nothing);
    // A row of length 0 holds no address.
    EXPECT_EQ(Ask(scanner, 0x120), Nothing);
}

TEST(MapUnits, OverlappingRowsGiveTheLast)
{
    const TELMapScanner scanner(SegmentTable + Lines({
        "Detailed map of segments",
        " 0001:00000000 00000100 C=CODE     S=.text    G=(none)   M=Outer    ACBP=A9",
        " 0001:00000040 00000010 C=CODE     S=.text    G=(none)   M=Inner    ACBP=A9",
    }));
    EXPECT_EQ(scanner.ModuleNameFromAddr(0x3F), "Outer");
    EXPECT_EQ(scanner.ModuleNameFromAddr(0x40), "Inner");
    EXPECT_EQ(scanner.ModuleStartFromAddr(0x4F), 0x40u);
    EXPECT_EQ(scanner.ModuleNameFromAddr(0x50), "Outer");
}

TEST(MapUnits, ARangeThatReachesTheTopOfTheAddressesEndsThere)
{
    const TELMapScanner scanner(SegmentTable + Lines({
        "Detailed map of segments",
        " 0001:FFFFFF00 00000200 C=CODE     S=.text    G=(none)   M=Top      ACBP=A9",
    }));
    EXPECT_EQ(scanner.ModuleNameFromAddr(0xFFFFFFFF), "Top");
    EXPECT_EQ(scanner.ModuleNameFromAddr(0x000000FF), "");
}

TEST(MapLookups, ProcedureAndLineBelowTheUnitStartAreNotGiven)
{
    // Beta has neither a public nor a line at its start: the ones of Alpha before it are not
    // Beta's. Its source still comes from its block.
    const TELMapScanner scanner(SegmentTable + Lines({
        "Detailed map of segments",
        " 0001:00000000 00000100 C=CODE     S=.text    G=(none)   M=Alpha    ACBP=A9",
        " 0001:00000100 00000100 C=CODE     S=.text    G=(none)   M=Beta     ACBP=A9",
        "  Address         Publics by Value",
        " 0001:00000000       Alpha.First",
        " 0001:00000150       Beta.Second",
        "Line numbers for Alpha(Alpha.pas) segment .text",
        "     1 0001:00000000     2 0001:00000010",
        "Line numbers for Beta(Beta.pas) segment .text",
        "    30 0001:00000160",
    }));
    EXPECT_EQ(Ask(scanner, 0x120), (TAnswer{"Beta", 0x100, "", 0, 0, 0, "Beta.pas"}));
    EXPECT_EQ(Ask(scanner, 0x158), (TAnswer{"Beta", 0x100, "Beta.Second", 8, 0, 0, "Beta.pas"}));
    EXPECT_EQ(Ask(scanner, 0x161), (TAnswer{"Beta", 0x100, "Beta.Second", 0x11, 30, 1, "Beta.pas"}));
    EXPECT_EQ(Ask(scanner, 0xFF), (TAnswer{"Alpha", 0, "Alpha.First", 0xFF, 2, 0xEF, "Alpha.pas"}));
}

TEST(MapLookups, EachLineGivesTheSourceOfItsOwnBlock)
{
    // A unit with code from an include file has a second block; the last of two entries at
    // one address counts.
    const TELMapScanner scanner(SegmentTable + Lines({
        "Detailed map of segments",
        " 0001:00000000 00000100 C=CODE     S=.text    G=(none)   M=Alpha    ACBP=A9",
        "Line numbers for Alpha(Alpha.pas) segment .text",
        "    10 0001:00000000    11 0001:00000020",
        "Line numbers for Alpha(Alpha.inc) segment .text",
        "     3 0001:00000040     4 0001:00000040",
    }));
    std::uint32_t offset = 0;
    EXPECT_EQ(scanner.LineNumberFromAddr(0x30, offset), 11);
    EXPECT_EQ(scanner.SourceNameFromAddr(0x30), "Alpha.pas");
    EXPECT_EQ(scanner.LineNumberFromAddr(0x41, offset), 4);
    EXPECT_EQ(offset, 1u);
    EXPECT_EQ(scanner.SourceNameFromAddr(0x41), "Alpha.inc");
}

TEST(MapLookups, PublicsByNameServeOnlyWhenThereAreNoneByValue)
{
    const std::string head = SegmentTable + Lines({
        "Detailed map of segments",
        " 0001:00000000 00000100 C=CODE     S=.text    G=(none)   M=Alpha    ACBP=A9",
        "  Address         Publics by Name",
        " 0001:00000000       Alpha.ByName",
    });
    std::uint32_t offset = 0;
    EXPECT_EQ(TELMapScanner(head).ProcNameFromAddr(4, offset), "Alpha.ByName");
    EXPECT_EQ(TELMapScanner(head + Lines({"  Address         Publics by Value", " 0001:00000002       Alpha.ByValue"}))
                  .ProcNameFromAddr(4, offset),
              "Alpha.ByValue");
    EXPECT_EQ(offset, 2u);
}

// ---- Headers and sections ----

struct TTextCase {
    const char* Label;
    std::string Text;
    TAnswer Expected; // at address 0x10
};

const std::string Detailed = Lines({
    "Detailed map of segments",
    " 0001:00000000 00000100 C=CODE     S=.text    G=(none)   M=Alpha    ACBP=A9",
});

void PrintTo(const TTextCase& c, std::ostream* out)
{
    *out << c.Label;
}

class MapText : public testing::TestWithParam<TTextCase> {};

TEST_P(MapText, Answers)
{
    const TELMapScanner scanner(GetParam().Text);
    EXPECT_EQ(Ask(scanner, 0x10), GetParam().Expected);
}

constexpr char NoMap[] = "\0\xff\r\r\n::: 0001: :0001 C= M=\t Line numbers for ) ( 1 0001:0";

const TTextCase TextCases[] = {
    {"header words with other text between them", SegmentTable + Lines({
        "Detailed  map  of  the  segments",
        " 0001:00000000 00000100 C=CODE M=Alpha",
        "  Address  of the   Publics  listed by   Value",
        " 0001:00000008       Alpha.Run",
     }), {"Alpha", 0, "Alpha.Run", 8, 0, 0, ""}},
    {"header words out of order are no header", SegmentTable + Lines({
        "map of Detailed segments",
        " 0001:00000000 00000100 C=CODE M=Alpha",
     }), Nothing},
    {"a header of an earlier section after a later one is not taken", SegmentTable + Lines({
        "  Address         Publics by Value",
        " 0001:00000008       Alpha.Run",
        "Detailed map of segments",
        " 0001:00000000 00000100 C=CODE M=Alpha",
     }), Nothing},
    {"a line that is no item ends the section", SegmentTable + Lines({
        "Detailed map of segments",
        "Something else",
        " 0001:00000000 00000100 C=CODE M=Alpha",
     }), Nothing},
    {"LF line ends", " Start Length Name Class\n 0001:00401000 000001000H .text CODE\n"
                     "Detailed map of segments\n 0001:00000000 00000100 C=CODE M=Alpha\n",
     {"Alpha", 0, "", 0, 0, 0, ""}},
    {"no segment table: segment 1 is the code", Detailed, {"Alpha", 0, "", 0, 0, 0, ""}},
    {"a unit named by a path with blanks", SegmentTable + Lines({
        "Detailed map of segments",
        " 0001:00000000 00000100 C=CODE     S=_TEXT    G=(none)   M=C:\\Program Files\\Lib\\C0W32.OBJ ACBP=A9",
     }), {"C:\\Program Files\\Lib\\C0W32.OBJ", 0, "", 0, 0, 0, ""}},
    {"a source path with parentheses of its own", SegmentTable + Detailed + Lines({
        "Line numbers for c:\\a (x86)\\alpha.obj(c:\\src (x86)\\alpha.cpp) segment _TEXT",
        "     5 0001:00000000",
     }), {"Alpha", 0, "", 0, 5, 0x10, "c:\\src (x86)\\alpha.cpp"}},
    {"a block header without a source", SegmentTable + Detailed + Lines({
        "Line numbers for Alpha segment .text",
        "     5 0001:00000000",
     }), {"Alpha", 0, "", 0, 5, 0x10, ""}},
    {"pairs end at the first that does not read", SegmentTable + Detailed + Lines({
        "Line numbers for Alpha(Alpha.pas) segment .text",
        "     5 0001:00000000     6 0001:0000000X     7 0001:00000004",
     }), {"Alpha", 0, "", 0, 5, 0x10, "Alpha.pas"}},
    {"a line number past 2^31 - 1 is not read", SegmentTable + Detailed + Lines({
        "Line numbers for Alpha(Alpha.pas) segment .text",
        "     5 0001:00000000",
        "2147483648 0001:00000008",
     }), {"Alpha", 0, "", 0, 5, 0x10, "Alpha.pas"}},
    {"a line 0 is no line, and hides the line before it", SegmentTable + Detailed + Lines({
        "Line numbers for Alpha(Alpha.pas) segment .text",
        "     5 0001:00000000     0 0001:00000008",
     }), {"Alpha", 0, "", 0, 0, 0, "Alpha.pas"}},
    {"an offset of nine digits is not read", SegmentTable + Lines({
        "Detailed map of segments",
        " 0001:000000000 00000100 C=CODE M=Alpha",
     }), Nothing},
    {"a row without a unit is not read", SegmentTable + Lines({
        "Detailed map of segments",
        " 0001:00000000 00000100 C=CODE     S=.text    G=(none)",
     }), Nothing},
    {"the code in another segment than 1", Lines({
        " Start         Length     Name                   Class",
        " 0001:00400000 000000100H .rdata                 DATA",
        " 0002:00401000 000001000H .text                  CODE",
        "Detailed map of segments",
        " 0001:00000000 00000100 C=DATA M=Data",
        " 0002:00000000 00000100 C=CODE M=Alpha",
     }), {"Alpha", 0, "", 0, 0, 0, ""}},
    {"a segment the table does not list is not read", SegmentTable + Lines({
        "Detailed map of segments",
        " 0005:00000000 00000100 C=CODE M=Alpha",
     }), Nothing},
    {"an empty text", "", Nothing},
    {"text that is no map", std::string(NoMap, sizeof NoMap - 1), Nothing},
};

INSTANTIATE_TEST_SUITE_P(Cases, MapText, testing::ValuesIn(TextCases),
                         [](const testing::TestParamInfo<TTextCase>& info) {
                             std::string name;
                             for (const char* c = info.param.Label; *c; ++c)
                                 name += (std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_');
                             return name;
                         });

TEST(MapSegments, TheThreadLocalSegmentAtZeroHasNoCodeOffsets)
{
    const TELMapScanner scanner(SegmentTable + Lines({
        "Detailed map of segments",
        " 0003:00000000 00000100 C=TLS M=Alpha",
        " 0002:00000000 00000100 C=DATA M=Beta",
    }));
    EXPECT_EQ(scanner.ModuleNameFromAddr(0x10), "");
    EXPECT_EQ(scanner.ModuleNameFromAddr(0xFFBFF010), ""); // 0 less the code's start, wrapped
    // Data segment 2 starts 0x2000 behind the code.
    EXPECT_EQ(scanner.ModuleStartFromAddr(0x2010), 0x2000u);
    EXPECT_EQ(scanner.HasUnits(), true);
}

} // namespace
