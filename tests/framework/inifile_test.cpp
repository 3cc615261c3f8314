// TIniFile over the platform's real private-profile functions: each test writes a small
// file of its own and reads it back through the class.
#include <gtest/gtest.h>

#include <windows.h>

#include <climits>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "framework/exceptions.h"
#include "framework/format.h"
#include "framework/inifile.h"
#include "framework/stringlist.h"
#include "tests/framework/string_lines.h"
#include "tests/support/scratch_dir.h"

namespace {

using zv::test::ReadFileBytes;
using zv::test::ScratchDir;

using zv::test::Lines;
using zv::test::LinesOf;

std::string CrLfLines(const Lines& lines)
{
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

struct ReadCase {
    const char* label;
    const char* section;
    const char* key;
    std::string expected;
};

void ExpectReads(const TIniFile& ini, const std::vector<ReadCase>& cases)
{
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(ini.ReadString(c.section, c.key, "<default>"), c.expected);
    }
}

// ---- Reading rules ----

TEST(TIniFile, NamesMatchWithoutRegardToCaseOrSurroundingBlanks)
{
    ScratchDir dir;
    TIniFile ini(dir.Write(CrLfLines({"[Serial]", "Comport=COM1", "  AltChar   =No", "[SwitchNames]", "b = two"})));
    ExpectReads(ini, {
                         {"key in another case", "Serial", "ComPort", "COM1"},
                         {"section in another case", "SERIAL", "comport", "COM1"},
                         {"blanks around the key in the file", "Serial", "AltChar", "No"},
                         {"lower-case key, upper-case request", "switchnames", "B", "two"},
                     });
}

TEST(TIniFile, BlanksAroundTheValueGoButInnerBlanksStay)
{
    ScratchDir dir;
    TIniFile ini(dir.Write(CrLfLines({"[SwitchNames]", "A = Turn on switch  1", "B=\t padded value \t ",
                                      "C =   ", "D=x"})));
    ExpectReads(ini, {
                         {"two inner blanks", "SwitchNames", "A", "Turn on switch  1"},
                         {"tabs and blanks around", "SwitchNames", "B", "padded value"},
                         {"only blanks", "SwitchNames", "C", ""},
                         {"no blanks", "SwitchNames", "D", "x"},
                     });
}

TEST(TIniFile, MatchingQuotesAroundTheValueAreRemoved)
{
    ScratchDir dir;
    TIniFile ini(dir.Write(CrLfLines({"[Q]", "double=\"two  words\"", "single='one'", "mixed=\"half'",
                                      "outside = \" kept blanks \" ", "inner=a \"b\" c", "lone=\""})));
    ExpectReads(ini, {
                         {"double quotes", "Q", "double", "two  words"},
                         {"single quotes", "Q", "single", "one"},
                         {"quotes that do not match stay", "Q", "mixed", "\"half'"},
                         {"blanks inside the quotes stay", "Q", "outside", " kept blanks "},
                         {"quotes inside the value stay", "Q", "inner", "a \"b\" c"},
                         {"a lone quote stays", "Q", "lone", "\""},
                     });
}

TEST(TIniFile, AnEmptyValueIsNotMissing)
{
    ScratchDir dir;
    std::string path = dir.Write(CrLfLines({"[Serial]", "AltChar=", "Spaced =  "}));
    TIniFile ini(path);
    ExpectReads(ini, {
                         {"empty value", "Serial", "AltChar", ""},
                         {"blanks only", "Serial", "Spaced", ""},
                         {"missing key", "Serial", "ComPort", "<default>"},
                         {"missing section", "Other", "AltChar", "<default>"},
                     });
    TIniFile missing(dir.NewPath());
    EXPECT_EQ(missing.ReadString("Serial", "AltChar", "No"), "No") << "a missing file gives the default";
}

TEST(TIniFile, LongValuesAreCutTo2047Characters)
{
    ScratchDir dir;
    std::string value;
    for (int i = 0; i < 3000; ++i) value += static_cast<char>('a' + i % 26);
    TIniFile ini(dir.Write(CrLfLines({"[Big]", "exact=" + value.substr(0, 2047), "over=" + value})));
    EXPECT_EQ(ini.ReadString("Big", "exact", ""), value.substr(0, 2047));
    EXPECT_EQ(ini.ReadString("Big", "over", ""), value.substr(0, 2047));
}

TEST(TIniFile, ASemicolonMakesADifferentKey)
{
    ScratchDir dir;
    TIniFile ini(dir.Write(CrLfLines({"[SwitchNames]", "N = Turn on switch 14", ";O = Turn on switch 15", "; P = x"})));
    ExpectReads(ini, {
                         {"plain key", "SwitchNames", "N", "Turn on switch 14"},
                         {"O is not there", "SwitchNames", "O", "<default>"},
                         {"P is not there", "SwitchNames", "P", "<default>"},
                         {"the key named ;O", "SwitchNames", ";O", "Turn on switch 15"},
                     });
}

// The commented file the switch panel writes when it finds none, read as the panel does.
TEST(TIniFile, ReadsTheSwitchPanelsDefaultFile)
{
    Lines lines = {";Configuration file for ZorvanMenu.exe",
                   "; Remove the semicolon and edit the names as needed",
                   "[Serial]",
                   "Comport=COM1",
                   "; Change to AltChar=Yes to use the ` rather than the ~ character",
                   "AltChar=No",
                   "",
                   "[SwitchNames]"};
    for (int i = 0; i < 20; ++i) {
        char letter = static_cast<char>('A' + i);
        std::string number = (i < 9 ? " " : "") + std::to_string(i + 1);
        lines.push_back(std::string(i >= 14 ? ";" : "") + letter + " = Turn on switch " + number);
    }
    ScratchDir dir;
    TIniFile ini(dir.Write(CrLfLines(lines)));
    EXPECT_EQ(ini.ReadString("Serial", "ComPort", "COM1x"), "COM1");
    EXPECT_EQ(ini.ReadString("Serial", "AltChar", "Yes"), "No");
    for (int i = 0; i < 20; ++i) {
        std::string letter(1, static_cast<char>('A' + i));
        SCOPED_TRACE(letter);
        std::string expected = i < 14 ? Format("Turn on switch %2d", {i + 1}) : "";
        EXPECT_EQ(ini.ReadString("SwitchNames", letter, ""), expected);
    }
}

// ---- Numbers and booleans ----

TEST(TIniFile, ReadIntegerTakesDecimalAndHexOrGivesTheDefault)
{
    struct Case {
        const char* value;
        int expected;
    };
    const Case cases[] = {
        {"42", 42},
        {"-7", -7},
        {"+3", 3},
        {"  12  ", 12},
        {"$1F", 31},
        {"0x1f", 31},
        {"0XFF", 255},
        {"$FFFFFFFF", -1},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"2147483648", 99},
        {"$100000000", 99},
        {"12abc", 99},
        {"1 2", 99},
        {"0x", 99},
        {"$", 99},
        {"-", 99},
        {"yes", 99},
        {"", 99},
    };
    std::string text = "[N]\r\n";
    for (size_t i = 0; i < std::size(cases); ++i) text += "k" + std::to_string(i) + "=" + cases[i].value + "\r\n";
    ScratchDir dir;
    TIniFile ini(dir.Write(text));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(std::string("value \"") + cases[i].value + "\"");
        EXPECT_EQ(ini.ReadInteger("N", "k" + std::to_string(i), 99), cases[i].expected);
    }
    EXPECT_EQ(ini.ReadInteger("N", "missing", -5), -5);
}

