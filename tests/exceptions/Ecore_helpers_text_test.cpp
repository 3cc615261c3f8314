// The portable text rules of the helper routines: variable expansion, output and log
// file names, the lines of multi-line settings.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "exceptions/EcoreHelpers.h"

namespace {

struct TExpandCase {
    const char* Text;
    const char* Expected;
};

const std::map<std::string, std::string> Variables = {
    {"TEMP", "C:\\Temp"},
    {"A", "a"},
    {"B", "b"},
    {"ProgramFiles(x86)", "C:\\Program Files (x86)"},
    {"_LineBreak", "\r\n"},
    {"SELF", "%TEMP%"},
    {"HALF", "50%"},
};

std::string Lookup(const std::string& name)
{
    const auto found = Variables.find(name);
    return found == Variables.end() ? std::string() : found->second;
}

class ExpandEnvVarsCases : public testing::TestWithParam<TExpandCase> {};

TEST_P(ExpandEnvVarsCases, ExpandsReferencesAndKeepsLoneSigns)
{
    EXPECT_EQ(ExpandEnvVars(GetParam().Text, Lookup), GetParam().Expected) << "text: " << GetParam().Text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ExpandEnvVarsCases,
    testing::Values(TExpandCase{"", ""}, TExpandCase{"plain text", "plain text"},
                    TExpandCase{"%TEMP%", "C:\\Temp"},
                    // The reference is expanded; the lone sign after it is plain text.
                    TExpandCase{"%TEMP%\\logs 100%", "C:\\Temp\\logs 100%"},
                    TExpandCase{"%TEMP%%", "C:\\Temp%"}, TExpandCase{"%", "%"}, TExpandCase{"%%", "%%"},
                    TExpandCase{"%%%", "%%%"}, TExpandCase{"%%TEMP%", "%C:\\Temp"},
                    TExpandCase{"%TEMP", "%TEMP"}, TExpandCase{"TEMP%", "TEMP%"},
                    TExpandCase{"%UNKNOWN%", ""}, TExpandCase{"a%UNKNOWN%b", "ab"},
                    TExpandCase{"%A%%B%", "ab"}, TExpandCase{"%A%B%", "aB%"},
                    TExpandCase{"50% done, 60% left", "50% done, 60% left"},
                    TExpandCase{"%ProgramFiles(x86)%\\App", "C:\\Program Files (x86)\\App"},
                    TExpandCase{"one%_LineBreak%two", "one\r\ntwo"},
                    // Values are inserted as they are, never expanded again.
                    TExpandCase{"%SELF%", "%TEMP%"}, TExpandCase{"%HALF%TEMP%", "50%TEMP%"},
                    TExpandCase{"%A B%", "%A B%"}, TExpandCase{"%A-B%A%", "%A-Ba"}));

TEST(ExpandEnvVars, AsksTheLookupForEachReferenceByItsExactName)
{
    std::vector<std::string> asked;
    const std::string result = ExpandEnvVars("%Temp% and %temp% and %x_1%", [&](const std::string& name) {
        asked.push_back(name);
        return std::string("<") + name + ">";
    });
    EXPECT_EQ(result, "<Temp> and <temp> and <x_1>");
    EXPECT_EQ(asked, (std::vector<std::string>{"Temp", "temp", "x_1"}));
}

TEST(ExpandEnvVars, InsertsLongValuesWhole)
{
    const std::string longValue(5000, 'v');
    EXPECT_EQ(ExpandEnvVars("[%LONG%]", [&](const std::string&) { return longValue; }), "[" + longValue + "]");
}

struct TPathCase {
    const char* Input;
    const char* Expected;
};

class IncludeLastBackslashCases : public testing::TestWithParam<TPathCase> {};

TEST_P(IncludeLastBackslashCases, AppendsOneBackslash)
{
    EXPECT_EQ(IncludeLastBackslash(GetParam().Input), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Paths, IncludeLastBackslashCases,
                         testing::Values(TPathCase{"", ""}, TPathCase{"C:\\Logs", "C:\\Logs\\"},
                                         TPathCase{"C:\\Logs\\", "C:\\Logs\\"}, TPathCase{"C:/Logs/", "C:/Logs/"},
                                         TPathCase{"C:", "C:\\"}, TPathCase{"\\", "\\"}));

struct TOutputCase {
    const char* OutputPath;
    const char* FileName;
    const char* Expected;
};

class OutputFileForCases : public testing::TestWithParam<TOutputCase> {};

TEST_P(OutputFileForCases, PlacesTheFile)
{
    EXPECT_EQ(OutputFileFor(GetParam().OutputPath, GetParam().FileName), GetParam().Expected)
        << "output path: " << GetParam().OutputPath << ", file: " << GetParam().FileName;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, OutputFileForCases,
    testing::Values(
        // A path with the extension ".elf" is the file itself, whatever is logged.
        TOutputCase{"D:\\Logs\\All.elf", "C:\\App\\Mod.elf", "D:\\Logs\\All.elf"},
        TOutputCase{"D:\\Logs\\All.ELF", "C:\\App\\Other.elf", "D:\\Logs\\All.ELF"},
        TOutputCase{"D:\\Logs\\All.Elf", "Mod.elf", "D:\\Logs\\All.Elf"},
        // Anything else is a folder.
        TOutputCase{"D:\\Logs", "C:\\App\\Mod.elf", "D:\\Logs\\Mod.elf"},
        TOutputCase{"D:\\Logs\\", "C:\\App\\Mod.elf", "D:\\Logs\\Mod.elf"},
        TOutputCase{"D:/Logs/", "C:\\App\\Mod.elf", "D:/Logs/Mod.elf"},
        TOutputCase{"D:\\Logs.elf.d", "C:\\App\\Mod.elf", "D:\\Logs.elf.d\\Mod.elf"},
        TOutputCase{"D:\\Logs\\All.elfx", "C:\\App\\Mod.elf", "D:\\Logs\\All.elfx\\Mod.elf"},
        TOutputCase{"D:\\elf", "C:\\App\\Mod.elf", "D:\\elf\\Mod.elf"},
        // No output path: the folder of the file, or no folder at all.
        TOutputCase{"", "C:\\App\\Mod.elf", "C:\\App\\Mod.elf"}, TOutputCase{"", "Mod.elf", "Mod.elf"}));

class LogFileNameForCases : public testing::TestWithParam<TOutputCase> {};

TEST_P(LogFileNameForCases, ChangesTheExtensionAndInsertsTheComputer)
{
    EXPECT_EQ(LogFileNameFor(GetParam().OutputPath, GetParam().FileName), GetParam().Expected);
}

// OutputPath is the file name here, FileName the computer name.
INSTANTIATE_TEST_SUITE_P(
    Names, LogFileNameForCases,
    testing::Values(TOutputCase{"C:\\App\\Mod.exe", "", "C:\\App\\Mod.elf"},
                    TOutputCase{"C:\\App\\Mod.exe", "PC1", "C:\\App\\Mod_PC1.elf"},
                    TOutputCase{"C:\\App\\Mod", "PC1", "C:\\App\\Mod_PC1.elf"},
                    TOutputCase{"C:\\App.d\\Mod", "", "C:\\App.d\\Mod.elf"},
                    TOutputCase{"Mod.elf", "PC", "Mod_PC.elf"},
                    TOutputCase{"Mod.dll", "A\"*/:<>?\\|B", "Mod_A_________B.elf"},
                    TOutputCase{"Mod.dll", "Tab\there", "Mod_Tab_here.elf"},
                    TOutputCase{"Mod.dll", "name-with.dot", "Mod_name-with.dot.elf"}));

TEST(IsIdeExecutableName, MatchesTheIdeExecutableInAnyCaseAndFolder)
{
    EXPECT_TRUE(IsIdeExecutableName("BDS.EXE"));
    EXPECT_TRUE(IsIdeExecutableName("C:\\Program Files\\Studio\\bin\\bds.exe"));
    EXPECT_TRUE(IsIdeExecutableName("C:/bin/Bds.Exe"));
    EXPECT_FALSE(IsIdeExecutableName("C:\\bin\\bds.exe.bak"));
    EXPECT_FALSE(IsIdeExecutableName("C:\\bds.exe\\app.exe"));
    EXPECT_FALSE(IsIdeExecutableName("xbds.exe"));
    EXPECT_FALSE(IsIdeExecutableName(""));
}

struct TLinesCase {
    const char* Value;
    std::vector<std::string> Lines;
};

class SplitRawLinesCases : public testing::TestWithParam<TLinesCase> {};

TEST_P(SplitRawLinesCases, SplitsAtEveryLineBreak)
{
    EXPECT_EQ(SplitRawLines(GetParam().Value), GetParam().Lines);
}

INSTANTIATE_TEST_SUITE_P(Values, SplitRawLinesCases,
                         testing::Values(TLinesCase{"", {""}}, TLinesCase{"one", {"one"}},
                                         TLinesCase{"a\r\nb", {"a", "b"}}, TLinesCase{"a\r\nb\r\n", {"a", "b", ""}},
                                         TLinesCase{"\r\n", {"", ""}}, TLinesCase{"a\nb\rc", {"a", "b", "c"}},
                                         TLinesCase{"a\r\r\nb", {"a", "", "b"}},
                                         TLinesCase{"  x  \r\n\"q\"", {"  x  ", "\"q\""}}));

TEST(RawLines, JoiningGivesBackEveryValueWithCrLfBreaks)
{
    for (const std::string value : {"", "one", "a\r\nb", "a\r\nb\r\n", "\r\n\r\n", "  x  \r\n"})
        EXPECT_EQ(JoinRawLines(SplitRawLines(value)), value);
}

TEST(RawLines, KeysAndQuotes)
{
    EXPECT_EQ(RawStringsCountKey("Message"), "Count Message");
    EXPECT_EQ(RawStringsLineKey("Message", 0), "Message0");
    EXPECT_EQ(RawStringsLineKey("Message", 12), "Message12");
    EXPECT_EQ(QuoteRawLine(" a b "), "\" a b \"");
    EXPECT_EQ(QuoteRawLine(""), "\"\"");
}

} // namespace
