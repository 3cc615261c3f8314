// The map file reader: the maps that debug_fixtures/map_writer.py writes from the common
// description, each checked against the rows the description alone gives (beside the test
// exe in Edebug_map_fixtures; see CMakeLists.txt), and the map's own edges on small maps.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "exceptions/EdebugMap.h"
#include "tests/exceptions/debug_fixture_rows.h"

namespace {

const TDebugFixtureFolder Fixtures("Edebug_map_fixtures");

// ---- The common description ----

class MapFixture : public testing::TestWithParam<const char*> {};

TEST_P(MapFixture, AnswersEveryRowOfTheDescription)
{
    const TELMapScanner scanner(Fixtures.Read(GetParam()));
    ASSERT_TRUE(scanner.HasUnits());
    const std::vector<TExpectedDebugRow> rows = Fixtures.Rows("locations.expected.tsv");
    EXPECT_GT(rows.size(), 20u);
    ExpectDebugRows(scanner, rows);
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
    const TELMapScanner scanner(Fixtures.Read("locations.map"));
    EXPECT_EQ(AskDebugLookups(scanner, 0x2000),
              (TDebugAnswer{"Main", 0x2000, "Main.DataVariable", 0, 0, 0, "Main.pas"}));
    EXPECT_EQ(AskDebugLookups(scanner, 0x2027),
              (TDebugAnswer{"Main", 0x2020, "Main.BssVariable", 7, 0, 0, "Main.pas"}));
    EXPECT_EQ(AskDebugLookups(scanner, 0x202F),
              (TDebugAnswer{"Helpers", 0x2028, "Helpers.BssVariable", 7, 0, 0, "Helpers.pas"}));
    EXPECT_EQ(AskDebugLookups(scanner, 0x2030), NoDebugAnswer);
}

TEST(MapFixtureDamage, EveryCutOfTheMapReadsSafely)
{
    // A map cut anywhere (a link that stopped writing): whatever is read, the lookups stay
    // inside what was read. The sanitizers of the host build watch the reads.
    const std::string text = Fixtures.Read("locations.map");
    for (std::size_t length = 0; length <= text.size(); length += 7) {
        const TELMapScanner scanner(std::string_view(text).substr(0, length));
        for (const std::uint32_t address : {0u, 0x40u, 0x514u, 0x10FFu, 0x2000u}) AskDebugLookups(scanner, address);
    }
    const TELMapScanner whole(text);
    EXPECT_EQ(AskDebugLookups(whole, 0x10FF).Line, 151);
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
    EXPECT_EQ(AskDebugLookups(scanner, 0x10F), (TDebugAnswer{"Alpha", 0x100, "Alpha.Run", 0xF, 7, 0xF, "Alpha.pas"}));
    EXPECT_EQ(AskDebugLookups(scanner, 0x110), NoDebugAnswer);
    EXPECT_EQ(AskDebugLookups(scanner, 0xFF), NoDebugAnswer);
    // A row of length 0 holds no address.
    EXPECT_EQ(AskDebugLookups(scanner, 0x120), NoDebugAnswer);
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
    EXPECT_EQ(AskDebugLookups(scanner, 0x120), (TDebugAnswer{"Beta", 0x100, "", 0, 0, 0, "Beta.pas"}));
    EXPECT_EQ(AskDebugLookups(scanner, 0x158), (TDebugAnswer{"Beta", 0x100, "Beta.Second", 8, 0, 0, "Beta.pas"}));
    EXPECT_EQ(AskDebugLookups(scanner, 0x161), (TDebugAnswer{"Beta", 0x100, "Beta.Second", 0x11, 30, 1, "Beta.pas"}));
    EXPECT_EQ(AskDebugLookups(scanner, 0xFF), (TDebugAnswer{"Alpha", 0, "Alpha.First", 0xFF, 2, 0xEF, "Alpha.pas"}));
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
    TDebugAnswer Expected; // at address 0x10
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
    EXPECT_EQ(AskDebugLookups(scanner, 0x10), GetParam().Expected);
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
     }), NoDebugAnswer},
    {"a header of an earlier section after a later one is not taken", SegmentTable + Lines({
        "  Address         Publics by Value",
        " 0001:00000008       Alpha.Run",
        "Detailed map of segments",
        " 0001:00000000 00000100 C=CODE M=Alpha",
     }), NoDebugAnswer},
    {"a line that is no item ends the section", SegmentTable + Lines({
        "Detailed map of segments",
        "Something else",
        " 0001:00000000 00000100 C=CODE M=Alpha",
     }), NoDebugAnswer},
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
     }), NoDebugAnswer},
    {"a row without a unit is not read", SegmentTable + Lines({
        "Detailed map of segments",
        " 0001:00000000 00000100 C=CODE     S=.text    G=(none)",
     }), NoDebugAnswer},
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
     }), NoDebugAnswer},
    {"an empty text", "", NoDebugAnswer},
    {"text that is no map", std::string(NoMap, sizeof NoMap - 1), NoDebugAnswer},
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