TEST(TIniFile, ReadBoolIsTrueForAnyIntegerButZero)
{
    struct Case {
        const char* value;
        bool whenDefaultFalse;
        bool whenDefaultTrue;
    };
    const Case cases[] = {
        {"1", true, true},
        {"0", false, false},
        {"-1", true, true},
        {"$10", true, true},
        {"yes", false, true},
        {"true", false, true},
        {"", false, true},
    };
    std::string text = "[B]\r\n";
    for (size_t i = 0; i < std::size(cases); ++i) text += "k" + std::to_string(i) + "=" + cases[i].value + "\r\n";
    ScratchDir dir;
    TIniFile ini(dir.Write(text));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(std::string("value \"") + cases[i].value + "\"");
        EXPECT_EQ(ini.ReadBool("B", "k" + std::to_string(i), false), cases[i].whenDefaultFalse);
        EXPECT_EQ(ini.ReadBool("B", "k" + std::to_string(i), true), cases[i].whenDefaultTrue);
    }
    EXPECT_TRUE(ini.ReadBool("B", "missing", true));
    EXPECT_FALSE(ini.ReadBool("B", "missing", false));
}

// ---- Writing ----

TEST(TIniFile, WrittenValuesReadBack)
{
    ScratchDir dir;
    std::string path = dir.NewPath();
    {
        TIniFile ini(path);
        EXPECT_EQ(ini.FileName(), path);
        ini.WriteString("Serial", "ComPort", "COM7");
        ini.WriteString("SwitchNames", "A", "Turn on switch  1");
        ini.WriteString("Serial", "Empty", "");
        ini.WriteInteger("Numbers", "Min", INT_MIN);
        ini.WriteInteger("Numbers", "Max", INT_MAX);
        ini.WriteBool("Flags", "On", true);
        ini.WriteBool("Flags", "Off", false);
        ini.WriteString("serial", "comport", "COM8");
    }
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString("Serial", "ComPort", ""), "COM8") << "a write in another case replaces the key";
    EXPECT_EQ(ini.ReadString("SwitchNames", "A", ""), "Turn on switch  1");
    EXPECT_EQ(ini.ReadString("Serial", "Empty", "default"), "");
    EXPECT_EQ(ini.ReadInteger("Numbers", "Min", 0), INT_MIN);
    EXPECT_EQ(ini.ReadInteger("Numbers", "Max", 0), INT_MAX);
    EXPECT_TRUE(ini.ReadBool("Flags", "On", false));
    EXPECT_FALSE(ini.ReadBool("Flags", "Off", true));
    EXPECT_EQ(ini.ReadString("Flags", "On", ""), "1");
    EXPECT_EQ(ini.ReadString("Flags", "Off", ""), "0");
}

