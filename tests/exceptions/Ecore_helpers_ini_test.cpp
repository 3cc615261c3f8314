// The settings-file helpers: values through the private-profile functions, multi-line
// values under their key scheme, and where a bare file name goes.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "exceptions/EcoreHelpers.h"
#include "tests/support/scratch_dir.h"

namespace {

using zv::test::ReadFileBytes;
using zv::test::ScratchDir;

class SettingsFileTest : public testing::Test {
protected:
    ScratchDir FDir;
    // Every test file is new, so the platform's cache of an INI file never outlives it.
    const std::string FFile = FDir.NewPath();
};

TEST_F(SettingsFileTest, StringsRoundTripAndMissingOnesGiveTheDefault)
{
    EXPECT_EQ(ReadString(FFile, "Coordinates", "Left", "none"), "none");
    EXPECT_EQ(GetFileAttributesA(FFile.c_str()), INVALID_FILE_ATTRIBUTES) << "reading made the file";

    ASSERT_TRUE(WriteString(FFile, "User", "Name", "Jane Doe"));
    ASSERT_TRUE(WriteString(FFile, "User", "Email", ""));
    EXPECT_EQ(ReadString(FFile, "User", "Name", "none"), "Jane Doe");
    EXPECT_EQ(ReadString(FFile, "user", "NAME", "none"), "Jane Doe");
    EXPECT_EQ(ReadString(FFile, "User", "Email", "none"), "");
    EXPECT_EQ(ReadString(FFile, "User", "Phone", "none"), "none");
    EXPECT_EQ(ReadString(FFile, "Other", "Name", "none"), "none");
}

TEST_F(SettingsFileTest, ValuesComeBackThroughABufferOf2048Characters)
{
    const std::string longValue(3000, 'x');
    ASSERT_TRUE(WriteString(FFile, "S", "Long", longValue));
    EXPECT_EQ(ReadString(FFile, "S", "Long", ""), std::string(2047, 'x'));
}

TEST_F(SettingsFileTest, ALineBreakInAPlainValueIsRefusedAndWritesNothing)
{
    ASSERT_TRUE(WriteString(FFile, "User", "Name", "Jane"));
    EXPECT_FALSE(WriteString(FFile, "User", "Name", "Eve\r\n[Coordinates]\r\nLeft=1"));
    EXPECT_FALSE(WriteString(FFile, "User", "Name", "Eve\nx"));
    EXPECT_EQ(ReadString(FFile, "User", "Name", ""), "Jane");
    EXPECT_EQ(ReadString(FFile, "Coordinates", "Left", "none"), "none");
}

TEST_F(SettingsFileTest, IntegersAndBooleans)
{
    ASSERT_TRUE(WriteInteger(FFile, "Coordinates", "Left", -120));
    ASSERT_TRUE(WriteBool(FFile, "Coordinates", "Max", true));
    ASSERT_TRUE(WriteBool(FFile, "Coordinates", "Min", false));
    ASSERT_TRUE(WriteString(FFile, "Coordinates", "Hex", "$1F"));
    ASSERT_TRUE(WriteString(FFile, "Coordinates", "Word", "wide"));
    ASSERT_TRUE(WriteString(FFile, "Coordinates", "Two", "2"));
    EXPECT_EQ(ReadInteger(FFile, "Coordinates", "Left", 0), -120);
    EXPECT_EQ(ReadInteger(FFile, "Coordinates", "Hex", 0), 31);
    EXPECT_EQ(ReadInteger(FFile, "Coordinates", "Word", 7), 7);
    EXPECT_EQ(ReadInteger(FFile, "Coordinates", "Missing", 7), 7);

    EXPECT_TRUE(ReadBool(FFile, "Coordinates", "Max", false));
    EXPECT_FALSE(ReadBool(FFile, "Coordinates", "Min", true));
    EXPECT_FALSE(ReadBool(FFile, "Coordinates", "Two", true)) << "only the integer 1 is true";
    EXPECT_TRUE(ReadBool(FFile, "Coordinates", "Missing", true));
    EXPECT_FALSE(ReadBool(FFile, "Coordinates", "Missing", false));

    const std::string text = ReadFileBytes(FFile);
    EXPECT_NE(text.find("Left=-120"), std::string::npos) << text;
    EXPECT_NE(text.find("Max=1"), std::string::npos) << text;
    EXPECT_NE(text.find("Min=0"), std::string::npos) << text;
}

TEST_F(SettingsFileTest, MultiLineValuesRoundTrip)
{
    for (const std::string value : {"one", "", "first\r\nsecond", "  padded  \r\n\r\nlast line\r\n",
                                    "\"quoted\"\r\nx;y=z [s]", "%TEMP%\r\n\t tab"}) {
        ASSERT_TRUE(WriteRawStrings(FFile, "Texts", "Message", value));
        EXPECT_EQ(ReadRawStrings(FFile, "Texts", "Message", "default"), value);
    }
    // Lone breaks cannot stand in a line of the file: they come back as CR LF.
    ASSERT_TRUE(WriteRawStrings(FFile, "Texts", "Message", "a\nb\rc"));
    EXPECT_EQ(ReadRawStrings(FFile, "Texts", "Message", "default"), "a\r\nb\r\nc");
}

TEST_F(SettingsFileTest, MultiLineValueKeysAsStoredInTheFile)
{
    ASSERT_TRUE(WriteRawStrings(FFile, "Texts", "Message", " a\r\nb"));
    const std::string text = ReadFileBytes(FFile);
    EXPECT_NE(text.find("Count Message=2"), std::string::npos) << text;
    EXPECT_NE(text.find("Message0=\" a\""), std::string::npos) << text;
    EXPECT_NE(text.find("Message1=\"b\""), std::string::npos) << text;
}

TEST_F(SettingsFileTest, AShorterValueTakesAwayTheOldLines)
{
    ASSERT_TRUE(WriteRawStrings(FFile, "Texts", "Message", "1\r\n2\r\n3\r\n4"));
    ASSERT_TRUE(WriteRawStrings(FFile, "Texts", "Message", "only"));
    EXPECT_EQ(ReadRawStrings(FFile, "Texts", "Message", ""), "only");
    EXPECT_EQ(ReadString(FFile, "Texts", "Message3", "gone"), "gone");
    EXPECT_EQ(ReadString(FFile, "Texts", "Message1", "gone"), "gone");
}

TEST_F(SettingsFileTest, HandEditedCountsAreBounded)
{
    ASSERT_TRUE(WriteString(FFile, "Texts", "Count Message", "0"));
    ASSERT_TRUE(WriteString(FFile, "Texts", "Message0", "\"ignored\""));
    EXPECT_EQ(ReadRawStrings(FFile, "Texts", "Message", "default"), "default");
    ASSERT_TRUE(WriteString(FFile, "Texts", "Count Message", "-3"));
    EXPECT_EQ(ReadRawStrings(FFile, "Texts", "Message", "default"), "default");
    // A count far beyond the lines present reads the lines there are, at once.
    ASSERT_TRUE(WriteString(FFile, "Texts", "Message1", "\"two\""));
    ASSERT_TRUE(WriteString(FFile, "Texts", "Count Message", "2000000000"));
    EXPECT_EQ(ReadRawStrings(FFile, "Texts", "Message", "default"), "ignored\r\ntwo");
    EXPECT_EQ(ReadRawStrings(FFile, "Texts", "Missing", "default"), "default");
}

TEST(SettingsFilePath, BareNamesGoToTheWorkingFolder)
{
    EXPECT_EQ(SettingsFilePath("VantrelLog.ini"), ApplicationDataFolder() + "\\VantrelLog\\VantrelLog.ini");
    EXPECT_EQ(SettingsFilePath("C:\\Data\\VantrelLog.ini"), "C:\\Data\\VantrelLog.ini");
    EXPECT_EQ(SettingsFilePath(".\\VantrelLog.ini"), ".\\VantrelLog.ini");
}

TEST(SettingsFilePath, BareNameRoundTripsThroughTheWorkingFolder)
{
    const std::string name = "zv_settings_" + std::to_string(GetCurrentProcessId()) + ".ini";
    ASSERT_TRUE(WriteString(name, "Coordinates", "Top", "42"));
    const std::string path = ApplicationDataFolder() + "\\VantrelLog\\" + name;
    EXPECT_EQ(ReadInteger(name, "Coordinates", "Top", 0), 42);
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
    EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
    DeleteFileA(path.c_str());
}

} // namespace
