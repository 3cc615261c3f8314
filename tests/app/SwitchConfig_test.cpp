// The configuration file's path rule, the attention character and the default file.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/SwitchConfig.h"
#include "framework/exceptions.h"
#include "tests/support/scratch_dir.h"

namespace {

using zv::test::ReadFileBytes;
using zv::test::ScratchDir;

TEST(ConfigFilePathFor, ReplacesTheExtensionOfTheFileName)
{
    EXPECT_EQ(ConfigFilePathFor("C:\\Tools\\ZorvanMenu.exe"), "C:\\Tools\\ZorvanMenu.ini");
    EXPECT_EQ(ConfigFilePathFor("C:\\Tools\\Panel.v2.exe"), "C:\\Tools\\Panel.v2.ini");
    EXPECT_EQ(ConfigFilePathFor("C:\\Tools.d\\Panel"), "C:\\Tools.d\\Panel.ini");
}

TEST(AttentionCharFor, OnlyNoAndFalseKeepTheTilde)
{
    struct Case { const char* value; char expected; };
    const Case cases[] = {
        {"No", '~'}, {"NO", '~'}, {"no", '~'}, {"False", '~'}, {"false", '~'},
        {"Yes", '`'}, {"N", '`'}, {"0", '`'}, {"true", '`'}, {"", '`'}, {"No ", '`'}, {"Nope", '`'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(AttentionCharFor(c.value), c.expected);
    }
}

std::vector<std::string> SplitCrLf(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "text after the last CR LF";
    return lines;
}

TEST(DefaultConfigText, TwentyEightLinesEachEndedByCrLf)
{
    const std::string& text = DefaultConfigText();
    EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1);
    EXPECT_NE(static_cast<unsigned char>(text[0]), 0xEF) << "no byte-order mark";
    const std::vector<std::string> lines = SplitCrLf(text);
    ASSERT_EQ(lines.size(), 28u);
    EXPECT_EQ(lines[0], ";Configuration file for ZorvanMenu.exe");
    EXPECT_EQ(lines[1], "; Remove the semicolon and edit the names as needed");
    EXPECT_EQ(lines[2], "[Serial]");
    EXPECT_EQ(lines[3], "Comport=COM1");
    EXPECT_EQ(lines[4], "; Change to AltChar=Yes to use the ` rather than the ~ character");
    EXPECT_EQ(lines[5], "AltChar=No");
    EXPECT_EQ(lines[6], "");
    EXPECT_EQ(lines[7], "[SwitchNames]");
    EXPECT_EQ(lines[8], "A = Turn on switch  1");
    EXPECT_EQ(lines[16], "I = Turn on switch  9");
    EXPECT_EQ(lines[17], "J = Turn on switch 10");
    EXPECT_EQ(lines[21], "N = Turn on switch 14");
    EXPECT_EQ(lines[22], ";O = Turn on switch 15");
    EXPECT_EQ(lines[27], ";T = Turn on switch 20");
    // Every CR is part of a line end.
    std::size_t crs = 0;
    for (char c : text) crs += c == '\r';
    EXPECT_EQ(crs, 28u);
}

TEST(WriteDefaultConfig, WritesExactlyTheDefaultBytes)
{
    ScratchDir dir;
    const std::string path = dir.File("Panel.ini");
    WriteDefaultConfig(path);
    EXPECT_EQ(ReadFileBytes(path), DefaultConfigText());
}

TEST(WriteDefaultConfig, AnUncreatableFileRaisesTheFileCreationError)
{
    ScratchDir dir;
    // A directory where the file should go: no file can be created there.
    const std::string path = dir.File("Panel.ini");
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
    try {
        WriteDefaultConfig(path);
        ADD_FAILURE() << "no exception";
    } catch (const EFCreateError& error) {
        EXPECT_EQ(error.Message().rfind("Cannot create file \"" + path + "\". ", 0), 0u) << error.Message();
    }
    RemoveDirectoryA(path.c_str());
}

TEST(SwitchTexts, CaptionCarriesTheLetterAsAcceleratorAndHintNamesIt)
{
    EXPECT_EQ(SwitchCaption('C', "Turn on switch  3"), "&C - Turn on switch  3");
    EXPECT_EQ(SwitchHint('C'), "Press C or click this button to turn on the port");
    EXPECT_EQ(MissingFileQuestion("C:\\x\\Z.ini"),
              "The file C:\\x\\Z.ini is missing.\nShall I create one?\n\nNOTE: You can edit this file to add or remove switch buttons.");
}

} // namespace