TEST(TIniFile, ValuesReachTheDiskAsPlainLines)
{
    ScratchDir dir;
    std::string path = dir.NewPath();
    {
        TIniFile ini(path);
        ini.WriteString("Serial", "ComPort", "COM3");
        ini.WriteInteger("Serial", "Baud", 9600);
    }
    std::string bytes = ReadFileBytes(path);
    EXPECT_NE(bytes.find("[Serial]\r\n"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("ComPort=COM3\r\n"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("Baud=9600\r\n"), std::string::npos) << bytes;
}

TEST(TIniFile, BlanksAroundAWrittenValueDoNotSurviveTheReading)
{
    ScratchDir dir;
    TIniFile ini(dir.NewPath());
    ini.WriteString("S", "k", "  inner  blanks  ");
    EXPECT_EQ(ini.ReadString("S", "k", ""), "inner  blanks");
}

TEST(TIniFile, AWriteThePlatformRefusesRaises)
{
    ScratchDir dir;
    std::string path = dir.Folder() + "\\no such folder\\settings.ini";
    const struct {
        const char* label;
        std::function<void(TIniFile&)> call;
    } cases[] = {
        {"WriteString", [](TIniFile& ini) { ini.WriteString("S", "k", "v"); }},
        {"WriteInteger", [](TIniFile& ini) { ini.WriteInteger("S", "k", 1); }},
        {"WriteBool", [](TIniFile& ini) { ini.WriteBool("S", "k", true); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        TIniFile ini(path);
        try {
            c.call(ini);
            ADD_FAILURE() << "no exception";
        } catch (const EIniFileException& e) {
            EXPECT_EQ(e.Message(), "Unable to write to " + path);
        }
    }
}

// ---- Sections ----

TEST(TIniFile, ListsSectionsKeysAndValues)
{
    ScratchDir dir;
    TIniFile ini(dir.Write(CrLfLines({"[Serial]", "ComPort = COM1", "AltChar='No'", "Empty=", "[SwitchNames]",
                                      "A=one", "C=three", "[Empty section]"})));
    TStringList list;
    list.Add("replaced");
    ini.ReadSections(&list);
    EXPECT_EQ(LinesOf(list), (Lines{"Serial", "SwitchNames", "Empty section"}));
    ini.ReadSection("serial", &list);
    EXPECT_EQ(LinesOf(list), (Lines{"ComPort", "AltChar", "Empty"}));
    ini.ReadSectionValues("Serial", &list);
    EXPECT_EQ(LinesOf(list), (Lines{"ComPort=COM1", "AltChar=No", "Empty="}));
    ini.ReadSection("Missing", &list);
    EXPECT_EQ(LinesOf(list), Lines{});

    EXPECT_TRUE(ini.SectionExists("SWITCHNAMES"));
    EXPECT_FALSE(ini.SectionExists("Empty section")) << "a section exists when it has keys";
    EXPECT_FALSE(ini.SectionExists("Missing"));
    EXPECT_TRUE(ini.ValueExists("SwitchNames", "c"));
    EXPECT_TRUE(ini.ValueExists("Serial", "Empty"));
    EXPECT_FALSE(ini.ValueExists("SwitchNames", "B"));
}

TEST(TIniFile, ReadSectionTakesLongKeyLists)
{
    std::string text = "[Many]\r\n";
    Lines expected;
    for (int i = 0; i < 3000; ++i) {
        expected.push_back(Format("SomeLongishKey%.5d", {i}));
        text += expected.back() + "=" + std::to_string(i) + "\r\n";
    }
    ScratchDir dir;
    TIniFile ini(dir.Write(text));
    TStringList keys;
    ini.ReadSection("Many", &keys);
    EXPECT_EQ(LinesOf(keys), expected);
}

TEST(TIniFile, EraseSectionAndDeleteKeyRemove)
{
    ScratchDir dir;
    TIniFile ini(dir.Write(CrLfLines({"[Keep]", "a=1", "b=2", "[Drop]", "x=1"})));
    ini.DeleteKey("keep", "A");
    ini.DeleteKey("Keep", "missing");
    ini.EraseSection("DROP");
    ini.EraseSection("Missing");
    EXPECT_EQ(ini.ReadString("Keep", "a", "gone"), "gone");
    EXPECT_EQ(ini.ReadString("Keep", "b", ""), "2");
    EXPECT_EQ(ini.ReadString("Drop", "x", "gone"), "gone");
    TStringList sections;
    ini.ReadSections(&sections);
    EXPECT_EQ(LinesOf(sections), (Lines{"Keep"}));
    ini.UpdateFile();
    std::string bytes = ReadFileBytes(ini.FileName());
    EXPECT_EQ(bytes.find("Drop"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("b=2"), std::string::npos) << bytes;
}

} // namespace
